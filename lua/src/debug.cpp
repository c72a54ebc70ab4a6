// The debug interface of luadebug.h, and the hooks.
//
// An activation handle is the handle of the stack slot that holds the
// running function, so it is also usable as the function value itself.
#include <cstring>

#include "do.h"

using namespace lua32;

namespace lua32 {

namespace {

CallInfo* findactivation(lua_State* L, lua_Object func) {
    StkId f = objectof(L, func);
    if (f == nullptr) return nullptr;
    for (CallInfo* ci = L->ci; ci > L->base_ci; ci--)
        if (ci->func == f) return ci;
    return nullptr;
}

// The instruction an activation is executing (or calling from).
int currentpc(const CallInfo* ci) {
    const Proto* p = ci->func->v.l->p;
    int pc = static_cast<int>(ci->savedpc - p->code.data()) - 1;
    return pc < 0 ? 0 : pc;
}

bool islua(const CallInfo* ci) {
    return ci->func->tt == T_LFUNC && ci->savedpc != nullptr;
}

// The slot of local `n` (from 1) active in `ci`, with its name.
StkId findlocal(const CallInfo* ci, int n, const char** name) {
    if (!islua(ci) || n < 1) return nullptr;
    const Proto* p = ci->func->v.l->p;
    int pc = currentpc(ci);
    int count = 0;
    for (const LocVar& v : p->locvars) {
        if (v.startpc <= pc && (v.endpc < 0 || pc < v.endpc)) {
            if (++count == n) {
                *name = v.name->data;
                return ci->base + (n - 1);
            }
        }
    }
    return nullptr;
}

// A hook runs in a C context of its own; what it obtains is released.
template <class F> void runhook(lua_State* L, F&& f) {
    if (L->inhook) return;
    L->inhook = true;
    CStack old = L->Cstack;
    StkId oldtop = L->top;
    size_t oldblocks = L->Cblocks.size();
    size_t oldfloor = L->blockfloor;
    L->blockfloor = oldblocks;
    L->Cstack.base = stackindex(L, L->top);
    L->Cstack.num = 0;
    f();
    L->Cstack = old;
    L->top = oldtop;
    L->Cblocks.resize(oldblocks);
    L->blockfloor = oldfloor;
    L->inhook = false;
}

} // namespace

int currentline(lua_State*, const CallInfo* ci) {
    if (!islua(ci)) return -1;
    const Proto* p = ci->func->v.l->p;
    size_t pc = static_cast<size_t>(currentpc(ci));
    if (pc >= p->lineinfo.size()) return -1;
    return p->lineinfo[pc];
}

void linehook(lua_State* L, int line) {
    lua_LHFunction h = L->linehook;
    if (h) runhook(L, [&] { h(line); });
}

void callhook(lua_State* L, StkId func, bool entering) {
    lua_CHFunction h = L->callhook;
    if (h == nullptr) return;
    runhook(L, [&] {
        if (!entering) {
            h(LUA_NOOBJECT, const_cast<char*>("(return)"), 0);
            return;
        }
        lua_Object handle = static_cast<lua_Object>(func - L->stack) + 1;
        if (func->tt == T_LFUNC) {
            Proto* p = func->v.l->p;
            h(handle, p->source->data, p->linedefined);
        } else {
            h(handle, const_cast<char*>("(C)"), -1);
        }
    });
}

} // namespace lua32

extern "C" {

lua_Function lua_stackedfunction(int level) {
    lua_State* L = lua_state;
    if (L == nullptr || level < 0) return LUA_NOOBJECT;
    for (CallInfo* ci = L->ci; ci > L->base_ci; ci--)
        if (level-- == 0) return static_cast<lua_Object>(ci->func - L->stack) + 1;
    return LUA_NOOBJECT;
}

void lua_funcinfo(lua_Object func, char** source, int* linedefined) {
    lua_State* L = lua_state;
    const char* src = "(C)";
    int line = -1;
    if (L) {
        StkId f = objectof(L, func);
        if (f && f->tt == T_LFUNC) {
            src = f->v.l->p->source->data;
            line = f->v.l->p->linedefined;
        }
    }
    if (source) *source = const_cast<char*>(src);
    if (linedefined) *linedefined = line;
}

int lua_currentline(lua_Function func) {
    lua_State* L = lua_state;
    if (L == nullptr) return -1;
    CallInfo* ci = findactivation(L, func);
    return ci ? currentline(L, ci) : -1;
}

char* lua_getobjname(lua_Object o, char** name) {
    lua_State* L = lua_state;
    *name = nullptr;
    if (L == nullptr) return const_cast<char*>("");
    StkId f = objectof(L, o);
    if (f == nullptr || (f->tt != T_LFUNC && f->tt != T_CFUNC)) return const_cast<char*>("");
    for (TString* s : L->globals) {
        if (s && rawequal(&s->gval, f)) {
            *name = s->data;
            return const_cast<char*>("global");
        }
    }
    for (size_t i = 0; i < L->tms.size(); i++) {
        if (rawequal(&L->tms[i], f)) {
            *name = const_cast<char*>(kEventNames[i % EV_COUNT]);
            return const_cast<char*>("tag-method");
        }
    }
    return const_cast<char*>("");
}

lua_Object lua_getlocal(lua_Function func, int local_number, char** name) {
    lua_State* L = lua_state;
    if (name) *name = nullptr;
    if (L == nullptr) return LUA_NOOBJECT;
    CallInfo* ci = findactivation(L, func);
    if (ci == nullptr) return LUA_NOOBJECT;
    const char* n = nullptr;
    StkId slot = findlocal(ci, local_number, &n);
    if (slot == nullptr) return LUA_NOOBJECT;
    if (name) *name = const_cast<char*>(n);
    lua_Object res = LUA_NOOBJECT;
    TObject v = *slot;
    apiguard(L, [&] { res = putobject(L, &v); });
    return res;
}

int lua_setlocal(lua_Function func, int local_number) {
    lua_State* L = lua_state;
    if (L == nullptr) return 0;
    StkId pendingbase = L->stack + L->Cstack.base;
    if (L->top <= pendingbase) return 0;
    TObject v = *--L->top;
    CallInfo* ci = findactivation(L, func);
    if (ci == nullptr) return 0;
    const char* n = nullptr;
    StkId slot = findlocal(ci, local_number, &n);
    if (slot == nullptr) return 0;
    *slot = v;
    return 1;
}

int lua_nups(lua_Function func) {
    lua_State* L = lua_state;
    if (L == nullptr) return 0;
    StkId f = objectof(L, func);
    return (f && f->tt == T_CFUNC) ? f->v.c->nup : 0;
}

lua_LHFunction lua_setlinehook(lua_LHFunction func) {
    lua_State* L = lua_state;
    if (L == nullptr) return nullptr;
    lua_LHFunction old = L->linehook;
    L->linehook = func;
    settrap(L);
    return old;
}

lua_CHFunction lua_setcallhook(lua_CHFunction func) {
    lua_State* L = lua_state;
    if (L == nullptr) return nullptr;
    lua_CHFunction old = L->callhook;
    L->callhook = func;
    settrap(L);
    return old;
}

int lua_setdebug(int debug) {
    lua_State* L = lua_state;
    if (L == nullptr) return 0;
    int old = L->debug;
    L->debug = debug != 0;
    return old;
}

} // extern "C"
