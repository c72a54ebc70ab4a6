// The virtual machine and the semantics of the operations it performs.
#include <cmath>
#include <cstring>
#include <string>

#include "do.h"
#include "opcodes.h"

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
    *res = *tget(t->v.h, k);
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
    *res = *v;
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
    *res = *v;
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

namespace {

inline bool hastm(lua_State* L, int tag, Event e) {
    return L->tms[static_cast<size_t>(tagindex(tag)) * EV_COUNT + e].tt != T_NIL;
}

// The node value of a string key present in the hash part, or nullptr.
inline TObject* strslot(Table* h, TString* s) {
    if (h->nodesize == 0) return nullptr;
    Node* n = &h->node[s->hash & (h->nodesize - 1)];
    for (;;) {
        if (n->keytt == T_STRING && n->keyv.s == s) return &n->val;
        if (n->next < 0) return nullptr;
        n = &h->node[n->next];
    }
}

// The array slot of an integral number key, or nullptr.
inline TObject* arrayslot(Table* h, const TObject* key) {
    if (key->tt != T_NUMBER) return nullptr;
    double d = key->v.n;
    if (!(d >= 1 && d <= h->asize)) return nullptr;
    auto i = static_cast<uint32_t>(d);
    if (static_cast<double>(i) != d) return nullptr;
    return &h->arr[i - 1];
}

void trapstep(lua_State* L, CallInfo* ci, const uint32_t* pc) {
    if (L->budget > 0 && --L->budgetleft <= 0) {
        L->budgetleft = L->budget;
        runerror(L, "instruction budget exhausted");
    }
    if (L->linehook && !L->inhook) {
        const Proto* p = ci->func->v.l->p;
        size_t at = static_cast<size_t>(pc - p->code.data());
        if (at < p->lineinfo.size()) {
            int line = p->lineinfo[at];
            if (line != ci->lastline) {
                ci->lastline = line;
                linehook(L, line);
            }
        }
    }
}

// An ordering comparison without branching on which one it is: each
// accepts a set of outcomes (less 1, equal 2, greater 4); NaN has none.
inline bool numcompare(OpCode op, double x, double y) {
    static constexpr uint8_t kAccepts[4] = {1, 1 | 2, 4, 4 | 2}; // LT LE GT GE
    unsigned outcome = unsigned(x < y) | unsigned(x == y) << 1 | unsigned(x > y) << 2;
    return (kAccepts[(op - OP_LT) & 3] & outcome) != 0;
}

// An ordering comparison of two values that are not both numbers, for the
// instructions that read them from locals: copies go above the frame's
// values, where tag methods and errors expect operands.
bool ordercompare(lua_State* L, StkId top, const TObject* a, const TObject* b, OpCode cmp) {
    setobj(top, a);
    setobj(top + 1, b);
    L->top = top + 2;
    return lessthan(L, top, top + 1, static_cast<Event>(EV_LT + (cmp - OP_LT)), top);
}

} // namespace

#define SAVE()                                                                                     \
    do {                                                                                           \
        ci->savedpc = pc;                                                                          \
        L->top = top;                                                                              \
    } while (0)

// Threaded dispatch where the compiler offers labels as values. With a line
// hook or an instruction budget the loop dispatches through a table whose
// every entry steps the trap first, so the plain path tests nothing per
// instruction.
#if defined(__GNUC__)
#define FETCH() i = *pc++
#define DISPATCH_START()                                                                           \
    goto* disp[GET_OP(i)];                                                                         \
    {
#define CASE(op) L_##op:
#define DEFAULT()                                                                                  \
    L_invalid:
#define NEXT()                                                                                     \
    do {                                                                                           \
        FETCH();                                                                                   \
        goto* disp[GET_OP(i)];                                                                     \
    } while (0)
#define SETTRAP() disp = L->trap ? kTrapDispatch : kDispatch
#else
#define FETCH()                                                                                    \
    do {                                                                                           \
        if (trap) {                                                                                \
            SAVE();                                                                                \
            trapstep(L, ci, pc);                                                                   \
        }                                                                                          \
        i = *pc++;                                                                                 \
    } while (0)
#define DISPATCH_START() switch (GET_OP(i)) {
#define CASE(op) case op:
#define DEFAULT() default:
#define NEXT() continue
#define SETTRAP() trap = L->trap
#endif

void execute(lua_State* L) {
#if defined(__GNUC__)
    static const void* const kDispatch[OP_COUNT + 1] = {&&L_OP_RETURN,
                                                        &&L_OP_CALL,
                                                        &&L_OP_PUSHNIL,
                                                        &&L_OP_POP,
                                                        &&L_OP_PUSHINT,
                                                        &&L_OP_PUSHNUM,
                                                        &&L_OP_PUSHSTR,
                                                        &&L_OP_PUSHUPVALUE,
                                                        &&L_OP_PUSHLOCAL,
                                                        &&L_OP_GETGLOBAL,
                                                        &&L_OP_GETTABLE,
                                                        &&L_OP_GETDOTTED,
                                                        &&L_OP_PUSHSELF,
                                                        &&L_OP_CREATETABLE,
                                                        &&L_OP_SETLOCAL,
                                                        &&L_OP_SETGLOBAL,
                                                        &&L_OP_SETTABLEPOP,
                                                        &&L_OP_SETTABLE,
                                                        &&L_OP_SETLIST,
                                                        &&L_OP_SETMAP,
                                                        &&L_OP_ADD,
                                                        &&L_OP_SUB,
                                                        &&L_OP_MUL,
                                                        &&L_OP_DIV,
                                                        &&L_OP_POW,
                                                        &&L_OP_CONCAT,
                                                        &&L_OP_MINUS,
                                                        &&L_OP_NOT,
                                                        &&L_OP_EQ,
                                                        &&L_OP_NE,
                                                        &&L_OP_LT,
                                                        &&L_OP_LE,
                                                        &&L_OP_GT,
                                                        &&L_OP_GE,
                                                        &&L_OP_JMP,
                                                        &&L_OP_JMPF,
                                                        &&L_OP_JMPT,
                                                        &&L_OP_ONTJMP,
                                                        &&L_OP_ONFJMP,
                                                        &&L_OP_IFEQF,
                                                        &&L_OP_IFNEF,
                                                        &&L_OP_IFLTF,
                                                        &&L_OP_IFLEF,
                                                        &&L_OP_IFGTF,
                                                        &&L_OP_IFGEF,
                                                        &&L_OP_CLOSURE,
                                                        &&L_OP_ADDI,
                                                        &&L_OP_SUBI,
                                                        &&L_OP_INCLOCAL,
                                                        &&L_OP_GETLOCALS,
                                                        &&L_OP_IFLOCALS,
                                                        &&L_OP_IFLOCALK,
                                                        &&L_OP_LOCALADDI,
                                                        &&L_OP_GETLOCALDOTTED,
                                                        &&L_OP_SETLOCALDOTTED,
                                                        &&L_invalid};
    static const void* const kTrapDispatch[OP_COUNT + 1] = {
#define TRAP8 &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap
        TRAP8, TRAP8, TRAP8, TRAP8, TRAP8, TRAP8, TRAP8};
#undef TRAP8
    static_assert(OP_COUNT + 1 == 7 * 8, "one trap entry per dispatch entry");
    const void* const* disp;
#else
    bool trap;
#endif
    CallInfo* ci = L->ci;
    LClosure* cl;
    const TObject* k;
    StkId base;
    const uint32_t* pc;
    StkId top;
newframe:
    cl = ci->func->v.l;
    k = cl->p->k.data();
    base = ci->base;
    pc = ci->savedpc;
    top = L->top;
    SETTRAP(); // refreshed where a C function may have set a hook
    uint32_t i;
    for (;;) {
        FETCH();
        DISPATCH_START();
#if defined(__GNUC__)
    L_trap:
        // the instruction just fetched runs after the step
        pc--;
        SAVE();
        trapstep(L, ci, pc);
        i = *pc++;
        goto* kDispatch[GET_OP(i)];
#endif
        CASE(OP_PUSHNIL) {
            for (uint32_t n = GET_U(i); n > 0; n--)
                setnil(top++);
            NEXT();
        }
        CASE(OP_POP)
        top -= GET_U(i);
        NEXT();
        CASE(OP_PUSHINT)
        setnum(top++, GET_S(i));
        NEXT();
        CASE(OP_PUSHNUM)
        CASE(OP_PUSHSTR)
        *top++ = k[GET_U(i)];
        NEXT();
        CASE(OP_PUSHUPVALUE)
        *top++ = cl->up[GET_U(i)];
        NEXT();
        CASE(OP_PUSHLOCAL)
        setobj(top++, base + GET_U(i));
        NEXT();
        CASE(OP_GETGLOBAL) {
            TString* s = k[GET_U(i)].v.s;
            const TObject* v = &s->gval;
            // only nil, userdata and tagged tables can have a getglobal method
            constexpr uint32_t kMaybeMethod = 1u << T_NIL | 1u << T_USERDATA | 1u << T_TABLE;
            if (((1u << v->tt) & kMaybeMethod) != 0 &&
                (v->tt != T_TABLE || hastm(L, v->v.h->htag, EV_GETGLOBAL))) {
                SAVE();
                getglobal(L, s, top);
            } else {
                *top = *v;
            }
            top++;
            NEXT();
        }
        CASE(OP_GETTABLE) {
            StkId t = top - 2;
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && top[-1].tt != T_NIL) {
                const TObject* v = arrayslot(t->v.h, top - 1);
                if (v == nullptr) v = tget(t->v.h, top - 1);
                if (v->tt != T_NIL) {
                    setobj(t, v);
                    top--;
                    NEXT();
                }
            }
            SAVE();
            gettable(L, t, top - 1, t);
            top--;
            NEXT();
        }
        CASE(OP_GETDOTTED) {
            StkId t = top - 1;
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE) {
                const TObject* v = strslot(t->v.h, k[GET_U(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    *t = *v;
                    NEXT();
                }
            }
            *top = k[GET_U(i)];
            top++;
            SAVE();
            gettable(L, t, t + 1, t);
            top--;
            NEXT();
        }
        CASE(OP_PUSHSELF) {
            StkId t = top - 1;
            top[0] = *t;
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE) {
                const TObject* v = strslot(t->v.h, k[GET_U(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    *t = *v;
                    top++;
                    NEXT();
                }
            }
            top[1] = k[GET_U(i)];
            top += 2;
            SAVE();
            gettable(L, top - 2, top - 1, t);
            top--;
            NEXT();
        }
        CASE(OP_CREATETABLE) {
            SAVE();
            settab(top, newtable(L, GET_A(i), GET_B(i)));
            top++;
            L->top = top;
            checkGC(L);
            NEXT();
        }
        CASE(OP_SETLOCAL)
        setobj(base + GET_U(i), --top);
        NEXT();
        CASE(OP_SETGLOBAL) {
            TString* s = k[GET_U(i)].v.s;
            TObject* old = &s->gval;
            // numbers, strings and untagged tables can have no setglobal method
            if (s->gidx >= 0 && (old->tt == T_NUMBER || old->tt == T_STRING ||
                                 (old->tt == T_TABLE && old->v.h->htag == TAG_TABLE))) {
                *old = *--top;
                NEXT();
            }
            SAVE();
            if (gettmbyobj(L, &s->gval, EV_SETGLOBAL) == nullptr)
                setglobal_raw(L, s, top - 1);
            else
                setglobal(L, s, top - 1);
            top--;
            NEXT();
        }
        CASE(OP_SETTABLEPOP) {
            StkId t = top - 3;
            SAVE();
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && t[1].tt != T_NIL &&
                t[2].tt != T_NIL) {
                // a new key goes through tset, which may find it a near key
                // or grow the array
                Table* h = t->v.h;
                if (t[1].tt == T_STRING) {
                    // a field that is there already
                    TObject* slot = strslot(h, t[1].v.s);
                    if (slot != nullptr) {
                        setobj(slot, t + 2);
                        top -= 3;
                        NEXT();
                    }
                }
                TObject* slot = arrayslot(h, t + 1);
                // a new key in the array is plain unless a near key or the
                // growth plan has a say in it
                if (slot == nullptr || (slot->tt == T_NIL && (h->nfrac != 0 || h->growlimit != 0)))
                    slot = tset(L, h, t + 1);
                setobj(slot, t + 2);
            } else
                settable(L, t, t + 1, t + 2);
            top -= 3;
            NEXT();
        }
        CASE(OP_SETTABLE) {
            StkId t = top - GET_U(i);
            SAVE();
            settable(L, t, t + 1, top - 1);
            top--;
            NEXT();
        }
        CASE(OP_SETLIST) {
            uint32_t n = GET_B(i);
            StkId items = top - n;
            Table* h = items[-1].v.h;
            double start = static_cast<double>(GET_A(i)) * kListBlock;
            SAVE();
            for (uint32_t j = 0; j < n; j++)
                if (items[j].tt != T_NIL) tsetnum(L, h, start + j + 1, &items[j]);
            top = items;
            NEXT();
        }
        CASE(OP_SETMAP) {
            uint32_t n = GET_U(i);
            StkId pairs = top - 2 * n;
            Table* h = pairs[-1].v.h;
            SAVE();
            // backwards, so that of two equal keys in a record part the first stays
            for (uint32_t j = n; j > 0; j--) {
                StkId kv = pairs + 2 * (j - 1);
                if (kv->tt == T_NIL) runerror(L, "unexpected type to index table");
                if (kv[1].tt != T_NIL) *tset(L, h, kv) = kv[1];
            }
            top = pairs;
            NEXT();
        }
        CASE(OP_ADD)
        CASE(OP_SUB)
        CASE(OP_MUL)
        CASE(OP_DIV) {
            StkId a = top - 2;
            if (a->tt == T_NUMBER && a[1].tt == T_NUMBER) {
                double x = a->v.n, y = a[1].v.n;
                switch (GET_OP(i)) {
                    case OP_ADD: a->v.n = x + y; break;
                    case OP_SUB: a->v.n = x - y; break;
                    case OP_MUL: a->v.n = x * y; break;
                    default: a->v.n = x / y; break;
                }
            } else {
                SAVE();
                arith(L, a, a + 1, static_cast<Event>(EV_ADD + (GET_OP(i) - OP_ADD)), a);
            }
            top--;
            NEXT();
        }
        CASE(OP_ADDI)
        CASE(OP_SUBI) {
            StkId a = top - 1;
            bool add = GET_OP(i) == OP_ADDI;
            if (a->tt == T_NUMBER) {
                a->v.n += add ? GET_S(i) : -GET_S(i);
            } else {
                setnum(top, GET_S(i));
                top++;
                SAVE();
                arith(L, a, a + 1, add ? EV_ADD : EV_SUB, a);
                top--;
            }
            NEXT();
        }
        CASE(OP_INCLOCAL) {
            StkId a = base + (GET_A(i) & ~kSubFlag);
            bool sub = (GET_A(i) & kSubFlag) != 0;
            int kv = static_cast<int>(GET_B(i)) - 128;
            if (a->tt == T_NUMBER) {
                a->v.n += sub ? -kv : kv;
            } else {
                // as the instructions it stands for: push, add or subtract, store
                top[0] = *a;
                setnum(top + 1, kv);
                top += 2;
                SAVE();
                arith(L, top - 2, top - 1, sub ? EV_SUB : EV_ADD, top - 2);
                *a = top[-2];
                top -= 2;
            }
            NEXT();
        }
        CASE(OP_GETLOCALS) {
            // t[k] for two locals, as PUSHLOCAL, PUSHLOCAL, GETTABLE
            StkId t = base + GET_A(i), key = base + GET_B(i);
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && key->tt != T_NIL) {
                const TObject* v = arrayslot(t->v.h, key);
                if (v == nullptr) v = tget(t->v.h, key);
                if (v->tt != T_NIL) {
                    setobj(top++, v);
                    NEXT();
                }
            }
            setobj(top, t);
            setobj(top + 1, key);
            top += 2;
            SAVE();
            gettable(L, top - 2, top - 1, top - 2);
            top--;
            NEXT();
        }
        CASE(OP_IFLOCALS) {
            // a condition on two locals, as PUSHLOCAL, PUSHLOCAL, IF..F
            OpCode cmp = static_cast<OpCode>(OP_EQ + (GET_A(i) >> 8));
            StkId a = base + (GET_A(i) & 0xFF), b = base + GET_B(i);
            bool r;
            if (cmp >= OP_LT && a->tt == T_NUMBER && b->tt == T_NUMBER) {
                r = numcompare(cmp, a->v.n, b->v.n);
            } else if (cmp < OP_LT) {
                r = rawequal(a, b) == (cmp == OP_EQ);
            } else {
                SAVE();
                r = ordercompare(L, top, a, b, cmp);
            }
            // the next instruction is the jump out: skipped, or taken here
            pc += r ? 1 : GET_S(*pc) + 1;
            NEXT();
        }
        CASE(OP_IFLOCALK) {
            // a local against a small integer, as PUSHLOCAL, PUSHINT, IF..F
            OpCode cmp = static_cast<OpCode>(OP_EQ + (GET_A(i) >> 8));
            StkId a = base + (GET_A(i) & 0xFF);
            double kv = static_cast<int>(GET_B(i)) - 128;
            bool r;
            if (a->tt == T_NUMBER) {
                if (cmp >= OP_LT)
                    r = numcompare(cmp, a->v.n, kv);
                else
                    r = numeq(a->v.n, kv) == (cmp == OP_EQ);
            } else if (cmp < OP_LT) {
                r = cmp == OP_NE; // only numbers equal a number
            } else {
                TObject kobj;
                setnum(&kobj, kv);
                SAVE();
                r = ordercompare(L, top, a, &kobj, cmp);
            }
            // the next instruction is the jump out: skipped, or taken here
            pc += r ? 1 : GET_S(*pc) + 1;
            NEXT();
        }
        CASE(OP_LOCALADDI) {
            StkId a = base + (GET_A(i) & ~kSubFlag);
            bool sub = (GET_A(i) & kSubFlag) != 0;
            int kv = static_cast<int>(GET_B(i)) - 128;
            if (a->tt == T_NUMBER) {
                setnum(top++, a->v.n + (sub ? -kv : kv));
            } else {
                // as the instructions it stands for: push, then add or subtract
                setobj(top, a);
                setnum(top + 1, kv);
                top += 2;
                SAVE();
                arith(L, top - 2, top - 1, sub ? EV_SUB : EV_ADD, top - 2);
                top--;
            }
            NEXT();
        }
        CASE(OP_GETLOCALDOTTED) {
            StkId t = base + GET_B(i);
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE) {
                const TObject* v = strslot(t->v.h, k[GET_A(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    setobj(top++, v);
                    NEXT();
                }
            }
            setobj(top, t);
            top[1] = k[GET_A(i)];
            top += 2;
            SAVE();
            gettable(L, top - 2, top - 1, top - 2);
            top--;
            NEXT();
        }
        CASE(OP_SETLOCALDOTTED) {
            StkId t = base + GET_B(i);
            StkId v = top - 1;
            if (t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && v->tt != T_NIL) {
                TObject* slot = strslot(t->v.h, k[GET_A(i)].v.s);
                if (slot != nullptr) {
                    setobj(slot, v);
                    top--;
                    NEXT();
                }
            }
            // as PUSHLOCAL, PUSHSTR, SETTABLEPOP with the value computed first
            top[1] = *v;
            setobj(top - 1, t);
            top[0] = k[GET_A(i)];
            top += 2;
            SAVE();
            settable(L, top - 3, top - 2, top - 1);
            top -= 3;
            NEXT();
        }
        CASE(OP_POW) {
            SAVE();
            arith(L, top - 2, top - 1, EV_POW, top - 2);
            top--;
            NEXT();
        }
        CASE(OP_CONCAT) {
            uint32_t n = GET_U(i);
            SAVE();
            concat(L, static_cast<int>(n), top);
            top -= n - 1;
            L->top = top;
            checkGC(L);
            NEXT();
        }
        CASE(OP_MINUS) {
            StkId a = top - 1;
            if (a->tt == T_NUMBER) {
                a->v.n = -a->v.n;
            } else {
                setnil(top);
                top++;
                SAVE();
                arith(L, a, a + 1, EV_UNM, a);
                top--;
            }
            NEXT();
        }
        CASE(OP_NOT)
        if (top[-1].tt == T_NIL)
            setnum(top - 1, 1);
        else
            setnil(top - 1);
        NEXT();
        CASE(OP_EQ)
        CASE(OP_NE) {
            bool r = rawequal(top - 2, top - 1) == (GET_OP(i) == OP_EQ);
            top--;
            if (r)
                setnum(top - 1, 1);
            else
                setnil(top - 1);
            NEXT();
        }
        CASE(OP_LT)
        CASE(OP_LE)
        CASE(OP_GT)
        CASE(OP_GE) {
            StkId a = top - 2;
            if (a->tt == T_NUMBER && a[1].tt == T_NUMBER) {
                if (numcompare(GET_OP(i), a->v.n, a[1].v.n))
                    setnum(a, 1);
                else
                    setnil(a);
            } else {
                SAVE();
                lessthan(L, a, a + 1, static_cast<Event>(EV_LT + (GET_OP(i) - OP_LT)), a);
            }
            top--;
            NEXT();
        }
        CASE(OP_IFEQF)
        CASE(OP_IFNEF) {
            bool r = rawequal(top - 2, top - 1) == (GET_OP(i) == OP_IFEQF);
            top -= 2;
            if (!r) pc += GET_S(i);
            NEXT();
        }
        CASE(OP_IFLTF)
        CASE(OP_IFLEF)
        CASE(OP_IFGTF)
        CASE(OP_IFGEF) {
            StkId a = top - 2;
            OpCode cmp = static_cast<OpCode>(OP_LT + (GET_OP(i) - OP_IFLTF));
            bool r;
            if (a->tt == T_NUMBER && a[1].tt == T_NUMBER) {
                r = numcompare(cmp, a->v.n, a[1].v.n);
            } else {
                SAVE();
                r = lessthan(L, a, a + 1, static_cast<Event>(EV_LT + (cmp - OP_LT)), a);
            }
            top -= 2;
            if (!r) pc += GET_S(i);
            NEXT();
        }
        CASE(OP_JMP)
        pc += GET_S(i);
        NEXT();
        CASE(OP_JMPF)
        if ((--top)->tt == T_NIL) pc += GET_S(i);
        NEXT();
        CASE(OP_JMPT)
        if ((--top)->tt != T_NIL) pc += GET_S(i);
        NEXT();
        CASE(OP_ONTJMP)
        if (top[-1].tt != T_NIL)
            pc += GET_S(i);
        else
            top--;
        NEXT();
        CASE(OP_ONFJMP)
        if (top[-1].tt == T_NIL)
            pc += GET_S(i);
        else
            top--;
        NEXT();
        CASE(OP_CLOSURE) {
            Proto* p = cl->p->p[GET_A(i)];
            int nup = static_cast<int>(GET_B(i));
            SAVE();
            LClosure* c;
            if (nup == 0) {
                if (p->cache == nullptr) p->cache = newlclosure(L, p, 0);
                c = p->cache;
            } else {
                c = newlclosure(L, p, nup);
                top -= nup;
                for (int j = 0; j < nup; j++)
                    c->up[j] = top[j];
            }
            top->tt = T_LFUNC;
            top->v.l = c;
            top++;
            L->top = top;
            checkGC(L);
            NEXT();
        }
        CASE(OP_CALL) {
            StkId func = base + GET_A(i);
            int nres = static_cast<int>(GET_B(i));
            SAVE();
            if (func->tt == T_LFUNC) {
                LClosure* callee = func->v.l;
                const Proto* p = callee->p;
                if (!p->isvararg && L->callhook == nullptr && ci + 1 < L->end_ci &&
                    func + 1 + p->maxstack < L->stack_last) {
                    // the common call, set up here: missing arguments are
                    // nil, extra ones are dropped
                    StkId nb = func + 1;
                    StkId ptop = nb + p->numparams;
                    while (top < ptop)
                        setnil(top++);
                    ++ci;
                    ci->func = func;
                    ci->base = nb;
                    ci->savedpc = p->code.data();
                    ci->nresults = nres;
                    ci->fresh = false;
                    ci->lastline = -1;
                    L->ci = ci;
                    L->top = ptop;
                    cl = callee;
                    k = p->k.data();
                    base = nb;
                    pc = p->code.data();
                    top = ptop;
                    NEXT();
                }
                ci = precallLua(L, func, nres);
                goto newframe;
            }
            call(L, func, nres);
            top = L->top;
            SETTRAP();
            NEXT();
        }
        CASE(OP_RETURN) {
            StkId first = base + GET_U(i);
            if (L->callhook) {
                SAVE();
                callhook(L, nullptr, false);
            }
            bool fresh = ci->fresh;
            StkId res = ci->func;
            int n = static_cast<int>(top - first);
            int wanted = ci->nresults == MULT_RET ? n : ci->nresults;
            if (wanted == 1 && n >= 1) {
                setobj(res, first);
            } else {
                int j = 0;
                for (; j < n && j < wanted; j++)
                    setobj(&res[j], &first[j]);
                for (; j < wanted; j++)
                    setnil(&res[j]);
            }
            top = res + wanted;
            L->top = top;
            L->ci = --ci;
            if (fresh) return;
            // back in the caller, which was left by a call from this loop
            cl = ci->func->v.l;
            k = cl->p->k.data();
            base = ci->base;
            pc = ci->savedpc;
            SETTRAP();
            NEXT();
        }
        DEFAULT()
        runerror(L, "invalid instruction");
    }
}
}

} // namespace lua32
