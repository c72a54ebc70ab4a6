// The element command suites' helpers: the fixture's game started with a
// script of the test's own, the room, handles and numbers read back from the
// scripts' globals.
#pragma once

#include "GameTestFixture.h"
#include "PlayerOptions.h"

#include "ElementHandle.h"

#include "GameServices.h"

#include "TActor.h"
#include "TAnimObject.h"
#include "TRoom.h"

#include <cmath>
#include <string>

namespace gametest {

class ElementTest : public GameTest {
protected:
    // The game with a main script that enters the fixture's room and runs
    // `setUp` after it.
    void StartIn(const std::string& setUp = "") {
        fixture.mainScript = "Game = {} Map = {} T = {}\n"
                             "function main() Engine.EnterRoom('Hall') " +
                             setUp + " end\n";
        // Scaled actors drawn plainly: the suites compare pixels with the
        // pictures (the filtering blitter has its own tests).
        PlayerOptions::Get().filtering = 0;
        Start();
    }
    static TRoom& Room() { return App().World()->RoomView(); }
    // The element a global of the main state names, or null.
    static TRoomElement* Handle(const char* global) {
        LuaStateScope scope(App().World()->MainState()->State());
        lua_beginblock();
        TRoomElement* element = ElementOf(lua_getglobal(global));
        lua_endblock();
        return element;
    }
    static TAnimObject* Object(const char* global) {
        return dynamic_cast<TAnimObject*>(Handle(global));
    }
    static TActor* Actor(const char* global) { return dynamic_cast<TActor*>(Handle(global)); }
    // The value of a script expression as a number; NaN for nil or no number.
    static double Value(const std::string& expression) {
        if (!Run("Result = " + expression)) return std::nan("");
        LuaStateScope scope(App().World()->MainState()->State());
        lua_beginblock();
        const lua_Object value = lua_getglobal("Result");
        const double number = lua_isnumber(value) ? lua_getnumber(value) : std::nan("");
        lua_endblock();
        return number;
    }
    // tostring of a script expression ("nil" for nil).
    static std::string Text(const std::string& expression) {
        if (!Run("Result = tostring(" + expression + ")")) return "(error)";
        LuaStateScope scope(App().World()->MainState()->State());
        lua_beginblock();
        const lua_Object value = lua_getglobal("Result");
        std::string text = lua_isstring(value) ? lua_getstring(value) : "(none)";
        lua_endblock();
        return text;
    }
};

} // namespace gametest
