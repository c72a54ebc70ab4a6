// The reflexive debug library (funcinfo, getstack, getlocal, setlocal,
// setcallhook, setlinehook), for debuggers and profilers written in Lua,
// and lua_userinit, which opens every standard library.
#include <cstring>
#include <map>

#include "lauxlib_util.h"
#include "luadebug.h"
#include "lualib.h"

namespace {

void setField(lua_Object t, const char* key, lua_Object value) {
    lua_pushobject(t);
    lua_pushstring(key);
    lua_pushobject(value);
    lua_rawsettable();
}

void setString(lua_Object t, const char* key, const char* value) {
    lua_pushobject(t);
    lua_pushstring(key);
    lua_pushstring(value);
    lua_rawsettable();
}

void setNumber(lua_Object t, const char* key, double value) {
    lua_pushobject(t);
    lua_pushstring(key);
    lua_pushnumber(value);
    lua_rawsettable();
}

// Fields known about a function (or an activation); unknown ones are absent.
lua_Object describe(lua_Object func) {
    lua_Object t = lua_createtable();
    char* source = nullptr;
    int linedefined = 0;
    lua_funcinfo(func, &source, &linedefined);
    if (lua_iscfunction(func) || linedefined < 0) {
        setString(t, "kind", "C");
    } else {
        setString(t, "kind", linedefined == 0 ? "chunk" : "Lua");
        if (source != nullptr) setString(t, "source", source);
        if (linedefined > 0) setNumber(t, "def_line", linedefined);
    }
    char* name = nullptr;
    const char* where = lua_getobjname(func, &name);
    if (where != nullptr && *where != '\0' && name != nullptr) {
        setString(t, "where", where);
        setString(t, "name", name);
    }
    return t;
}

void db_funcinfo() {
    lua_pushobject(describe(luaL_functionarg(1)));
}

lua_Function activation(int n) {
    // Level 0 is the function that called the debug function.
    return lua_stackedfunction(luaaux::castint(luaL_check_number(n)));
}

void db_getstack() {
    lua_Function func = activation(1);
    if (func == LUA_NOOBJECT) {
        lua_pushnil();
        return;
    }
    lua_Object t = describe(func);
    setField(t, "func", func);
    int line = lua_currentline(func);
    if (line > 0) setNumber(t, "current", line);
    lua_pushobject(t);
}

// A local is chosen by number only when given a number, not a numeric string.
bool isRealNumber(lua_Object o) {
    lua_pushnumber(0);
    const int numberTag = lua_tag(lua_pop());
    return lua_tag(o) == numberTag;
}

// The number of the local named name among the active ones, or 0.
int findLocal(lua_Function func, const char* name) {
    int found = 0;
    char* n = nullptr;
    for (int i = 1; lua_getlocal(func, i, &n) != LUA_NOOBJECT; i++)
        if (n != nullptr && std::strcmp(n, name) == 0) found = i; // the innermost wins
    return found;
}

void db_getlocal() {
    lua_Function func = activation(1);
    luaL_arg_check(func != LUA_NOOBJECT, 1, "out of range");
    lua_Object which = lua_getparam(2);
    char* name = nullptr;
    if (which == LUA_NOOBJECT) {
        lua_Object t = lua_createtable();
        for (int i = 1;; i++) {
            lua_Object v = lua_getlocal(func, i, &name);
            if (v == LUA_NOOBJECT) break;
            if (name != nullptr) {
                lua_pushobject(t);
                lua_pushstring(name);
                lua_pushobject(v);
                lua_rawsettable();
            }
        }
        lua_pushobject(t);
        return;
    }
    int n = isRealNumber(which) ? luaaux::castint(lua_getnumber(which))
                                : findLocal(func, luaL_check_string(2));
    lua_Object v = n > 0 ? lua_getlocal(func, n, &name) : LUA_NOOBJECT;
    if (v == LUA_NOOBJECT) {
        lua_pushnil();
        return;
    }
    lua_pushobject(v);
    if (isRealNumber(which)) lua_pushstring(name);
}

void db_setlocal() {
    lua_Function func = activation(1);
    luaL_arg_check(func != LUA_NOOBJECT, 1, "out of range");
    lua_Object which = lua_getparam(2);
    lua_Object value = luaL_nonnullarg(3);
    int n = isRealNumber(which) ? luaaux::castint(lua_getnumber(which))
                                : findLocal(func, luaL_check_string(2));
    lua_pushobject(value);
    if (n <= 0 || !lua_setlocal(func, n)) luaL_argerror(2, "variable not found");
}

// Hooks written in Lua are kept as locked references, one pair per state;
// while one runs the hooks are off, so that it does not see its own calls.
struct HookRefs {
    int call = -1;
    int line = -1;
};

HookRefs& hookRefs() {
    static std::map<lua_State*, HookRefs> refs;
    return refs[lua_state];
}

void runHook(int ref, void (*pushArgs)(lua_Function, const char*, int), lua_Function func,
             const char* file, int line) {
    lua_CHFunction oldCall = lua_setcallhook(nullptr);
    lua_LHFunction oldLine = lua_setlinehook(nullptr);
    lua_beginblock();
    lua_Object hook = lua_getref(ref);
    if (hook != LUA_NOOBJECT) {
        pushArgs(func, file, line);
        lua_callfunction(hook);
    }
    lua_endblock();
    lua_setcallhook(oldCall);
    lua_setlinehook(oldLine);
}

void pushCallArgs(lua_Function func, const char* file, int line) {
    if (func == LUA_NOOBJECT) return; // exit: no arguments
    lua_pushobject(func);
    lua_pushstring(file);
    lua_pushnumber(line);
}

void pushLineArgs(lua_Function, const char*, int line) {
    lua_pushnumber(line);
}

void callHook(lua_Function func, char* file, int line) {
    runHook(hookRefs().call, pushCallArgs, func, file, line);
}

void lineHook(int line) {
    runHook(hookRefs().line, pushLineArgs, LUA_NOOBJECT, nullptr, line);
}

void setHook(bool call) {
    lua_Object f = lua_getparam(1);
    if (f != LUA_NOOBJECT && !lua_isnil(f)) luaL_functionarg(1);
    // The stored reference belongs to this state only while our hook is the
    // installed one (a new state may reuse a closed state's address).
    bool ours;
    if (call) {
        lua_CHFunction current = lua_setcallhook(nullptr);
        ours = current == callHook;
    } else {
        lua_LHFunction current = lua_setlinehook(nullptr);
        ours = current == lineHook;
    }
    int& ref = call ? hookRefs().call : hookRefs().line;
    if (ours && ref >= 0) lua_unref(ref);
    ref = -1;
    if (f == LUA_NOOBJECT || lua_isnil(f)) return;
    lua_pushobject(f);
    ref = lua_ref(1);
    if (call)
        lua_setcallhook(callHook);
    else
        lua_setlinehook(lineHook);
}

void db_setcallhook() {
    setHook(true);
}
void db_setlinehook() {
    setHook(false);
}

const luaL_reg kDbLib[] = {
    {"funcinfo", db_funcinfo}, {"getstack", db_getstack},       {"getlocal", db_getlocal},
    {"setlocal", db_setlocal}, {"setcallhook", db_setcallhook}, {"setlinehook", db_setlinehook},
};

} // namespace

extern "C" void lua_dblibopen(void) {
    lua_open();
    luaL_openlib(kDbLib, static_cast<int>(sizeof kDbLib / sizeof kDbLib[0]));
}

extern "C" void lua_userinit(void) {
    lua_open();
    lua_iolibopen();
    lua_strlibopen();
    lua_mathlibopen();
    lua_dblibopen();
}
