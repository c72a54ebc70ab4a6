// The parser: recursive descent that emits stack-machine code directly.
//
// At every statement boundary the runtime stack of a frame holds exactly
// its active locals, so the compiler tracks the stack depth and every
// instruction's position is known at compile time (calls returning all
// their values happen only in `return`).
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "parser.h"

namespace lua32 {

namespace {

// ---------------------------------------------------------------- expressions

void expr(Parser* p, ExpDesc* e);
void body(Parser* p, bool needself, int line);
void block(Parser* p);

void exp1(Parser* p) {
    ExpDesc e;
    expr(p, &e);
    discharge(p, &e);
}

int explist1(Parser* p, ExpDesc* last) {
    int n = 1;
    expr(p, last);
    while (p->ls->token == ',') {
        discharge(p, last);
        nexttoken(p);
        expr(p, last);
        n++;
    }
    return n;
}

void enternesting(Parser* p) {
    if (++p->nesting > kMaxNesting || cstackexhausted(p->ls->L))
        error(p, "function/expression too complex");
}

void constructor(Parser* p);

// Tokens before which an argument list is empty: an unfinished call then
// says which token was expected.
bool closesexplist(int token) {
    switch (token) {
        case TK_ELSE:
        case TK_ELSEIF:
        case TK_END:
        case TK_UNTIL:
        case TK_EOS:
        case ';':
        case ')': return true;
        default: return false;
    }
}

// Arguments of a call whose function (and self) are on the stack from
// `slot`; leaves a VCALL.
void funcargs(Parser* p, int slot, ExpDesc* e) {
    LexState* ls = p->ls;
    int line = ls->linenumber;
    switch (ls->token) {
        case '(': {
            nexttoken(p);
            if (!closesexplist(ls->token)) {
                ExpDesc a;
                explist1(p, &a);
                discharge(p, &a);
            }
            check_match(p, ')', '(', line);
            break;
        }
        case '{': constructor(p); break;
        case TK_STRING:
            code(p, CREATE_U(OP_PUSHSTR, stringconst(p, ls->strval)), 1);
            nexttoken(p);
            break;
        default: error(p, "function arguments expected");
    }
    e->k = VCALL;
    e->info = code(p, CREATE_AB(OP_CALL, static_cast<uint32_t>(slot), 0), slot - p->fs->stacklevel);
}

void primaryexp(Parser* p, ExpDesc* e) {
    LexState* ls = p->ls;
    switch (ls->token) {
        case TK_NAME: singlevar(p, checkname(p), e); break;
        case '%':
            nexttoken(p);
            pushupvalue(p, checkname(p));
            e->k = VEXP;
            break;
        default: error(p, "unexpected token");
    }
}

void suffixedexp(Parser* p, ExpDesc* e) {
    LexState* ls = p->ls;
    primaryexp(p, e);
    for (;;) {
        switch (ls->token) {
            case '.': {
                nexttoken(p);
                discharge(p, e);
                e->k = VDOT;
                e->info = stringconst(p, checkname(p));
                break;
            }
            case '[': {
                nexttoken(p);
                discharge(p, e);
                exp1(p);
                check(p, ']');
                e->k = VINDEXED;
                break;
            }
            case ':': {
                nexttoken(p);
                discharge(p, e);
                int slot = p->fs->stacklevel - 1;
                int k = stringconst(p, checkname(p));
                code(p, CREATE_U(OP_PUSHSELF, k), 1);
                funcargs(p, slot, e);
                break;
            }
            case '(':
            case TK_STRING:
            case '{': {
                discharge(p, e);
                funcargs(p, p->fs->stacklevel - 1, e);
                break;
            }
            default: return;
        }
    }
}

// One `name = exp` or `[exp] = exp` field; returns whether the hash part
// should be sized for it. A key written as a number most likely belongs in
// the array part, which grows to hold it only if the hash part fills up.
bool recfield(Parser* p) {
    LexState* ls = p->ls;
    bool hashed = true;
    if (ls->token == TK_NAME) {
        code(p, CREATE_U(OP_PUSHSTR, stringconst(p, checkname(p))), 1);
    } else if (ls->token == '[') {
        nexttoken(p);
        hashed = ls->token != TK_NUMBER;
        exp1(p);
        check(p, ']');
    } else {
        error(p, "NAME or `[' expected");
    }
    check(p, '=');
    exp1(p);
    return hashed;
}

// One part of a constructor; returns the number of items.
int listfields(Parser* p, int* nlist) {
    LexState* ls = p->ls;
    int n = 0;
    int pending = 0;
    for (;;) {
        ExpDesc e;
        expr(p, &e);
        discharge(p, &e);
        if (ls->token == '=') error(p, "ill-formed expression");
        n++;
        if (++pending == kListBlock) {
            code(p,
                 CREATE_AB(OP_SETLIST, static_cast<uint32_t>((*nlist + n - 1) / kListBlock),
                           pending),
                 -pending);
            pending = 0;
        }
        if (ls->token != ',') break;
        nexttoken(p);
        if (ls->token == ';' || ls->token == '}') break;
    }
    if (pending)
        code(p,
             CREATE_AB(OP_SETLIST, static_cast<uint32_t>((*nlist + n - 1) / kListBlock), pending),
             -pending);
    *nlist += n;
    return n;
}

// A record part; returns the number of fields meant for the hash part.
int recfields(Parser* p) {
    LexState* ls = p->ls;
    int n = 0;
    int pending = 0;
    for (;;) {
        n += recfield(p) ? 1 : 0;
        if (++pending == kListBlock) {
            code(p, CREATE_U(OP_SETMAP, pending), -2 * pending);
            pending = 0;
        }
        if (ls->token != ',') break;
        nexttoken(p);
        if (ls->token == ';' || ls->token == '}') break;
    }
    if (pending) code(p, CREATE_U(OP_SETMAP, pending), -2 * pending);
    return n;
}

// 0: empty, 1: list, 2: record
int constructorpart(Parser* p, int* nlist, int* nrec) {
    LexState* ls = p->ls;
    switch (ls->token) {
        case ';':
        case '}': return 0;
        case TK_NAME:
            if (peek(p) == '=') {
                *nrec += recfields(p);
                return 2;
            }
            listfields(p, nlist);
            return 1;
        case '[': *nrec += recfields(p); return 2;
        default: listfields(p, nlist); return 1;
    }
}

void constructor(Parser* p) {
    LexState* ls = p->ls;
    int line = ls->linenumber;
    int pcreate = code(p, CREATE_U(OP_CREATETABLE, 0), 1);
    check(p, '{');
    int nlist = 0;
    int nrec = 0;
    int first = constructorpart(p, &nlist, &nrec);
    if (ls->token == ';') {
        nexttoken(p);
        int second = constructorpart(p, &nlist, &nrec);
        if (second != 0 && second == first) error(p, "invalid constructor syntax");
    }
    check_match(p, '}', '{', line);
    p->fs->f->code[pcreate] =
        CREATE_AB(OP_CREATETABLE, static_cast<uint32_t>(nlist < 0xFFFF ? nlist : 0xFFFF),
                  static_cast<uint32_t>(nrec < 0xFF ? nrec : 0xFF));
}

void simpleexp(Parser* p, ExpDesc* e) {
    LexState* ls = p->ls;
    switch (ls->token) {
        case TK_NUMBER:
            pushnumber(p, ls->numval);
            nexttoken(p);
            e->k = VEXP;
            return;
        case TK_STRING:
            code(p, CREATE_U(OP_PUSHSTR, stringconst(p, ls->strval)), 1);
            nexttoken(p);
            e->k = VEXP;
            return;
        case TK_NIL:
            code(p, CREATE_U(OP_PUSHNIL, 1), 1);
            nexttoken(p);
            e->k = VEXP;
            return;
        case '{':
            constructor(p);
            e->k = VEXP;
            return;
        case TK_FUNCTION: {
            int line = ls->linenumber;
            nexttoken(p);
            body(p, false, line);
            e->k = VEXP;
            return;
        }
        case '(': {
            int line = ls->linenumber;
            nexttoken(p);
            expr(p, e);
            check_match(p, ')', '(', line);
            return;
        }
        case TK_NAME:
        case '%': suffixedexp(p, e); return;
        default: error(p, "<expression> expected");
    }
}

struct Priority {
    int left;
    int right;
};

int binop(int token) {
    switch (token) {
        case TK_AND:
        case TK_OR: return 1;
        case TK_EQ:
        case TK_NE:
        case '<':
        case '>':
        case TK_LE:
        case TK_GE: return 2;
        case TK_CONC: return 3;
        case '+':
        case '-': return 4;
        case '*':
        case '/': return 5;
        case '^': return 7;
        default: return 0;
    }
}

constexpr int kUnaryPriority = 6;

OpCode arithop(int token) {
    switch (token) {
        case '+': return OP_ADD;
        case '-': return OP_SUB;
        case '*': return OP_MUL;
        case '/': return OP_DIV;
        case '^': return OP_POW;
        case TK_EQ: return OP_EQ;
        case TK_NE: return OP_NE;
        case '<': return OP_LT;
        case '>': return OP_GT;
        case TK_LE: return OP_LE;
        default: return OP_GE;
    }
}

// A local plus or minus a small constant, PUSHLOCAL then ADDI or SUBI,
// becomes one instruction.
void addlocalconst(Parser* p) {
    FuncState* fs = p->fs;
    std::vector<uint32_t>& c = fs->f->code;
    int n = pc(p);
    if (n < 2 || fs->lasttarget > n - 2) return;
    uint32_t push = c[n - 2], add = c[n - 1];
    int k = GET_S(add);
    if (GET_OP(push) != OP_PUSHLOCAL || GET_U(push) > 0xFFFF || k < -128 || k > 127) return;
    // the operation and its constant are kept as written: a tag method sees them
    OpCode op = GET_OP(add) == OP_SUBI ? OP_LOCALSUBI : OP_LOCALADDI;
    c.pop_back();
    c.back() = CREATE_AB(op, GET_U(push), static_cast<uint32_t>(k + 128));
    if (!fs->f->lineinfo.empty()) fs->f->lineinfo.resize(c.size());
}

void subexpr(Parser* p, ExpDesc* e, int limit) {
    LexState* ls = p->ls;
    enternesting(p);
    if (ls->token == '-' || ls->token == TK_NOT) {
        int op = ls->token;
        nexttoken(p);
        int before = pc(p);
        subexpr(p, e, kUnaryPriority);
        discharge(p, e);
        uint32_t& last = p->fs->f->code.back();
        if (op == '-' && pc(p) == before + 1 && p->fs->lasttarget != pc(p) &&
            GET_OP(last) == OP_PUSHINT) {
            // a negative numeral is a constant (so the literal -0 is plain 0)
            last = CREATE_S(OP_PUSHINT, -GET_S(last));
        } else {
            code(p, op == '-' ? OP_MINUS : OP_NOT, 0);
        }
    } else {
        simpleexp(p, e);
    }
    for (;;) {
        int op = ls->token;
        int prio = binop(op);
        if (prio == 0 || prio <= limit) break;
        nexttoken(p);
        discharge(p, e);
        ExpDesc e2;
        if (op == TK_AND || op == TK_OR) {
            int j = emitjump(p, op == TK_AND ? OP_ONFJMP : OP_ONTJMP, -1);
            subexpr(p, &e2, prio);
            discharge(p, &e2);
            fixjump(p, j, getlabel(p));
        } else if (op == TK_CONC) {
            // `..` is left-associative, which only tag methods can observe; the
            // VM folds a chain pairwise from the left when one is needed
            int n = 1;
            for (;;) {
                subexpr(p, &e2, prio);
                discharge(p, &e2);
                if (++n == 200) { // a long chain is joined in parts
                    code(p, CREATE_U(OP_CONCAT, n), 1 - n);
                    n = 1;
                }
                if (ls->token != TK_CONC || prio <= limit) break;
                nexttoken(p);
            }
            if (n > 1) code(p, CREATE_U(OP_CONCAT, n), 1 - n);
        } else {
            // `^` is right-associative: its right side binds tighter operators only
            subexpr(p, &e2, op == '^' ? prio - 1 : prio);
            discharge(p, &e2);
            if ((op == '+' || op == '-') && GET_OP(p->fs->f->code.back()) == OP_PUSHINT &&
                p->fs->lasttarget != pc(p)) {
                uint32_t& last = p->fs->f->code.back();
                last = CREATE_S(op == '+' ? OP_ADDI : OP_SUBI, GET_S(last));
                p->fs->stacklevel--;
                addlocalconst(p);
            } else {
                code(p, arithop(op), -1);
            }
        }
        e->k = VEXP;
    }
    p->nesting--;
}

void expr(Parser* p, ExpDesc* e) {
    subexpr(p, e, 0);
}

// A comparison of two locals ending a condition becomes one instruction
// followed by the jump out, which it skips while the comparison holds.
// Returns the jump, or -1.
int comparelocals(Parser* p) {
    FuncState* fs = p->fs;
    std::vector<uint32_t>& c = fs->f->code;
    int n = pc(p);
    if (n < 3 || fs->lasttarget > n - 3) return -1;
    uint32_t a = c[n - 3], b = c[n - 2], op = GET_OP(c[n - 1]);
    if (GET_OP(a) != OP_PUSHLOCAL || GET_U(a) > 0xFF || op < OP_EQ || op > OP_GE) return -1;
    uint32_t fused;
    if (GET_OP(b) == OP_PUSHLOCAL && GET_U(b) <= 0xFF) {
        fused = CREATE_AB(static_cast<OpCode>(OP_IFLOCALSEQ + (op - OP_EQ)), GET_U(a), GET_U(b));
    } else if (GET_OP(b) == OP_PUSHINT && GET_S(b) >= -128 && GET_S(b) <= 127) {
        // a local against a small integer
        fused = CREATE_AB(static_cast<OpCode>(OP_IFLOCALKEQ + (op - OP_EQ)), GET_U(a),
                          static_cast<uint32_t>(GET_S(b) + 128));
    } else {
        return -1;
    }
    c.resize(n - 3);
    if (!fs->f->lineinfo.empty()) fs->f->lineinfo.resize(c.size());
    fs->stacklevel -= 1; // the compare's result
    code(p, fused, 0);
    return emitjump(p, OP_JMP, 0);
}

// A condition: leaves a jump to be patched to the false exit.
int cond(Parser* p) {
    exp1(p);
    FuncState* fs = p->fs;
    int j = comparelocals(p);
    if (j >= 0) return j;
    if (fs->lasttarget != pc(p) && !fs->f->code.empty()) {
        uint32_t& last = fs->f->code.back();
        OpCode op = GET_OP(last);
        if (op >= OP_EQ && op <= OP_GE) {
            last = CREATE_S(static_cast<OpCode>(OP_IFEQF + (op - OP_EQ)), 0);
            fs->stacklevel -= 1; // the two operands go, and no result comes
            return pc(p) - 1;
        }
    }
    return emitjump(p, OP_JMPF, -1);
}

// ---------------------------------------------------------------- statements

void localstat(Parser* p) {
    LexState* ls = p->ls;
    int n = 0;
    do {
        nexttoken(p);
        addlocal(p, checkname(p), n++);
    } while (ls->token == ',');
    if (ls->token == '=') {
        nexttoken(p);
        ExpDesc e;
        int nexps = explist1(p, &e);
        adjustlist(p, &e, nexps, n);
    } else {
        code(p, CREATE_U(OP_PUSHNIL, n), n);
    }
    activatelocals(p, n);
}

// `x = x + k` (or `- k`) for a local x and a small k: one instruction.
bool increment(Parser* p, int slot) {
    std::vector<uint32_t>& c = p->fs->f->code;
    size_t n = c.size();
    if (n < 1 || p->fs->lasttarget > static_cast<int>(n) - 1) return false;
    // the value, the local plus a constant, is one instruction already
    uint32_t& add = c[n - 1];
    OpCode op = GET_OP(add);
    if ((op != OP_LOCALADDI && op != OP_LOCALSUBI) || GET_A(add) != static_cast<uint32_t>(slot))
        return false;
    add = CREATE_AB(op == OP_LOCALADDI ? OP_INCLOCAL : OP_DECLOCAL, GET_A(add), GET_B(add));
    p->fs->stacklevel--;
    return true;
}

void storevar(Parser* p, const ExpDesc* v, int tabledepth) {
    switch (v->k) {
        case VLOCAL:
            if (!increment(p, v->info)) code(p, CREATE_U(OP_SETLOCAL, v->info), -1);
            break;
        case VGLOBAL: code(p, CREATE_U(OP_SETGLOBAL, v->info), -1); break;
        default: code(p, CREATE_U(OP_SETTABLE, tabledepth), -1); break;
    }
}

// `t.name = exp` for a local t: the value is computed first and stored by
// one instruction. Only the debug interface could change t meanwhile.
bool assignlocaldotted(Parser* p, const ExpDesc* v) {
    FuncState* fs = p->fs;
    std::vector<uint32_t>& c = fs->f->code;
    int n = pc(p);
    if (p->ls->token != '=' || v->k != VDOT || v->info > 0xFFFF) return false;
    if (n < 1 || fs->lasttarget > n - 1) return false;
    uint32_t t = c[n - 1];
    if (GET_OP(t) != OP_PUSHLOCAL || GET_U(t) > 0xFF) return false;
    c.pop_back();
    if (!fs->f->lineinfo.empty()) fs->f->lineinfo.resize(c.size());
    fs->stacklevel--;
    nexttoken(p);
    ExpDesc e;
    int nexps = explist1(p, &e);
    adjustlist(p, &e, nexps, 1);
    code(p, CREATE_AB(OP_SETLOCALDOTTED, static_cast<uint32_t>(v->info), GET_U(t)), -1);
    return true;
}

void assignment(Parser* p, ExpDesc* first) {
    LexState* ls = p->ls;
    if (assignlocaldotted(p, first)) return;
    std::vector<ExpDesc> vars;
    auto addvar = [&](ExpDesc* v) {
        if (v->k == VDOT) {
            code(p, CREATE_U(OP_PUSHSTR, v->info), 1);
            v->k = VINDEXED;
        }
        if (v->k == VEXP || v->k == VCALL) error(p, "syntax error");
        vars.push_back(*v);
        if (vars.size() > kMaxVars)
            error(p, "too many variables in a multiple assignment (limit=100)");
    };
    addvar(first);
    while (ls->token == ',') {
        nexttoken(p);
        ExpDesc v;
        suffixedexp(p, &v);
        addvar(&v);
    }
    check(p, '=');
    ExpDesc e;
    int nvars = static_cast<int>(vars.size());
    int nexps = explist1(p, &e);
    if (nvars == 1 && vars[0].k == VINDEXED) {
        adjustlist(p, &e, nexps, 1);
        code(p, OP_SETTABLEPOP, -3);
        return;
    }
    adjustlist(p, &e, nexps, nvars);
    int indexedafter = 0;
    for (int j = nvars - 1; j >= 0; j--) {
        storevar(p, &vars[j], (j + 1) + 2 * indexedafter + 2);
        if (vars[j].k == VINDEXED) indexedafter++;
    }
    if (indexedafter) code(p, CREATE_U(OP_POP, 2 * indexedafter), -2 * indexedafter);
}

void exprstat(Parser* p) {
    ExpDesc v;
    suffixedexp(p, &v);
    if (v.k == VCALL && p->ls->token != '=' && p->ls->token != ',') {
        setcallresults(p, v.info, 0);
        return;
    }
    if (p->ls->token != '=' && p->ls->token != ',') error(p, "syntax error");
    assignment(p, &v);
}

void whilestat(Parser* p, int line) {
    int start = getlabel(p);
    nexttoken(p);
    int exitj = cond(p);
    check(p, TK_DO);
    block(p);
    check_match(p, TK_END, TK_WHILE, line);
    // a body ending in `i = i + k` takes the jump back itself
    uint32_t& last = p->fs->f->code.back();
    if (GET_OP(last) == OP_INCLOCAL || GET_OP(last) == OP_DECLOCAL)
        last = CREATE_AB(GET_OP(last) == OP_INCLOCAL ? OP_INCLOCALJMP : OP_DECLOCALJMP, GET_A(last),
                         GET_B(last));
    jumpback(p, OP_JMP, start, 0);
    fixjump(p, exitj, getlabel(p));
}

void repeatstat(Parser* p, int line) {
    int start = getlabel(p);
    nexttoken(p);
    block(p);
    check_match(p, TK_UNTIL, TK_REPEAT, line);
    int j = cond(p);
    fixjump(p, j, start);
}

void ifstat(Parser* p, int line) {
    LexState* ls = p->ls;
    std::vector<int> exits;
    nexttoken(p);
    int falsej = cond(p);
    check(p, TK_THEN);
    block(p);
    while (ls->token == TK_ELSEIF) {
        exits.push_back(emitjump(p, OP_JMP, 0));
        fixjump(p, falsej, getlabel(p));
        nexttoken(p);
        falsej = cond(p);
        check(p, TK_THEN);
        block(p);
    }
    if (ls->token == TK_ELSE) {
        exits.push_back(emitjump(p, OP_JMP, 0));
        fixjump(p, falsej, getlabel(p));
        nexttoken(p);
        block(p);
    } else {
        fixjump(p, falsej, getlabel(p));
    }
    check_match(p, TK_END, TK_IF, line);
    int end = getlabel(p);
    for (int j : exits)
        fixjump(p, j, end);
}

void funcstat(Parser* p, int line) {
    LexState* ls = p->ls;
    nexttoken(p);
    ExpDesc v;
    singlevar(p, checkname(p), &v);
    bool needself = false;
    if (ls->token == '.' || ls->token == ':') {
        needself = ls->token == ':';
        nexttoken(p);
        discharge(p, &v);
        code(p, CREATE_U(OP_PUSHSTR, stringconst(p, checkname(p))), 1);
        body(p, needself, line);
        code(p, OP_SETTABLEPOP, -3);
        return;
    }
    body(p, false, line);
    storevar(p, &v, 0);
}

void retstat(Parser* p) {
    LexState* ls = p->ls;
    nexttoken(p);
    int base = p->fs->stacklevel;
    switch (ls->token) {
        case TK_EOS:
        case TK_END:
        case TK_ELSE:
        case TK_ELSEIF:
        case TK_UNTIL:
        case ';': break;
        default: {
            ExpDesc e;
            explist1(p, &e);
            if (e.k == VCALL)
                setcallresults(p, e.info, MULT_RET);
            else
                discharge(p, &e);
        }
    }
    code(p, CREATE_U(OP_RETURN, base), 0);
    p->fs->stacklevel = base;
    optional(p, ';');
}

bool statement(Parser* p) {
    LexState* ls = p->ls;
    int line = ls->linenumber;
    switch (ls->token) {
        case TK_IF: ifstat(p, line); return true;
        case TK_WHILE: whilestat(p, line); return true;
        case TK_DO: {
            nexttoken(p);
            block(p);
            check_match(p, TK_END, TK_DO, line);
            return true;
        }
        case TK_REPEAT: repeatstat(p, line); return true;
        case TK_FUNCTION:
            if (p->fs->prev != nullptr) return false; // only the main code defines functions
            funcstat(p, line);
            return true;
        case TK_LOCAL: localstat(p); return true;
        case TK_NAME:
        case '%': exprstat(p); return true;
        case TK_RETURN:
        case ';':
        case TK_ELSE:
        case TK_ELSEIF:
        case TK_END:
        case TK_UNTIL:
        case TK_EOS: return false;
        default: error(p, "unexpected token");
    }
}

void chunk(Parser* p) {
    for (;;) {
        // instructions of a statement carry the line where it starts; the
        // end of the input starts none, so the closing return keeps the
        // line of the last statement
        if (p->ls->token != TK_EOS) p->ls->lastline = p->ls->linenumber;
        if (p->ls->token == TK_RETURN) {
            retstat(p);
            return;
        }
        if (!statement(p)) return;
        optional(p, ';');
    }
}

void block(Parser* p) {
    FuncState* fs = p->fs;
    int nact = fs->nactloc;
    enternesting(p);
    chunk(p);
    int level = fs->stacklevel;
    if (level > nact) code(p, CREATE_U(OP_POP, level - nact), nact - level);
    fs->stacklevel = nact;
    removelocals(p, nact);
    p->nesting--;
}

void openfunc(Parser* p, FuncState* fs, std::unordered_map<TString*, int>* strk,
              std::unordered_map<double, int>* numk) {
    Proto* f = newproto(p->ls->L);
    f->source = p->ls->source;
    fs->f = f;
    fs->prev = p->fs;
    fs->ls = p->ls;
    fs->stacklevel = 0;
    fs->nactloc = 0;
    fs->nupvalues = 0;
    fs->lasttarget = 0;
    fs->strk = strk;
    fs->numk = numk;
    p->fs = fs;
}

void closefunc(Parser* p) {
    FuncState* fs = p->fs;
    code(p, CREATE_U(OP_RETURN, fs->stacklevel), 0);
    removelocals(p, 0);
    fs->f->nups = fs->nupvalues;
    fs->f->maxstack += kStackExtra;
    fs->f->callframe = fs->f->isvararg ? kNoCallFrame : fs->f->maxstack + 1;
    p->fs = fs->prev;
}

void body(Parser* p, bool needself, int line) {
    LexState* ls = p->ls;
    enternesting(p);
    int statline = ls->lastline;
    FuncState nfs;
    std::unordered_map<TString*, int> strk;
    std::unordered_map<double, int> numk;
    openfunc(p, &nfs, &strk, &numk);
    nfs.f->linedefined = line;
    int nparams = 0;
    if (needself) addlocal(p, p->ls->L->s_self, nparams++);
    check(p, '(');
    if (ls->token != ')') {
        for (;;) {
            if (ls->token == TK_DOTS) {
                nexttoken(p);
                nfs.f->isvararg = true;
                break;
            }
            if (ls->token != TK_NAME) error(p, "NAME or `...' expected");
            if (nparams >= kMaxParams) error(p, "too many parameters (limit=100)");
            addlocal(p, checkname(p), nparams++);
            if (ls->token != ',') break;
            nexttoken(p);
        }
    }
    nfs.f->numparams = nparams;
    if (nfs.f->isvararg) addlocal(p, p->ls->L->s_arg, nparams);
    int nlocals = nparams + (nfs.f->isvararg ? 1 : 0);
    activatelocals(p, nlocals);
    nfs.stacklevel = nlocals;
    nfs.f->maxstack = nlocals;
    check(p, ')');
    chunk(p);
    check_match(p, TK_END, TK_FUNCTION, line);
    closefunc(p);
    ls->lastline = statline;
    // the enclosing function pushes the upvalues, then makes the closure
    Proto* f = nfs.f;
    FuncState* fs = p->fs;
    for (int i = 0; i < nfs.nupvalues; i++) {
        const UpvalDesc& d = nfs.upvalues[i];
        if (d.local)
            code(p, CREATE_U(OP_PUSHLOCAL, d.info), 1);
        else
            code(p, CREATE_U(OP_GETGLOBAL, stringconst(p, d.name)), 1);
    }
    fs->f->p.push_back(f);
    uint32_t idx = static_cast<uint32_t>(fs->f->p.size() - 1);
    if (idx > 0xFFFF) error(p, "function/expression too complex");
    code(p, CREATE_AB(OP_CLOSURE, idx, static_cast<uint32_t>(nfs.nupvalues)), 1 - nfs.nupvalues);
    p->nesting--;
}

} // namespace

Proto* parse(lua_State* L, ZIO* z, TString* source) {
    LexState ls;
    lexsetinput(&ls, L, z, source);
    Parser p;
    p.ls = &ls;
    p.fs = nullptr;
    p.haslook = false;
    p.nesting = 0;
    FuncState fs;
    std::unordered_map<TString*, int> strk;
    std::unordered_map<double, int> numk;
    openfunc(&p, &fs, &strk, &numk);
    fs.f->linedefined = 0;
    nexttoken(&p);
    chunk(&p);
    if (ls.token != TK_EOS) error(&p, "<eof> expected");
    closefunc(&p);
    return fs.f;
}

} // namespace lua32
