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

// The system asks whether it may log off: yes (the question's answer until
// the game's message boxes come) retires the world and ends the loop.
TEST_F(GameTest, TheLogOffQuestionAnsweredYesEndsTheGame) {
    Start();
    TEvent query;
    query.SetType(evQueryEnd);
    App().OnQueryEndSession(&query);
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_FALSE(App().IsEnabled());
    App().Shutdown();
}

} // namespace
} // namespace gametest
