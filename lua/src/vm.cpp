// The virtual machine: the loop that runs a Lua function's instructions.
#include "do.h"
#include "opcodes.h"

namespace lua32 {

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

// The small integer constants of the fused instructions, by their operand
// (the constant + 128): a load instead of a conversion.
constexpr struct SmallInts {
    double v[256];
    constexpr SmallInts() : v() {
        for (int j = 0; j < 256; j++)
            v[j] = j - 128;
    }
    constexpr double operator[](uint32_t j) const { return v[j]; }
} kSmallInts;

// The comparisons of the fused instructions, in the order of their opcodes.
enum Cmp { CMP_EQ, CMP_NE, CMP_LT, CMP_LE, CMP_GT, CMP_GE };

template <int C> inline bool numtest(double x, double y) {
    if constexpr (C == CMP_EQ)
        return numeq(x, y);
    else if constexpr (C == CMP_NE)
        return !numeq(x, y);
    else if constexpr (C == CMP_LT)
        return x < y;
    else if constexpr (C == CMP_LE)
        return x <= y;
    else if constexpr (C == CMP_GT)
        return x > y;
    else
        return x >= y;
}

// A comparison of two values that are not both numbers, for the
// instructions that read them from locals: an ordering's copies go above the
// frame's values, where tag methods and errors expect operands.
template <int C> bool valuetest(lua_State* L, StkId top, const TObject* a, const TObject* b) {
    if constexpr (C == CMP_EQ) {
        return rawequal(a, b);
    } else if constexpr (C == CMP_NE) {
        return !rawequal(a, b);
    } else {
        setobj(top, a);
        setobj(top + 1, b);
        L->top = top + 2;
        return lessthan(L, top, top + 1, static_cast<Event>(EV_LT + (C - CMP_LT)), top);
    }
}

} // namespace

#if defined(__GNUC__)
#define LIKELY(c) __builtin_expect((c), 1)
#else
#define LIKELY(c) (c)
#endif

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
#define TRAPPING() (disp == kTrapDispatch)
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
#define TRAPPING() trap
#endif

// The arithmetic of two numbers on the top, in place; tag methods and
// coercion in arith.
#define ARITH_CASE(op, ev, expr)                                                                   \
    CASE(op) {                                                                                     \
        StkId a = top - 2;                                                                         \
        if (LIKELY(a->tt == T_NUMBER && a[1].tt == T_NUMBER)) {                                    \
            double x = a->v.n, y = a[1].v.n;                                                       \
            a->v.n = expr;                                                                         \
        } else {                                                                                   \
            SAVE();                                                                                \
            arith(L, a, a + 1, ev, a);                                                             \
        }                                                                                          \
        top--;                                                                                     \
        NEXT();                                                                                    \
    }

// A local plus or minus a small constant: pushed, or stored back into the
// local (`store`). The slow path runs the instructions it stands for: push,
// add or subtract, (store).
#define LOCALARITH_CASE(op, ev, sign, store, jump)                                                 \
    CASE(op) {                                                                                     \
        StkId a = base + GET_A(i);                                                                 \
        double kv = kSmallInts[GET_B(i)];                                                          \
        if (LIKELY(a->tt == T_NUMBER)) {                                                           \
            if (store)                                                                             \
                a->v.n = a->v.n sign kv;                                                           \
            else                                                                                   \
                setnum(top++, a->v.n sign kv);                                                     \
        } else {                                                                                   \
            setobj(top, a);                                                                        \
            setnum(top + 1, kv);                                                                   \
            top += 2;                                                                              \
            SAVE();                                                                                \
            arith(L, top - 2, top - 1, ev, top - 2);                                               \
            top--;                                                                                 \
            if (store) setobj(a, --top);                                                           \
        }                                                                                          \
        if (jump && !TRAPPING()) pc += GET_S(*pc) + 1;                                             \
        NEXT();                                                                                    \
    }

// An ordering of the two values on the top, replaced by its result.
#define ORDER_CASE(op, cmp)                                                                        \
    CASE(op) {                                                                                     \
        StkId a = top - 2;                                                                         \
        if (LIKELY(a->tt == T_NUMBER && a[1].tt == T_NUMBER)) {                                    \
            if (numtest<cmp>(a->v.n, a[1].v.n))                                                    \
                setnum(a, 1);                                                                      \
            else                                                                                   \
                setnil(a);                                                                         \
        } else {                                                                                   \
            SAVE();                                                                                \
            lessthan(L, a, a + 1, static_cast<Event>(EV_LT + (cmp - CMP_LT)), a);                  \
        }                                                                                          \
        top--;                                                                                     \
        NEXT();                                                                                    \
    }

// A condition on the two values on the top: pops them, jumps when false.
#define IFF_CASE(op, cmp)                                                                          \
    CASE(op) {                                                                                     \
        StkId a = top - 2;                                                                         \
        bool r;                                                                                    \
        if (LIKELY(a->tt == T_NUMBER && a[1].tt == T_NUMBER)) {                                    \
            r = numtest<cmp>(a->v.n, a[1].v.n);                                                    \
        } else if (cmp <= CMP_NE) {                                                                \
            r = rawequal(a, a + 1) == (cmp == CMP_EQ);                                             \
        } else {                                                                                   \
            SAVE();                                                                                \
            r = lessthan(L, a, a + 1, static_cast<Event>(EV_LT + (cmp - CMP_LT)), a);              \
        }                                                                                          \
        top -= 2;                                                                                  \
        if (!r) pc += GET_S(i);                                                                    \
        NEXT();                                                                                    \
    }

// A condition on two locals; the next instruction is the jump out, skipped
// or taken here.
#define IFLOCALS_CASE(op, cmp)                                                                     \
    CASE(op) {                                                                                     \
        StkId a = base + GET_A(i), b = base + GET_B(i);                                            \
        bool r;                                                                                    \
        if (LIKELY(a->tt == T_NUMBER && b->tt == T_NUMBER)) {                                      \
            r = numtest<cmp>(a->v.n, b->v.n);                                                      \
        } else {                                                                                   \
            SAVE();                                                                                \
            r = valuetest<cmp>(L, top, a, b);                                                      \
        }                                                                                          \
        pc += r ? 1 : GET_S(*pc) + 1;                                                              \
        NEXT();                                                                                    \
    }

// A condition on a local and a small integer, as IFLOCALS.
#define IFLOCALK_CASE(op, cmp)                                                                     \
    CASE(op) {                                                                                     \
        StkId a = base + GET_A(i);                                                                 \
        double kv = kSmallInts[GET_B(i)];                                                          \
        bool r;                                                                                    \
        if (LIKELY(a->tt == T_NUMBER)) {                                                           \
            r = numtest<cmp>(a->v.n, kv);                                                          \
        } else {                                                                                   \
            TObject kobj;                                                                          \
            setnum(&kobj, kv);                                                                     \
            SAVE();                                                                                \
            r = valuetest<cmp>(L, top, a, &kobj);                                                  \
        }                                                                                          \
        pc += r ? 1 : GET_S(*pc) + 1;                                                              \
        NEXT();                                                                                    \
    }

void execute(lua_State* L) {
#if defined(__GNUC__)
    static const void* const kDispatch[OP_COUNT + 1] = {
#define LUA32_OPCODE_LABEL(name) &&L_OP_##name,
        LUA32_OPCODES(LUA32_OPCODE_LABEL)
#undef LUA32_OPCODE_LABEL
        && L_invalid};
    // every opcode byte steps the trap first
    static const void* const kTrapDispatch[256] = {
#define TRAP8 &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap, &&L_trap
#define TRAP64 TRAP8, TRAP8, TRAP8, TRAP8, TRAP8, TRAP8, TRAP8, TRAP8
        TRAP64, TRAP64, TRAP64, TRAP64};
#undef TRAP64
#undef TRAP8
    const void* const* disp;
#else
    bool trap;
#endif
    // The running closure is not kept here: it is read from the frame by
    // the few instructions that need it, so that calls and returns do not
    // spill and reload it.
    CallInfo* ci = L->ci;
    const TObject* k;
    StkId base;
    const uint32_t* pc;
    StkId top;
newframe:
    k = ci->func->v.l->k;
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
        setobj(top++, &k[GET_U(i)]);
        NEXT();
        CASE(OP_PUSHUPVALUE)
        setobj(top++, &ci->func->v.l->up[GET_U(i)]);
        NEXT();
        CASE(OP_PUSHLOCAL)
        setobj(top++, base + GET_U(i));
        NEXT();
        CASE(OP_GETGLOBAL) {
            TString* s = k[GET_U(i)].v.s;
            const TObject* v = &s->gval;
            // only nil, userdata and tagged tables can have a getglobal method
            constexpr uint32_t kMaybeMethod = 1u << T_NIL | 1u << T_USERDATA | 1u << T_TABLE;
            if (LIKELY(((1u << v->tt) & kMaybeMethod) == 0) ||
                (v->tt == T_TABLE && !hastm(L, v->v.h->htag, EV_GETGLOBAL))) {
                setobj(top, v);
            } else {
                SAVE();
                getglobal(L, s, top);
            }
            top++;
            NEXT();
        }
        CASE(OP_GETTABLE) {
            StkId t = top - 2;
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && top[-1].tt != T_NIL)) {
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
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE)) {
                const TObject* v = strslot(t->v.h, k[GET_U(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    setobj(t, v);
                    NEXT();
                }
            }
            setobj(top, &k[GET_U(i)]);
            top++;
            SAVE();
            gettable(L, t, t + 1, t);
            top--;
            NEXT();
        }
        CASE(OP_PUSHSELF) {
            StkId t = top - 1;
            setobj(top, t);
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE)) {
                const TObject* v = strslot(t->v.h, k[GET_U(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    setobj(t, v);
                    top++;
                    NEXT();
                }
            }
            setobj(top + 1, &k[GET_U(i)]);
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
                setobj(old, --top);
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
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && t[1].tt != T_NIL &&
                       t[2].tt != T_NIL)) {
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
        ARITH_CASE(OP_ADD, EV_ADD, x + y)
        ARITH_CASE(OP_SUB, EV_SUB, x - y)
        ARITH_CASE(OP_MUL, EV_MUL, x * y)
        ARITH_CASE(OP_DIV, EV_DIV, x / y)
        CASE(OP_ADDI)
        CASE(OP_SUBI) {
            StkId a = top - 1;
            bool add = GET_OP(i) == OP_ADDI;
            if (LIKELY(a->tt == T_NUMBER)) {
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
        LOCALARITH_CASE(OP_INCLOCAL, EV_ADD, +, true, false)
        LOCALARITH_CASE(OP_DECLOCAL, EV_SUB, -, true, false)
        LOCALARITH_CASE(OP_INCLOCALJMP, EV_ADD, +, true, true)
        LOCALARITH_CASE(OP_DECLOCALJMP, EV_SUB, -, true, true)
        CASE(OP_GETLOCALS) {
            // t[k] for two locals, as PUSHLOCAL, PUSHLOCAL, GETTABLE
            StkId t = base + GET_A(i), key = base + GET_B(i);
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && key->tt != T_NIL)) {
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
        IFLOCALS_CASE(OP_IFLOCALSEQ, CMP_EQ)
        IFLOCALS_CASE(OP_IFLOCALSNE, CMP_NE)
        IFLOCALS_CASE(OP_IFLOCALSLT, CMP_LT)
        IFLOCALS_CASE(OP_IFLOCALSLE, CMP_LE)
        IFLOCALS_CASE(OP_IFLOCALSGT, CMP_GT)
        IFLOCALS_CASE(OP_IFLOCALSGE, CMP_GE)
        IFLOCALK_CASE(OP_IFLOCALKEQ, CMP_EQ)
        IFLOCALK_CASE(OP_IFLOCALKNE, CMP_NE)
        IFLOCALK_CASE(OP_IFLOCALKLT, CMP_LT)
        IFLOCALK_CASE(OP_IFLOCALKLE, CMP_LE)
        IFLOCALK_CASE(OP_IFLOCALKGT, CMP_GT)
        IFLOCALK_CASE(OP_IFLOCALKGE, CMP_GE)
        LOCALARITH_CASE(OP_LOCALADDI, EV_ADD, +, false, false)
        LOCALARITH_CASE(OP_LOCALSUBI, EV_SUB, -, false, false)
        CASE(OP_GETLOCALDOTTED) {
            StkId t = base + GET_B(i);
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE)) {
                const TObject* v = strslot(t->v.h, k[GET_A(i)].v.s);
                if (v != nullptr && v->tt != T_NIL) {
                    setobj(top++, v);
                    NEXT();
                }
            }
            setobj(top, t);
            setobj(top + 1, &k[GET_A(i)]);
            top += 2;
            SAVE();
            gettable(L, top - 2, top - 1, top - 2);
            top--;
            NEXT();
        }
        CASE(OP_SETLOCALDOTTED) {
            StkId t = base + GET_B(i);
            StkId v = top - 1;
            if (LIKELY(t->tt == T_TABLE && t->v.h->htag == TAG_TABLE && v->tt != T_NIL)) {
                TObject* slot = strslot(t->v.h, k[GET_A(i)].v.s);
                if (slot != nullptr) {
                    setobj(slot, v);
                    top--;
                    NEXT();
                }
            }
            // as PUSHLOCAL, PUSHSTR, SETTABLEPOP with the value computed first
            setobj(top + 1, v);
            setobj(top - 1, t);
            setobj(top, &k[GET_A(i)]);
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
            if (LIKELY(a->tt == T_NUMBER)) {
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
        ORDER_CASE(OP_LT, CMP_LT)
        ORDER_CASE(OP_LE, CMP_LE)
        ORDER_CASE(OP_GT, CMP_GT)
        ORDER_CASE(OP_GE, CMP_GE)
        IFF_CASE(OP_IFEQF, CMP_EQ)
        IFF_CASE(OP_IFNEF, CMP_NE)
        IFF_CASE(OP_IFLTF, CMP_LT)
        IFF_CASE(OP_IFLEF, CMP_LE)
        IFF_CASE(OP_IFGTF, CMP_GT)
        IFF_CASE(OP_IFGEF, CMP_GE)
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
            Proto* p = ci->func->v.l->p->p[GET_A(i)];
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
                    setobj(&c->up[j], &top[j]);
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
            ci->savedpc = pc;
            if (LIKELY(func->tt == T_LFUNC)) {
                LClosure* callee = func->v.l;
                if (LIKELY(ci + 1 < L->quickcall_end && callee->callframe < L->stack_last - func)) {
                    // the common call, set up here: missing arguments are
                    // nil, extra ones are dropped. L->top is left behind:
                    // nothing reads it before the next SAVE.
                    StkId nb = func + 1;
                    StkId ptop = nb + callee->numparams;
                    while (top < ptop)
                        setnil(top++);
                    ++ci;
                    ci->func = func;
                    ci->base = nb;
                    ci->savedpc = callee->code;
                    ci->nresults = nres;
                    ci->fresh = false;
                    ci->lastline = -1;
                    L->ci = ci;
                    k = callee->k;
                    base = nb;
                    pc = callee->code;
                    top = ptop;
                    NEXT();
                }
                L->top = top;
                ci = precallLua(L, func, nres);
                goto newframe;
            }
            L->top = top;
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
            StkId res = ci->func;
            int n = static_cast<int>(top - first);
            int wanted = ci->nresults;
            if (wanted == 1 && n >= 1) {
                setobj(res, first);
            } else {
                if (wanted == MULT_RET) wanted = n;
                int j = 0;
                for (; j < n && j < wanted; j++)
                    setobj(&res[j], &first[j]);
                for (; j < wanted; j++)
                    setnil(&res[j]);
            }
            top = res + wanted;
            L->ci = --ci;
            if (ci[1].fresh) {
                L->top = top;
                return;
            }
            // back in the caller, which was left by a call from this loop
            k = ci->func->v.l->k;
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
