// The built-in functions every state has.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "castnumber.h"
#include "do.h"

using namespace lua32;

namespace lua32 {

namespace {

lua_State* S() {
    return lua_state;
}

StkId arg(lua_State* L, int n) {
    if (n < 1 || n > L->Cstack.num) return nullptr;
    return L->stack + L->Cstack.lua2C + n - 1;
}

// The global name of the running C function, for messages.
const char* fname(lua_State* L) {
    StkId f = L->ci->func;
    for (TString* s : L->globals)
        if (s && rawequal(&s->gval, f)) return s->data;
    return "?";
}

[[noreturn]] void argerror(lua_State* L, int n, const char* msg) {
    char buf[300];
    if (msg)
        std::snprintf(buf, sizeof buf, "bad argument #%d to function `%.50s' (%s)", n, fname(L),
                      msg);
    else
        std::snprintf(buf, sizeof buf, "bad argument #%d to function `%.50s'", n, fname(L));
    runerror(L, buf);
}

StkId checkany(lua_State* L, int n) {
    StkId o = arg(L, n);
    if (o == nullptr) argerror(L, n, "value expected");
    return o;
}

double checknumber(lua_State* L, int n) {
    StkId o = arg(L, n);
    double d;
    if (o && o->tt == T_NUMBER) return o->v.n;
    if (o && o->tt == T_STRING && str2number(o->v.s->data, o->v.s->len, &d)) return d;
    argerror(L, n, "number expected");
}

int checkint(lua_State* L, int n) {
    return castint(checknumber(L, n));
}

double optnumber(lua_State* L, int n, double def) {
    return arg(L, n) ? checknumber(L, n) : def;
}

TString* checkstring(lua_State* L, int n) {
    StkId o = arg(L, n);
    if (o == nullptr || !tostring(L, o)) argerror(L, n, "string expected");
    return o->v.s;
}

TString* optstring(lua_State* L, int n) {
    return arg(L, n) ? checkstring(L, n) : nullptr;
}

Table* checktable(lua_State* L, int n) {
    StkId o = arg(L, n);
    if (o == nullptr || o->tt != T_TABLE) argerror(L, n, "table expected");
    return o->v.h;
}

StkId checkfunction(lua_State* L, int n) {
    StkId o = arg(L, n);
    if (o == nullptr || (o->tt != T_LFUNC && o->tt != T_CFUNC)) argerror(L, n, "function expected");
    return o;
}

void push(lua_State* L, const TObject* o) {
    checkstack(L, 1);
    *L->top++ = *o;
}
void pushnil(lua_State* L) {
    checkstack(L, 1);
    setnil(L->top++);
}
void pushnum(lua_State* L, double n) {
    checkstack(L, 1);
    setnum(L->top++, n);
}
void pushstr(lua_State* L, TString* s) {
    checkstack(L, 1);
    setstr(L->top++, s);
}

// Calls the function at `func` with the values above it, one result.
bool call1(lua_State* L, StkId func) {
    call(L, func, 1);
    L->top = func + 1;
    return func->tt != T_NIL;
}

void b_alert() {
    lua_State* L = S();
    std::fputs(checkstring(L, 1)->data, stderr);
}

void b_errormessage() {
    lua_State* L = S();
    TString* m = checkstring(L, 1);
    std::string text = std::string("lua error: ") + std::string(m->data, m->len) + "\n";
    const TObject* a = &L->s_alert->gval;
    if (a->tt == T_LFUNC || a->tt == T_CFUNC) {
        StkId f = L->top;
        push(L, a);
        pushstr(L, newlstr(L, text.data(), text.size()));
        call(L, f, 0);
    }
}

void b_print() {
    lua_State* L = S();
    int n = L->Cstack.num;
    if (n > 40) argerror(L, 41, "too many arguments");
    std::string out;
    for (int i = 1; i <= n; i++) {
        StkId f = L->top;
        push(L, &L->s_tostring->gval);
        push(L, arg(L, i));
        call(L, f, 1);
        if (f->tt != T_STRING && f->tt != T_NUMBER)
            runerror(L, "`tostring' must return a string to `print'");
        tostring(L, f);
        if (i > 1) out.push_back('\t');
        out.append(f->v.s->data, f->v.s->len);
        L->top = f;
    }
    out.push_back('\n');
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void b_tostring() {
    lua_State* L = S();
    StkId o = checkany(L, 1);
    char buf[64];
    switch (o->tt) {
        case T_NUMBER:
        case T_STRING: {
            TObject v = *o;
            tostring(L, &v);
            push(L, &v);
            return;
        }
        case T_NIL: pushstr(L, newstr(L, "nil")); return;
        case T_TABLE:
            std::snprintf(buf, sizeof buf, "table: %p", static_cast<void*>(o->v.h));
            break;
        case T_LFUNC:
        case T_CFUNC:
            std::snprintf(buf, sizeof buf, "function: %p", static_cast<void*>(o->v.gc));
            break;
        default: std::snprintf(buf, sizeof buf, "userdata: %p", o->v.u->p); break;
    }
    pushstr(L, newstr(L, buf));
}

bool digitvalue(int c, int* v) {
    if (std::isdigit(c))
        *v = c - '0';
    else if (std::isalpha(c))
        *v = std::tolower(c) - 'a' + 10;
    else
        return false;
    return true;
}

void b_tonumber() {
    lua_State* L = S();
    StkId o = arg(L, 1);
    // the base converts like every integer argument; 0 counts as no base
    int base = arg(L, 2) == nullptr ? 10 : castint(checknumber(L, 2));
    if (base == 10 || base == 0) {
        double d;
        if (o && o->tt == T_NUMBER)
            push(L, o);
        else if (o && o->tt == T_STRING && str2number(o->v.s->data, o->v.s->len, &d))
            pushnum(L, d);
        else
            pushnil(L);
        return;
    }
    if (base > 36 || base < 0) argerror(L, 2, "base out of range");
    if (o == nullptr || !(o->tt == T_STRING || o->tt == T_NUMBER) || base < 2) {
        pushnil(L);
        return;
    }
    TString* s = checkstring(L, 1);
    const char* p = s->data;
    const char* e = p + s->len;
    while (p < e && std::isspace(static_cast<unsigned char>(*p)))
        p++;
    bool neg = false;
    if (p < e && (*p == '-' || *p == '+')) neg = *p++ == '-';
    double n = 0;
    int digits = 0;
    int v;
    while (p < e && digitvalue(static_cast<unsigned char>(*p), &v) && v < base) {
        n = n * base + v;
        digits++;
        p++;
    }
    while (p < e && std::isspace(static_cast<unsigned char>(*p)))
        p++;
    if (digits == 0 || p != e)
        pushnil(L);
    else
        pushnum(L, neg ? -n : n);
}

void b_type() {
    lua_State* L = S();
    StkId o = checkany(L, 1);
    TObject v = *o;
    pushstr(L, newstr(L, typename_of(&v)));
    pushnum(L, v.tt == T_USERDATA ? v.v.u->tag : tagof(L, &v));
}

void b_tag() {
    lua_State* L = S();
    StkId o = checkany(L, 1);
    pushnum(L, o->tt == T_USERDATA ? o->v.u->tag : tagof(L, o));
}

void b_settag() {
    lua_State* L = S();
    StkId o = arg(L, 1);
    checktable(L, 1);
    int tag = checkint(L, 2);
    if (!(tag <= TAG_FIRSTNEW && validtag(L, tag))) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "tag %d was not created by `newtag'", tag);
        runerror(L, buf);
    }
    o->v.h->htag = tag;
    push(L, o);
}

void b_newtag() {
    lua_State* L = S();
    pushnum(L, newtag(L));
}

void b_settagmethod() {
    lua_State* L = S();
    int tag = checkint(L, 1);
    TString* ev = checkstring(L, 2);
    StkId f = checkany(L, 3);
    TObject old;
    settagmethod(L, tag, ev->data, f, &old);
    push(L, &old);
}

void b_gettagmethod() {
    lua_State* L = S();
    int tag = checkint(L, 1);
    TString* ev = checkstring(L, 2);
    TObject tm;
    gettagmethod(L, tag, ev->data, &tm);
    push(L, &tm);
}

void b_copytagmethods() {
    lua_State* L = S();
    int to = checkint(L, 1);
    int from = checkint(L, 2);
    copytagmethods(L, to, from);
    pushnum(L, to);
}

// Runs a chunk from inside a C function: its results become this
// function's results; on error none.
void runnested(lua_State* L, int status, CStack saved) {
    StkId first = L->stack + saved.base;
    int n = status == 0 ? static_cast<int>(L->top - first) : 0;
    L->Cstack = saved;
    L->top = first + n;
    if (status == 0 && n == 0) {
        checkstack(L, 1);
        L->top->tt = T_USERDATA;
        L->top->v.u = pushudata(L, nullptr, 0);
        L->top++;
    }
}

void b_dofile() {
    lua_State* L = S();
    TString* name = optstring(L, 1);
    CStack saved = L->Cstack;
    int status = dofile(L, name ? name->data : nullptr);
    runnested(L, status, saved);
}

void b_dostring() {
    lua_State* L = S();
    TString* s = checkstring(L, 1);
    TString* chunkname = optstring(L, 2);
    if (s->len > 0 && s->data[0] == '\033') runerror(L, "`dostring' cannot run pre-compiled code");
    CStack saved = L->Cstack;
    int status = dobuffer(L, s->data, s->len, chunkname ? chunkname : s);
    runnested(L, status, saved);
}

void b_call() {
    lua_State* L = S();
    StkId f = checkany(L, 1);
    Table* t = checktable(L, 2);
    TString* mode = optstring(L, 3);
    StkId handler = arg(L, 4);
    bool protect = mode && std::strchr(mode->data, 'x');
    bool pack = mode && std::strchr(mode->data, 'p');
    int n = castint(tgetn(L, t));
    if (n < 0) n = 0;
    checkstack(L, n + 2);
    // the replaced handler stays on the stack, so a collection while `func`
    // runs cannot free it
    StkId saved = L->top;
    push(L, &L->s_errormessage->gval);
    StkId func = L->top;
    push(L, f);
    for (int i = 1; i <= n; i++)
        push(L, tgetnum(t, i));
    if (handler) setglobal_raw(L, L->s_errormessage, handler);
    int status = 0;
    if (protect) {
        status = protectedrun(L, [&] { call(L, func, MULT_RET); });
    } else {
        try {
            call(L, func, MULT_RET);
        } catch (...) {
            if (handler) setglobal_raw(L, L->s_errormessage, saved);
            throw;
        }
    }
    if (handler) setglobal_raw(L, L->s_errormessage, saved);
    if (status != 0) {
        L->top = saved;
        pushnil(L);
        return;
    }
    if (pack) {
        int nres = static_cast<int>(L->top - func);
        Table* r = newtable(L, static_cast<uint32_t>(nres), 1);
        for (int i = 0; i < nres; i++)
            r->arr[i] = func[i];
        TObject key, num;
        setstr(&key, L->s_n);
        setnum(&num, nres);
        *tset(L, r, &key) = num;
        L->top = saved;
        settab(L->top++, r);
        return;
    }
    // the results move down over the saved handler
    int nres = static_cast<int>(L->top - func);
    for (int i = 0; i < nres; i++)
        saved[i] = func[i];
    L->top = saved + nres;
}

void b_error() {
    lua_State* L = S();
    StkId m = arg(L, 1);
    if (m && (m->tt == T_STRING || m->tt == T_NUMBER)) {
        tostring(L, m);
        runerror(L, m->v.s->data);
    }
    throwsilent(L);
}

void b_assert() {
    lua_State* L = S();
    StkId v = arg(L, 1);
    if (v == nullptr || v->tt == T_NIL) {
        TString* m = optstring(L, 2);
        std::string text = std::string("assertion failed!  ") + (m ? m->data : "");
        runerror(L, text.c_str());
    }
}

void b_next() {
    lua_State* L = S();
    Table* t = checktable(L, 1);
    StkId k = checkany(L, 2);
    TObject key = *k, val;
    int r = tnext(t, &key, &val);
    if (r < 0) argerror(L, 2, "key not found");
    if (r == 0) {
        pushnil(L);
        return;
    }
    push(L, &key);
    push(L, &val);
}

void b_nextvar() {
    lua_State* L = S();
    StkId o = checkany(L, 1);
    size_t from = 0;
    if (o->tt != T_NIL) {
        if (o->tt != T_STRING || o->v.s->gidx < 0) argerror(L, 1, "variable name expected");
        from = static_cast<size_t>(o->v.s->gidx) + 1;
    }
    for (size_t i = from; i < L->globals.size(); i++) {
        TString* s = L->globals[i];
        if (s && s->gval.tt != T_NIL) {
            pushstr(L, s);
            push(L, &s->gval);
            return;
        }
    }
    pushnil(L);
}

void b_foreach() {
    lua_State* L = S();
    Table* t = checktable(L, 1);
    StkId f = checkfunction(L, 2);
    // the key stays on the stack so clearing its entry cannot free it
    StkId key = L->top;
    pushnil(L);
    TObject val;
    for (;;) {
        int r = tnext(t, key, &val);
        if (r < 0) argerror(L, 2, "key not found");
        if (r == 0) break;
        StkId func = L->top;
        push(L, f);
        push(L, key);
        push(L, &val);
        if (call1(L, func)) {
            *key = *func;
            L->top = key + 1;
            return;
        }
        L->top = func;
    }
    L->top = key;
}

void b_foreachi() {
    lua_State* L = S();
    Table* t = checktable(L, 1);
    StkId f = checkfunction(L, 2);
    int n = castint(tgetn(L, t));
    for (int i = 1; i <= n; i++) {
        StkId func = L->top;
        push(L, f);
        pushnum(L, i);
        push(L, tgetnum(t, i));
        if (call1(L, func)) return;
        L->top = func;
    }
}

void b_foreachvar() {
    lua_State* L = S();
    StkId f = checkfunction(L, 1);
    for (size_t i = 0; i < L->globals.size(); i++) {
        TString* s = L->globals[i];
        if (s == nullptr || s->gval.tt == T_NIL) continue;
        StkId func = L->top;
        push(L, f);
        pushstr(L, s);
        push(L, &s->gval);
        if (call1(L, func)) return;
        L->top = func;
    }
}

void b_getn() {
    lua_State* L = S();
    pushnum(L, tgetn(L, checktable(L, 1)));
}

void b_tinsert() {
    lua_State* L = S();
    Table* t = checktable(L, 1);
    double n = tgetn(L, t);
    double pos;
    StkId v;
    if (L->Cstack.num <= 2) {
        v = checkany(L, 2);
        pos = n + 1;
    } else {
        pos = checknumber(L, 2);
        v = checkany(L, 3);
    }
    TObject num;
    setnum(&num, n + 1);
    TObject key;
    setstr(&key, L->s_n);
    *tset(L, t, &key) = num;
    for (; n >= pos; n--) {
        TObject x = *tgetnum(t, n);
        tsetnum(L, t, n + 1, &x);
    }
    TObject val = *v;
    if (val.tt == T_NIL) {
        TObject k;
        setnum(&k, pos);
        rawsettable(L, arg(L, 1), &k, &val);
    } else {
        tsetnum(L, t, pos, &val);
    }
}

void rawsetnum(lua_State* L, StkId t, double i, const TObject* v) {
    TObject k;
    setnum(&k, i);
    rawsettable(L, t, &k, v);
}

void b_tremove() {
    lua_State* L = S();
    Table* t = checktable(L, 1);
    double n = tgetn(L, t);
    double pos = optnumber(L, 2, n);
    if (n <= 0) return;
    StkId hold = L->top;
    push(L, tgetnum(t, pos));
    for (; pos < n; pos++) {
        TObject x = *tgetnum(t, pos + 1);
        rawsetnum(L, arg(L, 1), pos, &x);
    }
    TObject nil;
    setnil(&nil);
    rawsetnum(L, arg(L, 1), n, &nil);
    TObject num;
    setnum(&num, n - 1);
    TObject key;
    setstr(&key, L->s_n);
    *tset(L, t, &key) = num;
    L->top = hold + 1;
}

void b_rawgettable() {
    lua_State* L = S();
    StkId t = checkany(L, 1);
    StkId k = checkany(L, 2);
    TObject v;
    rawgettable(L, t, k, &v);
    push(L, &v);
}

void b_rawsettable() {
    lua_State* L = S();
    StkId t = checkany(L, 1);
    StkId k = checkany(L, 2);
    StkId v = checkany(L, 3);
    rawsettable(L, t, k, v);
}

void b_rawgetglobal() {
    lua_State* L = S();
    push(L, &checkstring(L, 1)->gval);
}

void b_rawsetglobal() {
    lua_State* L = S();
    TString* n = checkstring(L, 1);
    StkId v = checkany(L, 2);
    setglobal_raw(L, n, v);
    push(L, v);
}

void b_getglobal() {
    lua_State* L = S();
    TString* n = checkstring(L, 1);
    TObject v;
    getglobal(L, n, &v);
    push(L, &v);
}

void b_setglobal() {
    lua_State* L = S();
    TString* n = checkstring(L, 1);
    StkId v = checkany(L, 2);
    setglobal(L, n, v);
    push(L, v);
}

void b_collectgarbage() {
    lua_State* L = S();
    long limit = castlong(optnumber(L, 1, 0));
    pushnum(L, static_cast<double>(collectgarbage(L, limit)));
}

void b_seterrormethod() {
    lua_State* L = S();
    StkId f = checkfunction(L, 1);
    TObject old = L->s_errormessage->gval;
    setglobal_raw(L, L->s_errormessage, f);
    push(L, &old);
}

// ---- sort: quicksort over t[1..n] with raw access

struct Sorter {
    lua_State* L;
    StkId t;
    StkId comp; // nullptr: the `<` operator

    TObject get(int i) { return *tgetnum(t->v.h, i); }
    void set(int i, const TObject* v) { rawsetnum(L, t, i, v); }
    void swap(int i, int j) {
        TObject a = get(i), b = get(j);
        set(i, &b);
        set(j, &a);
    }
    bool less(const TObject* a, const TObject* b) {
        if (comp == nullptr) {
            TObject res;
            StkId hold = L->top;
            push(L, a);
            push(L, b);
            bool r = lessthan(L, hold, hold + 1, EV_LT, &res);
            L->top = hold;
            return r;
        }
        StkId func = L->top;
        push(L, comp);
        push(L, a);
        push(L, b);
        bool r = call1(L, func);
        L->top = func;
        return r;
    }
    void sort(int l, int u) {
        while (l < u) {
            TObject al = get(l), au = get(u);
            if (less(&au, &al)) swap(l, u);
            if (u - l == 1) break;
            int i = (l + u) / 2;
            TObject ai = get(i);
            al = get(l);
            if (less(&ai, &al)) {
                swap(i, l);
            } else {
                au = get(u);
                if (less(&au, &ai)) swap(i, u);
            }
            if (u - l == 2) break;
            // the pivot stays on the stack while comparisons run
            StkId pivot = L->top;
            push(L, tgetnum(t->v.h, i));
            swap(i, u - 1);
            i = l;
            int j = u - 1;
            for (;;) {
                for (;;) {
                    TObject x = get(++i);
                    if (!less(&x, pivot)) break;
                    if (i > u) runerror(L, "invalid order function for sorting");
                }
                for (;;) {
                    TObject x = get(--j);
                    if (!less(pivot, &x)) break;
                    if (j < l) runerror(L, "invalid order function for sorting");
                }
                if (j < i) break;
                swap(i, j);
            }
            L->top = pivot;
            swap(u - 1, i);
            if (i - l < u - i) {
                j = l;
                i = i - 1;
                l = i + 2;
            } else {
                j = i + 1;
                i = u;
                u = j - 2;
            }
            sort(j, i);
        }
    }
};

void b_sort() {
    lua_State* L = S();
    checktable(L, 1);
    StkId t = arg(L, 1);
    StkId comp = arg(L, 2);
    if (comp && comp->tt != T_NIL) {
        checkfunction(L, 2);
    } else if (comp) {
        argerror(L, 2, "function expected");
    }
    int n = castint(tgetn(L, t->v.h));
    Sorter s{L, t, comp};
    s.sort(1, n);
    push(L, t);
}

struct Reg {
    const char* name;
    lua_CFunction f;
};

const Reg kBuiltins[] = {
    {"_ALERT", b_alert},
    {"_ERRORMESSAGE", b_errormessage},
    {"assert", b_assert},
    {"call", b_call},
    {"collectgarbage", b_collectgarbage},
    {"copytagmethods", b_copytagmethods},
    {"dofile", b_dofile},
    {"dostring", b_dostring},
    {"error", b_error},
    {"foreach", b_foreach},
    {"foreachi", b_foreachi},
    {"foreachvar", b_foreachvar},
    {"getglobal", b_getglobal},
    {"getn", b_getn},
    {"gettagmethod", b_gettagmethod},
    {"newtag", b_newtag},
    {"next", b_next},
    {"nextvar", b_nextvar},
    {"print", b_print},
    {"rawgetglobal", b_rawgetglobal},
    {"rawgettable", b_rawgettable},
    {"rawsetglobal", b_rawsetglobal},
    {"rawsettable", b_rawsettable},
    {"seterrormethod", b_seterrormethod},
    {"setglobal", b_setglobal},
    {"settag", b_settag},
    {"settagmethod", b_settagmethod},
    {"sort", b_sort},
    {"tag", b_tag},
    {"tinsert", b_tinsert},
    {"tonumber", b_tonumber},
    {"tostring", b_tostring},
    {"tremove", b_tremove},
    {"type", b_type},
};

} // namespace

void builtinopen(lua_State* L) {
    for (const Reg& r : kBuiltins) {
        TObject f;
        f.tt = T_CFUNC;
        f.v.c = newcclosure(L, r.f, 0);
        setglobal_raw(L, newstr(L, r.name), &f);
    }
    TObject v;
    setstr(&v, newstr(L, LUA_VERSION));
    setglobal_raw(L, newstr(L, "_VERSION"), &v);
}

} // namespace lua32
