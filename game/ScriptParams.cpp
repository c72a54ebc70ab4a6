#include "ScriptParams.h"

#include "LuaScript.h"

#include "FloatToInt.h"

double NumberParam(int n) {
    LuaScript::CheckParam(n);
    const lua_Object value = lua_lua2C(n);
    return value != LUA_NOOBJECT && lua_isnumber(value) ? lua_getnumber(value) : 0.0;
}

int32_t IntParam(int n) {
    return DoubleToInt32(NumberParam(n));
}

const char* StringParam(int n) {
    LuaScript::CheckParam(n);
    const lua_Object value = lua_lua2C(n);
    return value != LUA_NOOBJECT && lua_isstring(value) ? lua_getstring(value) : nullptr;
}

lua_Object ObjectParam(int n) {
    LuaScript::CheckParam(n);
    return lua_lua2C(n);
}

bool FlagParam(int n) {
    const lua_Object value = lua_lua2C(n);
    return value == LUA_NOOBJECT || !lua_isnil(value);
}
