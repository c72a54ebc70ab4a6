#include "ScriptEvents.h"

#include "GameStatics.h"
#include "LuaScript.h"
#include "ScriptRefs.h"

#include "platform/User.h"

#include <cstdio>

namespace {

// The table's bit in LuaScript::reportedTables, so each is reported once.
uint32_t TableBit(const char* table) {
    return table && table[0] == 'M' ? 2u : 1u;
}

// The script table `table` of the main state, or LUA_NOOBJECT after reporting
// (once per state) that the scripts did not define it.
lua_Object EventTable(LuaScript& main, const char* table) {
    const lua_Object found = lua_getglobal(table);
    if (lua_istable(found)) return found;
    const uint32_t bit = TableBit(table);
    if (!(main.reportedTables & bit)) {
        main.reportedTables |= bit;
        char text[200];
        std::snprintf(text, sizeof text, "The scripts define no table %s: its events do nothing.",
                      table);
        MessageBoxA(nullptr, text, "Script Error!", MB_OK);
    }
    return LUA_NOOBJECT;
}

void PushReference(int32_t reference) {
    const lua_Object value = ScriptGetRef(reference);
    if (value != LUA_NOOBJECT) lua_pushobject(value);
}

} // namespace

int32_t ScriptCallGameEvent(const char* table, const char* event, int32_t reference1,
                            int32_t reference2) {
    LuaScript* main = Statics().commands;
    if (!main || !main->IsOpen() || !table || !event || Statics().worldTeardown) return 0;
    LuaStateScope scope(main->State());
    lua_beginblock();
    int32_t result = 0;
    const lua_Object target = EventTable(*main, table);
    if (target != LUA_NOOBJECT) {
        lua_pushobject(target);
        lua_pushstring(event);
        const lua_Object function = lua_gettable();
        if (lua_isfunction(function)) {
            PushReference(reference1);
            PushReference(reference2);
            if (main->Call(function)) {
                const lua_Object first = lua_lua2C(1);
                result = first != LUA_NOOBJECT && !lua_isnil(first) ? 1 : 0;
            }
        }
    }
    lua_endblock();
    return result;
}

void ScriptCallGlobal(const char* name) {
    LuaScript* script = Statics().script;
    if (!script || !script->IsOpen() || !name) return;
    LuaStateScope scope(script->State());
    lua_beginblock();
    const lua_Object function = lua_getglobal(name);
    if (lua_isfunction(function)) script->Call(function);
    lua_endblock();
}

void ScriptCallMapAction(int32_t reference) {
    LuaScript* main = Statics().commands;
    if (!main || !main->IsOpen() || Statics().worldTeardown) return;
    LuaStateScope scope(main->State());
    lua_beginblock();
    const lua_Object target = EventTable(*main, "Game");
    if (target != LUA_NOOBJECT) {
        lua_pushobject(target);
        lua_pushstring("DoMapAction");
        const lua_Object function = lua_gettable();
        const lua_Object value = ScriptGetRef(reference);
        if (!lua_isnil(function) && value != LUA_NOOBJECT && !lua_isnil(value)) {
            lua_pushobject(value);
            main->Call(function);
        }
    }
    lua_endblock();
}
