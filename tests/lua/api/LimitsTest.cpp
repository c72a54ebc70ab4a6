// Runaway scripts end in Lua errors, never in a crash.
#include "LuaFixture.h"
#include "luahost.h"

using LimitsTest = LuaFixture;

TEST_F(LimitsTest, DeepRecursionIsAStackOverflowError) {
    EXPECT_EQ(1, run("function r(k) return 1 + r(k + 1) end r(1)"));
    EXPECT_EQ("stack size overflow\n", errors);
    errors.clear();
    EXPECT_EQ(1, run("function f(n) f(n + 1) end f(1)"));
    EXPECT_EQ("stack size overflow\n", errors);
    errors.clear();
    // through C: call, tag methods, dostring
    EXPECT_EQ(1, run("function g(n) return call(g, {n + 1}) end g(1)"));
    EXPECT_EQ("stack size overflow\n", errors);
    errors.clear();
    EXPECT_EQ(1, run("T = newtag() t = {} settag(t, T) settagmethod(T, 'index', function (t, k) "
                     "return t[k] end) x = t.y"));
    EXPECT_EQ("stack size overflow\n", errors);
    errors.clear();
    EXPECT_EQ(1, run("s = 'dostring(s)' dostring(s) error('after')"));
    ASSERT_EQ(0,
              run("function r(k) if k == 0 then return 0 end return 1 + r(k - 1) end x = r(2000)"));
    EXPECT_EQ(2000, num("x"));
}

namespace {

// A host command that calls back into a script: hostrec(n) is
// luarec(n - 1) + 1, and luarec calls hostrec again.
void hostRecurse() {
    double n = lua_getnumber(lua_getparam(1));
    if (n <= 0) {
        lua_pushnumber(0);
        return;
    }
    lua_pushnumber(n - 1);
    if (lua_callfunction(lua_getglobal("luarec")) != 0) {
        lua_error(nullptr);
        return;
    }
    lua_pushnumber(lua_getnumber(lua_getresult(1)) + 1);
}

// The same with a large frame of its own, so that the C stack runs out
// long before the limit on nested calls.
void hostRecurseLargeFrame() {
    volatile char frame[32 << 10];
    frame[0] = 1;
    frame[sizeof frame - 1] = frame[0];
    double n = lua_getnumber(lua_getparam(1));
    lua_pushnumber(n - 1);
    if (n > 0 && lua_callfunction(lua_getglobal("luarecfat")) != 0) lua_error(nullptr);
}

} // namespace

TEST_F(LimitsTest, RecursionThroughCReachesDeepLevels) {
    lua_register("hostrec", hostRecurse);
    lua_register("hostrecfat", hostRecurseLargeFrame);
    ASSERT_EQ(0, run("function luarec(n) return hostrec(n) end "
                     "function luarecfat(n) return hostrecfat(n) end"));
    struct Case {
        const char* chunk;
        double levels;
    } cases[] = {
        {"function r(n) if n == 0 then return 0 end return 1 + call(r, {n-1}) end x = r(1100)",
         1100},
        {"x = luarec(300)", 300},
    };
    for (const Case& c : cases) {
        errors.clear();
        ASSERT_EQ(0, run(c.chunk)) << c.chunk << ": " << errors;
        EXPECT_EQ(c.levels, num("x")) << c.chunk;
    }
    // deeper, the C stack's budget ends it with an error, not a crash
    for (const char* deep :
         {"function r(n) if n == 0 then return 0 end return 1 + call(r, {n-1}) end x = r(100000)",
          "x = luarec(100000)", "x = luarecfat(1500)"}) {
        errors.clear();
        EXPECT_EQ(1, run(deep)) << deep;
        EXPECT_EQ(0u, errors.find("stack size overflow")) << deep << ": " << errors;
    }
}

TEST_F(LimitsTest, RunawayStringGrowthIsAMemoryError) {
    lua_setmemorylimit(64 << 20);
    EXPECT_EQ(1, run("s = 'x' while 1 do s = s .. s end"));
    EXPECT_EQ("not enough memory\n", errors);
    errors.clear();
    EXPECT_EQ(1, run("t = {} i = 1 while 1 do t[i] = {} i = i + 1 end"));
    EXPECT_EQ("not enough memory\n", errors);
    run("t = nil s = nil");
    lua_collectgarbage(0);
    EXPECT_EQ(0, run("x = 1"));
}

TEST_F(LimitsTest, InstructionBudgetStopsEndlessLoops) {
    lua_setinstructionbudget(100000);
    EXPECT_EQ(1, run("while 1 do end"));
    EXPECT_EQ("instruction budget exhausted\n", errors);
    lua_setinstructionbudget(0);
    EXPECT_EQ(0, run("i = 0 while i < 200000 do i = i + 1 end"));
}

TEST_F(LimitsTest, CompilerLimits) {
    std::string locals;
    for (int i = 0; i < 201; i++)
        locals += "local a" + std::to_string(i) + " ";
    EXPECT_EQ(1, run(locals.c_str()));
    EXPECT_EQ(0u, errors.find("too many local variables (limit=200);"));
    errors.clear();
    std::string ups = "function f() return function () return ";
    for (int i = 0; i < 33; i++)
        ups += "%u" + std::to_string(i) + "..";
    ups += "1 end end";
    EXPECT_EQ(1, run(ups.c_str()));
    EXPECT_EQ(0u, errors.find("too many upvalues (limit=32);"));
    errors.clear();
    std::string deep = "x = " + std::string(100000, '(');
    EXPECT_EQ(1, run(deep.c_str()));
    EXPECT_EQ(0u, errors.find("function/expression too complex;"));
}

TEST_F(LimitsTest, BlocksNestDeeply) {
    for (int i = 0; i < 5000; i++)
        lua_beginblock();
    EXPECT_EQ(0, run("x = 1"));
    for (int i = 0; i < 5000; i++)
        lua_endblock();
    EXPECT_EQ("", errors);
}
