// The C interface as a host sees it: states, handles, the lua2C array and
// the C2lua stack, blocks, references, tags and the debug interface.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

extern "C" {
#include "lua.h"
#include "luadebug.h"
#include "lualib.h"
}

#include "RecordingState.h"

namespace {

class LuaApi : public RecordingState {
protected:
    // Runs a chunk that must succeed.
    void run(const char* code) { ASSERT_EQ(lua_dostring(code), 0) << code; }
    double number(const char* global) { return lua_getnumber(lua_getglobal(global)); }
    std::string string(const char* global) {
        const char* s = lua_getstring(lua_getglobal(global));
        return s ? s : "<null>";
    }
};

// Records how a C function saw its parameters.
std::vector<std::string> seen;

void describeParams() {
    seen.clear();
    for (int i = 0; i <= 4; ++i) {
        lua_Object o = lua_getparam(i);
        if (o == LUA_NOOBJECT) {
            seen.push_back("none");
        } else if (lua_isnil(o)) {
            seen.push_back("nil");
        } else {
            const char* s = lua_getstring(o);
            seen.push_back(s ? s : "?");
        }
    }
    lua_pushnumber(1);
    lua_pushstring("two");
    lua_getglobal("print"); // a handle obtained, not a result
}

TEST_F(LuaApi, StatesOpenOnceAndCloseToNull) {
    lua_State* s = lua_state;
    lua_open();
    EXPECT_EQ(lua_state, s);
    lua_close();
    EXPECT_EQ(lua_state, nullptr);
    lua_close(); // with no current state: nothing happens
    EXPECT_EQ(lua_state, nullptr);
    lua_open();

    // A second state has only the built-in functions.
    lua_strlibopen();
    lua_State* first = lua_setstate(nullptr);
    lua_open();
    EXPECT_TRUE(lua_isfunction(lua_getglobal("print")));
    EXPECT_TRUE(lua_isnil(lua_getglobal("strlen")));
    EXPECT_EQ(lua_getstring(lua_getglobal("_VERSION")), std::string(LUA_VERSION));
    lua_close();
    lua_setstate(first);
    EXPECT_TRUE(lua_isfunction(lua_getglobal("strlen")));
}

TEST_F(LuaApi, ParametersResultsAndAbsentValues) {
    EXPECT_EQ(lua_getparam(1), LUA_NOOBJECT); // empty at the host's top level
    lua_register("describe", describeParams);
    run("a, b, c = describe(nil, 'x')");
    EXPECT_EQ(seen, (std::vector<std::string>{"none", "nil", "x", "none", "none"}));
    EXPECT_EQ(number("a"), 1);
    EXPECT_EQ(string("b"), "two");
    EXPECT_TRUE(lua_isnil(lua_getglobal("c")));
    EXPECT_FALSE(lua_isnil(LUA_NOOBJECT));
    EXPECT_EQ(lua_tag(LUA_NOOBJECT), -6);
    EXPECT_EQ(lua_getnumber(LUA_NOOBJECT), 0);
    EXPECT_EQ(lua_getstring(LUA_NOOBJECT), nullptr);
    EXPECT_EQ(lua_strlen(LUA_NOOBJECT), 0);
    EXPECT_EQ(lua_getuserdata(LUA_NOOBJECT), nullptr);
    EXPECT_EQ(lua_getcfunction(LUA_NOOBJECT), nullptr);
}

TEST_F(LuaApi, TypeTestsAndConversions) {
    run("n = 12.5  s = ' 7 '  t = {}  f = function () end  z = 'a\\0b'");
    lua_Object n = lua_getglobal("n"), s = lua_getglobal("s"), t = lua_getglobal("t");
    lua_Object f = lua_getglobal("f"), p = lua_getglobal("print"), z = lua_getglobal("z");
    EXPECT_TRUE(lua_isnumber(n) && lua_isstring(n) && lua_isnumber(s) && lua_isstring(s));
    EXPECT_FALSE(lua_isnumber(t) || lua_isstring(t) || lua_isfunction(t));
    EXPECT_TRUE(lua_isfunction(f) && !lua_iscfunction(f) && lua_isfunction(p) &&
                lua_iscfunction(p));
    EXPECT_EQ(lua_getnumber(s), 7);
    EXPECT_EQ(lua_getnumber(t), 0);
    EXPECT_EQ(lua_getstring(t), nullptr);
    EXPECT_EQ(lua_strlen(t), 0);
    EXPECT_EQ(lua_strlen(z), 3);
    // Converting a number to text changes nothing observable.
    EXPECT_STREQ(lua_getstring(n), "12.5");
    EXPECT_EQ(lua_strlen(n), 4);
    EXPECT_EQ(lua_tag(n), -1);
    EXPECT_TRUE(lua_isnumber(n));
    run("assert(type(n) == 'number')");
}

// Host code written for 3.2 keeps these results in char*.
TEST(LuaApiTypes, StringResultsAreCharPointers) {
    EXPECT_TRUE((std::is_same_v<decltype(lua_getstring(LUA_NOOBJECT)), char*>));
    EXPECT_TRUE((std::is_same_v<decltype(lua_nextvar(nullptr)), char*>));
    EXPECT_TRUE((std::is_same_v<decltype(lua_getobjname(LUA_NOOBJECT, nullptr)), char*>));
}

TEST_F(LuaApi, PushingValues) {
    lua_pushstring(nullptr);
    lua_setglobal("fromnull");
    EXPECT_TRUE(lua_isnil(lua_getglobal("fromnull")));
    lua_pushlstring("a\0b", 3);
    lua_setglobal("withzero");
    EXPECT_EQ(lua_strlen(lua_getglobal("withzero")), 3);

    // Userdata are unique per pointer and tag.
    int cell = 0;
    int tg = lua_newtag();
    lua_pushusertag(&cell, 0);
    lua_setglobal("u0");
    lua_pushuserdata(&cell);
    lua_setglobal("u0b");
    lua_pushusertag(&cell, tg);
    lua_setglobal("ut");
    lua_pushusertag(&cell, 5);
    lua_setglobal("u5");
    lua_pushusertag(nullptr, 0);
    lua_setglobal("unull");
    run("same = (u0 == u0b)  differ = (u0 ~= ut)  t5 = tag(u5)  text = tostring(unull)");
    EXPECT_EQ(number("same"), 1);
    EXPECT_EQ(number("differ"), 1);
    EXPECT_EQ(number("t5"), 5);
    EXPECT_EQ(string("text"), "userdata: (nil)");
    EXPECT_EQ(lua_getuserdata(lua_getglobal("ut")), &cell);
    EXPECT_EQ(lua_tag(lua_getglobal("ut")), tg);

    // LUA_ANYTAG finds an existing userdata whatever its tag, else makes tag 0.
    int other = 0;
    lua_pushusertag(&other, tg);
    lua_setglobal("o1");
    lua_pushusertag(&other, LUA_ANYTAG);
    lua_setglobal("o2");
    int fresh = 0;
    lua_pushusertag(&fresh, LUA_ANYTAG);
    lua_setglobal("o3");
    run("anysame = (o1 == o2)  freshtag = tag(o3)");
    EXPECT_EQ(number("anysame"), 1);
    EXPECT_EQ(number("freshtag"), 0);
}

void pushClosures() {
    lua_pushcfunction(describeParams);
    lua_setglobal("plain1");
    lua_pushcfunction(describeParams);
    lua_setglobal("plain2");
    lua_pushstring("up");
    lua_pushcclosure(describeParams, 1);
    lua_setglobal("clo1");
    lua_pushstring("up");
    lua_pushcclosure(describeParams, 1);
    lua_setglobal("clo2");
}

TEST_F(LuaApi, ClosuresAndTheirUpvalues) {
    pushClosures();
    run("plainsame = (plain1 == plain2)  closame = (clo1 == clo2)");
    EXPECT_EQ(number("plainsame"), 1);
    EXPECT_TRUE(lua_isnil(lua_getglobal("closame")));
    run("clo1('arg')");
    EXPECT_EQ(seen, (std::vector<std::string>{"none", "up", "arg", "none", "none"}));
    EXPECT_EQ(lua_getcfunction(lua_getglobal("clo1")), describeParams);
}

TEST_F(LuaApi, CallingLuaFromC) {
    run("function pair(a, b) return b, a end  function fail() error('bad') end");
    lua_pushnumber(1);
    lua_pushstring("x");
    ASSERT_EQ(lua_callfunction(lua_getglobal("pair")), 0);
    EXPECT_STREQ(lua_getstring(lua_getresult(1)), "x");
    EXPECT_EQ(lua_getnumber(lua_getresult(2)), 1);
    EXPECT_EQ(lua_getresult(3), LUA_NOOBJECT);

    // A failed call returns 1 and leaves the previous results in place.
    EXPECT_EQ(lua_call("fail"), 1);
    EXPECT_EQ(messages, std::vector<std::string>{"bad"});
    EXPECT_STREQ(lua_getstring(lua_getresult(1)), "x");

    messages.clear();
    EXPECT_EQ(lua_callfunction(LUA_NOOBJECT), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lua_callfunction(lua_getglobal("undefined")), 1);
    EXPECT_EQ(messages, std::vector<std::string>{"call expression not a function"});
}

TEST_F(LuaApi, RunningChunks) {
    EXPECT_EQ(lua_dofile("/nonexistent/chunk.lua"), 2);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lua_dostring("x = = 1"), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "<expression> expected;\n  last token read: `=' at line 1 in string `x = = 1'");
    EXPECT_EQ(lua_dostring("error('run')"), 1);
    EXPECT_EQ(messages.back(), "run");

    EXPECT_EQ(lua_dostring("return 1, 'two'"), 0);
    EXPECT_EQ(lua_getnumber(lua_getresult(1)), 1);
    EXPECT_STREQ(lua_getstring(lua_getresult(2)), "two");
    EXPECT_EQ(lua_dostring("x = 1"), 0);
    EXPECT_EQ(lua_getresult(1), LUA_NOOBJECT);

    // dobuffer reads exactly size bytes; the name shows in messages.
    const char buffer[] = "s = 'a\0b'";
    EXPECT_EQ(lua_dobuffer(buffer, sizeof buffer - 1, "buf"), 0);
    EXPECT_EQ(lua_strlen(lua_getglobal("s")), 3);
    const char good[] = "v = 5 garbage";
    EXPECT_EQ(lua_dobuffer(good, 5, "@named.lua"), 0);
    EXPECT_EQ(number("v"), 5);
    messages.clear();
    EXPECT_EQ(lua_dobuffer("x = = 1", 7, nullptr), 1);
    EXPECT_EQ(messages.at(0),
              "<expression> expected;\n  last token read: `=' at line 1 in string `?'");
    messages.clear();
    EXPECT_EQ(lua_dobuffer("x = = 1", 7, "@named.lua"), 1);
    EXPECT_EQ(messages.at(0),
              "<expression> expected;\n  last token read: `=' at line 1 in file `named.lua'");
    messages.clear();
    EXPECT_NE(lua_dobuffer("\033Lua", 4, "bin"), 0);
}

TEST_F(LuaApi, ReferencesFromZero) {
    lua_pushstring("first");
    int r0 = lua_ref(1);
    lua_pushnumber(2);
    int r1 = lua_ref(1);
    EXPECT_EQ(r0, 0);
    EXPECT_EQ(r1, 1);
    EXPECT_STREQ(lua_getstring(lua_getref(r0)), "first");
    lua_unref(r0);
    lua_unref(r0); // twice: ignored
    lua_unref(-1);
    lua_unref(12345);
    EXPECT_EQ(lua_getref(r0), LUA_NOOBJECT);
    lua_pushnumber(3);
    EXPECT_EQ(lua_ref(1), r0); // released numbers are reused
    lua_pushnil();
    int rn = lua_ref(1);
    EXPECT_EQ(rn, -1);
    EXPECT_TRUE(lua_isnil(lua_getref(rn)));
    EXPECT_EQ(lua_getref(12345), LUA_NOOBJECT);
    EXPECT_EQ(lua_getref(-5), LUA_NOOBJECT);

    // An unlocked reference lets its table go.
    lua_beginblock();
    lua_pushobject(lua_createtable());
    int weak = lua_ref(0);
    lua_pushobject(lua_createtable());
    int strong = lua_ref(1);
    lua_endblock();
    lua_collectgarbage(0);
    EXPECT_EQ(lua_getref(weak), LUA_NOOBJECT);
    EXPECT_TRUE(lua_istable(lua_getref(strong)));
}

void paramsAfterCall() {
    lua_Object own = lua_getparam(1);
    lua_beginblock();
    lua_dostring("return 'inner'");
    lua_endblock();
    lua_Object again = lua_getparam(1);
    lua_dostring("return 'result'");
    lua_Object now = lua_getparam(1);
    lua_pushobject(own);
    lua_pushobject(again);
    lua_pushobject(now);
}

void pushThenBlock() {
    lua_pushnumber(1);
    lua_beginblock();
    lua_endblock();
}

TEST_F(LuaApi, BlocksRestoreParameters) {
    lua_register("params", paramsAfterCall);
    lua_register("pushblock", pushThenBlock);
    run("a, b, c = params('mine')  p = call(pushblock, {}, 'p')  n = p.n");
    EXPECT_EQ(string("a"), "mine");
    EXPECT_EQ(string("b"), "mine");
    EXPECT_EQ(string("c"), "result");
    // Values pending when a block began are gone after it ends.
    EXPECT_EQ(number("n"), 0);

    // Deep nesting of blocks is allowed.
    for (int i = 0; i < 2000; ++i)
        lua_beginblock();
    for (int i = 0; i < 2000; ++i)
        lua_endblock();
    // Many calls inside blocks never overflow.
    for (int i = 0; i < 20000; ++i) {
        lua_beginblock();
        ASSERT_EQ(lua_dostring("return 1"), 0);
        lua_endblock();
    }
}

void misuse() {
    lua_pushnumber(1);
    lua_settable(); // needs three values
}

void pushNoObject() {
    lua_pushobject(LUA_NOOBJECT);
}

void settagNumber() {
    lua_pushnumber(1);
    lua_settag(lua_newtag());
}

void pushPredefinedTag() {
    int x = 0;
    lua_pushusertag(&x, -3);
}

void pushNullFunction() {
    lua_pushcfunction(nullptr);
}

void nextNonTable() {
    lua_pushnumber(1);
    lua_next(lua_pop(), 0);
}

TEST_F(LuaApi, MisuseRaisesErrors) {
    struct Case {
        const char* name;
        lua_CFunction f;
        const char* message;
    };
    const Case cases[] = {
        {"misuse", misuse, "API error - wrong number of arguments in C2lua stack"},
        {"pushnoobject", pushNoObject, "API error - attempt to push a NOOBJECT"},
        {"settagnumber", settagNumber, "cannot change the tag of a number"},
        {"pushpredefined", pushPredefinedTag, "tag -3 was not created by `newtag'"},
        {"pushnull", pushNullFunction, "API error - attempt to push a NULL Cfunction"},
        {"nextnontable", nextNonTable, "API error - object is not a table in `lua_next'"},
    };
    for (const Case& c : cases) {
        messages.clear();
        lua_register(c.name, c.f);
        EXPECT_EQ(lua_call(c.name), 1) << c.name;
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.name;
    }
}

TEST_F(LuaApi, TraversalFromC) {
    run("t = {10, 20, 30}");
    lua_Object t = lua_getglobal("t");
    double sum = 0;
    int count = 0;
    for (int i = lua_next(t, 0); i != 0; i = lua_next(t, i)) {
        sum += lua_getnumber(lua_getresult(1)) * lua_getnumber(lua_getresult(2));
        ++count;
        ASSERT_LT(count, 10);
    }
    EXPECT_EQ(count, 3);
    EXPECT_EQ(sum, 10 + 40 + 90);

    run("zz_global_for_nextvar = 1");
    bool found = false;
    int guard = 0;
    for (const char* n = lua_nextvar(nullptr); n != nullptr; n = lua_nextvar(n)) {
        if (std::string(n) == "zz_global_for_nextvar") {
            found = true;
            EXPECT_STREQ(lua_getstring(lua_getresult(1)), n);
            EXPECT_EQ(lua_getnumber(lua_getresult(2)), 1);
        }
        ASSERT_LT(++guard, 10000);
    }
    EXPECT_TRUE(found);
}

TEST_F(LuaApi, TagsAndTagMethodsFromC) {
    int a = lua_newtag();
    int b = lua_newtag();
    EXPECT_EQ(b, a - 1);
    lua_pushnumber(42); // any value is accepted as a method
    lua_Object old = lua_settagmethod(a, "gc");
    EXPECT_TRUE(lua_isnil(old));
    EXPECT_EQ(lua_getnumber(lua_gettagmethod(a, "gc")), 42);
    EXPECT_EQ(lua_copytagmethods(b, a), b);
    EXPECT_EQ(lua_getnumber(lua_gettagmethod(b, "gc")), 42);
    int c = lua_clonetag(a);
    EXPECT_EQ(lua_getnumber(lua_gettagmethod(c, "gc")), 42);
    lua_pushnil();
    lua_settagmethod(a, "gc");
    lua_pushnil();
    lua_settagmethod(b, "gc");
    lua_pushnil();
    lua_settagmethod(c, "gc");

    // lua_settag works on userdata too.
    int cell = 0;
    lua_pushusertag(&cell, a);
    lua_settag(b);
    lua_pushusertag(&cell, b);
    EXPECT_EQ(lua_tag(lua_pop()), b);
}

void errorFromC() {
    lua_error("from C");
}

TEST_F(LuaApi, ErrorsFromC) {
    lua_register("cerr", errorFromC);
    run("r = call(cerr, {}, 'x')");
    EXPECT_TRUE(lua_isnil(lua_getglobal("r")));
    EXPECT_EQ(messages, std::vector<std::string>{"from C"});

    // lua_seterrormethod returns the previous handler.
    lua_pushcfunction(describeParams);
    lua_Object prev = lua_seterrormethod();
    EXPECT_EQ(lua_getcfunction(prev), recordMessage);
    EXPECT_EQ(lua_getcfunction(lua_getglobal("_ERRORMESSAGE")), describeParams);
}

// The game never lets the interpreter end the process: an error outside any
// protected call is reported once through the handler and the call returns.
TEST(LuaApiExit, ErrorOutsideProtectedCallIsReportedAndReturns) {
    lua_State* saved = lua_state;
    lua_state = nullptr;
    lua_open();
    messages.clear();
    lua_register("_ERRORMESSAGE", recordMessage);
    lua_error("boom");
    EXPECT_EQ(messages, std::vector<std::string>{"boom"});
    lua_pushnil();
    lua_Object missing = lua_gettable(); // too few values: reported, no object
    EXPECT_EQ(missing, LUA_NOOBJECT);
    EXPECT_EQ(messages.size(), 2u);
    lua_close();
    lua_state = saved;
}

TEST_F(LuaApi, CloseRunsGcMethods) {
    run("collected = 0  T = newtag()  settagmethod(T, 'gc', function (o) collected = collected + 1 "
        "end)"
        "  keep1 = settag({}, T)  keep2 = settag({}, T)");
    lua_register("_ALERT", recordMessage);
    run("settagmethod(tag(nil), 'gc', function () _ALERT('nil tag ' .. collected) end)");
    messages.clear();
    lua_close();
    EXPECT_EQ(messages, std::vector<std::string>{"nil tag 2"});
    lua_open();
}

// --- debug interface -------------------------------------------------

std::vector<std::string> stack;

void inspect() {
    stack.clear();
    for (int level = 0;; ++level) {
        lua_Function f = lua_stackedfunction(level);
        if (f == LUA_NOOBJECT) break;
        char* source = nullptr;
        int line = 0;
        lua_funcinfo(f, &source, &line);
        char* name = nullptr;
        const char* kind = lua_getobjname(f, &name);
        stack.push_back(std::string(source ? source : "<null>") + ":" + std::to_string(line) + ":" +
                        std::to_string(lua_currentline(f)) + ":" + kind + ":" +
                        (name ? name : "-"));
        ASSERT_LT(level, 50);
    }
}

TEST_F(LuaApi, StackInspection) {
    EXPECT_EQ(lua_stackedfunction(0), LUA_NOOBJECT);
    lua_register("inspect", inspect);
    lua_setdebug(1);
    const char* chunk = "function lf()\n  inspect()\nend\nlf()";
    ASSERT_EQ(lua_dostring(chunk), 0);
    std::string src = chunk;
    EXPECT_EQ(stack, (std::vector<std::string>{"(C):-1:-1:global:inspect", src + ":1:2:global:lf",
                                               src + ":0:4::-"}));
    // A chunk run by dostring has dostring one level further out.
    ASSERT_EQ(lua_dostring("dostring('inspect()')"), 0);
    ASSERT_EQ(stack.size(), 4u);
    EXPECT_EQ(stack[1], "inspect():0:1::-");
    EXPECT_EQ(stack[2], "(C):-1:-1:global:dostring");
    EXPECT_EQ(stack[3], "dostring('inspect()'):0:1::-");
    lua_setdebug(0);
    ASSERT_EQ(lua_dostring("function lf2() inspect() end\nlf2()"), 0);
    ASSERT_EQ(stack.size(), 3u);
    EXPECT_EQ(stack[1], "function lf2() inspect() end\nlf2():1:-1:global:lf2");
}

// $nodebug lasts only for its own chunk, also when the host turned debugging on.
TEST_F(LuaApi, PragmaDebugFlagIsPerChunk) {
    lua_register("inspect", inspect);
    lua_setdebug(1);
    ASSERT_EQ(lua_dostring("$nodebug\nfunction a()\n  inspect()\nend"), 0);
    ASSERT_EQ(lua_dostring("function b()\n  inspect()\nend"), 0);
    lua_setdebug(0);
    ASSERT_EQ(lua_dostring("a()"), 0);
    ASSERT_GE(stack.size(), 2u);
    EXPECT_EQ(stack[1], "$nodebug\nfunction a()\n  inspect()\nend:2:-1:global:a");
    ASSERT_EQ(lua_dostring("b()"), 0);
    ASSERT_GE(stack.size(), 2u);
    EXPECT_EQ(stack[1], "function b()\n  inspect()\nend:1:2:global:b");
}

std::string localsSeen;

void readLocals() {
    lua_Function f = lua_stackedfunction(1);
    localsSeen.clear();
    for (int n = 1;; ++n) {
        char* name = nullptr;
        lua_Object v = lua_getlocal(f, n, &name);
        if (v == LUA_NOOBJECT) break;
        const char* s = lua_getstring(v);
        localsSeen += std::string(name) + "=" + (s ? s : "?") + " ";
    }
    lua_pushstring("changed");
    localsSeen += "set2=" + std::to_string(lua_setlocal(f, 2));
    lua_pushstring("x");
    localsSeen += " set99=" + std::to_string(lua_setlocal(f, 99));
}

TEST_F(LuaApi, LocalsThroughDebugInterface) {
    lua_register("locals", readLocals);
    lua_setdebug(1);
    run("function withlocals(p, ...)\n  local d = 1  locals()\n  return p, d\nend\n"
        "a, b = withlocals('P', 'extra')");
    EXPECT_EQ(localsSeen, "p=P arg=? set2=1 set99=0");
    EXPECT_EQ(string("a"), "P");

    run("function later(p)\n  local d = 1\n  locals()\n  return d\nend\nr = later(5)");
    EXPECT_EQ(localsSeen, "p=5 d=1 set2=1 set99=0");
    EXPECT_EQ(string("r"), "changed");

    lua_setdebug(0);
    run("function nodebug(p) locals() end nodebug(1)");
    EXPECT_EQ(localsSeen, "set2=0 set99=0");
}

void countUpvalues() {
    lua_pushnumber(lua_nups(lua_stackedfunction(0)));
}

TEST_F(LuaApi, UpvalueCountOfClosures) {
    lua_pushstring("a");
    lua_pushstring("b");
    lua_pushcclosure(countUpvalues, 2);
    lua_setglobal("two");
    lua_register("none", countUpvalues);
    run("n2 = two()  n0 = none()");
    EXPECT_EQ(number("n2"), 2);
    EXPECT_EQ(number("n0"), 0);
}

std::vector<int> hookLines;
std::vector<std::string> hookCalls;

void lineHook(int line) {
    hookLines.push_back(line);
}
void callHook(lua_Function f, char* file, int line) {
    hookCalls.push_back(std::string(f == LUA_NOOBJECT ? "exit " : "enter ") +
                        (file ? file : "<null>") + " " + std::to_string(line));
}

TEST_F(LuaApi, Hooks) {
    lua_setdebug(1);
    EXPECT_EQ(lua_setlinehook(lineHook), nullptr);
    ASSERT_EQ(lua_dostring("local a = 1\nlocal b = 2\n\nfunction k()\n  return 1\nend\nk()"), 0);
    EXPECT_EQ(lua_setlinehook(nullptr), lineHook);
    EXPECT_EQ(hookLines, (std::vector<int>{1, 2, 4, 7, 5}));

    lua_setdebug(0);
    hookLines.clear();
    lua_setlinehook(lineHook);
    ASSERT_EQ(lua_dostring("local a = 1\nlocal b = 2"), 0);
    lua_setlinehook(nullptr);
    EXPECT_TRUE(hookLines.empty());

    EXPECT_EQ(lua_setcallhook(callHook), nullptr);
    ASSERT_EQ(lua_dostring("print()"), 0);
    lua_setcallhook(nullptr);
    EXPECT_EQ(hookCalls, (std::vector<std::string>{"enter print() 0", "enter (C) -1",
                                                   "exit (return) 0", "exit (return) 0"}));
}

} // namespace
