// lua32: the stand-alone interpreter. Opens every standard library and
// processes its arguments in order: options, global assignments and files.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "lua.h"
#include "luadebug.h"
#include "lualib.h"
#include "platform/Process.h"

namespace {

// Noticed at line changes, so only code compiled with debug information
// can be interrupted.
void checkInterrupt(int) {
    if (platform::TakeInterrupt()) lua_error("interrupted!");
}

void printVersion(bool full) {
    std::printf("%s  %s\n", LUA_VERSION, LUA_COPYRIGHT);
    if (full) std::printf("(written by %s)\n\n", LUA_AUTHORS);
    std::fflush(stdout);
}

void usage() {
    std::fputs("Lua: command line options:\n"
               "  -v       print version information\n"
               "  -d       turn debug information on\n"
               "  -e stat  run the string `stat'\n"
               "  -i       interactive mode with prompt\n"
               "  -q       interactive mode without prompt\n"
               "  -        run standard input as a file\n"
               "  var=val  set global `var' to the string `val'\n"
               "  file     run `file'\n",
               stderr);
}

bool stdinIsTerminal() {
    std::error_code ec;
    auto target = std::filesystem::read_symlink("/proc/self/fd/0", ec);
    if (ec) return false;
    const std::string path = target.string();
    return path.rfind("/dev/pts/", 0) == 0 || path.rfind("/dev/tty", 0) == 0;
}

void showPrompt() {
    lua_beginblock();
    const char* prompt = lua_getstring(lua_getglobal("_PROMPT"));
    std::fputs(prompt != nullptr ? prompt : "> ", stdout);
    std::fflush(stdout);
    lua_endblock();
}

// Each line is a chunk of its own; a line ending in a backslash goes on
// on the next one.
void interactive(bool prompt) {
    for (;;) {
        if (prompt) showPrompt();
        std::string chunk;
        int c = EOF;
        for (;;) {
            c = std::getchar();
            if (c == EOF) break;
            if (c == '\n') {
                if (!chunk.empty() && chunk.back() == '\\') {
                    chunk.back() = '\n';
                    if (prompt) showPrompt();
                    continue;
                }
                break;
            }
            chunk.push_back(static_cast<char>(c));
        }
        if (c == EOF && chunk.empty()) break;
        lua_beginblock();
        lua_dostring(chunk.c_str());
        lua_endblock();
        if (c == EOF) break;
    }
    std::printf("\n");
    std::fflush(stdout);
}

void assign(const char* arg, const char* eq) {
    std::string name(arg, static_cast<size_t>(eq - arg));
    lua_beginblock();
    lua_pushstring(eq + 1);
    lua_setglobal(name.c_str());
    lua_endblock();
}

// Runs one file argument; false when the program must stop with status 1.
bool runFile(const char* name) {
    lua_beginblock();
    errno = 0;
    int status = lua_dofile(name);
    int err = errno;
    lua_endblock();
    if (status == 2) {
        std::fflush(stdout);
        std::fprintf(stderr, "lua: cannot execute file %s: %s\n", name,
                     std::strerror(err != 0 ? err : ENOENT));
        return false;
    }
    return status == 0;
}

int run(int argc, char** argv) {
    if (argc < 2) {
        if (stdinIsTerminal()) {
            printVersion(false);
            interactive(true);
        } else {
            lua_dofile(nullptr);
        }
        return 0;
    }
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (std::strcmp(a, "-") == 0) {
            lua_beginblock();
            lua_dofile(nullptr); // errors in standard input do not change the status
            lua_endblock();
        } else if (std::strcmp(a, "-i") == 0) {
            interactive(true);
        } else if (std::strcmp(a, "-q") == 0) {
            interactive(false);
        } else if (std::strcmp(a, "-d") == 0) {
            lua_setdebug(1);
            lua_setlinehook(checkInterrupt);
        } else if (std::strcmp(a, "-v") == 0) {
            printVersion(true);
        } else if (std::strcmp(a, "-e") == 0) {
            if (++i >= argc) {
                usage();
                return 1;
            }
            lua_beginblock();
            int status = lua_dostring(argv[i]);
            lua_endblock();
            if (status != 0) {
                std::fflush(stdout);
                std::fprintf(stderr, "lua: error running argument `%s'\n", argv[i]);
                return 1;
            }
        } else if (a[0] == '-') {
            usage();
            return 1;
        } else if (const char* eq = std::strchr(a, '=')) {
            assign(a, eq);
        } else if (!runFile(a)) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The collector frees a cycle's garbage at once: the heap keeps those
    // pages for the next cycle.
    platform::KeepFreedMemory();
    platform::CatchInterrupts();
    lua_userinit();
    int status = run(argc, argv);
    std::fflush(stdout);
    return status;
}
