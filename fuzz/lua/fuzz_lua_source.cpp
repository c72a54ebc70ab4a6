// Feeds arbitrary bytes to the interpreter as a chunk. Each input runs in a
// fresh state with the string and mathematical libraries, an instruction
// budget against endless loops, a memory limit, and nothing that reaches the file system,
// the console or other processes.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lua.h"
#include "luahost.h"
#include "lualib.h"

namespace {

void quiet() {}

FILE* refuseFiles(const char*, const char*) {
    return nullptr;
}

// Globals that would block on standard input, write to the console or
// reach the file system.
const char* const kRemoved[] = {"dofile", "print", "_ALERT"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    lua_setfileopenhook(refuseFiles);
    lua_open();
    lua_strlibopen();
    lua_mathlibopen();
    for (const char* name : kRemoved) {
        lua_pushcfunction(quiet);
        lua_setglobal(name);
    }
    lua_pushcfunction(quiet);
    lua_setglobal("_ERRORMESSAGE");
    lua_setinstructionbudget(200000);
    // Strings and tables can grow by doubling well within the budget; the
    // cap keeps one input from taking gigabytes.
    lua_setmemorylimit(size_t{64} << 20);
    lua_dobuffer(reinterpret_cast<const char*>(data), static_cast<int>(size), "fuzz");
    lua_close();
    return 0;
}
