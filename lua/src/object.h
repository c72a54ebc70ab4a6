// Values and the collectable objects of the interpreter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lua.h"

namespace lua32 {

enum Type : uint8_t { T_NIL, T_NUMBER, T_STRING, T_TABLE, T_LFUNC, T_CFUNC, T_USERDATA, T_PROTO };

// Predefined tags; newtag hands out -7, -8, ...
enum : int {
    TAG_USERDATA = 0,
    TAG_NUMBER = -1,
    TAG_STRING = -2,
    TAG_TABLE = -3,
    TAG_LFUNC = -4,
    TAG_CFUNC = -5,
    TAG_NIL = -6,
    TAG_FIRSTNEW = -7
};

struct GCObject {
    GCObject* gcnext;
    uint8_t gctype;
    uint8_t marked;
};

struct TString;
struct Table;
struct LClosure;
struct CClosure;
struct Udata;
struct Proto;

union Value {
    double n;
    GCObject* gc;
    TString* s;
    Table* h;
    LClosure* l;
    CClosure* c;
    Udata* u;
};

struct TObject {
    Type tt;
    Value v;
};

inline void setnil(TObject* o) {
    o->tt = T_NIL;
}
inline void setnum(TObject* o, double n) {
    o->tt = T_NUMBER;
    o->v.n = n;
}
inline void setstr(TObject* o, TString* s) {
    o->tt = T_STRING;
    o->v.s = s;
}
inline void settab(TObject* o, Table* h) {
    o->tt = T_TABLE;
    o->v.h = h;
}
// Copies a value field by field. The VM's arithmetic rewrites only the
// number of a slot; a whole-object copy of it just after would load 16
// bytes across that 8-byte store, which the processor cannot forward.
inline void setobj(TObject* d, const TObject* s) {
    d->tt = s->tt;
    d->v = s->v;
}
inline bool iscollectable(const TObject* o) {
    return o->tt >= T_STRING;
}

// Numbers within this distance are one value: scripts compare computed
// positions and scales with ==, so exact equality would surprise them.
// Identical values are equal first: the difference of two like infinities
// is NaN, which would make an infinity unequal to itself and lose it as a key.
constexpr double kNumEqTolerance = 0.00001;
inline bool numeq(double a, double b) {
    if (a == b) return true;
    double d = a - b;
    return (d < 0 ? -d : d) < kNumEqTolerance;
}

struct TString : GCObject {
    uint32_t hash;
    uint8_t reserved; // lexer: 1 + index of the keyword, 0 otherwise
    int32_t gidx;     // slot in the global-name list, -1 when never global
    size_t len;
    TString* hnext;
    TObject gval; // the global variable of this name
    char data[1];
};

// The key is kept as its parts, in the value's padding, so that a node
// takes 32 bytes.
struct Node {
    TObject val;
    Value keyv;
    Type keytt;
    int32_t next; // index of next node in the chain, -1 at the end
};

static_assert(sizeof(Node) == 32);

inline TObject nodekey(const Node* n) {
    TObject k;
    k.tt = n->keytt;
    k.v = n->keyv;
    return k;
}
inline void setnodekey(Node* n, const TObject* k) {
    n->keytt = k->tt;
    n->keyv = k->v;
}

struct Table : GCObject {
    int32_t htag;
    uint32_t asize; // array part holds keys 1..asize
    TObject* arr;
    Node* node;
    uint32_t nodesize; // power of two, or 0 (dummy)
    uint32_t lastfree;
    int32_t nfrac; // non-integral number keys in the hash part
    // The growth plan: each new integer key up to `growlimit`, in either
    // part, counts `growneed` down; at 0 an array of `growlimit` is
    // justified and the table is rehashed (limit 0: no plan).
    uint32_t growlimit;
    uint32_t growneed;
};

struct LocVar {
    TString* name;
    int startpc;
    int endpc;
};

struct Proto : GCObject {
    // what a call reads first, together in the first cache line
    int numparams;
    bool isvararg;
    int maxstack;
    // The stack a call from the VM needs above the function's slot
    // (maxstack + 1); past any stack for a vararg function, whose call takes
    // the general path.
    int callframe;
    std::vector<uint32_t> code;
    std::vector<TObject> k;
    std::vector<Proto*> p;
    std::vector<int> lineinfo; // empty without debug information
    std::vector<LocVar> locvars;
    TString* source;
    int linedefined;
    int nups;
    LClosure* cache; // the one closure of a function without upvalues
};

struct LClosure : GCObject {
    Proto* p;
    // the prototype's fields a call reads, one load nearer
    const uint32_t* code;
    const TObject* k;
    int numparams;
    int callframe;
    int nup;
    TObject up[1];
};

struct CClosure : GCObject {
    lua_CFunction f;
    int nup;
    TObject up[1];
};

struct Udata : GCObject {
    void* p;
    int tag;
    bool finalized;
};

} // namespace lua32
