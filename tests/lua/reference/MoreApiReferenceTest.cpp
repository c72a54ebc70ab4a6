// More of the C interface: the auxiliary library's argument checks, tag
// methods reached from C, userdata collection and closing a state.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include "lauxlib.h"
#include "lua.h"
#include "luadebug.h"
#include "lualib.h"
}

#include "RecordingState.h"
#include "TempDir.h"

namespace {

class LuaMore : public RecordingState {
protected:
    void SetUp() override {
        RecordingState::SetUp();
        lua_strlibopen();
    }

    // The message a chunk raised ("" when it ran without error).
    std::string failure(const char* code) {
        messages.clear();
        if (lua_dostring(code) == 0) return "";
        return messages.empty() ? "<silent>" : messages.back();
    }
};

void optargs() {
    lua_pushnumber(luaL_opt_number(1, 7));
}
void needsValue() {
    luaL_nonnullarg(1);
    lua_pushstring("ok");
}
void checkThird() {
    lua_pushnumber(luaL_check_number(3)); // one upvalue: the caller's #2
}
void checkString() {
    long len = 0;
    char* s = luaL_check_lstr(1, &len);
    lua_pushnumber(static_cast<double>(len));
    lua_pushstring(s);
}
void noDetail() {
    luaL_argerror(1, nullptr);
}
void formatted() {
    luaL_verror("%s-%d", "v", 42);
}

TEST_F(LuaMore, ArgumentChecks) {
    lua_register("optargs", optargs);
    lua_register("needsvalue", needsValue);
    lua_register("checkstring", checkString);
    lua_register("nodetail", noDetail);
    lua_register("formatted", formatted);
    lua_pushstring("up");
    lua_pushcclosure(checkThird, 1);
    lua_setglobal("closure");

    EXPECT_EQ(failure("x = optargs()  y = optargs('5')"), "");
    EXPECT_EQ(lua_getnumber(lua_getglobal("x")), 7);
    EXPECT_EQ(lua_getnumber(lua_getglobal("y")), 5);
    EXPECT_EQ(failure("optargs(nil)"), "bad argument #1 to function `optargs' (number expected)");
    EXPECT_EQ(failure("optargs({})"), "bad argument #1 to function `optargs' (number expected)");
    EXPECT_EQ(failure("needsvalue(nil)"), "");
    EXPECT_EQ(failure("needsvalue()"), "bad argument #1 to function `needsvalue' (value expected)");
    EXPECT_EQ(failure("closure(1, {})"), "bad argument #2 to function `closure' (number expected)");
    EXPECT_EQ(failure("n, s = checkstring(12.5)"), "");
    EXPECT_EQ(lua_getnumber(lua_getglobal("n")), 4);
    EXPECT_STREQ(lua_getstring(lua_getglobal("s")), "12.5");
    EXPECT_EQ(failure("nodetail()"), "bad argument #1 to function `nodetail'");
    EXPECT_EQ(failure("local f = nodetail  f()"), "bad argument #1 to function `nodetail'");
    EXPECT_EQ(failure("t = {f = nodetail}  nodetail = nil  t.f()"),
              "bad argument #1 to function `?'");
    EXPECT_EQ(failure("formatted()"), "v-42");
}

TEST_F(LuaMore, FindStringAndChunkIds) {
    const char* list[] = {"set", "cur", "end", nullptr};
    EXPECT_EQ(luaL_findstring("cur", list), 1);
    EXPECT_EQ(luaL_findstring("none", list), -1);

    struct Case {
        const char* source;
        const char* id;
    };
    const Case cases[] = {
        {"@prog.lua", "file `prog.lua'"},
        {"(C)", "(C code)"},
        {"x = 1", "string `x = 1'"},
        {"x = 1\ny = 2", "string `x = 1...'"},
    };
    for (const Case& c : cases) {
        char out[100] = {};
        luaL_chunkid(out, c.source, sizeof out);
        EXPECT_STREQ(out, c.id) << c.source;
    }
    char out[100] = {};
    luaL_filesource(out, "name.lua", sizeof out);
    EXPECT_STREQ(out, "@name.lua");
}

TEST_F(LuaMore, GlobalAndTableAccessRunTagMethods) {
    ASSERT_EQ(
        failure(
            "settagmethod(tag(nil), 'getglobal', function (n) return 'tm ' .. n end)"
            "  T = newtag()  t = settag({}, T)"
            "  settagmethod(T, 'index', function (t, k) return 'index ' .. k end)"
            "  settagmethod(T, 'settable', function (t, k, v) rawsettable(t, k, v .. '!') end)"),
        "");
    EXPECT_STREQ(lua_getstring(lua_getglobal("undefined")), "tm undefined");
    EXPECT_TRUE(lua_isnil(lua_rawgetglobal("undefined")));
    lua_Object t = lua_getglobal("t");
    lua_pushobject(t);
    lua_pushstring("k");
    EXPECT_STREQ(lua_getstring(lua_gettable()), "index k");
    lua_pushobject(t);
    lua_pushstring("k");
    EXPECT_TRUE(lua_isnil(lua_rawgettable()));
    lua_pushobject(t);
    lua_pushstring("k");
    lua_pushstring("v");
    lua_settable();
    lua_pushobject(t);
    lua_pushstring("r");
    lua_pushstring("v");
    lua_rawsettable();
    EXPECT_EQ(failure("assert(rawgettable(t, 'k') == 'v!')  assert(rawgettable(t, 'r') == 'v')"),
              "");

    // Calling a table through its function method.
    ASSERT_EQ(failure("F = newtag()  callable = settag({}, F)"
                      "  settagmethod(F, 'function', function (self, a) return a * 2 end)"),
              "");
    lua_pushnumber(21);
    ASSERT_EQ(lua_callfunction(lua_getglobal("callable")), 0);
    EXPECT_EQ(lua_getnumber(lua_getresult(1)), 42);
}

// Many lua_settable calls that run a tag method must not use up the stack.
TEST_F(LuaMore, SettableWithTagMethodDoesNotGrowTheStack) {
    ASSERT_EQ(failure("S = newtag()  t = settag({}, S)  count = 0"
                      "  settagmethod(S, 'settable', function (t, k, v) count = count + 1 end)"),
              "");
    lua_beginblock();
    lua_Object t = lua_getglobal("t");
    for (int i = 0; i < 20000; ++i) {
        lua_pushobject(t);
        lua_pushnumber(i);
        lua_pushnumber(i);
        lua_settable();
    }
    lua_endblock();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(lua_getnumber(lua_getglobal("count")), 20000);
}

int freedCells = 0;
void countFreed() {
    if (lua_isuserdata(lua_getparam(1))) ++freedCells;
}

TEST_F(LuaMore, UserdataGcMethods) {
    static int cells[3];
    int tg = lua_newtag();
    lua_pushcfunction(countFreed);
    lua_settagmethod(tg, "gc");
    freedCells = 0;
    lua_beginblock();
    lua_pushusertag(&cells[0], tg);
    lua_setglobal("kept");
    lua_pushusertag(&cells[1], tg);
    lua_pop();
    lua_pushusertag(&cells[2], tg);
    lua_pop();
    lua_endblock();
    lua_collectgarbage(0);
    EXPECT_EQ(freedCells, 2);
    lua_close();
    EXPECT_EQ(freedCells, 3); // closing frees the one still referenced
    lua_open();
}

TEST_F(LuaMore, CloseFlushesOpenFiles) {
    lua_iolibopen();
    testsupport::TempDir dir; // the same test may run at the same time from another build
    std::string path = dir.File("luaqa-flush.txt");
    const char* name = path.c_str();
    std::string code = std::string("h = openfile('") + name + "', 'w')  write(h, 'pending')";
    ASSERT_EQ(lua_dostring(code.data()), 0);
    lua_close();
    lua_open();
    std::FILE* f = std::fopen(name, "r");
    ASSERT_NE(f, nullptr);
    char buffer[32] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buffer, n), "pending");
}

void handleHungryHook(lua_Function, char*, int) {
    for (int i = 0; i < 10; ++i)
        lua_getglobal("print");
}

TEST_F(LuaMore, HookHandlesAreReleased) {
    lua_setcallhook(handleHungryHook);
    ASSERT_EQ(lua_dostring("local i = 0 while i < 4000 do tag(i) i = i + 1 end"), 0);
    lua_setcallhook(nullptr);
}

TEST_F(LuaMore, DebugFlagAndObjectNames) {
    EXPECT_EQ(lua_setdebug(1), 0);
    EXPECT_EQ(lua_setdebug(0), 1);
    ASSERT_EQ(failure("T = newtag()  m = function () end  settagmethod(T, 'add', m)"
                      "  g = function () end  settagmethod(T, 'sub', g)"),
              "");
    char* name = nullptr;
    lua_Object tm = lua_gettagmethod(static_cast<int>(lua_getnumber(lua_getglobal("T"))), "add");
    std::string kind = lua_getobjname(tm, &name);
    EXPECT_EQ(kind, "global"); // globals are checked first
    EXPECT_STREQ(name, "m");
    ASSERT_EQ(failure("m = nil"), "");
    kind = lua_getobjname(tm, &name);
    EXPECT_EQ(kind, "tag-method");
    EXPECT_STREQ(name, "add");
    lua_Object anon = lua_createtable();
    kind = lua_getobjname(anon, &name);
    EXPECT_EQ(kind, "");
    EXPECT_EQ(name, nullptr);
}

} // namespace
