// Host additions: the file-open hook and the instruction budget.
#include "luahost.h"
#include "state.h"

namespace {
lua_FileOpenHook fileopenhook = nullptr;
}

extern "C" {

lua_FileOpenHook lua_setfileopenhook(lua_FileOpenHook hook) {
    lua_FileOpenHook old = fileopenhook;
    fileopenhook = hook;
    return old;
}

FILE* lua_openfile(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    return fileopenhook ? fileopenhook(name, mode) : fopen(name, mode);
}

void lua_setinstructionbudget(long count) {
    lua_State* L = lua_state;
    if (L == nullptr) return;
    L->budget = count > 0 ? count : 0;
    L->budgetleft = L->budget;
    lua32::settrap(L);
}

void lua_setmemorylimit(size_t bytes) {
    lua_State* L = lua_state;
    if (L == nullptr) return;
    L->memlimit = bytes > 0 ? bytes : lua32::kDefaultMemLimit;
}

} // extern "C"
