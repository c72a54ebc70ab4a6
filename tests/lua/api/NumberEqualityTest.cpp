// Numbers closer than 0.00001 are equal: in ==, ~= and as table keys.
#include "LuaFixture.h"

using NumberEqualityTest = LuaFixture;

TEST_F(NumberEqualityTest, ScriptComparisons) {
    const struct {
        const char* expr;
        bool truth;
    } cases[] = {
        {"1 == 1.000009", true},         {"1 == 1.00001", false},        {"0.1 + 0.2 == 0.3", true},
        {"1 == 1.000006", true},         {"1.000006 == 1.000012", true}, {"1 == 1.000012", false},
        {"1 ~= 1.000005", false},        {"1 < 1.000005", true},         {"1.000005 <= 1", false},
        {"-0.000001 == 0.000001", true}, {"'1' == 1.000001", false},     {"0/0 == 0/0", false},
    };
    for (const auto& c : cases) {
        std::string chunk = std::string("r = ") + c.expr;
        ASSERT_EQ(0, run(chunk.c_str())) << c.expr;
        EXPECT_EQ(c.truth, !isnil("r")) << c.expr;
    }
}

TEST_F(NumberEqualityTest, TableKeysWithTheSameIntegerPart) {
    ASSERT_EQ(0, run("t = {} t[1] = 'a' a = t[1.000001] "
                     "t[2.5] = 'b' b = t[2.500004] "
                     "t[1.000002] = 'c' c = t[1] "
                     "u = {} u[7.000003] = 'd' d = u[7] u[7] = 'e' e = u[7.000003] "
                     "n = 0 k = next(u, nil) while k do n = n + 1 k = next(u, k) end "
                     "big = {} big[100000] = 1 f = big[100000.000001]"));
    EXPECT_EQ("a", str("a"));
    EXPECT_EQ("b", str("b"));
    EXPECT_EQ("c", str("c"));
    EXPECT_EQ("d", str("d"));
    EXPECT_EQ("e", str("e"));
    EXPECT_EQ(1, num("n"));
    EXPECT_EQ(1, num("f"));
}

TEST_F(NumberEqualityTest, ThroughTheCInterface) {
    lua_beginblock();
    lua_Object t = lua_createtable();
    lua_pushobject(t);
    lua_pushnumber(3);
    lua_pushstring("three");
    lua_settable();
    lua_pushobject(t);
    lua_pushnumber(3.000004);
    EXPECT_STREQ("three", lua_getstring(lua_gettable()));
    lua_pushobject(t);
    lua_pushnumber(3.00002);
    EXPECT_TRUE(lua_isnil(lua_rawgettable()));
    lua_endblock();
    lua_pushnumber(2.0000001);
    lua_setglobal("x");
    ASSERT_EQ(0, run("r = x == 2"));
    EXPECT_FALSE(isnil("r"));
}
