// Calls, errors and running chunks.
#include "do.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "luahost.h"

namespace lua32 {

namespace {

[[noreturn]] void stackoverflow(lua_State* L) {
    runerror(L, "stack size overflow");
}

CallInfo* nextci(lua_State* L) {
    if (L->ci + 1 >= L->end_ci) stackoverflow(L);
    return L->ci + 1;
}

void callC(lua_State* L, StkId func, int nresults) {
    CClosure* c = func->v.c;
    int nup = c->nup;
    StkId firstarg = func + 1;
    int nargs = static_cast<int>(L->top - firstarg);
    if (L->top + nup + 20 > L->stack_last) stackoverflow(L);
    if (nup > 0) {
        std::memmove(firstarg + nup, firstarg, nargs * sizeof(TObject));
        for (int i = 0; i < nup; i++)
            setobj(&firstarg[i], &c->up[i]);
        L->top += nup;
    }
    if (++L->nCcalls > kMaxCcalls) stackoverflow(L);
    CallInfo* ci = nextci(L);
    ci->func = func;
    ci->base = firstarg;
    ci->savedpc = nullptr;
    ci->nresults = nresults;
    ci->fresh = true;
    ci->lastline = -1;
    L->ci = ci;
    CStack old = L->Cstack;
    size_t oldblocks = L->Cblocks.size();
    size_t oldfloor = L->blockfloor;
    L->blockfloor = oldblocks;
    L->Cstack.lua2C = stackindex(L, firstarg);
    L->Cstack.num = nargs + nup;
    L->Cstack.base = stackindex(L, L->top);
    if (L->callhook) callhook(L, func, true);
    c->f();
    if (L->callhook) callhook(L, nullptr, false);
    StkId first = L->stack + L->Cstack.base;
    int n = static_cast<int>(L->top - first);
    L->Cstack = old;
    L->Cblocks.resize(oldblocks);
    L->blockfloor = oldfloor;
    L->ci = ci - 1;
    L->nCcalls--;
    moveresults(L, func, first, n, nresults);
}

} // namespace

// Moves `n` results from `from` to `res`, adjusted to `wanted`.
void moveresults(lua_State* L, StkId res, StkId from, int n, int wanted) {
    if (wanted == MULT_RET) wanted = n;
    int i = 0;
    for (; i < n && i < wanted; i++)
        setobj(&res[i], &from[i]);
    for (; i < wanted; i++)
        setnil(&res[i]);
    L->top = res + wanted;
}

void settrap(lua_State* L) {
    L->trap = L->linehook != nullptr || L->budget > 0;
    L->quickcall_end = L->callhook ? L->base_ci : L->end_ci;
}

void checkstack(lua_State* L, int n) {
    if (L->top + n > L->stack_last) runerror(L, "Lua2C - C2Lua overflow");
}

void adjusttop(lua_State* L, StkId newtop) {
    while (L->top < newtop)
        setnil(L->top++);
    L->top = newtop;
}

// Sets up the frame of a Lua function; the VM then runs it.
CallInfo* precallLua(lua_State* L, StkId func, int nresults) {
    Proto* p = func->v.l->p;
    StkId base = func + 1;
    if (base + p->maxstack >= L->stack_last) stackoverflow(L);
    CallInfo* ci = nextci(L);
    int nargs = static_cast<int>(L->top - base);
    int np = p->numparams;
    for (; nargs < np; nargs++)
        setnil(L->top++);
    if (p->isvararg) {
        int nextra = nargs - np;
        Table* t = newtable(L, static_cast<uint32_t>(nextra), 1);
        for (int i = 0; i < nextra; i++)
            t->arr[i] = base[np + i];
        TObject n;
        setnum(&n, nextra);
        TObject key;
        setstr(&key, L->s_n);
        *tset(L, t, &key) = n;
        settab(&base[np], t);
        L->top = base + np + 1;
    } else {
        L->top = base + np;
    }
    ci->func = func;
    ci->base = base;
    ci->savedpc = p->code.data();
    ci->nresults = nresults;
    ci->fresh = false;
    ci->lastline = -1;
    L->ci = ci;
    if (L->callhook) callhook(L, func, true);
    return ci;
}

namespace {

// Replaces a non-function at `func` by its `function` tag method.
void functiontm(lua_State* L, StkId func) {
    const TObject* tm = gettmbyobj(L, func, EV_FUNCTION);
    if (tm == nullptr) runerror(L, "call expression not a function");
    if (L->top >= L->stack_last) stackoverflow(L);
    for (StkId p = L->top; p > func; p--)
        *p = p[-1];
    L->top++;
    *func = *tm;
}

} // namespace

void call(lua_State* L, StkId func, int nresults) {
    if (cstackexhausted(L)) stackoverflow(L);
    for (;;) {
        if (func->tt == T_LFUNC) {
            if (++L->nCcalls > kMaxCcalls) stackoverflow(L);
            CallInfo* ci = precallLua(L, func, nresults);
            ci->fresh = true;
            execute(L);
            L->nCcalls--;
            return;
        }
        if (func->tt == T_CFUNC) {
            callC(L, func, nresults);
            return;
        }
        functiontm(L, func);
    }
}

void callTM(lua_State* L, const TObject* f, int nargs, const TObject* args, TObject* res) {
    if (L->top + nargs + 1 >= L->stack_last) stackoverflow(L);
    StkId func = L->top;
    *L->top++ = *f;
    for (int i = 0; i < nargs; i++)
        *L->top++ = args[i];
    call(L, func, 1);
    if (res) *res = *func;
    L->top = func;
}

void alert(lua_State* L, const char* msg) {
    const TObject* a = &L->s_alert->gval;
    if (a->tt == T_LFUNC || a->tt == T_CFUNC) {
        StkId f = L->top;
        *L->top++ = *a;
        setstr(L->top++, newstr(L, msg));
        call(L, f, 0);
    } else {
        std::fputs(msg, stderr);
    }
}

void callerrorhandler(lua_State* L, const char* msg) {
    if (msg == nullptr || L->inhandler) return;
    const TObject* h = &L->s_errormessage->gval;
    if (h->tt != T_LFUNC && h->tt != T_CFUNC) return;
    // the handler runs on top of the failing frame, with the reserve of
    // the stack available, and an error inside it is silent
    TObject* oldlast = L->stack_last;
    CallInfo* oldend = L->end_ci;
    L->stack_last = L->stack + kStackSize - 20;
    L->end_ci = L->base_ci + kMaxCalls;
    settrap(L);
    L->inhandler = true;
    // reporting "not enough memory" takes a little memory itself
    size_t oldlimit = L->memlimit;
    L->memlimit = oldlimit + (size_t(1) << 20);
    StkId oldtop = L->top;
    CStack oldC = L->Cstack;
    int oldnC = L->nCcalls;
    L->nCcalls = 0;
    // and with some C stack of its own, wherever the error happened
    uintptr_t oldbase = L->cstackbase;
    L->cstackbase = cstackposition() + kCStackLimit - (1 << 20);
    TObject hv = *h;
    protectedrun(L, [&] {
        L->Cstack.base = stackindex(L, L->top);
        TObject m;
        setstr(&m, newstr(L, msg));
        callTM(L, &hv, 1, &m, nullptr);
    });
    L->nCcalls = oldnC;
    L->cstackbase = oldbase;
    L->Cstack = oldC;
    L->top = oldtop;
    L->inhandler = false;
    L->memlimit = oldlimit;
    L->stack_last = oldlast;
    L->end_ci = oldend;
    settrap(L);
}

void runerror(lua_State* L, const char* msg) {
    callerrorhandler(L, msg);
    throw LuaError{1};
}

void throwsilent(lua_State*) {
    throw LuaError{1};
}

void runchunk(lua_State* L, Proto* p) {
    StkId f = L->top;
    f->tt = T_LFUNC;
    f->v.l = newlclosure(L, p, 0);
    L->top++;
    call(L, f, MULT_RET);
}

// After a protected call from the host whose results start at `base`:
// they become the host's lua2C, or are dropped when the call failed.
int takeresults(lua_State* L, StkId base, int status) {
    if (status == 0) {
        L->Cstack.lua2C = stackindex(L, base);
        L->Cstack.num = static_cast<int>(L->top - base);
        L->Cstack.base = stackindex(L, L->top);
    } else {
        L->top = base;
    }
    return status;
}

int dobuffer(lua_State* L, const char* buff, size_t size, TString* source) {
    StkId base = L->stack + L->Cstack.base;
    L->top = base; // pending values are discarded: chunks take no arguments
    int status = protectedrun(L, [&] {
        if (size > 0 && buff[0] == '\033') runerror(L, "cannot run pre-compiled code");
        ZIO z{buff, size};
        Proto* p = parse(L, &z, source);
        runchunk(L, p);
    });
    return takeresults(L, base, status);
}

int dofile(lua_State* L, const char* filename) {
    FILE* f = filename ? lua_openfile(filename, "r") : stdin;
    if (f == nullptr) return 2;
    std::string text;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    if (f != stdin) std::fclose(f);
    // Scripts are text written on Windows, where a text-mode read turns each
    // CR LF into LF; without that, strings spanning lines would keep the CR.
    if (text.empty() || text[0] != '\033') {
        size_t out = 0;
        for (size_t i = 0; i < text.size(); i++)
            if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
                text[out++] = text[i];
        text.resize(out);
    }
    std::string source = std::string("@") + (filename ? filename : "(stdin)");
    TString* src = newlstr(L, source.data(), source.size());
    return dobuffer(L, text.data(), text.size(), src);
}

} // namespace lua32
