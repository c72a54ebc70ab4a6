// How the game ends and how one world follows another: nothing of a world is
// deleted while its scripts or its handlers run, and the next world keeps its
// own pointers. Run under the address sanitizer too.
#include "GameTestFixture.h"

#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TRoom.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TKeys.h"
#include "foundation/TRef.h"
#include "foundation/TSectTxt.h"
#include "media/resources/TMetaFnt.h"
#include "media/devices/TDispDev.h"
#include "platform/User.h"
#include "ui/TEngine.h"

#include "gdl/dc.h"

namespace gametest {
namespace {

bool LoopEnded() {
    return !App().IsEnabled() || !App().IsVisible();
}

// A quit command ends the loop after its timer's interval, the world gone
// first.
void QuitAfter(const char* command, DWORD ms) {
    const DWORD start = timeGetTime();
    ASSERT_TRUE(GameTest::Run(command));
    RunTicks(long(ms / 50) - 3);
    EXPECT_FALSE(LoopEnded());
    RunTicks(200);
    const DWORD took = timeGetTime() - start;
    EXPECT_TRUE(LoopEnded());
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_GE(took, ms);
    EXPECT_LT(took, ms + 200);
    App().Shutdown();
}

TEST_F(GameTest, QuitGameEndsTheLoopAfterHalfASecond) {
    Start();
    QuitAfter("Engine.QuitGame()", 500);
}

TEST_F(GameTest, QuitAppEndsTheLoopAfterThreeSeconds) {
    Start();
    QuitAfter("Engine.QuitApp()", 3000);
}

// Alt+F4 while the application has the focus: the key going down is kept
// from the engine, the key coming up asks the quit question, and yes (the
// question's answer until the game menu comes) ends the loop. Other keys
// and an application without the focus leave the game running.
TEST_F(GameTest, AltF4AnsweredYesEndsTheLoop) {
    Start();
    const struct {
        uint16_t key;
        int32_t modifiers;
        bool focused;
        bool ends;
    } cases[] = {{kKeyF4, 0, true, false},
                 {kKeyF2, 0x100, true, false},
                 {kKeyF4, 0x100, false, false},
                 {kKeyF4, 0x040, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.key << " " << c.modifiers);
        App().SetFocus(c.focused);
        for (int32_t type : {int32_t(evKeyDown), int32_t(evKeyUp)}) {
            TEvent key;
            key.SetType(type);
            key.data[0] = c.key;
            key.record.modifiers = c.modifiers;
            if (type == evKeyDown) {
                App().OnKeyDown(&key);
                EXPECT_EQ(key.passState == TControl::psConsumed, c.ends);
            } else {
                App().OnKeyUp(&key);
            }
            EXPECT_EQ(LoopEnded(), c.ends && type == evKeyUp);
        }
    }
    App().Shutdown();
}

UINT closingMessage = WM_CLOSE;
void PostClose() {
    PostMessageA(TDispDev::Global().GetWindow(), closingMessage, 0, 0);
}

// The player closes the window, or the system asks to log off, while a
// script fades the room out: the question answers yes, the world is retired
// under the running script, which finishes, and the loop ends.
TEST_F(GameTest, ClosingDuringAFadeEndsTheGameAfterTheScript) {
    fixture.mainScript = "Game = {}\n"
                         "function Game.DoTickAction()\n"
                         "  if faded then return end\n"
                         "  faded = 1 PostClose() Engine.FadeRoom(0) Error('after fade')\n"
                         "end\n"
                         "function main() Engine.EnterRoom('Hall') end\n";
    for (UINT message : {UINT(WM_CLOSE), UINT(WM_QUERYENDSESSION)}) {
        SCOPED_TRACE(message);
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        platform::ClearMessageBoxLog();
        closingMessage = message;
        Start();
        App().World()->MainState()->RegisterGlobalFunction(&PostClose, "PostClose");
        RunTicks(100);
        EXPECT_TRUE(LoopEnded());
        EXPECT_EQ(App().World(), nullptr);
        EXPECT_EQ(Boxes("after fade").size(), 1u);
        EXPECT_EQ(CurrentRoom(), nullptr);
        App().Shutdown();
    }
}

// A quit command's timer falls due while a script fades the room again and
// again: the running fade ends with the game, the world is retired under the
// script, whose later fades do nothing, and the loop ends.
TEST_F(GameTest, AQuitTimerDuringAFadeEndsTheGameAfterTheScript) {
    for (const char* quit : {"Engine.QuitGame()", "Engine.QuitApp()"}) {
        SCOPED_TRACE(quit);
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        platform::ClearMessageBoxLog();
        Start();
        const DWORD start = timeGetTime();
        Run(std::string(quit) +
            " n = 0 while n < 20 do Engine.FadeRoom(0) n = n + 1 end Error('after fades')");
        EXPECT_LT(timeGetTime() - start, 4000u);
        EXPECT_TRUE(LoopEnded());
        EXPECT_EQ(App().World(), nullptr);
        EXPECT_EQ(Boxes("after fades").size(), 1u);
        App().Shutdown();
    }
}

// A dialog script that does not run: both reports, no world, the loop ends
// and the entry shuts down after it, answering that the game could not run.
TEST_F(GameTest, AFailingDialogScriptStopsTheGameCleanly) {
    for (bool written : {false, true}) {
        SCOPED_TRACE(written ? "broken" : "missing");
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        platform::ClearMessageBoxLog();
        fixture.writeDialogs = written;
        fixture.dialogsScript = "this is not lua";
        WriteGame();
        EXPECT_EQ(GameEntry(100), 1);
        const std::vector<std::string> reports = {"Init dialogs failed!",
                                                  "Create gameworld failed!"};
        std::vector<std::string> game;
        for (const std::string& text : Boxes())
            if (text == reports[0] || text == reports[1]) game.push_back(text);
        EXPECT_EQ(game, reports);
        EXPECT_EQ(App().World(), nullptr);
        EXPECT_FALSE(App().IsStarted());
        DrainDeleteLater();
    }
}

TEST_F(GameTest, ShutdownTwiceReleasesOnce) {
    Start();
    TSectTxt* main = Resources().Text("txtMain");
    ASSERT_EQ(main->LoadCount(), 1);
    App().Close();
    App().Shutdown();
    App().Shutdown();
    EXPECT_EQ(main->LoadCount(), 0);
    EXPECT_EQ(Resources().Font("fntMain")->LoadCount(), 0);
    EXPECT_FALSE(App().IsStarted());
    EXPECT_EQ(App().World(), nullptr);
}

GameWorld* g_replaced = nullptr;
void NewGameNow() {
    g_replaced = App().World();
    App().OpenMenu();
    App().NewGame();
}

// A new game chosen while the old world's script runs: the old world goes
// after the script, and neither its state nor its elements touch the new
// world's pointers, references or room.
TEST_F(GameTest, ANewGameKeepsTheNextWorldsPointers) {
    fixture.mainScript = "Game = {} P = {}\n"
                         "function main()\n"
                         "  Engine.EnterRoom('Hall') Player = Engine.ShowActor(P, 'x', 0)\n"
                         "end\n";
    Start();
    {
        // The old player holds a walk end action until it is deleted.
        TActor* old = App().World()->RoomView().FindActor(0);
        ASSERT_NE(old, nullptr);
        LuaStateScope scope(App().World()->MainState()->State());
        ScriptRef(old->walkEndAction, lua_getglobal("main"));
        ASSERT_NE(old->walkEndAction, -1);
    }
    App().World()->MainState()->RegisterGlobalFunction(&NewGameNow, "NewGameNow");
    ASSERT_TRUE(Run("NewGameNow() Engine.EnterRoom('Gone') Engine.QuitGame()"));
    GameWorld* next = App().World();
    ASSERT_NE(next, nullptr);
    ASSERT_NE(next, g_replaced);
    EXPECT_TRUE(IsQueuedForDeletion(g_replaced));
    const TRef<TNamedObj> replaced(g_replaced);
    // More references in the new state than the old one had: a release of an
    // old number there would take one of these.
    ASSERT_TRUE(Run("local i = 1 while i <= 4 do Engine.ShowActor({}, 'x', 0) i = i + 1 end"));
    RunTicks(20); // the old world goes between two steps
    EXPECT_EQ(replaced.Get(), nullptr);
    EXPECT_EQ(App().World(), next);
    EXPECT_EQ(Statics().commands, next->MainState());
    EXPECT_EQ(Statics().script, next->MainState());
    EXPECT_EQ(CurrentRoom(), &next->RoomView());
    EXPECT_STREQ(next->RoomView().GetName().c_str(), "Hall");
    EXPECT_FALSE(LoopEnded()); // the old state's QuitGame did nothing
    EXPECT_EQ(App().MenuCount(), 0);
    // Every actor's script table is still referenced in the new state.
    {
        LuaStateScope scope(next->MainState()->State());
        TRoom& room = next->RoomView();
        ASSERT_EQ(room.ElementCount(), 5);
        for (int32_t i = 0; i < room.ElementCount(); ++i)
            EXPECT_NE(ScriptGetRef(room.ElementAt(i)->scriptRef), LUA_NOOBJECT) << i;
    }
    ASSERT_TRUE(Run("if Player == nil then Error('lost') end Engine.HideActor(Player)"));
    EXPECT_EQ(next->RoomView().ElementCount(), 4);
    EXPECT_TRUE(Boxes("lost").empty());
    Stop();
}

// A session that ends with its menu open (the fuzzers restart one per
// input) hands every device context back to the graphics library: nothing
// stays listed for the library's next start to drop.
TEST_F(GameTest, AnEndedSessionLeavesNoContextListed) {
    WriteGame();
    int32_t before[4];
    for (int32_t kind = 0; kind < 4; ++kind)
        before[kind] = GDL_contextCount(kind);
    for (int round = 0; round < 2; ++round) {
        TEngine engine(
            platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        testsupport::UseMemoryDesktop(16);
        ASSERT_TRUE(GameSetUp());
        App().Show();
        RunTicks(1);
        App().OpenMenu();
        RunTicks(1);
        EXPECT_GT(GDL_contextCount(3), before[3]) << "the menu draws into memory contexts";
        Stop();
    }
    for (int32_t kind = 0; kind < 4; ++kind)
        EXPECT_EQ(GDL_contextCount(kind), before[kind]) << kind;
}

} // namespace
} // namespace gametest
