// Collection: roots, gc tag methods and userdata identity after collection.
#include "LuaFixture.h"

using GcTest = LuaFixture;

namespace {
int freedcount;
void onGc() {
    freedcount++;
}
} // namespace

TEST_F(GcTest, GcMethodsRunForUnreachableTablesAndUserdata) {
    freedcount = 0;
    lua_register("onGc", onGc);
    ASSERT_EQ(0, run("T = newtag() settagmethod(T, 'gc', onGc) "
                     "keep = {} settag(keep, T) "
                     "i = 0 while i < 10 do local t = {} settag(t, T) i = i + 1 end"));
    lua_collectgarbage(0);
    EXPECT_EQ(10, freedcount);
    lua_collectgarbage(0);
    EXPECT_EQ(10, freedcount) << "each object is finalized once";
    lua_close();
    EXPECT_EQ(11, freedcount) << "lua_close finalizes what is left";
}

TEST_F(GcTest, AMethodMayStoreItsObject) {
    ASSERT_EQ(0, run("T = newtag() settagmethod(T, 'gc', function (o) saved = o end) "
                     "do local t = {v = 5} settag(t, T) end  collectgarbage()  collectgarbage() "
                     "v = saved.v"));
    EXPECT_EQ(5, num("v"));
}

TEST_F(GcTest, HandlesOfOpenBlocksAreRoots) {
    ASSERT_EQ(0, run("T = newtag() n = 0 settagmethod(T, 'gc', function () n = n + 1 end)"));
    lua_beginblock();
    ASSERT_EQ(0, run("local t = {} settag(t, T) return t"));
    lua_Object t = lua_getresult(1);
    lua_collectgarbage(0);
    EXPECT_EQ(0, num("n"));
    EXPECT_TRUE(lua_istable(t));
    lua_endblock();
    lua_collectgarbage(0);
    EXPECT_EQ(1, num("n"));
}

TEST_F(GcTest, StringsAndClosuresSurviveHeavyAllocation) {
    ASSERT_EQ(0, run("function mk(x) return function () return %x end end "
                     "keep = {} i = 0 "
                     "while i < 20000 do local s = 'k' .. i if i == 19900 then keep[1] = mk(s) end "
                     "keep[2] = {s, mk(s)} i = i + 1 end r = keep[1]()"));
    EXPECT_EQ("k19900", str("r"));
}

TEST_F(GcTest, NilTagMethodRunsAtTheEndOfEachCycle) {
    ASSERT_EQ(0, run("cycles = 0 settagmethod(tag(nil), 'gc', function (x) if x == nil then cycles "
                     "= cycles + 1 end end)"));
    lua_collectgarbage(0);
    lua_collectgarbage(0);
    EXPECT_EQ(2, num("cycles"));
}

TEST_F(GcTest, CallKeepsTheReplacedHandlerAlive) {
    ASSERT_EQ(1, run("seterrormethod(function (m) caught = m end) "
                     "x = call(function () seterrormethod(print) collectgarbage() error('e') end, "
                     "{}, 'x', nil) "
                     "collectgarbage() error('after')"));
    EXPECT_EQ("after", str("caught"));
}
