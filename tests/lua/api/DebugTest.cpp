// The debug interface: activations, lines, locals and hooks.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "LuaFixture.h"

using DebugTest = LuaFixture;

namespace {

std::string report;

// An error handler like a game's: one line per active function.
void stackreport() {
    report = lua_getstring(lua_getparam(1));
    report += "\n";
    for (int level = 0;; level++) {
        lua_Function f = lua_stackedfunction(level);
        if (f == LUA_NOOBJECT) break;
        char* source;
        int defined;
        lua_funcinfo(f, &source, &defined);
        report += std::string(source) + ":" + std::to_string(defined) + ":" +
                  std::to_string(lua_currentline(f)) + "\n";
    }
}

std::vector<std::string> locals;
void listlocals() {
    lua_Function f = lua_stackedfunction(1);
    char* name;
    for (int n = 1;; n++) {
        lua_Object v = lua_getlocal(f, n, &name);
        if (v == LUA_NOOBJECT) break;
        const char* s = lua_getstring(v);
        locals.push_back(std::string(name) + "=" + (s ? s : "?"));
    }
    lua_pushstring("changed");
    lua_setlocal(f, 1);
}

std::vector<int> lines;
void onLine(int line) {
    lines.push_back(line);
}

std::vector<std::string> calls;
void onCall(lua_Function f, char* file, int line) {
    calls.push_back(f == LUA_NOOBJECT ? std::string("ret")
                                      : std::string(file) + ":" + std::to_string(line));
}

void whoami() {
    char* name;
    const char* kind = lua_getobjname(lua_stackedfunction(1), &name);
    lua_pushstring(kind);
    lua_pushstring(name);
}

} // namespace

TEST_F(DebugTest, StackedFunctionInsideTheErrorHandler) {
    lua_register("_ERRORMESSAGE", stackreport);
    lua_setdebug(1);
    const char* chunk = "function f(x)\n  return x + {}\nend\n\nf(1)\n";
    EXPECT_EQ(1, lua_dobuffer(chunk, static_cast<int>(std::strlen(chunk)), "@st.lua"));
    EXPECT_EQ("unexpected type in arithmetic operation\n(C):-1:-1\n@st.lua:1:2\n@st.lua:0:5\n",
              report);
    EXPECT_EQ(1, run("error('x')"));
    EXPECT_EQ("x\n(C):-1:-1\n(C):-1:-1\nerror('x'):0:1\n", report);
    // a syntax error: no function is active
    EXPECT_EQ(1, run("x = = 1"));
    EXPECT_EQ(1u, std::count(report.begin(), report.end(), '\n') - 2u);
}

TEST_F(DebugTest, NoLineInformationWithoutDebug) {
    lua_register("_ERRORMESSAGE", stackreport);
    EXPECT_EQ(1, run("function f() return 1 + nil end f()"));
    EXPECT_NE(std::string::npos, report.find("function f() return 1 + nil end f():1:-1"));
    EXPECT_EQ(0, lua_setdebug(1));
    EXPECT_EQ(1, lua_setdebug(1));
    EXPECT_EQ(1, run("$nodebug\nfunction f() return 1 + nil end f()"));
    EXPECT_NE(std::string::npos, report.find(":2:-1"));
}

TEST_F(DebugTest, LocalsAreListedAndSet) {
    lua_setdebug(1);
    lua_register("locals", listlocals);
    ASSERT_EQ(
        0, run("function f(a, b, ...)\n local c = 3\n locals()\n return a\nend\nr = f(1, 2, 9)"));
    EXPECT_EQ((std::vector<std::string>{"a=1", "b=2", "arg=?", "c=3"}), locals);
    EXPECT_EQ("changed", str("r"));
    // a local is listed from the line after its declaration
    locals.clear();
    ASSERT_EQ(0, run("function g(a)\n local d = 1 locals()\n locals()\nend\ng(5)"));
    EXPECT_EQ((std::vector<std::string>{"a=5", "a=changed", "d=1"}), locals);
}

TEST_F(DebugTest, LineHookSeesEachNewLine) {
    lua_setdebug(1);
    lua_setlinehook(onLine);
    ASSERT_EQ(0, run("local a = 1\nlocal b = 2\n\nfunction k()\n  return 1\nend\nk()"));
    lua_setlinehook(nullptr);
    EXPECT_EQ((std::vector<int>{1, 2, 4, 7, 5}), lines);
}

TEST_F(DebugTest, CallHookOnEntryAndExit) {
    ASSERT_EQ(0, run("function k() return 1 end"));
    lua_setcallhook(onCall);
    ASSERT_EQ(0, run("k()"));
    lua_setcallhook(nullptr);
    EXPECT_EQ((std::vector<std::string>{"k():0", "function k() return 1 end:1", "ret", "ret"}),
              calls);
}

TEST_F(DebugTest, ObjectNamesOfGlobalsAndTagMethods) {
    lua_register("whoami", whoami);
    ASSERT_EQ(0, run("function g() return whoami() end a, b = g()  "
                     "T = newtag() settagmethod(T, 'index', function () return whoami() end) "
                     "t = {} settag(t, T) c = t.x"));
    EXPECT_EQ("global", str("a"));
    EXPECT_EQ("g", str("b"));
    EXPECT_EQ("tag-method", str("c"));
}

TEST_F(DebugTest, FuncinfoOfValues) {
    ASSERT_EQ(0, run("\nfunction f() end"));
    lua_beginblock();
    char* source;
    int line;
    lua_funcinfo(lua_getglobal("f"), &source, &line);
    EXPECT_EQ(2, line);
    EXPECT_STREQ("\nfunction f() end", source);
    lua_funcinfo(lua_getglobal("print"), &source, &line);
    EXPECT_STREQ("(C)", source);
    EXPECT_EQ(-1, line);
    EXPECT_EQ(LUA_NOOBJECT, lua_stackedfunction(0));
    lua_endblock();
}
