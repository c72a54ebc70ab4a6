// Registers C functions for scripts the way a game host does: as globals,
// or as fields of a global table that is made on first use.
#pragma once

extern "C" {
#include "lua.h"
}

inline void luaRegisterGlobal(const char* name, lua_CFunction f) {
    lua_pushcclosure(f, 0);
    lua_setglobal(name);
}

inline void luaRegisterIn(const char* table, const char* name, lua_CFunction f) {
    lua_beginblock();
    lua_Object t = lua_getglobal(table);
    if (lua_isnil(t)) {
        t = lua_createtable();
        lua_pushobject(t);
        lua_setglobal(table);
    }
    lua_pushobject(t);
    lua_pushstring(name);
    lua_pushcclosure(f, 0);
    lua_settable();
    lua_endblock();
}
