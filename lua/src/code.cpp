// Code generation: instructions, constants, jumps, locals and upvalues,
// and the token stream the grammar reads.
#include <cmath>
#include <cstring>

#include "parser.h"

namespace lua32 {

// ---------------------------------------------------------------- tokens

void nexttoken(Parser* p) {
    LexState* ls = p->ls;
    if (p->haslook) {
        p->haslook = false;
        ls->token = p->looktoken;
        ls->numval = p->looknum;
        ls->strval = p->lookstr;
        ls->buff = p->lookbuff;
    } else {
        ls->token = lex(ls);
    }
}

int peek(Parser* p) {
    LexState* ls = p->ls;
    if (!p->haslook) {
        int tok = ls->token;
        double num = ls->numval;
        TString* str = ls->strval;
        std::string buff = ls->buff;
        p->looktoken = lex(ls);
        p->looknum = ls->numval;
        p->lookstr = ls->strval;
        p->lookbuff = ls->buff;
        p->haslook = true;
        ls->token = tok;
        ls->numval = num;
        ls->strval = str;
        ls->buff = buff;
    }
    return p->looktoken;
}

[[noreturn]] void error(Parser* p, const char* msg) {
    syntaxerror(p->ls, msg);
}

[[noreturn]] void error_expected(Parser* p, int token) {
    std::string m = "`" + token2str(token) + "' expected";
    error(p, m.c_str());
}

void check(Parser* p, int c) {
    if (p->ls->token != c) error_expected(p, c);
    nexttoken(p);
}

bool optional(Parser* p, int c) {
    if (p->ls->token != c) return false;
    nexttoken(p);
    return true;
}

void check_match(Parser* p, int what, int who, int where) {
    if (p->ls->token != what) {
        if (where == p->ls->linenumber) error_expected(p, what);
        std::string m = "`" + token2str(what) + "' expected (to close `" + token2str(who) +
                        "' at line " + std::to_string(where) + ")";
        error(p, m.c_str());
    }
    nexttoken(p);
}

TString* checkname(Parser* p) {
    if (p->ls->token != TK_NAME) error_expected(p, TK_NAME);
    TString* ts = p->ls->strval;
    nexttoken(p);
    return ts;
}

// ---------------------------------------------------------------- code

int code(Parser* p, uint32_t i, int delta) {
    FuncState* fs = p->fs;
    Proto* f = fs->f;
    f->code.push_back(i);
    if (fs->ls->debug) f->lineinfo.resize(f->code.size(), fs->ls->lastline);
    fs->stacklevel += delta;
    if (fs->stacklevel > f->maxstack) {
        if (fs->stacklevel > kMaxStack) error(p, "function/expression too complex");
        f->maxstack = fs->stacklevel;
    }
    return static_cast<int>(f->code.size()) - 1;
}

int pc(Parser* p) {
    return static_cast<int>(p->fs->f->code.size());
}

int getlabel(Parser* p) {
    p->fs->lasttarget = pc(p);
    return pc(p);
}

void fixjump(Parser* p, int at, int dest) {
    uint32_t& i = p->fs->f->code[at];
    i = CREATE_S(GET_OP(i), dest - (at + 1));
}

int emitjump(Parser* p, OpCode op, int delta) {
    return code(p, CREATE_S(op, 0), delta);
}

void jumpback(Parser* p, OpCode op, int dest, int delta) {
    code(p, CREATE_S(op, dest - (pc(p) + 1)), delta);
}

int stringconst(Parser* p, TString* s) {
    FuncState* fs = p->fs;
    auto it = fs->strk->find(s);
    if (it != fs->strk->end()) return it->second;
    int n = static_cast<int>(fs->f->k.size());
    if (n >= kMaxConstants) error(p, "function/expression too complex");
    TObject o;
    setstr(&o, s);
    fs->f->k.push_back(o);
    (*fs->strk)[s] = n;
    return n;
}

void pushnumber(Parser* p, double n) {
    if (n > -1000000 && n < 1000000 && n == static_cast<int>(n) && !(n == 0 && std::signbit(n))) {
        code(p, CREATE_S(OP_PUSHINT, static_cast<int>(n)), 1);
        return;
    }
    FuncState* fs = p->fs;
    int idx;
    auto it = fs->numk->find(n);
    if (it != fs->numk->end() && n == n) {
        idx = it->second;
    } else {
        idx = static_cast<int>(fs->f->k.size());
        if (idx >= kMaxConstants) error(p, "function/expression too complex");
        TObject o;
        setnum(&o, n);
        fs->f->k.push_back(o);
        (*fs->numk)[n] = idx;
    }
    code(p, CREATE_U(OP_PUSHNUM, static_cast<uint32_t>(idx)), 1);
}

void setcallresults(Parser* p, int callpc, int nresults) {
    uint32_t& i = p->fs->f->code[callpc];
    i = CREATE_AB(OP_CALL, GET_A(i), static_cast<uint32_t>(nresults));
    if (nresults != MULT_RET) {
        p->fs->stacklevel += nresults;
        if (p->fs->stacklevel > p->fs->f->maxstack) p->fs->f->maxstack = p->fs->stacklevel;
    }
}

namespace {

// t[k] with both pushed from locals: one instruction instead of three.
bool getlocals(Parser* p) {
    FuncState* fs = p->fs;
    std::vector<uint32_t>& c = fs->f->code;
    int n = pc(p);
    if (n < 2 || fs->lasttarget > n - 2) return false;
    uint32_t t = c[n - 2], k = c[n - 1];
    if (GET_OP(t) != OP_PUSHLOCAL || GET_OP(k) != OP_PUSHLOCAL) return false;
    if (GET_U(t) > 0xFFFF || GET_U(k) > 0xFF) return false;
    c.resize(n - 2);
    if (!fs->f->lineinfo.empty()) fs->f->lineinfo.resize(c.size());
    fs->stacklevel -= 2;
    code(p, CREATE_AB(OP_GETLOCALS, GET_U(t), GET_U(k)), 1);
    return true;
}

// t.name for a local t: one instruction instead of two.
bool getlocaldotted(Parser* p, int key) {
    FuncState* fs = p->fs;
    std::vector<uint32_t>& c = fs->f->code;
    int n = pc(p);
    if (n < 1 || fs->lasttarget > n - 1) return false;
    uint32_t t = c[n - 1];
    if (GET_OP(t) != OP_PUSHLOCAL || GET_U(t) > 0xFF || key > 0xFFFF) return false;
    c[n - 1] = CREATE_AB(OP_GETLOCALDOTTED, static_cast<uint32_t>(key), GET_U(t));
    return true;
}

} // namespace

void discharge(Parser* p, ExpDesc* e) {
    switch (e->k) {
        case VLOCAL: code(p, CREATE_U(OP_PUSHLOCAL, e->info), 1); break;
        case VGLOBAL: code(p, CREATE_U(OP_GETGLOBAL, e->info), 1); break;
        case VINDEXED:
            if (!getlocals(p)) code(p, OP_GETTABLE, -1);
            break;
        case VDOT:
            if (!getlocaldotted(p, e->info)) code(p, CREATE_U(OP_GETDOTTED, e->info), 0);
            break;
        case VCALL: setcallresults(p, e->info, 1); break;
        case VEXP: break;
    }
    e->k = VEXP;
}

// An expression list's last element, adjusted so that the list yields
// `needed` values in all (`nexps` expressions were parsed).
void adjustlist(Parser* p, ExpDesc* last, int nexps, int needed) {
    int extra = needed - nexps;
    if (last->k == VCALL) {
        extra++;
        if (extra >= 0) {
            setcallresults(p, last->info, extra);
            return;
        }
        setcallresults(p, last->info, 0);
    } else {
        discharge(p, last);
    }
    if (extra > 0)
        code(p, CREATE_U(OP_PUSHNIL, extra), extra);
    else if (extra < 0)
        code(p, CREATE_U(OP_POP, -extra), extra);
}

// ---------------------------------------------------------------- variables

void addlocal(Parser* p, TString* name, int n) {
    FuncState* fs = p->fs;
    if (fs->nactloc + n >= kMaxLocals) error(p, "too many local variables (limit=200)");
    fs->locnames[fs->nactloc + n] = name;
    fs->locvaridx[fs->nactloc + n] = -1;
}

void activatelocals(Parser* p, int n) {
    FuncState* fs = p->fs;
    for (int i = 0; i < n; i++) {
        int slot = fs->nactloc++;
        if (fs->ls->debug) {
            fs->locvaridx[slot] = static_cast<int>(fs->f->locvars.size());
            fs->f->locvars.push_back({fs->locnames[slot], pc(p), -1});
        }
    }
}

void removelocals(Parser* p, int tolevel) {
    FuncState* fs = p->fs;
    while (fs->nactloc > tolevel) {
        int slot = --fs->nactloc;
        if (fs->locvaridx[slot] < 0) continue;
        LocVar& v = fs->f->locvars[fs->locvaridx[slot]];
        v.endpc = pc(p);
        // the debug interface lists a local from the line after its
        // declaration on, as scripts' debuggers expect
        const std::vector<int>& li = fs->f->lineinfo;
        if (v.startpc > 0 && static_cast<size_t>(v.startpc) <= li.size()) {
            int declline = li[v.startpc - 1];
            while (v.startpc < v.endpc && static_cast<size_t>(v.startpc) < li.size() &&
                   li[v.startpc] == declline)
                v.startpc++;
        }
    }
}

int findlocal(FuncState* fs, TString* name) {
    for (int i = fs->nactloc - 1; i >= 0; i--)
        if (fs->locnames[i] == name) return i;
    return -1;
}

void singlevar(Parser* p, TString* name, ExpDesc* e) {
    FuncState* fs = p->fs;
    int i = findlocal(fs, name);
    if (i >= 0) {
        e->k = VLOCAL;
        e->info = i;
        return;
    }
    for (FuncState* up = fs->prev; up; up = up->prev)
        if (findlocal(up, name) >= 0) error(p, "cannot access a variable in outer scope");
    e->k = VGLOBAL;
    e->info = stringconst(p, name);
}

void pushupvalue(Parser* p, TString* name) {
    FuncState* fs = p->fs;
    if (fs->prev == nullptr) error(p, "cannot access upvalue in main");
    if (findlocal(fs, name) >= 0) error(p, "cannot access an upvalue in current scope");
    UpvalDesc d;
    d.name = name;
    int li = findlocal(fs->prev, name);
    if (li >= 0) {
        d.local = true;
        d.info = li;
    } else {
        for (FuncState* up = fs->prev->prev; up; up = up->prev)
            if (findlocal(up, name) >= 0) error(p, "cannot access a variable in outer scope");
        d.local = false;
        d.info = 0;
    }
    int idx = -1;
    for (int i = 0; i < fs->nupvalues; i++)
        if (fs->upvalues[i].name == name && fs->upvalues[i].local == d.local &&
            fs->upvalues[i].info == d.info)
            idx = i;
    if (idx < 0) {
        if (fs->nupvalues >= kMaxUpvalues) error(p, "too many upvalues (limit=32)");
        idx = fs->nupvalues++;
        fs->upvalues[idx] = d;
    }
    code(p, CREATE_U(OP_PUSHUPVALUE, idx), 1);
}

} // namespace lua32
