// The C interface of lua.h.
//
// A handle is a stack slot number plus one. Values obtained by C are put
// below the C context's base, shifting the values pushed but not yet
// consumed (C2lua) up by one, so handles stay valid until the block ends.
#include <cstdio>
#include <cstring>
#include <string>

#include "do.h"
#include "luahost.h"

using namespace lua32;

namespace lua32 {

StkId objectof(lua_State* L, lua_Object o) {
    if (o == LUA_NOOBJECT || o > static_cast<lua_Object>(L->top - L->stack)) return nullptr;
    return L->stack + (o - 1);
}

namespace {

// Whether the handle names a value of type `tt`.
int hastype(lua_Object o, Type tt) {
    lua_State* L = lua_state;
    StkId v = L != nullptr ? objectof(L, o) : nullptr;
    return v != nullptr && v->tt == tt;
}

} // namespace

lua_Object putobject(lua_State* L, const TObject* o) {
    checkstack(L, 1);
    TObject v = *o;
    StkId base = L->stack + L->Cstack.base;
    for (StkId p = L->top; p > base; p--)
        *p = p[-1];
    L->top++;
    *base = v;
    L->Cstack.base++;
    return static_cast<lua_Object>(L->Cstack.base);
}

namespace {

[[noreturn]] void apierror(lua_State* L, const char* msg) {
    runerror(L, msg);
}

int pending(lua_State* L) {
    return static_cast<int>(L->top - (L->stack + L->Cstack.base));
}

void checkpending(lua_State* L, int n) {
    if (pending(L) < n) apierror(L, "API error - wrong number of arguments in C2lua stack");
}

// Indexes the pending table with the pending key by `get`.
lua_Object pendingindex(void (*get)(lua_State*, const TObject*, const TObject*, TObject*)) {
    lua_State* L = lua_state;
    lua_Object res = LUA_NOOBJECT;
    if (L == nullptr) return res;
    apiguard(L, [&] {
        checkpending(L, 2);
        StkId t = L->top - 2;
        TObject v;
        get(L, t, t + 1, &v);
        L->top = t;
        res = putobject(L, &v);
    });
    return res;
}

void push(lua_State* L, const TObject* o) {
    checkstack(L, 1);
    *L->top++ = *o;
}

// Results of a traversal step become lua2C, like the results of a call.
void setlua2C(lua_State* L, const TObject* a, const TObject* b) {
    checkstack(L, 2);
    StkId base = L->top;
    *L->top++ = *a;
    *L->top++ = *b;
    L->Cstack.lua2C = stackindex(L, base);
    L->Cstack.num = 2;
    L->Cstack.base = stackindex(L, L->top);
}

void checknewtag(lua_State* L, int tag) {
    if (!(tag < 0 && tag <= TAG_FIRSTNEW && validtag(L, tag))) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "tag %d was not created by `newtag'", tag);
        apierror(L, buf);
    }
}

} // namespace

} // namespace lua32

#define STATE(fail)                                                                                \
    lua_State* L = lua_state;                                                                      \
    if (L == nullptr) return fail

extern "C" {

lua_Object lua_settagmethod(int tag, const char* event) {
    STATE(LUA_NOOBJECT);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        checkpending(L, 1);
        TObject old;
        settagmethod(L, tag, event, L->top - 1, &old);
        L->top--;
        res = putobject(L, &old);
    });
    return res;
}

lua_Object lua_gettagmethod(int tag, const char* event) {
    STATE(LUA_NOOBJECT);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        TObject tm;
        gettagmethod(L, tag, event, &tm);
        res = putobject(L, &tm);
    });
    return res;
}

int lua_newtag(void) {
    STATE(0);
    int tag = 0;
    apiguard(L, [&] { tag = newtag(L); });
    return tag;
}

int lua_copytagmethods(int tagto, int tagfrom) {
    STATE(0);
    apiguard(L, [&] { copytagmethods(L, tagto, tagfrom); });
    return tagto;
}

void lua_settag(int tag) {
    STATE();
    apiguard(L, [&] {
        checkpending(L, 1);
        StkId o = L->top - 1;
        if (o->tt != T_TABLE && o->tt != T_USERDATA) {
            std::string m = std::string("cannot change the tag of a ") + typename_of(o);
            apierror(L, m.c_str());
        }
        checknewtag(L, tag);
        if (o->tt == T_TABLE)
            o->v.h->htag = tag;
        else
            o->v.u->tag = tag;
        L->top--;
    });
}

void lua_error(const char* s) {
    STATE();
    if (L->errorJmp == 0) {
        // no protected call to return to: report, and let the host go on
        callerrorhandler(L, s);
        return;
    }
    if (s == nullptr) throwsilent(L);
    runerror(L, s);
}

int lua_dofile(const char* filename) {
    STATE(1);
    checkGC(L);
    int status = 1;
    apiguard(L, [&] { status = dofile(L, filename); });
    return status;
}

int lua_dostring(const char* string) {
    STATE(1);
    if (string == nullptr) return 1;
    checkGC(L);
    int status = 1;
    apiguard(L, [&] { status = dobuffer(L, string, std::strlen(string), newstr(L, string)); });
    return status;
}

int lua_dobuffer(const char* buff, int size, const char* name) {
    STATE(1);
    if (buff == nullptr || size < 0) return 1;
    checkGC(L);
    int status = 1;
    apiguard(L, [&] {
        status = dobuffer(L, buff, static_cast<size_t>(size), newstr(L, name ? name : "?"));
    });
    return status;
}

int lua_callfunction(lua_Object function) {
    STATE(1);
    StkId f = objectof(L, function);
    if (f == nullptr) return 1;
    TObject fv = *f;
    StkId base = L->stack + L->Cstack.base;
    if (L->top >= L->stack_last) {
        L->top = base;
        return 1;
    }
    for (StkId p = L->top; p > base; p--)
        *p = p[-1];
    L->top++;
    *base = fv;
    int status = protectedrun(L, [&] { call(L, base, MULT_RET); });
    return takeresults(L, base, status);
}

void lua_beginblock(void) {
    STATE();
    apiguard(L, [&] {
        if (L->Cblocks.size() >= static_cast<size_t>(kMaxBlocks))
            apierror(L, "too many nested blocks");
        L->Cblocks.push_back(L->Cstack);
    });
}

void lua_endblock(void) {
    STATE();
    if (L->Cblocks.size() <= L->blockfloor) return; // not a block of this C context
    L->Cstack = L->Cblocks.back();
    L->Cblocks.pop_back();
    L->top = L->stack + L->Cstack.base;
}

lua_Object lua_lua2C(int number) {
    STATE(LUA_NOOBJECT);
    if (number <= 0 || number > L->Cstack.num) return LUA_NOOBJECT;
    return static_cast<lua_Object>(L->Cstack.lua2C + number);
}

int lua_isnil(lua_Object o) {
    return hastype(o, T_NIL);
}

int lua_istable(lua_Object o) {
    return hastype(o, T_TABLE);
}

int lua_isuserdata(lua_Object o) {
    return hastype(o, T_USERDATA);
}

int lua_iscfunction(lua_Object o) {
    return hastype(o, T_CFUNC);
}

int lua_isnumber(lua_Object o) {
    STATE(0);
    StkId v = objectof(L, o);
    double d;
    return v &&
           (v->tt == T_NUMBER || (v->tt == T_STRING && str2number(v->v.s->data, v->v.s->len, &d)));
}

int lua_isstring(lua_Object o) {
    STATE(0);
    StkId v = objectof(L, o);
    return v && (v->tt == T_STRING || v->tt == T_NUMBER);
}

int lua_isfunction(lua_Object o) {
    STATE(0);
    StkId v = objectof(L, o);
    return v && (v->tt == T_LFUNC || v->tt == T_CFUNC);
}

double lua_getnumber(lua_Object o) {
    STATE(0);
    StkId v = objectof(L, o);
    if (v == nullptr) return 0;
    if (v->tt == T_NUMBER) return v->v.n;
    double d;
    if (v->tt == T_STRING && str2number(v->v.s->data, v->v.s->len, &d)) return d;
    return 0;
}

namespace {
// A number read as a string: the text lives in a hidden object of the
// block, so the handle keeps designating the number.
TString* stringof(lua_State* L, lua_Object o) {
    StkId v = objectof(L, o);
    if (v == nullptr) return nullptr;
    if (v->tt == T_STRING) return v->v.s;
    if (v->tt != T_NUMBER) return nullptr;
    TString* s = nullptr;
    apiguard(L, [&] {
        TObject t = *v;
        tostring(L, &t);
        putobject(L, &t);
        s = t.v.s;
    });
    return s;
}
} // namespace

char* lua_getstring(lua_Object o) {
    STATE(nullptr);
    TString* s = stringof(L, o);
    return s ? s->data : nullptr;
}

long lua_strlen(lua_Object o) {
    STATE(0);
    TString* s = stringof(L, o);
    return s ? static_cast<long>(s->len) : 0;
}

lua_CFunction lua_getcfunction(lua_Object o) {
    STATE(nullptr);
    StkId v = objectof(L, o);
    return (v && v->tt == T_CFUNC) ? v->v.c->f : nullptr;
}

void* lua_getuserdata(lua_Object o) {
    STATE(nullptr);
    StkId v = objectof(L, o);
    return (v && v->tt == T_USERDATA) ? v->v.u->p : nullptr;
}

void lua_pushnil(void) {
    STATE();
    TObject o;
    setnil(&o);
    apiguard(L, [&] { push(L, &o); });
}

void lua_pushnumber(double n) {
    STATE();
    TObject o;
    setnum(&o, n);
    apiguard(L, [&] { push(L, &o); });
}

void lua_pushlstring(const char* s, long len) {
    STATE();
    if (s == nullptr || len < 0) {
        lua_pushnil();
        return;
    }
    checkGC(L);
    apiguard(L, [&] {
        checkstack(L, 1);
        setstr(L->top, newlstr(L, s, static_cast<size_t>(len)));
        L->top++;
    });
}

void lua_pushstring(const char* s) {
    if (s == nullptr)
        lua_pushnil();
    else
        lua_pushlstring(s, static_cast<long>(std::strlen(s)));
}

void lua_pushcclosure(lua_CFunction fn, int n) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        if (fn == nullptr) apierror(L, "API error - attempt to push a NULL Cfunction");
        if (n < 0) n = 0;
        checkpending(L, n);
        CClosure* c = newcclosure(L, fn, n);
        L->top -= n;
        for (int i = 0; i < n; i++)
            c->up[i] = L->top[i];
        L->top->tt = T_CFUNC;
        L->top->v.c = c;
        L->top++;
    });
}

void lua_pushusertag(void* u, int tag) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        if (tag < 0 && tag != LUA_ANYTAG) checknewtag(L, tag);
        checkstack(L, 1);
        L->top->tt = T_USERDATA;
        L->top->v.u = pushudata(L, u, tag);
        L->top++;
    });
}

void lua_pushobject(lua_Object o) {
    STATE();
    apiguard(L, [&] {
        StkId v = objectof(L, o);
        if (v == nullptr) apierror(L, "API error - attempt to push a NOOBJECT");
        push(L, v);
    });
}

lua_Object lua_pop(void) {
    STATE(LUA_NOOBJECT);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        checkpending(L, 1);
        TObject v = *--L->top;
        res = putobject(L, &v);
    });
    return res;
}

lua_Object lua_getglobal(const char* name) {
    STATE(LUA_NOOBJECT);
    checkGC(L);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        checkstack(L, 1);
        TObject v;
        getglobal(L, newstr(L, name), &v);
        res = putobject(L, &v);
    });
    return res;
}

lua_Object lua_rawgetglobal(const char* name) {
    STATE(LUA_NOOBJECT);
    checkGC(L);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] { res = putobject(L, &newstr(L, name)->gval); });
    return res;
}

void lua_setglobal(const char* name) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        checkpending(L, 1);
        setglobal(L, newstr(L, name), L->top - 1);
        L->top--;
    });
}

void lua_rawsetglobal(const char* name) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        checkpending(L, 1);
        setglobal_raw(L, newstr(L, name), L->top - 1);
        L->top--;
    });
}

void lua_settable(void) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        checkpending(L, 3);
        StkId t = L->top - 3;
        settable(L, t, t + 1, t + 2);
        L->top = t;
    });
}

void lua_rawsettable(void) {
    STATE();
    checkGC(L);
    apiguard(L, [&] {
        checkpending(L, 3);
        StkId t = L->top - 3;
        rawsettable(L, t, t + 1, t + 2);
        L->top = t;
    });
}

lua_Object lua_gettable(void) {
    if (lua_state != nullptr) checkGC(lua_state);
    return pendingindex(gettable);
}

lua_Object lua_rawgettable(void) {
    return pendingindex(rawgettable);
}

lua_Object lua_createtable(void) {
    STATE(LUA_NOOBJECT);
    checkGC(L);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        checkstack(L, 1);
        TObject t;
        settab(&t, newtable(L, 0, 0));
        res = putobject(L, &t);
    });
    return res;
}

int lua_tag(lua_Object o) {
    STATE(TAG_NIL);
    StkId v = objectof(L, o);
    if (v == nullptr) return TAG_NIL;
    if (v->tt == T_USERDATA) return v->v.u->tag;
    return tagof(L, v);
}

char* lua_nextvar(const char* varname) {
    STATE(nullptr);
    char* res = nullptr;
    apiguard(L, [&] {
        size_t from = 0;
        if (varname) {
            TString* s = newstr(L, varname);
            if (s->gidx < 0) return;
            from = static_cast<size_t>(s->gidx) + 1;
        }
        for (size_t i = from; i < L->globals.size(); i++) {
            TString* s = L->globals[i];
            if (s && s->gval.tt != T_NIL) {
                TObject name;
                setstr(&name, s);
                setlua2C(L, &name, &s->gval);
                res = const_cast<char*>(s->data); // hosts of 3.2 take a char*
                return;
            }
        }
    });
    return res;
}

int lua_next(lua_Object o, int i) {
    STATE(0);
    int res = 0;
    apiguard(L, [&] {
        StkId t = objectof(L, o);
        if (t == nullptr || t->tt != T_TABLE)
            apierror(L, "API error - object is not a table in `lua_next'");
        TObject key, val;
        uint32_t pos = tnextpos(t->v.h, i > 0 ? static_cast<uint32_t>(i) : 0, &key, &val);
        if (pos) setlua2C(L, &key, &val);
        res = static_cast<int>(pos);
    });
    return res;
}

int lua_ref(int lock) {
    STATE(-1);
    int ref = -1;
    apiguard(L, [&] {
        checkpending(L, 1);
        TObject v = *--L->top;
        if (v.tt == T_NIL) return;
        if (!L->freerefs.empty()) {
            ref = L->freerefs.back();
            L->freerefs.pop_back();
        } else {
            ref = static_cast<int>(L->refs.size());
            L->refs.push_back({});
        }
        L->refs[ref].o = v;
        L->refs[ref].status = lock ? REF_LOCK : REF_HOLD;
    });
    return ref;
}

lua_Object lua_getref(int ref) {
    STATE(LUA_NOOBJECT);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        TObject v;
        if (ref == -1) {
            setnil(&v);
        } else {
            if (ref < 0 || static_cast<size_t>(ref) >= L->refs.size()) return;
            const Ref& r = L->refs[ref];
            if (r.status != REF_LOCK && r.status != REF_HOLD) return;
            v = r.o;
        }
        res = putobject(L, &v);
    });
    return res;
}

void lua_unref(int ref) {
    STATE();
    if (ref < 0 || static_cast<size_t>(ref) >= L->refs.size()) return;
    Ref& r = L->refs[ref];
    if (r.status == REF_FREE) return;
    r.status = REF_FREE;
    setnil(&r.o);
    apiguard(L, [&] { L->freerefs.push_back(ref); });
}

long lua_collectgarbage(long limit) {
    STATE(0);
    long n = 0;
    apiguard(L, [&] { n = collectgarbage(L, limit); });
    return n;
}

lua_Object lua_seterrormethod(void) {
    STATE(LUA_NOOBJECT);
    lua_Object res = LUA_NOOBJECT;
    apiguard(L, [&] {
        checkpending(L, 1);
        TObject old = L->s_errormessage->gval;
        setglobal_raw(L, L->s_errormessage, L->top - 1);
        L->top--;
        res = putobject(L, &old);
    });
    return res;
}

} // extern "C"
