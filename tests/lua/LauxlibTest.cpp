// The auxiliary library seen from a host: argument checks and their
// messages, chunk descriptions and the shared character buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

// In LauxlibCHost.c, compiled as C.
extern "C" int lauxlibCHostFindMode(const char* name);
extern "C" void lauxlibCHostIntegers(void);

namespace {

std::string lastError;

void recordError() {
    const char* m = lua_getstring(lua_getparam(1));
    lastError = m != nullptr ? m : "(null)";
}

// Each checker reads its arguments one way and returns what it got.
// A closure with 2 upvalues: its second argument is parameter 4.
void checkSecond() {
    lua_pushnumber(luaL_check_number(4));
}
void anonymous() {
    lua_pushnumber(luaL_check_number(1));
}
void optNumber() {
    lua_pushnumber(luaL_opt_number(1, 42));
}
void optString() {
    lua_pushstring(luaL_opt_string(1, "default"));
}
void checkString() {
    long len = 0;
    const char* s = luaL_check_lstr(1, &len);
    lua_pushlstring(s, len);
    lua_pushnumber(len);
}
void nonNull() {
    lua_pushobject(luaL_nonnullarg(1));
}
void tableArg() {
    lua_pushobject(luaL_tablearg(1));
}
void functionArg() {
    lua_pushobject(luaL_functionarg(1));
}
void argCheck() {
    luaL_arg_check(luaL_check_number(1) > 0, 1, "must be positive");
}
void noDetail() {
    luaL_argerror(2, nullptr);
}
void formatted() {
    luaL_verror("value %d of %s", 7, "seven");
}

class Lauxlib : public ::testing::Test {
protected:
    void SetUp() override {
        lua_open();
        lua_strlibopen();
        lua_register("_ERRORMESSAGE", recordError);
        const luaL_reg functions[] = {
            {"optNumber", optNumber}, {"optString", optString}, {"checkString", checkString},
            {"nonNull", nonNull},     {"tableArg", tableArg},   {"functionArg", functionArg},
            {"argCheck", argCheck},   {"noDetail", noDetail},   {"formatted", formatted},
        };
        luaL_openlib(functions, static_cast<int>(sizeof functions / sizeof functions[0]));
        lua_pushnumber(1);
        lua_pushnumber(2);
        lua_pushcclosure(checkSecond, 2);
        lua_setglobal("closure");
        // A function reachable only through a table has no name.
        lua_register("tmp", anonymous);
        lua_dostring("hidden = {f = tmp} tmp = nil");
        lastError.clear();
    }
    void TearDown() override { lua_close(); }

    // Runs a chunk that stores its answer in the global r; returns r as text.
    std::string run(const char* chunk) {
        lastError.clear();
        if (lua_dostring(chunk) != 0) return "error: " + lastError;
        lua_beginblock();
        const char* r = lua_getstring(lua_getglobal("r"));
        std::string out = r != nullptr ? r : "nil";
        lua_endblock();
        return out;
    }
};

TEST_F(Lauxlib, ArgumentChecksAndTheirMessages) {
    struct Case {
        const char* chunk;
        const char* expected;
    };
    const Case cases[] = {
        // upvalues of a C closure are not counted in the argument number
        {"r = closure(1, 5)", "5"},
        {"r = closure(1)", "error: bad argument #2 to function `closure' (number expected)"},
        {"r = closure(1, 'x')", "error: bad argument #2 to function `closure' (number expected)"},
        {"r = closure(1, ' 12 ')", "12"},
        // absent takes the default; an explicit nil is a wrong type
        {"r = optNumber()", "42"},
        {"r = optNumber('7')", "7"},
        {"r = optNumber(nil)", "error: bad argument #1 to function `optNumber' (number expected)"},
        {"r = optString()", "default"},
        {"r = optString(12)", "12"},
        {"r = optString({})", "error: bad argument #1 to function `optString' (string expected)"},
        {"a, b = checkString('a\\0b') r = b", "3"},
        {"r = checkString()", "error: bad argument #1 to function `checkString' (string expected)"},
        {"r = type(nonNull(nil))", "nil"},
        {"r = nonNull()", "error: bad argument #1 to function `nonNull' (value expected)"},
        {"r = tableArg(1)", "error: bad argument #1 to function `tableArg' (table expected)"},
        {"r = type(functionArg(print))", "function"},
        {"r = functionArg({})",
         "error: bad argument #1 to function `functionArg' (function expected)"},
        {"r = argCheck(-1)", "error: bad argument #1 to function `argCheck' (must be positive)"},
        {"r = noDetail()", "error: bad argument #2 to function `noDetail'"},
        {"r = hidden.f(nil)", "error: bad argument #1 to function `?' (number expected)"},
        {"r = formatted()", "error: value 7 of seven"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(run(c.chunk), c.expected) << c.chunk;
}

// A host may check values at its top level, outside any Lua call: the
// failure is reported through _ERRORMESSAGE and the check returns a neutral
// value instead of ending the process.
TEST_F(Lauxlib, ChecksOutsideAnyCallReportAndReturn) {
    ASSERT_EQ(lua_dostring("return 'text', {}"), 0);
    EXPECT_EQ(luaL_check_number(1), 0);
    EXPECT_EQ(lastError, "bad argument #1 to function `?' (number expected)");
    long len = 99;
    EXPECT_STREQ(luaL_check_lstr(2, &len), "");
    EXPECT_EQ(len, 0);
    EXPECT_EQ(lastError, "bad argument #2 to function `?' (string expected)");
    EXPECT_EQ(luaL_functionarg(2), LUA_NOOBJECT);
    EXPECT_EQ(luaL_tablearg(1), LUA_NOOBJECT);
    EXPECT_EQ(luaL_nonnullarg(3), LUA_NOOBJECT);
    EXPECT_EQ(lastError, "bad argument #3 to function `?' (value expected)");
    EXPECT_STREQ(luaL_check_string(1), "text");
    lastError.clear();
    luaL_verror("late %s", "failure");
    EXPECT_EQ(lastError, "late failure");
    // A library function run directly by the host fails the same way, and
    // never reads past a malformed pattern.
    const struct {
        const char* chunk;
        const char* function;
        const char* error;
    } direct[] = {
        {"return 'abc', '[a'", "strfind", "incorrect pattern (missing `]')"},
        {"return 'abc', 'a%'", "gsub", "incorrect pattern (ends with `%')"},
        {"return 'abc', '%1'", "strfind", "invalid capture index"},
        {"return '%'", "format", "invalid option in `format'"},
        {"return '%y', 1", "format", "invalid option in `format'"},
    };
    for (const auto& d : direct) {
        lastError.clear();
        ASSERT_EQ(lua_dostring(d.chunk), 0) << d.chunk;
        lua_CFunction f = lua_getcfunction(lua_rawgetglobal(d.function));
        ASSERT_NE(f, nullptr) << d.function;
        f();
        EXPECT_EQ(lastError, d.error) << d.chunk;
    }
    // The state goes on working.
    EXPECT_EQ(run("r = strfind('abc', 'b')"), "2");
}

TEST_F(Lauxlib, FindString) {
    const char* const list[] = {"set", "cur", "end", nullptr};
    EXPECT_EQ(luaL_findstring("set", list), 0);
    EXPECT_EQ(luaL_findstring("end", list), 2);
    EXPECT_EQ(luaL_findstring("END", list), -1);
    EXPECT_EQ(luaL_findstring("", list), -1);
    // lists of char*, from C++ and from a host written in C
    char cur[] = "cur";
    char* const mutableList[] = {cur, nullptr};
    EXPECT_EQ(luaL_findstring("cur", mutableList), 0);
    EXPECT_EQ(lauxlibCHostFindMode("end"), 2);
    EXPECT_EQ(lauxlibCHostFindMode("all"), -1);
}

// The integer macros a host uses follow the libraries' rule: toward zero,
// and the smallest value for NaN and numbers beyond the type.
TEST_F(Lauxlib, IntegerMacrosConvertAsTheLibrariesDo) {
    lua_register("ints", lauxlibCHostIntegers);
    const struct {
        const char* chunk;
        const char* expected;
    } cases[] = {
        {"a, b, c, d = ints(-3.9, 7.9)", "-3 7 5 6"},
        {"a, b, c, d = ints(1e10, 1e300, -1e10, -1e300)",
         "-2147483648 -9.223372036854776e+18 -2147483648 -9.223372036854776e+18"},
        {"a, b, c, d = ints(0/0, 0/0, 0/0, 0/0)",
         "-2147483648 -9.223372036854776e+18 -2147483648 -9.223372036854776e+18"},
        {"a, b, c, d = ints(2147483647.5, '12.5', -2147483648.5)", "2147483647 12 -2147483648 6"},
    };
    for (const auto& c : cases) {
        std::string chunk = std::string(c.chunk) + " r = a .. ' ' .. b .. ' ' .. c .. ' ' .. d";
        EXPECT_EQ(run(chunk.c_str()), c.expected) << c.chunk;
    }
}

TEST(LauxlibChunkId, DescribesSources) {
    struct Case {
        const char* source;
        int len;
        const char* expected;
    };
    const std::string longLine(80, 'a');
    const Case cases[] = {
        {"@prog.lua", 60, "file `prog.lua'"},
        {"(C)", 60, "(C code)"},
        {"x = 1", 60, "string `x = 1'"},
        {"x = 1\ny = 2", 60, "string `x = 1...'"},
        {"\nx = 1", 60, "string `...'"},
        {"=name", 60, "string `=name'"},
        {longLine.c_str(), 200,
         "string `aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...'"},
        {longLine.c_str(), 20, "string `aaaaaaa...'"},
        {"@a-very-long-file-name.lua", 12, "file `a-ver"},
    };
    for (const Case& c : cases) {
        char out[256];
        std::memset(out, 'X', sizeof out);
        luaL_chunkid(out, c.source, c.len);
        EXPECT_STREQ(out, c.expected) << c.source;
        EXPECT_LT(std::strlen(out), static_cast<size_t>(c.len));
    }
    char out[32];
    luaL_filesource(out, "game.lua", sizeof out);
    EXPECT_STREQ(out, "@game.lua");
}

TEST(LauxlibBuffer, NestedUsersKeepTheirParts) {
    luaL_resetbuffer();
    luaL_addchar('a');
    luaL_addchar('b');
    EXPECT_EQ(luaL_getsize(), 2);
    int outer = luaL_newbuffer(0);
    EXPECT_EQ(luaL_getsize(), 0);
    char* space = luaL_openspace(3);
    std::memcpy(space, "xyz", 3);
    luaL_addsize(3);
    EXPECT_EQ(std::string(luaL_buffer(), static_cast<size_t>(luaL_getsize())), "xyz");
    // Growing the buffer keeps what the outer user had written.
    for (int i = 0; i < 10000; i++)
        luaL_addchar('.');
    luaL_oldbuffer(outer);
    EXPECT_EQ(std::string(luaL_buffer(), static_cast<size_t>(luaL_getsize())), "ab");
    luaL_resetbuffer();
    EXPECT_EQ(luaL_getsize(), 0);
}

} // namespace
