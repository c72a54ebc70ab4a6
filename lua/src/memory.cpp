// The interpreter's memory: every block is counted against the state's limit.
#include <cstdlib>

#include "state.h"

namespace lua32 {

void memerror(lua_State* L) {
    runerror(L, "not enough memory");
}

void* lmalloc(lua_State* L, size_t n) {
    if (n > L->memlimit || L->totalbytes > L->memlimit - n) memerror(L);
    void* p = std::malloc(n ? n : 1);
    if (p == nullptr) memerror(L);
    L->totalbytes += n;
    return p;
}

void* lrealloc(lua_State* L, void* p, size_t oldn, size_t newn) {
    if (newn == 0) {
        lfree(L, p, oldn);
        return nullptr;
    }
    if (newn > oldn && (newn - oldn > L->memlimit || L->totalbytes > L->memlimit - (newn - oldn)))
        memerror(L);
    void* q = std::realloc(p, newn);
    if (q == nullptr) {
        if (newn <= oldn) return p; // a block that cannot shrink serves as it is
        memerror(L);
    }
    L->totalbytes = L->totalbytes - oldn + newn;
    return q;
}

void lfree(lua_State* L, void* p, size_t n) {
    if (p == nullptr) return;
    L->totalbytes -= n;
    std::free(p);
}

} // namespace lua32
