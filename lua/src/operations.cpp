// The semantics of the operations the VM performs, with their tag methods:
// indexing, globals, arithmetic, order and concatenation. The VM runs the
// plain cases itself and comes here for the rest.
#include <cstring>
#include <string>

#include "state.h"

namespace lua32 {

namespace {

bool tonumber(const TObject* o, double* n) {
    if (o->tt == T_NUMBER) {
        *n = o->v.n;
        return true;
    }
    if (o->tt == T_STRING) return str2number(o->v.s->data, o->v.s->len, n);
    return false;
}

const TObject* getbinmethod(lua_State* L, const TObject* a, const TObject* b, Event e) {
    const TObject* tm = gettmbyobj(L, a, e);
    if (tm == nullptr) tm = gettmbyobj(L, b, e);
    if (tm == nullptr) tm = gettm(L, TAG_USERDATA, e);
    return tm;
}

void calltm3(lua_State* L, const TObject* tm, const TObject* a, const TObject* b, Event e,
             TObject* res) {
    TObject args[3];
    args[0] = *a;
    args[1] = *b;
    setstr(&args[2], newstr(L, kEventNames[e]));
    callTM(L, tm, 3, args, res);
}

} // namespace

bool rawequal(const TObject* a, const TObject* b) {
    if (a->tt != b->tt) return false;
    switch (a->tt) {
        case T_NIL: return true;
        case T_NUMBER: return numeq(a->v.n, b->v.n);
        default: return a->v.gc == b->v.gc;
    }
}

void rawgettable(lua_State* L, const TObject* t, const TObject* k, TObject* res) {
    if (t->tt != T_TABLE) runerror(L, "indexed expression not a table in rawgettable");
    if (k->tt == T_NIL) runerror(L, "unexpected type to index table");
    setobj(res, tget(t->v.h, k));
}

void rawsettable(lua_State* L, const TObject* t, const TObject* k, const TObject* v) {
    if (t->tt != T_TABLE) runerror(L, "indexed expression not a table");
    if (k->tt == T_NIL) runerror(L, "unexpected type to index table");
    if (v->tt == T_NIL) {
        const TObject* slot = tget(t->v.h, k);
        if (slot->tt != T_NIL) setnil(const_cast<TObject*>(slot));
        return;
    }
    TObject val = *v;
    *tset(L, t->v.h, k) = val;
}

void gettable(lua_State* L, const TObject* t, const TObject* k, TObject* res) {
    int tg = tagof(L, t);
    if (tg != TAG_TABLE) {
        const TObject* tm = gettm(L, tg, EV_GETTABLE);
        if (tm) {
            TObject args[2] = {*t, *k};
            callTM(L, tm, 2, args, res);
            return;
        }
    }
    if (t->tt != T_TABLE) runerror(L, "indexed expression not a table");
    if (k->tt == T_NIL) runerror(L, "unexpected type to index table");
    const TObject* v = tget(t->v.h, k);
    if (v->tt == T_NIL) {
        const TObject* tm = gettm(L, tg, EV_INDEX);
        if (tm) {
            TObject args[2] = {*t, *k};
            callTM(L, tm, 2, args, res);
            return;
        }
    }
    setobj(res, v);
}

void settable(lua_State* L, const TObject* t, const TObject* k, const TObject* v) {
    int tg = tagof(L, t);
    if (tg != TAG_TABLE) {
        const TObject* tm = gettm(L, tg, EV_SETTABLE);
        if (tm) {
            TObject args[3] = {*t, *k, *v};
            callTM(L, tm, 3, args, nullptr);
            return;
        }
    }
    rawsettable(L, t, k, v);
}

void getglobal(lua_State* L, TString* name, TObject* res) {
    const TObject* v = &name->gval;
    const TObject* tm = gettmbyobj(L, v, EV_GETGLOBAL);
    if (tm) {
        TObject args[2];
        setstr(&args[0], name);
        args[1] = *v;
        callTM(L, tm, 2, args, res);
        return;
    }
    setobj(res, v);
}

void setglobal(lua_State* L, TString* name, const TObject* v) {
    const TObject* tm = gettmbyobj(L, &name->gval, EV_SETGLOBAL);
    if (tm) {
        TObject args[3];
        setstr(&args[0], name);
        args[1] = name->gval;
        args[2] = *v;
        callTM(L, tm, 3, args, nullptr);
        return;
    }
    setglobal_raw(L, name, v);
}

void arith(lua_State* L, const TObject* a, const TObject* b, Event e, TObject* res) {
    double x, y;
    if (e != EV_POW && tonumber(a, &x) && (e == EV_UNM || tonumber(b, &y))) {
        switch (e) {
            case EV_ADD: setnum(res, x + y); return;
            case EV_SUB: setnum(res, x - y); return;
            case EV_MUL: setnum(res, x * y); return;
            case EV_DIV: setnum(res, x / y); return;
            default: setnum(res, -x); return;
        }
    }
    const TObject* tm;
    if (e == EV_UNM) {
        tm = gettmbyobj(L, a, e);
        if (tm == nullptr) tm = gettm(L, TAG_USERDATA, e);
    } else {
        tm = getbinmethod(L, a, b, e);
    }
    if (tm == nullptr)
        runerror(L,
                 e == EV_POW ? "undefined operation" : "unexpected type in arithmetic operation");
    calltm3(L, tm, a, b, e, res);
}

bool lessthan(lua_State* L, const TObject* a, const TObject* b, Event e, TObject* res) {
    int c;
    if (a->tt == T_NUMBER && b->tt == T_NUMBER) {
        double x = a->v.n, y = b->v.n;
        bool r = e == EV_LT ? x < y : e == EV_LE ? x <= y : e == EV_GT ? x > y : x >= y;
        if (r)
            setnum(res, 1);
        else
            setnil(res);
        return r;
    }
    if (a->tt == T_STRING && b->tt == T_STRING) {
        c = strcompare(a->v.s, b->v.s);
        bool r = e == EV_LT ? c < 0 : e == EV_LE ? c <= 0 : e == EV_GT ? c > 0 : c >= 0;
        if (r)
            setnum(res, 1);
        else
            setnil(res);
        return r;
    }
    const TObject* tm = getbinmethod(L, a, b, e);
    if (tm == nullptr) runerror(L, "unexpected type in comparison");
    calltm3(L, tm, a, b, e, res);
    return res->tt != T_NIL;
}

namespace {

// Counts the copying of `total` bytes against an instruction budget: a
// kilobyte is one step.
void chargecopy(lua_State* L, size_t total) {
    if (L->budget <= 0) return;
    L->budgetleft -= static_cast<long>(total >> 10);
    if (L->budgetleft <= 0) {
        L->budgetleft = L->budget;
        runerror(L, "instruction budget exhausted");
    }
}

// Joins operands that are all strings or numbers. Numbers are formatted
// into local buffers instead of being made strings of their own, and a
// short result is built on the C stack, so that only a new result costs an
// allocation. False (nothing done) for other operands or too many of them.
bool concatplain(lua_State* L, int n, StkId first) {
    constexpr int kMaxPieces = 8;
    constexpr size_t kShort = 256;
    if (n > kMaxPieces) return false;
    char nums[kMaxPieces][32];
    const char* text[kMaxPieces];
    size_t len[kMaxPieces];
    size_t total = 0;
    for (int j = 0; j < n; j++) {
        if (first[j].tt == T_STRING) {
            text[j] = first[j].v.s->data;
            len[j] = first[j].v.s->len;
        } else if (first[j].tt == T_NUMBER) {
            number2str(first[j].v.n, nums[j]);
            text[j] = nums[j];
            len[j] = std::strlen(nums[j]);
        } else {
            return false;
        }
        total += len[j];
    }
    // joining with an empty string gives the other one
    if (n == 2 && first[0].tt == T_STRING && len[1] == 0) return true;
    if (n == 2 && first[1].tt == T_STRING && len[0] == 0) {
        first[0] = first[1];
        return true;
    }
    chargecopy(L, total);
    if (total <= kShort) {
        char buf[kShort];
        char* out = buf;
        for (int j = 0; j < n; j++) {
            std::memcpy(out, text[j], len[j]);
            out += len[j];
        }
        setstr(first, newlstr(L, buf, total));
        return true;
    }
    TString* s = allocstr(L, total);
    char* out = s->data;
    for (int j = 0; j < n; j++) {
        std::memcpy(out, text[j], len[j]);
        out += len[j];
    }
    setstr(first, internstr(L, s));
    return true;
}

} // namespace

void concat(lua_State* L, int n, StkId top) {
    StkId first = top - n;
    if (concatplain(L, n, first)) return;
    bool allstrings = true;
    size_t total = 0;
    for (StkId p = first; p < top; p++) {
        if (p->tt == T_NUMBER) tostring(L, p);
        if (p->tt != T_STRING) {
            allstrings = false;
            break;
        }
        total += p->v.s->len;
    }
    if (allstrings) {
        if (n == 2 && first[1].v.s->len == 0) return;
        if (n == 2 && first[0].v.s->len == 0) {
            first[0] = first[1];
            return;
        }
        chargecopy(L, total);
        TString* s = allocstr(L, total);
        char* out = s->data;
        for (StkId p = first; p < top; p++) {
            std::memcpy(out, p->v.s->data, p->v.s->len);
            out += p->v.s->len;
        }
        setstr(first, internstr(L, s));
        return;
    }
    // with a tag method involved, (a .. b) .. c, one pair at a time
    for (int i = 1; i < n; i++) {
        TObject* a = first;
        TObject* b = first + i;
        if ((a->tt == T_STRING || a->tt == T_NUMBER) && (b->tt == T_STRING || b->tt == T_NUMBER)) {
            tostring(L, a);
            tostring(L, b);
            std::string buf(a->v.s->data, a->v.s->len);
            buf.append(b->v.s->data, b->v.s->len);
            setstr(a, newlstr(L, buf.data(), buf.size()));
        } else {
            const TObject* tm = getbinmethod(L, a, b, EV_CONCAT);
            if (tm == nullptr) runerror(L, "unexpected type for concatenation");
            calltm3(L, tm, a, b, EV_CONCAT, a);
        }
    }
}

} // namespace lua32
