// The script host: states kept apart, the error report, notes that let a
// script go on, end actions, and the instruction budget.
#include "GameTestFixture.h"

#include "ScriptCommands.h"
#include "ScriptRefs.h"

#include "luadebug.h"

namespace gametest {
namespace {

std::vector<platform::BoxRecord> ScriptErrorBoxes() {
    std::vector<platform::BoxRecord> boxes;
    for (const platform::BoxRecord& box : platform::MessageBoxLog())
        if (box.caption == "Script Error!") boxes.push_back(box);
    return boxes;
}

TEST_F(GameTest, TheDialogScriptRunsInAStateOfItsOwn) {
    fixture.dialogsScript =
        "if Engine ~= nil or SnapLayers ~= nil or type(Statement) ~= 'function' then\n"
        "  Error('not the dialog state') end\n"
        "include('init/more.scr')\n";
    fixture.extraFiles = {{"data/int/all/scripts/init/more.scr",
                           "Error('included with Dialog a ' .. type(Dialog))\n"}};
    fixture.mainScript = "Game = {} function main() Error('main sees ' .. type(Dialog)) end\n";
    Start();
    EXPECT_TRUE(Boxes("not the dialog state").empty());
    EXPECT_EQ(Boxes("included with Dialog a function").size(), 1u);
    EXPECT_EQ(Boxes("main sees table").size(), 1u);
    Stop();
}

TEST_F(GameTest, ErrorShowsTheMessageThenOneLinePerActiveFunction) {
    LuaScript script;
    script.RunString("function inner() Error('x') end\nfunction outer() inner() end\nouter()\n");
    const auto boxes = ScriptErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    EXPECT_EQ(text.compare(0, 3, "x\n\n"), 0) << text;
    size_t lines = 0;
    for (size_t at = text.find("Src: "); at != std::string::npos; at = text.find("Src: ", at + 1))
        ++lines;
    EXPECT_GE(lines, 3u) << text; // Error, inner, outer (and the chunk)
    EXPECT_NE(text.find("ExecLine: 1"), std::string::npos) << text;
}

TEST_F(GameTest, TheErrorReportIsCutLineByLineAndAsAWhole) {
    LuaScript script;
    script.RunString(("Error('" + std::string(800, 'm') + "')").c_str());
    script.RunString("function r(n) if n == 0 then Error('deep') else r(n - 1) end end r(400)");
    const auto boxes = ScriptErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.find('\n'), size_t(LuaScript::kLineLimit - 1));
    EXPECT_EQ(boxes[1].text.compare(0, 6, "deep\n\n"), 0);
    EXPECT_LE(boxes[1].text.size(), size_t(LuaScript::kReportLimit - 1));
    EXPECT_GT(boxes[1].text.size(), size_t(LuaScript::kReportLimit - 200));
}

// A line of an active function cut at its limit (a long source name) still
// ends its line: every "Src:" starts a line of its own.
TEST_F(GameTest, ACutLineOfTheReportKeepsItsLineEnd) {
    LuaScript script;
    script.RunString(("function f() Error('x') end f() --" + std::string(900, 'c')).c_str());
    const auto boxes = ScriptErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    size_t sources = 0;
    for (size_t at = text.find("Src: "); at != std::string::npos; at = text.find("Src: ", at + 1)) {
        ++sources;
        EXPECT_EQ(text[at - 1], '\n') << at;
    }
    EXPECT_GE(sources, 3u) << text; // Error, f and the chunk
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_LT(end - start, size_t(LuaScript::kLineLimit)) << start;
}

TEST_F(GameTest, AMissingScriptOrArgumentLetsTheScriptGoOn) {
    Start();
    testing::internal::CaptureStderr();
    const bool ran = Run("include('nothere.scr')\nEngine.PlaySound()\nError('went on')\n");
    const std::string debugOutput = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ran);
    EXPECT_EQ(Boxes("went on").size(), 1u);
    // The debug output has a line a note.
    EXPECT_NE(debugOutput.find("nothere.scr\nScriptErr: Missing parameter 1 at line 2\n"),
              std::string::npos)
        << debugOutput;
    ASSERT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[0].rfind("Missing Scriptfile: ", 0), 0u) << Notes()[0];
    EXPECT_NE(Notes()[0].find("nothere.scr"), std::string::npos);
    EXPECT_EQ(Notes()[1], "ScriptErr: Missing parameter 1 at line 2");
    Stop();
}

TEST_F(GameTest, EachOperationGivesTheCallerItsStateBack) {
    LuaScript outer, inner;
    LuaStateScope scope(outer.State());
    inner.RunString("x = 1");
    inner.RegisterTableFunction("T", &EmptyCommand, "f");
    EXPECT_EQ(lua_state, outer.State());
    EXPECT_TRUE(lua_isnil(lua_getglobal("x")));
}

// Closing the state that is current leaves none current, never the freed one.
TEST_F(GameTest, ClosingTheCurrentStateLeavesNoneCurrent) {
    LuaScript outer, closing;
    {
        LuaStateScope scope(outer.State());
        closing.Close();
        EXPECT_EQ(lua_state, outer.State());
    }
    LuaScript other;
    LuaStateScope scope(other.State());
    other.Close();
    EXPECT_EQ(lua_state, nullptr);
    EXPECT_FALSE(other.IsOpen());
}

// An end action that stores a new one from inside its own call keeps it.
int32_t g_endAction = -1;
void Rearm() {
    ScriptRef(g_endAction, lua_lua2C(1));
}

TEST_F(GameTest, AnEndActionReArmedDuringItsCallSurvives) {
    LuaScript main;
    RegisterScriptCommands(main);
    main.RegisterGlobalFunction(&Rearm, "Rearm");
    main.RunString("function second() Error('second') end\n"
                   "function first() Error('first') Rearm(second) end\n");
    {
        LuaStateScope scope(main.State());
        ScriptRef(g_endAction, lua_getglobal("first"));
    }
    ASSERT_NE(g_endAction, -1);
    ScriptCallRefOnce(g_endAction);
    EXPECT_EQ(Boxes("first").size(), 1u);
    ASSERT_NE(g_endAction, -1);
    ScriptCallRefOnce(g_endAction);
    EXPECT_EQ(Boxes("second").size(), 1u);
    EXPECT_EQ(g_endAction, -1);
    ScriptCallRefOnce(g_endAction);
    EXPECT_EQ(Boxes().size(), 2u);
    Statics().commands = nullptr;
}

// Scripts are data: an endless loop ends in one box and the game runs on.
TEST_F(GameTest, AnEndlessLoopEndsInOneBox) {
    fixture.mainScript = "Game = {}\n"
                         "function Game.DoTickAction()\n"
                         "  if not looped then looped = 1 while 1 do end end\n"
                         "  Error('tick')\n"
                         "end\n"
                         "function main() Engine.EnterRoom('Hall') end\n";
    Start();
    RunTicks(60);
    EXPECT_EQ(ScriptErrorBoxes().size() - Boxes("tick").size(), 1u);
    EXPECT_GE(Boxes("tick").size(), 1u);
    EXPECT_NE(App().World(), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
