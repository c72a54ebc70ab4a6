// The application between start and end: the error table's size, the window
// class's default, the error box's cursor, the pointer leaving the window and
// the game menu hiding the world.
#include "GameTestFixture.h"

#include "foundation/TError.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TCursorRes.h"
#include "platform/User.h"

namespace gametest {
namespace {

// Sections "0" to "99" make the table; a hundredth text has no code.
TEST_F(GameTest, TheErrorTableHoldsAtMostOneHundredTexts) {
    fixture.errorTexts.clear();
    for (int i = 0; i < 101; ++i)
        fixture.errorTexts.push_back("text " + std::to_string(i));
    WriteGame();
    ASSERT_TRUE(GameSetUp());
    const TErrorMsg* table = TError::GetTable();
    int count = 0;
    while (table[count].code != -1)
        ++count;
    EXPECT_EQ(count, 100);
    EXPECT_STREQ(table[99].text, "text 99");
    App().Shutdown();
}

TEST_F(GameTest, AnEmptyClassNameGivesWin32) {
    fixture.className = "";
    WriteGame();
    ASSERT_TRUE(GameSetUp());
    EXPECT_EQ(FindWindowA("Win32", fixture.appName.c_str()), TDispDev::Global().GetWindow());
    App().Shutdown();
}

// Before the start no box shows and the answer is 1; after it the box shows
// the hand cursor and the cursor's visibility and override come back.
TEST_F(GameTest, TheErrorBoxPutsTheCursorBack) {
    EXPECT_EQ(App().ErrorBox("before the start"), 1);
    EXPECT_TRUE(Boxes().empty());
    Start();
    TCursDev& cursor = TCursDev::Global();
    cursor.SetVisible(false);
    TMetaCur* override = cursor.GetCursorRes(1);
    App().ErrorBox("a failure");
    EXPECT_EQ(Boxes("a failure").size(), 1u);
    EXPECT_FALSE(cursor.IsVisible());
    EXPECT_EQ(cursor.GetCursorRes(1), override);
    Stop();
}

// Headless, nobody can press a button of the game's boxes: the host's box
// policy answers them with the buttons and defaults of the game's own box,
// and the log holds the question with txtMain's caption.
TEST_F(GameTest, TheBoxesAnswerHeadlessByTheHostsPolicy) {
    EXPECT_FALSE(App().AskUser("before the start")) << "goes on";
    EXPECT_EQ(App().AskYesNo("before the start"), 1);
    EXPECT_TRUE(Boxes().empty());
    Start();
    struct Case {
        platform::BoxPolicy policy;
        std::vector<int> script;
        bool stop;
        int32_t yes;
    };
    const Case cases[] = {
        {platform::BoxPolicy::FirstButton, {}, false, 1},
        {platform::BoxPolicy::DefaultButton, {}, false, 0},
        {platform::BoxPolicy::Scripted, {IDCANCEL, IDNO}, true, 0},
        {platform::BoxPolicy::Scripted, {IDOK, IDYES}, false, 1},
    };
    for (const Case& c : cases) {
        platform::SetMessageBoxPolicy(c.policy);
        if (!c.script.empty()) platform::ScriptMessageBoxAnswers(c.script);
        platform::ClearMessageBoxLog();
        EXPECT_EQ(App().AskUser("a report"), c.stop);
        EXPECT_EQ(App().AskYesNo("a question"), c.yes);
        const std::vector<platform::BoxRecord> log = platform::MessageBoxLog();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].text, "a report");
        EXPECT_EQ(log[0].caption, "Error");
        EXPECT_EQ(log[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
        EXPECT_EQ(log[1].text, "a question");
        EXPECT_EQ(log[1].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    }
    platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
    Stop();
}

TEST_F(GameTest, ThePointerLeavingTheWindowShowsNoEntry) {
    Start();
    App().OnAppMouseLeave(nullptr);
    EXPECT_EQ(TCursDev::Global().GetCursorRes(0), Resources().Cursor("curNoEntry"));
    Stop();
}

// The menu takes the world off the screen and counts itself; closing it
// brings the world back at once.
TEST_F(GameTest, TheMenuHidesTheWorldWhileItIsOpen) {
    Start();
    GameWorld* world = App().World();
    ASSERT_NE(world, nullptr);
    App().OpenMenu();
    EXPECT_FALSE(world->IsVisible());
    EXPECT_EQ(App().MenuFlag(), 1);
    EXPECT_EQ(App().MenuCount(), 1);
    App().CloseMenu();
    EXPECT_TRUE(world->IsVisible());
    EXPECT_EQ(App().MenuFlag(), 0);
    EXPECT_EQ(App().MenuCount(), 0);
    Stop();
}

// The system asks whether it may log off, in the question box with txtMain's
// text: yes retires the world and ends the loop, no keeps the game.
TEST_F(GameTest, TheLogOffQuestionAsksWithItsText) {
    Start();
    platform::ScriptMessageBoxAnswers({IDNO, IDYES});
    platform::ClearMessageBoxLog();
    TEvent query;
    query.SetType(evQueryEnd);
    App().OnQueryEndSession(&query);
    EXPECT_NE(App().World(), nullptr) << "no keeps the game";
    EXPECT_TRUE(App().IsEnabled());
    App().OnQueryEndSession(&query);
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_FALSE(App().IsEnabled());
    EXPECT_EQ(Boxes("Quit the game?").size(), 2u);
    platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
    App().Shutdown();
}

} // namespace
} // namespace gametest
