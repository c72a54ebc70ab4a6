// Tags and the tag methods stored per (tag, event).
#include <cstdio>
#include <cstring>
#include <string>

#include "state.h"

namespace lua32 {

const char* const kEventNames[EV_COUNT] = {
    "gettable", "settable", "index", "getglobal", "setglobal", "add", "sub",    "mul", "div",
    "pow",      "unm",      "lt",    "le",        "gt",        "ge",  "concat", "gc",  "function"};

namespace {

constexpr int kPredefined = 7; // tags 0, -1 .. -6

constexpr uint32_t bit(Event e) {
    return 1u << e;
}
constexpr uint32_t kArith = bit(EV_ADD) | bit(EV_SUB) | bit(EV_MUL) | bit(EV_DIV) | bit(EV_UNM) |
                            bit(EV_LT) | bit(EV_LE) | bit(EV_GT) | bit(EV_GE) | bit(EV_CONCAT);
constexpr uint32_t kAll = (1u << EV_COUNT) - 1;

// Which events each predefined tag accepts, by tag index.
constexpr uint32_t kAllowed[kPredefined] = {
    /* userdata */ kArith | bit(EV_POW) | bit(EV_GETTABLE) | bit(EV_SETTABLE) | bit(EV_FUNCTION),
    /* number */ bit(EV_POW) | bit(EV_GETTABLE) | bit(EV_SETTABLE) | bit(EV_FUNCTION),
    /* string */ bit(EV_GETTABLE) | bit(EV_SETTABLE) | bit(EV_FUNCTION),
    /* table */ kArith | bit(EV_POW) | bit(EV_INDEX) | bit(EV_FUNCTION) | bit(EV_GC),
    /* Lua function */ kArith | bit(EV_POW) | bit(EV_GETTABLE) | bit(EV_SETTABLE) |
        bit(EV_SETGLOBAL),
    /* C function */ kArith | bit(EV_POW) | bit(EV_GETTABLE) | bit(EV_SETTABLE) | bit(EV_SETGLOBAL),
    /* nil */ kAll,
};

const char* const kTypeOfTag[kPredefined] = {"userdata", "number",   "string", "table",
                                             "function", "function", "nil"};

} // namespace

void inittags(lua_State* L) {
    L->ntags = kPredefined;
    L->tms.assign(static_cast<size_t>(kPredefined) * EV_COUNT, TObject{T_NIL, {0}});
}

int newtag(lua_State* L) {
    if (L->ntags >= 1000000) runerror(L, "too many tags");
    L->tms.resize(L->tms.size() + EV_COUNT, TObject{T_NIL, {0}});
    return -(L->ntags++);
}

bool validtag(lua_State* L, int tag) {
    return tag == 0 || (tag < 0 && tag > -L->ntags); // no negation: INT_MIN has none
}

void checktag(lua_State* L, int tag) {
    if (!validtag(L, tag)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%d is not a valid tag", tag);
        runerror(L, buf);
    }
}

int tagof(lua_State* L, const TObject* o) {
    switch (o->tt) {
        case T_NUMBER: return TAG_NUMBER;
        case T_STRING: return TAG_STRING;
        case T_TABLE: return o->v.h->htag;
        case T_LFUNC: return TAG_LFUNC;
        case T_CFUNC: return TAG_CFUNC;
        case T_USERDATA: {
            int t = o->v.u->tag;
            return validtag(L, t) ? t : TAG_USERDATA;
        }
        default: return TAG_NIL;
    }
}

const TObject* gettm(lua_State* L, int tag, Event e) {
    const TObject* tm = &L->tms[static_cast<size_t>(tagindex(tag)) * EV_COUNT + e];
    return tm->tt == T_NIL ? nullptr : tm;
}

const TObject* gettmbyobj(lua_State* L, const TObject* o, Event e) {
    return gettm(L, tagof(L, o), e);
}

int findevent(lua_State* L, const char* name) {
    for (int i = 0; i < EV_COUNT; i++)
        if (std::strcmp(name, kEventNames[i]) == 0) return i;
    std::string m = std::string("`") + name + "' is not a valid event name";
    runerror(L, m.c_str());
}

void gettagmethod(lua_State* L, int tag, const char* event, TObject* out) {
    int e = findevent(L, event);
    checktag(L, tag);
    *out = L->tms[static_cast<size_t>(tagindex(tag)) * EV_COUNT + e];
}

void settagmethod(lua_State* L, int tag, const char* event, TObject* func, TObject* old) {
    int e = findevent(L, event);
    checktag(L, tag);
    int idx = tagindex(tag);
    if (idx < kPredefined && !(kAllowed[idx] & (1u << e))) {
        std::string m = std::string("cannot change tag method `") + kEventNames[e] +
                        "' for type `" + kTypeOfTag[idx] + "'" +
                        ((tag == TAG_TABLE || tag == TAG_USERDATA) ? " with default tag" : "");
        runerror(L, m.c_str());
    }
    TObject* slot = &L->tms[static_cast<size_t>(idx) * EV_COUNT + e];
    TObject prev = *slot;
    *slot = *func;
    *old = prev;
}

void copytagmethods(lua_State* L, int to, int from) {
    checktag(L, to);
    checktag(L, from);
    size_t t = static_cast<size_t>(tagindex(to)) * EV_COUNT;
    size_t f = static_cast<size_t>(tagindex(from)) * EV_COUNT;
    for (int e = 0; e < EV_COUNT; e++)
        L->tms[t + e] = L->tms[f + e];
}

} // namespace lua32
