// The auxiliary library: argument checks with the standard messages,
// registration of function lists, chunk descriptions and a character buffer.
#include "lauxlib.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "lauxlib_util.h"
#include "luadebug.h"

namespace luaaux {

bool checkSize(size_t size) {
    if (size <= kMaxStringSize) return true;
    // returns only to a host that called outside any protected call
    lua_error("not enough memory");
    return false;
}

} // namespace luaaux

extern "C" {

void luaL_openlib(const struct luaL_reg* l, int n) {
    for (int i = 0; i < n; i++)
        lua_register(l[i].name, l[i].func);
}

void luaL_argerror(int numarg, const char* extramsg) {
    lua_Function f = lua_stackedfunction(0);
    char* funcname = nullptr;
    const char* kind = lua_getobjname(f, &funcname);
    // The Lua caller does not see a closure's upvalues among the arguments.
    numarg -= lua_nups(f);
    if (kind == nullptr || *kind == '\0' || funcname == nullptr) funcname = const_cast<char*>("?");
    char buff[500];
    if (extramsg == nullptr)
        std::snprintf(buff, sizeof buff, "bad argument #%d to function `%.50s'", numarg, funcname);
    else
        std::snprintf(buff, sizeof buff, "bad argument #%d to function `%.50s' (%.200s)", numarg,
                      funcname, extramsg);
    // Inside Lua this does not return. A host that checks arguments outside
    // any protected call gets the report, and the check a neutral value.
    lua_error(buff);
}

char* luaL_check_lstr(int numArg, long* len) {
    lua_Object o = lua_getparam(numArg);
    if (!lua_isstring(o)) {
        luaL_argerror(numArg, "string expected");
        if (len != nullptr) *len = 0;
        return const_cast<char*>("");
    }
    if (len != nullptr) *len = lua_strlen(o);
    return lua_getstring(o);
}

char* luaL_opt_lstr(int numArg, const char* def, long* len) {
    if (lua_getparam(numArg) == LUA_NOOBJECT) {
        if (len != nullptr) *len = def != nullptr ? static_cast<long>(std::strlen(def)) : 0;
        return const_cast<char*>(def);
    }
    return luaL_check_lstr(numArg, len);
}

double luaL_check_number(int numArg) {
    lua_Object o = lua_getparam(numArg);
    if (!lua_isnumber(o)) {
        luaL_argerror(numArg, "number expected");
        return 0;
    }
    return lua_getnumber(o);
}

double luaL_opt_number(int numArg, double def) {
    if (lua_getparam(numArg) == LUA_NOOBJECT) return def;
    return luaL_check_number(numArg);
}

int luaL_castint(double d) {
    return lua32::castint(d);
}

long luaL_castlong(double d) {
    return lua32::castlong(d);
}

lua_Object luaL_functionarg(int arg) {
    lua_Object o = lua_getparam(arg);
    if (!lua_isfunction(o)) {
        luaL_argerror(arg, "function expected");
        return LUA_NOOBJECT;
    }
    return o;
}

lua_Object luaL_tablearg(int arg) {
    lua_Object o = lua_getparam(arg);
    if (!lua_istable(o)) {
        luaL_argerror(arg, "table expected");
        return LUA_NOOBJECT;
    }
    return o;
}

lua_Object luaL_nonnullarg(int numArg) {
    lua_Object o = lua_getparam(numArg);
    if (o == LUA_NOOBJECT) luaL_argerror(numArg, "value expected");
    return o;
}

void luaL_verror(const char* fmt, ...) {
    char buff[500];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buff, sizeof buff, fmt, args);
    va_end(args);
    lua_error(buff); // returns only outside any protected call, after the report
}

int luaL_findstring(const char* name, const char* const list[]) {
    for (int i = 0; list[i] != nullptr; i++)
        if (std::strcmp(list[i], name) == 0) return i;
    return -1;
}

void luaL_chunkid(char* out, const char* source, int len) {
    if (out == nullptr || len <= 0) return;
    if (source == nullptr) source = "?";
    size_t room = static_cast<size_t>(len);
    if (*source == '@') {
        std::snprintf(out, room, "file `%s'", source + 1);
        return;
    }
    if (std::strcmp(source, "(C)") == 0) {
        std::snprintf(out, room, "(C code)");
        return;
    }
    // A string chunk shows its first line, at most 67 characters, and "..."
    // when anything was left out.
    size_t shown = std::strcspn(source, "\n");
    bool cut = source[shown] != '\0';
    constexpr size_t kMaxShown = 67;
    const size_t frame = std::strlen("string `...'") + 1;
    size_t limit = room > frame ? room - frame : 0;
    if (limit > kMaxShown) limit = kMaxShown;
    if (shown > limit) {
        shown = limit;
        cut = true;
    }
    std::snprintf(out, room, "string `%.*s%s'", static_cast<int>(shown), source, cut ? "..." : "");
}

void luaL_filesource(char* out, const char* filename, int len) {
    if (out == nullptr || len <= 0) return;
    std::snprintf(out, static_cast<size_t>(len), "@%s", filename != nullptr ? filename : "(stdin)");
}

} // extern "C"

// ---------------------------------------------------------------------------
// The shared buffer. Nested users (a library function calling Lua that calls
// the library again) save the start of their part with luaL_newbuffer and
// give it back with luaL_oldbuffer.

namespace {

struct Buffer {
    std::vector<char> data = std::vector<char>(256);
    size_t base = 0; // start of the current user's part
    size_t used = 0; // end of the current user's data (absolute)
};

Buffer& buffer() {
    static Buffer b;
    return b;
}

// False (after the memory error was reported) only outside any protected
// call; the buffer is then left as it was.
bool reserve(size_t extra) {
    Buffer& b = buffer();
    if (!luaaux::checkSize(b.used + extra)) return false;
    if (b.used + extra > b.data.size()) {
        size_t want = b.data.size() * 2;
        if (want < b.used + extra) want = b.used + extra;
        b.data.resize(want);
    }
    return true;
}

} // namespace

extern "C" {

char* luaL_openspace(int size) {
    if (!reserve(size > 0 ? static_cast<size_t>(size) : 0)) return nullptr;
    return buffer().data.data() + buffer().used;
}

void luaL_resetbuffer(void) {
    buffer().used = buffer().base;
}

void luaL_addchar(int c) {
    if (!reserve(1)) return;
    Buffer& b = buffer();
    b.data[b.used++] = static_cast<char>(c);
}

int luaL_getsize(void) {
    return static_cast<int>(buffer().used - buffer().base);
}

void luaL_addsize(int n) {
    if (n <= 0) return;
    if (reserve(static_cast<size_t>(n))) buffer().used += static_cast<size_t>(n);
}

int luaL_newbuffer(int size) {
    Buffer& b = buffer();
    int old = static_cast<int>(b.base);
    reserve(size > 0 ? static_cast<size_t>(size) : 0);
    b.base = b.used;
    return old;
}

void luaL_oldbuffer(int old) {
    Buffer& b = buffer();
    b.used = b.base;
    b.base = old >= 0 && static_cast<size_t>(old) <= b.used ? static_cast<size_t>(old) : 0;
}

char* luaL_buffer(void) {
    return buffer().data.data() + buffer().base;
}

} // extern "C"
