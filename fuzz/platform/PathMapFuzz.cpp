// Fuzzes the path mapper with names against a small folder tree written at
// the start (drive C: and the current folder). Besides crashes and bad
// reads, every answer is checked against what mapping may do: change the
// case of components and the separators, never anything else; give the same
// answer for its own answer; and find a file that exists under another case.
#include "platform/File.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The tree, with names that differ only by case side by side.
const char* const kFiles[] = {
    "Data/Sub/File.TXT",     "Data/readme", "data2/x", "Space Name/a b.Ext",
    "UPPER/lower/Mixed.Ext", "dup/one",     "DUP",     "Dup.txt"};

std::string root;

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case folded, runs of '/' as one, no trailing '/': what mapping keeps.
std::string Shape(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += Fold(c);
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether every component of `rest` below `base` names an entry under some
// case; false for "." and "..", which the check leaves alone.
bool ExistsUnderSomeCase(std::string base, const std::string& rest) {
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        if (slash == std::string::npos) slash = rest.size();
        const std::string part = rest.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) continue;
        if (part == "." || part == "..") return false;
        // The name as written where it exists, else of the names equal but
        // for case the byte-wise smallest.
        const std::string written = base.empty() ? part : base + "/" + part;
        if (Exists(written)) {
            base = written;
            continue;
        }
        std::error_code error;
        std::string found;
        for (const auto& entry : fs::directory_iterator(base.empty() ? "." : base, error)) {
            const std::string name = entry.path().filename().string();
            if (Shape(name) == Shape(part) && (found.empty() || name < found)) found = name;
        }
        if (found.empty()) return false;
        base = base.empty() ? found : base + "/" + found;
    }
    // A trailing separator names a folder.
    std::error_code error;
    return rest.empty() || rest.back() != '/' || fs::is_directory(base, error);
}

void Build() {
    std::string pattern = (fs::temp_directory_path() / "fuzz-pathmap-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    for (const char* file : kFiles) {
        fs::create_directories((fs::path(root) / file).parent_path());
        std::ofstream(fs::path(root) / file) << file;
    }
    if (::chdir(root.c_str()) != 0) std::abort();
    platform::MapDrive('c', root.c_str());
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Build();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 512) return 0;
    // The first byte picks drive C:, an unmapped drive or the name as given.
    const uint8_t how = size ? data[0] % 3 : 2;
    std::string name(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    name = name.substr(0, name.find('\0'));
    if (how == 0) name = "C:\\" + name;
    if (how == 1) name = "q:" + name;
    const platform::PathUse use =
        size > 1 && data[1] & 1 ? platform::PathUse::Create : platform::PathUse::Read;
    const std::string mapped = platform::MapPath(name.c_str(), use);
    std::string plain = name;
    for (char& c : plain)
        if (c == '\\') c = '/';
    // Where the mapper starts from, and what it matches below that.
    std::string base;
    std::string rest = plain;
    if (plain.size() >= 2 && plain[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(plain[0]))) {
        if (Fold(plain[0]) != 'c') {
            if (!mapped.empty()) __builtin_trap(); // an unmapped drive
            return 0;
        }
        base = root;
        rest = plain.substr(2);
        plain = root + "/" + rest;
    } else if (!plain.empty() && plain[0] == '/') {
        base = "/";
        rest = plain.substr(1);
    }
    if (Shape(mapped) != Shape(plain)) __builtin_trap();
    // Only inside the tree is the file system still while the answers are
    // compared: absolute names and ".." may reach folders others change.
    if (base == "/" || ("/" + rest + "/").find("/../") != std::string::npos) return 0;
    if (platform::MapPath(mapped.c_str(), use) != mapped) __builtin_trap();
    if (!plain.empty() && ExistsUnderSomeCase(base, rest) && !Exists(mapped)) __builtin_trap();
    return 0;
}
