// Protected execution: errors unwind as C++ exceptions to the innermost
// protected call, which restores the stack, the frames and the C blocks.
#pragma once

#include <new>

#include "state.h"

namespace lua32 {

template <class F> int protectedrun(lua_State* L, F&& f) {
    CallInfo* oldci = L->ci;
    ptrdiff_t oldtop = L->top - L->stack;
    CStack oldC = L->Cstack;
    size_t oldblocks = L->Cblocks.size();
    size_t oldfloor = L->blockfloor;
    int oldnC = L->nCcalls;
    bool oldinhook = L->inhook;
    bool oldinhandler = L->inhandler;
    if (L->errorJmp == 0) L->cstackbase = cstackposition();
    L->errorJmp++;
    int status = 0;
    try {
        f();
    } catch (const LuaError&) {
        status = 1;
    } catch (const std::bad_alloc&) {
        callerrorhandler(L, "not enough memory");
        status = 1;
    }
    L->errorJmp--;
    if (status) {
        L->ci = oldci;
        L->top = L->stack + oldtop;
        L->Cstack = oldC;
        L->Cblocks.resize(oldblocks);
        L->blockfloor = oldfloor;
        L->nCcalls = oldnC;
        L->inhook = oldinhook;
        L->inhandler = oldinhandler;
    }
    return status;
}

// Runs an API operation: inside a protected call errors propagate to it;
// at the host's top level they are caught here (the handler has reported
// them) and the operation fails.
template <class F> bool apiguard(lua_State* L, F&& f) {
    if (L->errorJmp > 0) {
        f();
        return true;
    }
    if (protectedrun(L, f) == 0) return true;
    L->top = L->stack + L->Cstack.base; // like a failed call: C2lua is emptied
    return false;
}

inline int stackindex(lua_State* L, StkId o) {
    return static_cast<int>(o - L->stack);
}

} // namespace lua32
