#!/usr/bin/env python3
"""Checks that every #include runs downwards in the project's layers.

Each include is first resolved to the file the compiler would read: a quoted
one relative to the including file's folder, then (quoted or not) through the
include directories the CMake files give their targets. Only then is it
ranked, by the folder of the file it reaches, so no spelling ("../ui/X.h",
"../../world/X.h", a name found through another library's include directory)
gets past. An include that reaches no file of the project is a system or
library header: outside platform/ and the test folders it must be a standard
C or C++ header (or a library header granted to that folder below).

Usage: check_layering.py [ROOT]   (ROOT defaults to the project's root)
Exit status: 0 clean, 1 violations (listed), 2 the tree cannot be checked.
"""

import os
import re
import sys

# The product's libraries, lowest first, and the libraries each may include
# besides itself. The order follows the targets' links: the interpreter and
# the platform layer sit at the bottom and include nothing else of the
# product; graphics/drivers is part of graphics.
LIBRARIES = {
    "platform": (),
    "lua": (),
    "graphics": ("platform",),
    "engine": ("graphics", "platform"),
    "world": ("engine", "graphics", "platform"),
    "game": ("world", "engine", "graphics", "platform", "lua"),
}

# Programs and checks around the product: they may include all of it.
OUTSIDE = ("tools", "tests", "bench", "fuzz", "demo")

# Inside a library, its folders may keep an order of their own, lowest first:
# a folder includes only from itself and the folders below it, and a source
# outside every listed folder is refused, so a new folder is placed in the
# order before it is used. An empty list makes the library one rank.
ENGINE_ORDER = ["foundation", "media/resources", "media/devices", "media/sound",
                "media/animation", "drawing", "ui"]
# The game's sub-folders, lowest first (empty while game/ is one folder).
GAME_ORDER = []
INNER_ORDER = {"engine": ENGINE_ORDER, "game": GAME_ORDER}

# Folders that talk to the operating system and the media libraries (SDL,
# POSIX, FFmpeg, GL, FreeType) directly: platform/ and the test programs,
# which use them for peers and fixtures.
SYSTEM_ALLOWED = ("platform", "tests", "bench", "fuzz")

# Library headers other folders may include, by the path they are included with.
LIBRARY_HEADERS = {
    "graphics": ("jpeglib.h", "jerror.h"),
    "tools": ("jpeglib.h",),
}

# Upward includes accepted until a restructure removes them; see the file.
EXCEPTIONS_FILE = "scripts/layering-exceptions.txt"

STANDARD_CXX = """
algorithm any array atomic barrier bit bitset cassert ccomplex cctype cerrno
cfenv cfloat charconv chrono cinttypes ciso646 climits clocale cmath codecvt
compare complex concepts condition_variable coroutine csetjmp csignal cstdalign
cstdarg cstdbool cstddef cstdint cstdio cstdlib cstring ctgmath ctime cuchar
cwchar cwctype deque exception execution expected filesystem flat_map flat_set
format forward_list fstream functional future generator initializer_list
iomanip ios iosfwd iostream istream iterator latch limits list locale map
mdspan memory memory_resource mutex new numbers numeric optional ostream print
queue random ranges ratio regex scoped_allocator semaphore set shared_mutex
source_location span spanstream sstream stack stacktrace stdexcept stdfloat
stop_token streambuf string string_view strstream syncstream system_error
thread tuple type_traits typeindex typeinfo unordered_map unordered_set
utility valarray variant vector version
""".split()
STANDARD_C = """
assert.h complex.h ctype.h errno.h fenv.h float.h inttypes.h iso646.h limits.h
locale.h math.h setjmp.h signal.h stdalign.h stdarg.h stdatomic.h stdbool.h
stddef.h stdint.h stdio.h stdlib.h stdnoreturn.h string.h tgmath.h threads.h
time.h uchar.h wchar.h wctype.h
""".split()
# Standard, but they reach the operating system's process control: signal
# handlers belong to the platform layer.
PLATFORM_ONLY_STANDARD = {"signal.h", "csignal"}
STANDARD_HEADERS = set(STANDARD_CXX + STANDARD_C) - PLATFORM_ONLY_STANDARD
# The compiler's own vector intrinsics.
INTRINSICS = re.compile(r"^[a-z0-9]*intrin\.h$|^arm_neon\.h$")

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".hxx", ".inc", ".ipp")
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:([<"])([^>"]*)[>"]|(\S.*?))\s*(?://.*|/\*.*)?$')
CMAKE_INCLUDE_DIRS = re.compile(r"\b(?:target_)?include_directories\s*\(([^)]*)\)", re.S)
CMAKE_DIR = re.compile(
    r"\$\{(CMAKE_CURRENT_SOURCE_DIR|CMAKE_CURRENT_LIST_DIR|PROJECT_SOURCE_DIR|CMAKE_SOURCE_DIR)\}"
    r"(/[^\s)\"$]*)?")


class Tree:
    """The project's sources, their folders and the include directories."""

    def __init__(self, root):
        self.root = root
        self.folders = [d for d in LIBRARIES if self.isdir(d)] + [d for d in OUTSIDE if self.isdir(d)]
        self.files = set()
        self.sources = []
        for folder in self.folders:
            for path in self.walk(folder):
                self.files.add(path)
                if path.endswith(SOURCE_SUFFIXES):
                    self.sources.append(path)
        self.sources.sort()
        self.include_dirs = self.read_include_dirs()
        self.search_cache = {}

    def isdir(self, rel):
        return os.path.isdir(os.path.join(self.root, rel))

    def walk(self, folder):
        for dirpath, dirnames, filenames in os.walk(os.path.join(self.root, folder)):
            dirnames[:] = sorted(d for d in dirnames if not d.startswith("."))
            rel = os.path.relpath(dirpath, self.root)
            for name in filenames:
                yield os.path.join(rel, name).replace(os.sep, "/")

    def cmake_files(self):
        yield "CMakeLists.txt"
        for folder in ["cmake"] + self.folders:
            for path in self.walk(folder) if self.isdir(folder) else ():
                if path.endswith(("/CMakeLists.txt", ".cmake")):
                    yield path

    def read_include_dirs(self):
        """Every folder a CMake file adds to a target's include path."""
        dirs = []
        for cmake in self.cmake_files():
            full = os.path.join(self.root, cmake)
            if not os.path.isfile(full):
                continue
            here = os.path.dirname(cmake)
            with open(full, encoding="utf-8", errors="replace") as f:
                text = re.sub(r"#[^\n]*", "", f.read())
            for block in CMAKE_INCLUDE_DIRS.findall(text):
                for var, sub in CMAKE_DIR.findall(block):
                    if var.startswith("CMAKE_CURRENT") and cmake.endswith(".cmake"):
                        continue  # a function's caller decides; its own call is read
                    base = here if var.startswith("CMAKE_CURRENT") else ""
                    path = os.path.normpath(os.path.join(base, (sub or "").lstrip("/")))
                    path = "" if path == "." else path.replace(os.sep, "/")
                    if path not in dirs:
                        dirs.append(path)
        return dirs

    def search_path(self, library):
        """Include directories in the order a file of LIBRARY meets them:
        its own, then those of the libraries it may include, then the rest
        (which only a misplaced include reaches)."""
        if library not in self.search_cache:
            def key(d):
                owner = top(d)
                if owner == library:
                    return 0
                return 1 if owner in LIBRARIES.get(library, ()) else 2
            self.search_cache[library] = sorted(self.include_dirs, key=key)
        return self.search_cache[library]

    def resolve(self, source, spelling, quoted):
        """The project file an include reaches, or None for a system header."""
        bases = [os.path.dirname(source)] if quoted else []
        for base in bases + self.search_path(top(source)):
            path = os.path.normpath(os.path.join(base, spelling)).replace(os.sep, "/")
            if path in self.files:
                return path
        return None


def top(path):
    return path.split("/", 1)[0]


def inner_rank(path):
    """(rank, folder) of PATH inside its library's order; rank 0 when the
    library keeps no order, None when the path is outside every folder."""
    library = top(path)
    order = INNER_ORDER.get(library) or []
    if not order:
        return 0, library
    inside = path[len(library) + 1:]
    best = None
    for i, folder in enumerate(order):
        if inside.startswith(folder + "/") and (best is None or len(folder) > len(order[best])):
            best = i
    return (None, None) if best is None else (best, library + "/" + order[best])


def system_header_allowed(library, spelling):
    if library in SYSTEM_ALLOWED:
        return True
    return (spelling in STANDARD_HEADERS or INTRINSICS.match(spelling) is not None
            or spelling in LIBRARY_HEADERS.get(library, ()))


def read_exceptions(root):
    """{(source, target): reason} of the exceptions file."""
    entries = {}
    path = os.path.join(root, EXCEPTIONS_FILE)
    if not os.path.isfile(path):
        return entries, []
    problems = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 2)
            where = "%s:%d" % (EXCEPTIONS_FILE, number)
            if len(parts) < 3 or not parts[2].strip():
                problems.append(where + ": expected 'SOURCE INCLUDED-FILE reason'")
            elif top(parts[0]) not in ("world", "game"):
                problems.append(where + ": only world/ and game/ may wait for the restructure")
            else:
                entries[(parts[0], parts[1])] = where
    return entries, problems


class Check:
    def __init__(self, root):
        self.tree = Tree(root)
        self.found = {}  # heading -> lines

    def report(self, heading, line):
        self.found.setdefault(heading, []).append(line)

    def run(self):
        exceptions, problems = read_exceptions(self.tree.root)
        for p in problems:
            self.report("The exceptions file is malformed:", p)
        used = set()
        self.check_folders()
        for source in self.tree.sources:
            self.check_source(source, exceptions, used)
        for key, where in sorted(exceptions.items(), key=lambda e: e[1]):
            if key not in used:
                self.report("Exceptions that no longer occur (remove them):", where + ": " + " ".join(key))
        return self.found

    def check_folders(self):
        """A top-level folder with sources joins the order before it builds."""
        known = set(LIBRARIES) | set(OUTSIDE)
        root = self.tree.root
        for name in sorted(os.listdir(root)):
            if name in known or name.startswith(".") or not os.path.isfile(os.path.join(root, name, "CMakeLists.txt")):
                continue
            self.report("Folders outside the layering order (add them to scripts/check_layering.py):", name + "/")

    def check_source(self, source, exceptions, used):
        library = top(source)
        own_rank, own_folder = inner_rank(source)
        if library in LIBRARIES and own_rank is None:
            self.report("Sources outside every folder of their library's order:",
                        "%s: not in a folder of %s/'s order (%s)" % (source, library, " ".join(INNER_ORDER[library])))
        with open(os.path.join(self.tree.root, source), encoding="utf-8", errors="replace") as f:
            lines = f.read().split("\n")
        for number, text in enumerate(lines, 1):
            if "include" not in text:
                continue
            m = INCLUDE.match(text)
            if not m:
                continue
            where = "%s:%d" % (source, number)
            delimiter, spelling, computed = m.groups()
            if computed is not None:
                if library not in SYSTEM_ALLOWED:
                    self.report("Includes named by a macro cannot be checked; spell the path:",
                                where + ": " + text.strip())
                continue
            target = self.tree.resolve(source, spelling, delimiter == '"')
            if target is None:
                if not system_header_allowed(library, spelling):
                    self.report("Only platform/ and the test programs include operating-system or library"
                                " headers; the rest, standard C and C++ headers:",
                                "%s: %s (no file of the project, not a standard header)" % (where, spelling))
                continue
            problem = self.upward(source, library, own_rank, own_folder, target)
            if problem is None:
                continue
            if (source, target) in exceptions:
                used.add((source, target))
                continue
            self.report(problem[0], "%s: %s reaches %s (%s)" % (where, spelling, target, problem[1]))

    def upward(self, source, library, own_rank, own_folder, target):
        """(heading, why) when SOURCE may not include TARGET, else None."""
        to = top(target)
        if library in OUTSIDE:
            return None
        if to != library:
            if to in LIBRARIES.get(library, ()):
                return None
            allowed = ", ".join(LIBRARIES[library]) or "nothing else of the project"
            return ("Libraries include only from themselves and those below them:",
                    "%s/ may include %s" % (library, allowed))
        if own_rank is None:
            return None  # reported once for the file
        to_rank, to_folder = inner_rank(target)
        if to_rank is None or to_rank > own_rank:
            order = " ".join(INNER_ORDER[library])
            return ("Folders of a library include only from themselves and below; lowest first:",
                    "%s/ sits above %s/ in %s" % (to_folder or target, own_folder, order))
        return None


def main(argv):
    if len(argv) > 2:
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    root = os.path.abspath(root)
    if not os.path.isfile(os.path.join(root, "CMakeLists.txt")):
        print("layering: %s is not the project's root" % root, file=sys.stderr)
        return 2
    found = Check(root).run()
    for heading, lines in found.items():
        print(heading)
        for line in lines:
            print("  " + line)
    if found:
        return 1
    print("layering: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
