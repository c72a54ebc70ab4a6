// The way the game's script host drives the interpreter: commands that
// read their parameters and the calling line, an error hook that walks the
// stack, end actions kept as locked references and called once.
#include <cstdio>
#include <cstring>
#include <string>

#include "../LuaRegister.h"
#include "LuaFixture.h"

namespace {

std::string report;
std::string missing;
int endfield = -1;

// Error hook: the message, two line feeds, one line per active function.
void hostError() {
    const char* m = lua_getstring(lua_getparam(1));
    report = std::string(m ? m : "") + "\n\n";
    for (int level = 0;; level++) {
        lua_Function f = lua_stackedfunction(level);
        if (f == LUA_NOOBJECT) break;
        char* source;
        int defined;
        lua_funcinfo(f, &source, &defined);
        char line[500];
        std::snprintf(line, sizeof line, "Src: %s  Line: %d  ExecLine: %d\n", source, defined,
                      lua_currentline(f));
        report += line;
    }
}

// A command reading two numbers; a missing one is reported with the line.
void add() {
    for (int n = 1; n <= 2; n++) {
        if (lua_lua2C(n) == LUA_NOOBJECT) {
            int line = lua_currentline(lua_stackedfunction(1));
            char text[300];
            std::snprintf(text, sizeof text, "ScriptErr: Missing parameter %d at line %d", n, line);
            missing = text;
        }
    }
    lua_pushnumber(lua_getnumber(lua_lua2C(1)) + lua_getnumber(lua_lua2C(2)));
}

// Walk(endaction): keeps the end action as a locked reference.
void walk() {
    if (endfield != -1) lua_unref(endfield);
    endfield = -1;
    lua_Object f = lua_lua2C(1);
    if (f != LUA_NOOBJECT) {
        lua_pushobject(f);
        endfield = lua_ref(1);
    }
}

// Arrival: the end action runs once; it may start a new walk.
void arrive() {
    lua_beginblock();
    if (endfield != -1) {
        lua_pushobject(lua_getref(endfield));
        int temp = lua_ref(1);
        lua_unref(endfield);
        endfield = -1;
        lua_callfunction(lua_getref(temp));
        lua_unref(temp);
    }
    lua_endblock();
}

class ScriptHostTest : public LuaFixture {
protected:
    void SetUp() override {
        LuaFixture::SetUp();
        lua_setdebug(1);
        luaRegisterGlobal("_ERRORMESSAGE", hostError);
        luaRegisterGlobal("Error", hostError);
        luaRegisterIn("Engine", "Add", add);
        luaRegisterIn("Engine", "Walk", walk);
        endfield = -1;
        missing.clear();
        report.clear();
    }
};

} // namespace

TEST_F(ScriptHostTest, ErrorReportListsEveryActiveFunction) {
    const char* chunk = "function f()\n  Error('x')\nend\nf()\n";
    EXPECT_EQ(0, lua_dobuffer(chunk, static_cast<int>(std::strlen(chunk)), "@main.scr"));
    EXPECT_EQ("x\n\nSrc: (C)  Line: -1  ExecLine: -1\nSrc: @main.scr  Line: 1  ExecLine: 2\n"
              "Src: @main.scr  Line: 0  ExecLine: 4\n",
              report);
}

TEST_F(ScriptHostTest, MissingParameterReadsAsZeroAndNamesTheLine) {
    const char* chunk = "x = Engine.Add(1)\ny = Engine.Add(2,\n 3)";
    ASSERT_EQ(0, lua_dobuffer(chunk, static_cast<int>(std::strlen(chunk)), "@cmd.scr"));
    EXPECT_EQ(1, num("x"));
    EXPECT_EQ(5, num("y"));
    EXPECT_EQ("ScriptErr: Missing parameter 2 at line 1", missing);
}

TEST_F(ScriptHostTest, EndActionMayStartANewWalkFromItsOwnCall) {
    ASSERT_EQ(0, run("n = 0 function again() n = n + 1 if n < 3 then Engine.Walk(again) end end "
                     "Engine.Walk(again)"));
    for (int i = 0; i < 5; i++) {
        lua_collectgarbage(0);
        arrive();
    }
    EXPECT_EQ(3, num("n"));
    EXPECT_EQ(-1, endfield);
}

TEST_F(ScriptHostTest, CallingAScriptTableFunctionFromC) {
    ASSERT_EQ(0, run("Game = {} function Game.DoAction(e) return e.name .. '!' end"));
    lua_beginblock();
    lua_Object elem = lua_createtable();
    lua_pushobject(elem);
    lua_pushstring("name");
    lua_pushstring("door");
    lua_settable();
    lua_pushobject(lua_getglobal("Game"));
    lua_pushstring("DoAction");
    lua_Object f = lua_gettable();
    ASSERT_TRUE(lua_isfunction(f));
    lua_pushobject(elem);
    ASSERT_EQ(0, lua_callfunction(f));
    EXPECT_STREQ("door!", lua_getstring(lua_lua2C(1)));
    lua_endblock();
}
