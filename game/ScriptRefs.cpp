#include "ScriptRefs.h"

#include "GameStatics.h"
#include "LuaScript.h"

namespace {
// The main state while references may be taken and released in it.
LuaScript* LiveMain() {
    GameStatics& s = Statics();
    return s.worldTeardown == 0 && s.commands && s.commands->IsOpen() ? s.commands : nullptr;
}
} // namespace

bool FromMainState() {
    LuaScript* main = LiveMain();
    return main && lua_state == main->State();
}

void ScriptUnref(int32_t& field) {
    const int32_t held = field;
    field = -1;
    LuaScript* main = LiveMain();
    if (held == -1 || !main) return;
    LuaStateScope scope(main->State());
    lua_unref(held);
}

void ScriptRef(int32_t& field, lua_Object object) {
    ScriptUnref(field);
    LuaScript* main = LiveMain();
    if (object == LUA_NOOBJECT || !main) return;
    LuaStateScope scope(main->State());
    lua_pushobject(object);
    field = lua_ref(1);
}

lua_Object ScriptGetRef(int32_t reference) {
    if (reference == -1 || !LiveMain()) return LUA_NOOBJECT;
    return lua_getref(reference);
}

void ScriptCallRef(int32_t reference) {
    LuaScript* main = LiveMain();
    if (reference == -1 || !main) return;
    LuaStateScope scope(main->State());
    lua_beginblock();
    const lua_Object function = lua_getref(reference);
    if (function != LUA_NOOBJECT && lua_isfunction(function)) main->Call(function);
    lua_endblock();
}

void ScriptCallRefOnce(int32_t& field) {
    LuaScript* main = LiveMain();
    if (field == -1 || !main) {
        field = -1;
        return;
    }
    LuaStateScope scope(main->State());
    lua_beginblock();
    const lua_Object function = lua_getref(field);
    int32_t held = -1;
    if (function != LUA_NOOBJECT) {
        lua_pushobject(function);
        held = lua_ref(1);
    }
    ScriptUnref(field);
    if (held != -1) {
        const lua_Object call = lua_getref(held);
        if (lua_isfunction(call)) main->Call(call);
        // The call may have ended the game: release only in a state that
        // still runs.
        if (LiveMain() == main) lua_unref(held);
    }
    lua_endblock();
}
