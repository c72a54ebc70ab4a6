// The scripts' save-game functions: their bytes, their reads back, and what
// they do without a save or load in progress.
#include "GameTestFixture.h"

#include "SaveGameCommands.h"

namespace gametest {
namespace {

// A global of the main state as text ("nil" for nil).
std::string Global(const char* name) {
    LuaStateScope scope(App().World()->MainState()->State());
    const lua_Object value = lua_getglobal(name);
    if (lua_isnil(value)) return "nil";
    return lua_getstring(value);
}

std::vector<uint8_t> Saved(const std::string& body, int* result = nullptr) {
    EXPECT_TRUE(GameTest::Run("function SaveTheGame() " + body + " end"));
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    const int r = ScriptSaveTheGame(out);
    if (result) *result = r;
    return bytes;
}

int Loaded(const std::vector<uint8_t>& bytes, const std::string& body) {
    EXPECT_TRUE(GameTest::Run("function LoadGame() " + body + " end"));
    platform::ByteReader in(bytes);
    return ScriptLoadGame(in);
}

TEST_F(GameTest, ScriptValuesWriteTheirBytesAndReadBack) {
    Start();
    int result = 0;
    const auto bytes =
        Saved("SaveGame.WriteString('abc') SaveGame.WriteBool(nil) SaveGame.WriteNumber(2.9) "
              "SaveGame.WriteNumber(-2.9) SaveGame.WriteNumber(3e9) SaveGame.WriteFloat(1.5) "
              "SaveGame.WriteString(nil) SaveGame.WriteBool('x')",
              &result);
    EXPECT_EQ(result, 1);
    const std::vector<uint8_t> expected = {
        4,    0,    0,    0,    'a',  'b', 'c', 0,    0,    0, 0, 0, 2, 0, 0, 0, 0xfe, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0x7f, 0,   0,   0xc0, 0x3f, 1, 0, 0, 0, 0, 0, 0, 0,    0};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(
        Loaded(bytes,
               "s = SaveGame.ReadString() b = SaveGame.ReadBool() n1 = SaveGame.ReadNumber() "
               "n2 = SaveGame.ReadNumber() n3 = SaveGame.ReadNumber() f = SaveGame.ReadFloat() "
               "e = SaveGame.ReadString() x = SaveGame.ReadBool()"),
        1);
    const std::pair<const char*, const char*> read[] = {
        {"s", "abc"},         {"b", "nil"}, {"n1", "2"}, {"n2", "-2"},
        {"n3", "2147483647"}, {"f", "1.5"}, {"e", ""},   {"x", "nil"}};
    for (const auto& [name, value] : read)
        EXPECT_EQ(Global(name), value) << name;
    Stop();
}

TEST_F(GameTest, ShortReadsFailTheLoadAndGiveWhatIsThere) {
    Start();
    struct Case {
        std::vector<uint8_t> bytes;
        const char* read;
        const char* value;
    } cases[] = {
        {{}, "v = SaveGame.ReadNumber()", "0"},
        {{1, 0}, "v = SaveGame.ReadBool()", "nil"},
        {{}, "v = SaveGame.ReadFloat()", "0"},
        {{0, 0, 0, 0}, "v = SaveGame.ReadString()", ""},
        {{9, 0, 0, 0, 'h', 'i'}, "v = SaveGame.ReadString()", "hi"},
        {{0, 0, 0, 0x80, 'h', 0, 'i'}, "v = SaveGame.ReadString()", ""},
        {{0xff, 0xff, 0xff, 0x7f, 'o', 'k', 0, 'x'}, "v = SaveGame.ReadString()", "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.read);
        EXPECT_EQ(Loaded(c.bytes, c.read), 0);
        EXPECT_EQ(Global("v"), c.value);
    }
    Stop();
}

TEST_F(GameTest, WithoutAnOpenFileTheFunctionsTouchNothing) {
    Start();
    ASSERT_TRUE(Run("SaveGame.WriteNumber(5) SaveGame.WriteString('x') a = SaveGame.ReadNumber() "
                    "b = SaveGame.ReadBool() c = SaveGame.ReadString() d = SaveGame.ReadFloat()"));
    EXPECT_EQ(Global("a"), "0");
    EXPECT_EQ(Global("b"), "nil");
    EXPECT_EQ(Global("c"), "nil");
    EXPECT_EQ(Global("d"), "0");
    Stop();
}

TEST_F(GameTest, AMissingOrFailingScriptFunctionFailsTheSave) {
    Start();
    int result = 1;
    Saved("error('broken')", &result);
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(Run("SaveTheGame = nil"));
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    EXPECT_EQ(ScriptSaveTheGame(out), 0);
    Stop();
}

} // namespace
} // namespace gametest
