// The parser's shared state, and the code generator the grammar drives.
#pragma once

#include <string>
#include <unordered_map>

#include "lex.h"
#include "opcodes.h"

namespace lua32 {

constexpr int kMaxLocals = 200;
constexpr int kMaxParams = 100;
constexpr int kMaxUpvalues = 32;
constexpr int kMaxVars = 100;
constexpr int kMaxStack = 4000;
constexpr int kMaxConstants = 1 << 23;
constexpr int kMaxNesting = 6000;

enum ExpKind { VGLOBAL, VLOCAL, VINDEXED, VDOT, VEXP, VCALL };

struct ExpDesc {
    ExpKind k;
    int info; // local slot, constant index, or pc of the call
};

struct UpvalDesc {
    bool local; // a local of the parent; else a global of that name
    int info;   // parent's local slot, or constant index (in the parent) of the name
    TString* name;
};

struct FuncState {
    Proto* f;
    FuncState* prev;
    LexState* ls;
    int stacklevel;
    int nactloc;
    TString* locnames[kMaxLocals];
    int locvaridx[kMaxLocals]; // index into f->locvars, -1 without debug
    int nupvalues;
    UpvalDesc upvalues[kMaxUpvalues];
    int lasttarget;
    std::unordered_map<TString*, int>* strk;
    std::unordered_map<double, int>* numk;
};

struct Parser {
    LexState* ls;
    FuncState* fs;
    // one token of look-ahead
    bool haslook;
    int looktoken;
    double looknum;
    TString* lookstr;
    std::string lookbuff;
    int nesting;
};

void nexttoken(Parser* p);
int peek(Parser* p);
[[noreturn]] void error(Parser* p, const char* msg);
[[noreturn]] void error_expected(Parser* p, int token);
void check(Parser* p, int c);
bool optional(Parser* p, int c);
void check_match(Parser* p, int what, int who, int where);
TString* checkname(Parser* p);
int code(Parser* p, uint32_t i, int delta);
int pc(Parser* p);
int getlabel(Parser* p);
void fixjump(Parser* p, int at, int dest);
int emitjump(Parser* p, OpCode op, int delta);
void jumpback(Parser* p, OpCode op, int dest, int delta);
int stringconst(Parser* p, TString* s);
void pushnumber(Parser* p, double n);
void setcallresults(Parser* p, int callpc, int nresults);
void discharge(Parser* p, ExpDesc* e);
void adjustlist(Parser* p, ExpDesc* last, int nexps, int needed);
void addlocal(Parser* p, TString* name, int n);
void activatelocals(Parser* p, int n);
void removelocals(Parser* p, int tolevel);
int findlocal(FuncState* fs, TString* name);
void singlevar(Parser* p, TString* name, ExpDesc* e);
void pushupvalue(Parser* p, TString* name);

} // namespace lua32
