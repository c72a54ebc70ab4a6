// The interpreter state and the declarations shared by the core's files.
#pragma once

#include <unordered_map>
#include <vector>

#include "luadebug.h"
#include "object.h"

namespace lua32 {

using StkId = TObject*;

enum Event : int {
    EV_GETTABLE,
    EV_SETTABLE,
    EV_INDEX,
    EV_GETGLOBAL,
    EV_SETGLOBAL,
    EV_ADD,
    EV_SUB,
    EV_MUL,
    EV_DIV,
    EV_POW,
    EV_UNM,
    EV_LT,
    EV_LE,
    EV_GT,
    EV_GE,
    EV_CONCAT,
    EV_GC,
    EV_FUNCTION,
    EV_COUNT
};
extern const char* const kEventNames[EV_COUNT];

constexpr int MULT_RET = 255; // "all results" in a call

struct CallInfo {
    StkId func;
    StkId base;
    const uint32_t* savedpc; // Lua functions: next instruction
    int nresults;
    bool fresh; // entered from C: its return leaves the VM loop
    int lastline;
};

// The C side of one activation: lua2C values and the slots above `base`
// that hold values pushed but not yet consumed (C2lua).
struct CStack {
    int base;
    int lua2C;
    int num;
};

struct Ref {
    TObject o;
    int status; // REF_FREE, REF_LOCK, REF_HOLD, REF_COLLECTED
};
enum { REF_FREE, REF_LOCK, REF_HOLD, REF_COLLECTED };

struct LuaError {
    int status;
};

} // namespace lua32

struct lua_State {
    lua32::TObject* stack;
    lua32::TObject* top;
    lua32::TObject* stack_last; // pushing past it is an overflow
    lua32::CallInfo* base_ci;
    lua32::CallInfo* ci;
    lua32::CallInfo* end_ci;
    // end_ci, or base_ci while a call hook is set: below it the VM sets up a
    // call to a Lua function itself (settrap keeps it up to date)
    lua32::CallInfo* quickcall_end;
    lua32::CStack Cstack;
    std::vector<lua32::CStack> Cblocks;
    size_t blockfloor; // blocks below it belong to an outer C context

    // collector
    lua32::GCObject* rootgc;
    size_t nobjects;
    size_t gcthreshold;
    size_t gcbytethreshold; // big strings and tables also bring the next cycle nearer
    size_t totalbytes;
    size_t memlimit;
    bool gcrunning;

    // interned strings
    lua32::TString** strt;
    uint32_t strsize;
    uint32_t strnuse;

    // globals: names that ever held a value, in a stable order for nextvar
    std::vector<lua32::TString*> globals;
    std::vector<int32_t> freeglobals;

    // tag methods: index 0 is tag 0, index i > 0 is tag -i
    std::vector<lua32::TObject> tms; // (ntags) * EV_COUNT
    int ntags;                       // valid tag indexes are 0 .. ntags-1

    std::vector<lua32::Ref> refs;
    std::vector<int> freerefs;

    std::unordered_multimap<void*, lua32::Udata*> udata; // interned by (pointer, tag)
    std::unordered_map<void*, lua32::CClosure*> cfuncs;

    int errorJmp;         // open protected calls
    uintptr_t cstackbase; // C stack position at the outermost protected call
    int nCcalls;          // nested C-level calls into the interpreter
    bool inhandler;       // running _ERRORMESSAGE: errors inside it are silent
    bool inhook;
    int debug;
    lua_CHFunction callhook;
    lua_LHFunction linehook;
    long budget;
    long budgetleft;
    bool trap; // a line hook or an instruction budget: the VM checks each step

    lua32::TString* s_errormessage;
    lua32::TString* s_alert;
    lua32::TString* s_n;
    lua32::TString* s_arg;
    lua32::TString* s_self;
    lua32::TString* s_tostring;
};

namespace lua32 {

constexpr int kStackSize = 250000;
constexpr int kMaxCalls = 12000;
// Nested calls through C (a C function calling Lua, `call`, tag methods): a
// level of script recursion through `call` or a host command takes two. The
// limit is the same in every build; the C-stack budget below is the guard
// for hosts whose frames are larger.
constexpr int kMaxCcalls = 4000;
constexpr int kMaxBlocks = 100000;
constexpr int kStackExtra = 8;               // slack above a frame's stated size
constexpr int kNoCallFrame = 2 * kStackSize; // a Proto's callframe that no stack holds
// C stack the interpreter may use below its outermost protected call:
// recursion through C (calls from C, tag methods, the parser) stops there
// with an error instead of overflowing the machine stack.
// Sanitizer builds use two to three times the stack per C frame, so they
// get twice the room to accept the same programs (the machine stack is 8 MB).
#if defined(__SANITIZE_ADDRESS__)
#define LUA32_FAT_FRAMES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUA32_FAT_FRAMES 1
#endif
#endif
#ifdef LUA32_FAT_FRAMES
constexpr long kCStackLimit = 6L << 20;
#else
constexpr long kCStackLimit = 3L << 20;
#endif
constexpr size_t kDefaultMemLimit = size_t(1) << 30;

inline uintptr_t cstackposition() {
#if defined(__GNUC__)
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
#else
    volatile char marker = 0;
    return reinterpret_cast<uintptr_t>(&marker);
#endif
}

inline bool cstackexhausted(const lua_State* L) {
    if (L->cstackbase == 0) return false;
    long used = static_cast<long>(L->cstackbase - cstackposition());
    return used > kCStackLimit || used < -kCStackLimit;
}

// memory
void* lmalloc(lua_State* L, size_t n);
void lfree(lua_State* L, void* p, size_t n);
void* lrealloc(lua_State* L, void* p, size_t oldn, size_t newn);
[[noreturn]] void memerror(lua_State* L);

// errors
[[noreturn]] void runerror(lua_State* L, const char* msg);
[[noreturn]] void throwsilent(lua_State* L);
void callerrorhandler(lua_State* L, const char* msg);
void alert(lua_State* L, const char* msg);

// strings
TString* newlstr(lua_State* L, const char* s, size_t len);
TString* newstr(lua_State* L, const char* s);
// A string built in place: allocstr gives room for `len` bytes, internstr
// makes it a value (returning the existing equal string if there is one).
TString* allocstr(lua_State* L, size_t len);
TString* internstr(lua_State* L, TString* fresh);
void freestr(lua_State* L, TString* s);
void resizestrings(lua_State* L, uint32_t newsize);
void shrinkstrings(lua_State* L); // never fails
bool str2number(const char* s, size_t len, double* out);
void number2str(double n, char* buf);    // buf >= 32 bytes
bool tostring(lua_State* L, TObject* o); // numbers become strings in place
int strcompare(const TString* a, const TString* b);
void setglobal_raw(lua_State* L, TString* name, const TObject* v);
TString* getfnname(lua_State* L, const TObject* f);

// tables
Table* newtable(lua_State* L, uint32_t narr, uint32_t nhash);
void freetable(lua_State* L, Table* t);
const TObject* tget(const Table* t, const TObject* key);
const TObject* tgetnum(const Table* t, double n);
const TObject* tgetstr(const Table* t, TString* s);
TObject* tset(lua_State* L, Table* t, const TObject* key); // key must not be nil
void tsetnum(lua_State* L, Table* t, double n, const TObject* v);
// next entry after `key` (nil: the first): 1 found, 0 at the end, -1 key not found
int tnext(const Table* t, TObject* key, TObject* val);
double tgetn(lua_State* L, const Table* t);
// traversal by position for lua_next: 0 starts, returns next position or 0
uint32_t tnextpos(const Table* t, uint32_t pos, TObject* key, TObject* val);

// objects
bool rawequal(const TObject* a, const TObject* b);
int tagof(lua_State* L, const TObject* o);
const char* typename_of(const TObject* o);
LClosure* newlclosure(lua_State* L, Proto* p, int nup);
CClosure* newcclosure(lua_State* L, lua_CFunction f, int nup);
Udata* pushudata(lua_State* L, void* p, int tag);
Proto* newproto(lua_State* L);
void linkobj(lua_State* L, GCObject* o, Type t);
void fixobject(GCObject* o); // never collected

// collector
void checkGC(lua_State* L);
long collectgarbage(lua_State* L, long limit);
void freeall(lua_State* L);
void closestate(lua_State* L); // lua_close's finalization

// tag methods
void inittags(lua_State* L);
int newtag(lua_State* L);
bool validtag(lua_State* L, int tag);
inline int tagindex(int tag) {
    return tag == 0 ? 0 : -tag;
}
const TObject* gettm(lua_State* L, int tag, Event e); // nullptr when none
const TObject* gettmbyobj(lua_State* L, const TObject* o, Event e);
void settagmethod(lua_State* L, int tag, const char* event, TObject* func, TObject* old);
void gettagmethod(lua_State* L, int tag, const char* event, TObject* out);
void checktag(lua_State* L, int tag);
void copytagmethods(lua_State* L, int to, int from);
int findevent(lua_State* L, const char* name);

// calls
void call(lua_State* L, StkId func, int nresults);
CallInfo* precallLua(lua_State* L, StkId func, int nresults);
void moveresults(lua_State* L, StkId res, StkId from, int n, int wanted);
void settrap(lua_State* L);
void callTM(lua_State* L, const TObject* f, int nargs, const TObject* args, TObject* res);
void checkstack(lua_State* L, int n);
void adjusttop(lua_State* L, StkId newtop);
// Runs `f` protected; on error the handler has run, the stack is restored
// and 1 is returned.
template <class F> int protectedrun(lua_State* L, F&& f);
void runchunk(lua_State* L, Proto* p);
int takeresults(lua_State* L, StkId base, int status);
int dobuffer(lua_State* L, const char* buff, size_t size, TString* source);
int dofile(lua_State* L, const char* filename);
void execute(lua_State* L);

// semantics used by the VM and the API
void gettable(lua_State* L, const TObject* t, const TObject* k, TObject* res);
void settable(lua_State* L, const TObject* t, const TObject* k, const TObject* v);
void getglobal(lua_State* L, TString* name, TObject* res);
void setglobal(lua_State* L, TString* name, const TObject* v);
void rawgettable(lua_State* L, const TObject* t, const TObject* k, TObject* res);
void rawsettable(lua_State* L, const TObject* t, const TObject* k, const TObject* v);
bool lessthan(lua_State* L, const TObject* a, const TObject* b, Event e, TObject* res);
void arith(lua_State* L, const TObject* a, const TObject* b, Event e, TObject* res);
void concat(lua_State* L, int n, StkId top); // joins top-n .. top-1 into top-n

// parser
struct ZIO {
    const char* p;
    size_t n;
};
Proto* parse(lua_State* L, ZIO* z, TString* source);

// the C interface's handles: the slot a handle names (nullptr for none),
// and a value given to C as a new handle
StkId objectof(lua_State* L, lua_Object o);
lua_Object putobject(lua_State* L, const TObject* o);

// the built-in functions, registered as globals
void builtinopen(lua_State* L);

// debug
int currentline(lua_State* L, const CallInfo* ci);
void linehook(lua_State* L, int line);
void callhook(lua_State* L, StkId func, bool entering);

} // namespace lua32
