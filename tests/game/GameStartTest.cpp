// The program entry: error texts, window names, the single-instance check,
// the window style of the intro, and the start into a new game or the menu.
#include "GameTestFixture.h"
#include "MenuClicks.h"

#include "foundation/TError.h"
#include "media/devices/TDispDev.h"
#include "platform/User.h"
#include "ui/TEngine.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace gametest {
namespace {

TEST_F(GameTest, ErrorTextsEndAtTheFirstEmptySectionAndLongTextsAreCut) {
    const std::string longText(300, 'x');
    fixture.errorTexts = {"zero", "one", longText, "", "four"};
    WriteGame();
    ASSERT_TRUE(GameSetUp());
    const TErrorMsg* table = TError::GetTable();
    ASSERT_NE(table, nullptr);
    int count = 0;
    while (table[count].code != -1)
        ++count;
    ASSERT_EQ(count, 3);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(table[i].code, i);
    EXPECT_STREQ(table[0].text, "zero");
    EXPECT_EQ(std::strlen(table[2].text), 255u);
    App().Shutdown();
}

TEST_F(GameTest, WithoutErrorTextsTheGermanTableStays) {
    WriteGame();
    ASSERT_TRUE(GameSetUp());
    EXPECT_EQ(TError::GetTable(), TError::GermanTable());
    App().Shutdown();
}

TEST_F(GameTest, AnEmptyAppNameGivesWin32) {
    fixture.appName = "";
    WriteGame();
    ASSERT_TRUE(GameSetUp());
    EXPECT_STREQ(App().GetTitle().c_str(), "Win32");
    char text[64] = {};
    GetWindowTextA(TDispDev::Global().GetWindow(), text, sizeof text);
    EXPECT_STREQ(text, "Win32");
    App().Shutdown();
}

// A second start while the game's window exists ends at once: no window, no
// world. The window is found by its class or as the full-screen window.
TEST_F(GameTest, ASecondStartEndsWithoutAWindow) {
    WriteGame();
    for (const char* running : {"AdventureTest", "GDLDirectDrawWindow"}) {
        SCOPED_TRACE(running);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = running;
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, running, fixture.appName.c_str(), WS_POPUP, 0, 0, 64, 64,
                                      nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        const int windows = platform::LiveWindowCount();
        EXPECT_EQ(GameEntry(5), 0);
        EXPECT_FALSE(App().IsStarted());
        EXPECT_EQ(App().World(), nullptr);
        EXPECT_EQ(platform::LiveWindowCount(), windows);
        DestroyWindow(window);
    }
}

TEST_F(GameTest, ThePopUpStyleOnlyForShowIntroOne) {
    const struct {
        const char* file;
        bool popUp;
    } cases[] = {{nullptr, true},
                 {"[DEBUG]\r\nShowIntro=1\r\n", true},
                 {"[DEBUG]\r\nShowIntro=2\r\n", false},
                 {"[DEBUG]\r\nShowIntro=0\r\n", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        if (c.file) WriteDevOptions(c.file);
        WriteGame();
        ASSERT_TRUE(GameSetUp());
        const uint32_t style = uint32_t(GetWindowLongA(TDispDev::Global().GetWindow(), GWL_STYLE));
        EXPECT_EQ((style & 0x81800000u) == 0x81800000u, c.popUp) << std::hex << style;
        App().Shutdown();
        platform::RemoveFile(dir.File("e/Adventuredev.ini").c_str());
    }
}

// Without the menu first, the start runs main and the ticks reach the
// script. With it, only the menu opens (no game, no tick) until the player
// clicks New; Save and Back, shown disabled, take no click.
TEST_F(GameTest, TheStartRunsMainAtOnceOrAfterTheMenusNew) {
    fixture.mainScript = "Game = {}\n"
                         "function Game.DoTickAction() Error('tick') end\n"
                         "function main() Engine.EnterRoom('Hall') Error('main') end\n";
    for (const char* menu : {"0", "1"}) {
        SCOPED_TRACE(menu);
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        platform::ClearMessageBoxLog();
        WriteDevOptions(std::string("[DEBUG]\r\nShowGameMenu=") + menu + "\r\n");
        Start();
        if (*menu == '1') {
            EXPECT_EQ(App().World(), nullptr);
            EXPECT_EQ(App().MenuCount(), 1);
            EXPECT_EQ(App().MenuFlag(), 1);
            EXPECT_TRUE(App().Menu().IsVisible());
            EXPECT_FALSE(App().Menu().BackButton().IsEnabled());
            RunTicks(60);
            EXPECT_TRUE(Boxes().empty());
            // Save and Back take no click without a game: New is still
            // there to start one.
            menuclicks::Play({menuclicks::kSave, menuclicks::kBack, menuclicks::kNew});
        }
        EXPECT_EQ(Boxes("main").size(), 1u);
        EXPECT_EQ(App().MenuCount(), 0);
        EXPECT_EQ(App().MenuFlag(), 0);
        RunTicks(60); // three seconds at 20 ticks a second
        EXPECT_GE(Boxes("tick").size(), 2u);
        Stop();
    }
}

// The demo game through the program's entry: dialogs.scr declares its
// dialogs, main.scr defines the story, the loop runs a few hundred virtual
// milliseconds and the game ends without leaving a world behind.
TEST_F(GameTest, TheEntryPlaysTheDemoAndQuitsCleanly) {
    // Every copy of the demo has the same caption: its window lock lives in a
    // folder of this test's own, so a demo running elsewhere is no second start.
    const char* const runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string previousRuntime = runtime ? runtime : "";
    setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1);
    std::filesystem::create_directories(dir.File("run"));
    platform::SetProgramPathForTests(DEMO_TREE "/adventure");
    platform::MapDrive('E', DEMO_SOURCE "/dev");
    Statics().noteHook = &RecordNote;

    // What the running game holds, seen from its own tick.
    struct Probe : TObject {
        int OnTick(TObject*, TEvent*) {
            GameWorld* world = App().World();
            if (!world || !world->MainState()) return 0;
            worldSeen = true;
            LuaStateScope scope(world->MainState()->State());
            storyDefined =
                lua_istable(lua_getglobal("Story")) && lua_isfunction(lua_getglobal("main"));
            return 0;
        }
        bool worldSeen = false;
        bool storyDefined = false;
    } probe;
    App().Add<Probe, &Probe::OnTick>(evTick, &probe);
    const uint32_t start = platform::ClockNow();
    EXPECT_EQ(GameEntry(20), 0);
    const uint32_t elapsed = platform::ClockNow() - start;
    App().Remove(evTick, &probe);
    if (runtime)
        setenv("XDG_RUNTIME_DIR", previousRuntime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");

    EXPECT_TRUE(probe.worldSeen);
    EXPECT_TRUE(probe.storyDefined);
    EXPECT_GE(elapsed, 300u);
    EXPECT_TRUE(Notes().empty()) << Notes().front(); // every include was found
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_FALSE(App().IsStarted());
    // The story runs without a single box: every command it calls exists.
    const auto& boxes = platform::MessageBoxLog();
    EXPECT_TRUE(boxes.empty()) << boxes.front().caption << ": " << boxes.front().text;
}

} // namespace
} // namespace gametest
