// The C interface as a host uses it: the lua2C/C2lua protocol, blocks,
// references, userdata, states and errors outside protected calls.
#include <cstdio>
#include <cstring>
#include <string>

#include "LuaFixture.h"
#include "luahost.h"

using ApiTest = LuaFixture;

namespace {

// Tools.hello(name [, times]) -> times * 2, name
void hello() {
    char* name = lua_getstring(lua_getparam(1));
    lua_Object t = lua_getparam(2);
    int times = (t == LUA_NOOBJECT) ? 1 : static_cast<int>(lua_getnumber(t));
    if (name == nullptr) lua_error("hello: string expected");
    lua_pushnumber(times * 2);
    lua_pushstring(name);
}

void upvalues() {
    // upvalues come first, then the arguments
    lua_pushobject(lua_getparam(1));
    lua_pushobject(lua_getparam(2));
    lua_pushobject(lua_getparam(3));
}

void unbalanced() {
    // closing blocks it did not open must not reach into its caller's
    lua_endblock();
    lua_endblock();
    lua_pushnumber(5);
}

// Opens blocks and fails inside them.
void failInBlocks() {
    for (int i = 0; i < 50; i++)
        lua_beginblock();
    lua_pushnumber(1);
    lua_error("failed inside blocks");
}

} // namespace

TEST_F(ApiTest, HostRegistersFunctionsInTablesAndScriptsCallThem) {
    lua_beginblock();
    lua_Object tools = lua_getglobal("Tools");
    ASSERT_TRUE(lua_isnil(tools));
    tools = lua_createtable();
    lua_pushobject(tools);
    lua_setglobal("Tools");
    lua_pushobject(tools);
    lua_pushstring("hello");
    lua_pushcclosure(hello, 0);
    lua_settable();
    lua_endblock();
    ASSERT_EQ(0, run("a, b = Tools.hello('x', 3)  c = Tools.hello('y')"));
    EXPECT_EQ(6, num("a"));
    EXPECT_EQ("x", str("b"));
    EXPECT_EQ(2, num("c"));
    EXPECT_EQ(1, run("Tools.hello()"));
    EXPECT_EQ("hello: string expected\n", errors);
}

TEST_F(ApiTest, CallFunctionProtocol) {
    ASSERT_EQ(0, run("function f(a, b) return a + b, a .. b, nil end"));
    lua_beginblock();
    lua_pushnumber(1);
    lua_pushstring("2");
    ASSERT_EQ(0, lua_callfunction(lua_getglobal("f")));
    EXPECT_EQ(3, lua_getnumber(lua_getresult(1)));
    EXPECT_STREQ("12", lua_getstring(lua_getresult(2)));
    EXPECT_TRUE(lua_isnil(lua_getresult(3)));
    EXPECT_EQ(LUA_NOOBJECT, lua_getresult(4));
    EXPECT_FALSE(lua_isnil(LUA_NOOBJECT));
    // a failing call keeps the previous results and empties C2lua
    lua_pushnumber(1);
    lua_pushobject(lua_createtable());
    EXPECT_EQ(1, lua_callfunction(lua_getglobal("f")));
    EXPECT_EQ("unexpected type in arithmetic operation\n", errors);
    EXPECT_EQ(3, lua_getnumber(lua_getresult(1)));
    EXPECT_EQ(1, lua_callfunction(LUA_NOOBJECT));
    EXPECT_EQ(1, lua_callfunction(lua_getglobal("nothing")));
    lua_endblock();
}

TEST_F(ApiTest, CClosureUpvaluesPrecedeArguments) {
    lua_pushstring("u1");
    lua_pushnumber(7);
    lua_pushcclosure(upvalues, 2);
    lua_setglobal("up");
    ASSERT_EQ(0, run("a, b, c = up('arg') "));
    EXPECT_EQ("u1", str("a"));
    EXPECT_EQ(7, num("b"));
    EXPECT_EQ("arg", str("c"));
    lua_pushcfunction(hello);
    lua_setglobal("h1");
    lua_pushcfunction(hello);
    lua_setglobal("h2");
    ASSERT_EQ(0, run("same = h1 == h2"));
    EXPECT_FALSE(isnil("same"));
}

TEST_F(ApiTest, NestedBlocksRestoreTheirContext) {
    lua_beginblock();
    ASSERT_EQ(0, run("return 1, 2"));
    lua_Object outer = lua_getresult(1);
    lua_beginblock();
    ASSERT_EQ(0, run("return 'inner'"));
    EXPECT_STREQ("inner", lua_getstring(lua_getresult(1)));
    lua_beginblock();
    lua_Object t = lua_createtable();
    EXPECT_TRUE(lua_istable(t));
    lua_endblock();
    EXPECT_STREQ("inner", lua_getstring(lua_getresult(1)));
    lua_endblock();
    // the outer block sees its own results again
    EXPECT_EQ(1, lua_getnumber(lua_getresult(1)));
    EXPECT_EQ(2, lua_getnumber(lua_getresult(2)));
    EXPECT_EQ(1, lua_getnumber(outer));
    lua_endblock();
    // unbalanced end: harmless
    lua_endblock();
}

TEST_F(ApiTest, ACFunctionCannotCloseItsCallersBlocks) {
    lua_register("unbalanced", unbalanced);
    lua_beginblock();
    ASSERT_EQ(0, run("local a, b = 1, 2 x = unbalanced() + a + b"));
    lua_endblock();
    EXPECT_EQ(8, num("x"));
}

TEST_F(ApiTest, ManyCallsInsideBlocksDoNotOverflow) {
    for (int i = 0; i < 20000; i++) {
        lua_beginblock();
        ASSERT_EQ(0, run("return 1"));
        lua_getglobal("print");
        lua_endblock();
    }
    EXPECT_EQ("", errors);
}

// The blocks of a C function that fails are closed with it, so a host
// whose commands fail now and then keeps its own blocks, however often.
TEST_F(ApiTest, BlocksOfAFailingCFunctionCloseWithIt) {
    lua_register("failInBlocks", failInBlocks);
    ASSERT_EQ(0, run("function viaLua() failInBlocks() end"));
    lua_beginblock();
    ASSERT_EQ(0, run("return 'mine'"));
    for (int i = 0; i < 2100; i++) { // more blocks in all than may be open at once
        lua_beginblock();
        ASSERT_EQ(1, lua_callfunction(lua_getglobal(i % 2 ? "viaLua" : "failInBlocks")));
        lua_endblock();
    }
    EXPECT_STREQ("mine", lua_getstring(lua_getresult(1)));
    lua_endblock();
    lua_beginblock();
    EXPECT_EQ(0, run("x = 1"));
    lua_endblock();
    EXPECT_EQ(std::string::npos, errors.find("nested blocks")) << errors;
}

TEST_F(ApiTest, HandlesWithoutBlocksOverflowIntoAnError) {
    bool failed = false;
    for (int i = 0; i < 400000 && !failed; i++)
        failed = lua_getglobal("print") == LUA_NOOBJECT;
    EXPECT_TRUE(failed);
    EXPECT_NE(std::string::npos, errors.find("Lua2C - C2Lua overflow"));
}

TEST_F(ApiTest, ErrorsOutsideProtectedCallsReportAndFail) {
    lua_beginblock();
    lua_pushnil();
    lua_pushstring("x");
    EXPECT_EQ(LUA_NOOBJECT, lua_gettable());
    EXPECT_EQ("indexed expression not a table\n", errors);
    errors.clear();
    lua_pushobject(lua_createtable());
    lua_pushnil();
    lua_pushnumber(1);
    lua_settable();
    EXPECT_EQ("unexpected type to index table\n", errors);
    errors.clear();
    lua_error("from host");
    EXPECT_EQ("from host\n", errors);
    errors.clear();
    lua_pushobject(LUA_NOOBJECT);
    EXPECT_EQ("API error - attempt to push a NOOBJECT\n", errors);
    errors.clear();
    lua_settable();
    EXPECT_EQ("API error - wrong number of arguments in C2lua stack\n", errors);
    lua_endblock();
    // the state still works
    ASSERT_EQ(0, run("x = 1"));
}

TEST_F(ApiTest, ReferencesLockValuesAcrossCollections) {
    lua_beginblock();
    lua_Object t = lua_createtable();
    lua_pushobject(t);
    lua_pushstring("k");
    lua_pushnumber(42);
    lua_settable();
    lua_pushobject(t);
    int locked = lua_ref(1);
    lua_pushobject(lua_createtable());
    int weak = lua_ref(0);
    lua_pushnil();
    EXPECT_EQ(-1, lua_ref(1));
    lua_endblock();
    EXPECT_EQ(0, locked);
    EXPECT_EQ(1, weak);
    lua_collectgarbage(0);
    lua_collectgarbage(0);
    lua_beginblock();
    lua_Object back = lua_getref(locked);
    ASSERT_TRUE(lua_istable(back));
    lua_pushobject(back);
    lua_pushstring("k");
    EXPECT_EQ(42, lua_getnumber(lua_gettable()));
    EXPECT_EQ(LUA_NOOBJECT, lua_getref(weak));
    EXPECT_TRUE(lua_isnil(lua_getref(-1)));
    EXPECT_EQ(LUA_NOOBJECT, lua_getref(12345));
    EXPECT_EQ(LUA_NOOBJECT, lua_getref(-5));
    lua_endblock();
    lua_unref(locked);
    lua_unref(locked);
    lua_unref(-1);
    lua_beginblock();
    EXPECT_EQ(LUA_NOOBJECT, lua_getref(locked));
    lua_pushnumber(5);
    EXPECT_EQ(weak < locked ? weak : locked, lua_ref(1)) << "released numbers are reused";
    lua_endblock();
}

TEST_F(ApiTest, UserdataAreInternedByPointerAndTag) {
    static int a;
    int tag = lua_newtag();
    lua_pushuserdata(&a);
    lua_setglobal("u1");
    lua_pushuserdata(&a);
    lua_setglobal("u2");
    lua_pushusertag(&a, tag);
    lua_setglobal("u3");
    lua_pushusertag(&a, LUA_ANYTAG);
    lua_setglobal("u4");
    ASSERT_EQ(
        0, run("same = u1 == u2  differ = u1 ~= u3  t = {} t[u1] = 1  any = u4 == u1 or u4 == u3 "
               "x = t[u2]"));
    EXPECT_FALSE(isnil("same"));
    EXPECT_FALSE(isnil("differ"));
    EXPECT_FALSE(isnil("any"));
    EXPECT_EQ(1, num("x"));
    lua_beginblock();
    lua_Object u = lua_getglobal("u3");
    EXPECT_EQ(&a, lua_getuserdata(u));
    EXPECT_EQ(tag, lua_tag(u));
    lua_endblock();
    lua_pushusertag(&a, -3);
    EXPECT_EQ("tag -3 was not created by `newtag'\n", errors);
}

TEST_F(ApiTest, ConversionsToC) {
    ASSERT_EQ(0, run("n = 12.5  s = '7'  z = 'a\\0b'"));
    lua_beginblock();
    lua_Object n = lua_getglobal("n");
    EXPECT_STREQ("12.5", lua_getstring(n));
    EXPECT_EQ(4, lua_strlen(n));
    // reading a number as a string does not change what the handle holds
    EXPECT_EQ(-1, lua_tag(n));
    EXPECT_TRUE(lua_isnumber(n));
    lua_Object s = lua_getglobal("s");
    EXPECT_TRUE(lua_isnumber(s));
    EXPECT_EQ(7, lua_getnumber(s));
    EXPECT_EQ(3, lua_strlen(lua_getglobal("z")));
    EXPECT_EQ(0, lua_getnumber(lua_createtable()));
    EXPECT_EQ(nullptr, lua_getstring(lua_createtable()));
    EXPECT_EQ(nullptr, lua_getstring(LUA_NOOBJECT));
    EXPECT_EQ(-6, lua_tag(LUA_NOOBJECT));
    EXPECT_TRUE(lua_isfunction(lua_getglobal("print")));
    EXPECT_TRUE(lua_iscfunction(lua_getglobal("print")));
    lua_endblock();
}

TEST_F(ApiTest, TraversalFromC) {
    ASSERT_EQ(0, run("t = {10, 20; x = 30}  g1 = 1"));
    lua_beginblock();
    lua_Object t = lua_getglobal("t");
    double sum = 0;
    int count = 0;
    for (int i = lua_next(t, 0); i != 0; i = lua_next(t, i)) {
        sum += lua_getnumber(lua_getresult(2));
        count++;
    }
    EXPECT_EQ(3, count);
    EXPECT_EQ(60, sum);
    // The C traversal gives the same order as next: the key 0 first, then
    // small integers ascending, and a key removed mid-way still leads on.
    ASSERT_EQ(0, run("u = {} local i = 6 while i >= 0 do u[i * 2] = i i = i - 1 end"));
    lua_Object u = lua_getglobal("u");
    std::string order;
    for (int i = lua_next(u, 0); i != 0; i = lua_next(u, i)) {
        order += std::to_string(static_cast<int>(lua_getnumber(lua_getresult(1)))) + " ";
        if (order == "0 ") {
            ASSERT_EQ(0, run("u[0] = nil"));
        }
    }
    EXPECT_EQ("0 2 4 6 8 10 12 ", order);
    bool seen = false;
    for (const char* name = lua_nextvar(nullptr); name; name = lua_nextvar(name))
        seen = seen || std::strcmp(name, "g1") == 0;
    EXPECT_TRUE(seen);
    lua_next(lua_getglobal("g1"), 0);
    EXPECT_EQ("API error - object is not a table in `lua_next'\n", errors);
    lua_endblock();
}

TEST_F(ApiTest, TwoStatesSwitchedByAssigningTheCurrentState) {
    ASSERT_EQ(0, run("who = 'first'"));
    lua_State* first = lua_state;
    lua_state = nullptr;
    lua_open();
    lua_State* second = lua_state;
    ASSERT_NE(first, second);
    lua_register("_ERRORMESSAGE", onError);
    ASSERT_EQ(0, run("who = 'second'"));
    lua_state = first;
    EXPECT_EQ("first", str("who"));
    lua_state = second;
    EXPECT_EQ("second", str("who"));
    lua_close();
    EXPECT_EQ(nullptr, lua_state);
    lua_close(); // no current state: nothing happens
    EXPECT_EQ(first, lua_setstate(first) == nullptr ? first : nullptr);
    EXPECT_EQ("first", str("who"));
}

TEST_F(ApiTest, SetErrorMethodAndSilentErrors) {
    ASSERT_EQ(0, run("function h(m) caught = m end"));
    lua_beginblock();
    lua_pushobject(lua_getglobal("h"));
    lua_Object old = lua_seterrormethod();
    EXPECT_TRUE(lua_iscfunction(old));
    lua_endblock();
    EXPECT_EQ(1, run("error('boom')"));
    EXPECT_EQ("boom", str("caught"));
    // an error inside the handler is silent
    ASSERT_EQ(0, run("function h(m) error('again') end"));
    EXPECT_EQ(1, run("error('x')"));
}

namespace {
FILE* hookedopen(const char* name, const char* mode) {
    if (std::strcmp(name, "virtual.lua") != 0) return nullptr;
    FILE* f = std::tmpfile();
    std::fputs("fromhook = 1\nreturn 5\n", f);
    std::rewind(f);
    (void)mode;
    return f;
}
} // namespace

TEST_F(ApiTest, DofileGoesThroughTheFileOpenHook) {
    lua_FileOpenHook old = lua_setfileopenhook(hookedopen);
    EXPECT_EQ(0, lua_dofile("virtual.lua"));
    EXPECT_EQ(1, num("fromhook"));
    EXPECT_EQ(2, lua_dofile("missing.lua"));
    EXPECT_EQ("", errors);
    ASSERT_EQ(0, run("r = dofile('virtual.lua')  m = dofile('missing.lua')"));
    EXPECT_EQ(5, num("r"));
    EXPECT_TRUE(isnil("m"));
    lua_setfileopenhook(old);
}

TEST_F(ApiTest, DobufferKeepsZerosAndNamesTheChunk) {
    const char chunk[] = "s = 'a\\0b' x = 1";
    EXPECT_EQ(0, lua_dobuffer(chunk, static_cast<int>(sizeof chunk - 1), "name"));
    EXPECT_EQ(1, num("x"));
    EXPECT_EQ(1, lua_dobuffer("\033Lua", 4, "bin"));
    const char zero[] = "x = 2\0 y = 3";
    EXPECT_EQ(1, lua_dobuffer(zero, static_cast<int>(sizeof zero - 1), "z"));
}
