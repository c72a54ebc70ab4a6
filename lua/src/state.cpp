// States and the creation of objects.
#include <cstdlib>
#include <cstring>

#include "do.h"
#include "lex.h"

lua_State* lua_state = nullptr;

namespace lua32 {

void linkobj(lua_State* L, GCObject* o, Type t) {
    o->gctype = t;
    o->marked = 0;
    o->gcnext = L->rootgc;
    L->rootgc = o;
    L->nobjects++;
}

LClosure* newlclosure(lua_State* L, Proto* p, int nup) {
    auto* c = static_cast<LClosure*>(
        lmalloc(L, sizeof(LClosure) + sizeof(TObject) * (nup > 0 ? nup - 1 : 0)));
    c->p = p;
    c->code = p->code.data();
    c->k = p->k.data();
    c->numparams = p->numparams;
    c->callframe = p->callframe;
    c->nup = nup;
    linkobj(L, c, T_LFUNC);
    return c;
}

CClosure* newcclosure(lua_State* L, lua_CFunction f, int nup) {
    if (nup == 0) {
        // plain C functions are values: the same function is the same value
        auto it = L->cfuncs.find(reinterpret_cast<void*>(f));
        if (it != L->cfuncs.end()) return it->second;
    }
    auto* c = static_cast<CClosure*>(
        lmalloc(L, sizeof(CClosure) + sizeof(TObject) * (nup > 0 ? nup - 1 : 0)));
    c->f = f;
    c->nup = nup;
    linkobj(L, c, T_CFUNC);
    if (nup == 0) L->cfuncs[reinterpret_cast<void*>(f)] = c;
    return c;
}

Udata* pushudata(lua_State* L, void* p, int tag) {
    auto range = L->udata.equal_range(p);
    for (auto it = range.first; it != range.second; ++it)
        if (tag == LUA_ANYTAG || it->second->tag == tag) return it->second;
    auto* u = static_cast<Udata*>(lmalloc(L, sizeof(Udata)));
    u->p = p;
    u->tag = tag == LUA_ANYTAG ? 0 : tag;
    u->finalized = false;
    linkobj(L, u, T_USERDATA);
    L->udata.emplace(p, u);
    return u;
}

Proto* newproto(lua_State* L) {
    void* mem = lmalloc(L, sizeof(Proto));
    Proto* p = new (mem) Proto();
    p->source = nullptr;
    p->linedefined = 0;
    p->numparams = 0;
    p->isvararg = false;
    p->nups = 0;
    p->maxstack = 0;
    p->callframe = kNoCallFrame;
    p->cache = nullptr;
    linkobj(L, p, T_PROTO);
    return p;
}

const char* typename_of(const TObject* o) {
    switch (o->tt) {
        case T_NIL: return "nil";
        case T_NUMBER: return "number";
        case T_STRING: return "string";
        case T_TABLE: return "table";
        case T_LFUNC:
        case T_CFUNC: return "function";
        case T_USERDATA: return "userdata";
        default: return "?";
    }
}

} // namespace lua32

using namespace lua32;

extern "C" void lua_open(void) {
    if (lua_state) return;
    auto* L = new (std::nothrow) lua_State();
    if (L == nullptr) return;
    L->stack = static_cast<TObject*>(std::malloc(sizeof(TObject) * kStackSize));
    L->base_ci = static_cast<CallInfo*>(std::malloc(sizeof(CallInfo) * kMaxCalls));
    if (L->stack == nullptr || L->base_ci == nullptr) {
        std::free(L->stack);
        std::free(L->base_ci);
        delete L;
        return;
    }
    L->top = L->stack;
    L->stack_last = L->stack + kStackSize - 400;
    L->ci = L->base_ci;
    L->end_ci = L->base_ci + kMaxCalls - 40;
    std::memset(L->ci, 0, sizeof(CallInfo));
    L->Cstack = {0, 0, 0};
    L->blockfloor = 0;
    L->rootgc = nullptr;
    L->nobjects = 0;
    L->gcthreshold = 1000;
    L->gcbytethreshold = size_t(4) << 20;
    L->totalbytes = 0;
    L->memlimit = kDefaultMemLimit;
    L->gcrunning = false;
    L->strt = nullptr;
    L->strsize = 0;
    L->strnuse = 0;
    L->errorJmp = 0;
    L->cstackbase = 0;
    L->nCcalls = 0;
    L->inhandler = false;
    L->inhook = false;
    L->debug = 0;
    L->callhook = nullptr;
    L->linehook = nullptr;
    L->budget = 0;
    L->budgetleft = 0;
    settrap(L);
    lua_state = L;
    int status = protectedrun(L, [&] {
        resizestrings(L, 64);
        inittags(L);
        lexinit(L);
        L->s_errormessage = newstr(L, "_ERRORMESSAGE");
        L->s_alert = newstr(L, "_ALERT");
        L->s_n = newstr(L, "n");
        L->s_arg = newstr(L, "arg");
        L->s_self = newstr(L, "self");
        L->s_tostring = newstr(L, "tostring");
        for (TString* s :
             {L->s_errormessage, L->s_alert, L->s_n, L->s_arg, L->s_self, L->s_tostring})
            fixobject(s);
        builtinopen(L);
    });
    if (status != 0) {
        freeall(L);
        lua_state = nullptr;
    }
}

extern "C" lua_State* lua_setstate(lua_State* st) {
    lua_State* old = lua_state;
    lua_state = st;
    return old;
}

namespace lua32 {}

extern "C" void lua_close(void) {
    lua_State* L = lua_state;
    if (L == nullptr) return;
    closestate(L);
    freeall(L);
    lua_state = nullptr;
}
