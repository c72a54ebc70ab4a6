// The edit control with a pixel font whose letters are 4 wide: replacing a
// selection by typing, the file-name filter, a full text, selections with
// Shift, deletions at the ends, a text cut to its field, the blinking caret
// and Alt keys that are hot keys rather than characters.
#include "ListFixture.h"
#include "TextFonts.h"

#include "foundation/TKeys.h"
#include "ui/TEditCtl.h"

#include <string>

namespace {

using uitest::Heard;
using uitest::InputTest;

constexpr uint32_t kShift = 0x08, kAlt = 0x40, kCtrl = 0x20;

class EditCtl : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        edit.SetFont(fonts.pixel.get());
        edit.SetRect(50, 50, 200, 24);
        edit.Show(&root);
        edit.Focus(true);
        heard.Listen(edit, {evUser24});
        Frame();
    }
    void TearDown() override {
        edit.Hide();
        InputTest::TearDown();
    }
    std::string Text() { return edit.GetText().c_str(); }
    int Changes() { return heard.count[evUser24]; }

    uitest::TextFonts fonts;
    TEditCtl edit;
    Heard heard;
};

TEST_F(EditCtl, SetTextSelectsAllAndOneCharacterReplacesIt) {
    edit.SetText("SAVE1");
    EXPECT_EQ(edit.GetSelStart(), 0);
    EXPECT_EQ(edit.GetSelEnd(), 5);
    EXPECT_EQ(edit.GetCaret(), 5);
    EXPECT_EQ(Changes(), 1);
    EXPECT_TRUE(Type('X'));
    EXPECT_EQ(Text(), "X");
    EXPECT_EQ(Changes(), 3); // the deletion and the insertion
    EXPECT_FALSE(edit.HasSelection());
    edit.SetText("X"); // the same text changes nothing
    EXPECT_EQ(Changes(), 3);
    edit.SetText("");
    EXPECT_EQ(edit.GetCaret(), 0);
    EXPECT_FALSE(edit.HasSelection());
}

TEST_F(EditCtl, TheFileNameFilterRefusesWhatNoFileNameHolds) {
    struct Case {
        uint8_t c;
        bool filtered, plain;
    } cases[] = {{'?', false, true}, {'*', false, true}, {'a', true, true}, {'9', true, true},
                 {':', true, true},  {'\\', true, true}, {228, true, true}, {'/', false, true},
                 {'Z', true, true},  {223, true, true},  {'"', false, true}};
    for (int filter : {1, 0}) {
        edit.SetFilter(filter);
        for (const Case& c : cases) {
            edit.SetText("");
            const bool admitted = filter ? c.filtered : c.plain;
            EXPECT_EQ(Type(c.c), admitted) << int(c.c) << " filter " << filter;
            EXPECT_EQ(Text(), admitted ? std::string(1, char(c.c)) : "") << int(c.c);
        }
    }
}

TEST_F(EditCtl, AFullTextBeepsAndStaysButOverwriteStillReplaces) {
    edit.SetScrollFlags(TEditCtl::kScrollHorizontal);
    edit.SetText(std::string(255, 'a').c_str());
    Press(kKeyEnd); // drops the selection
    const int beeps = platform::MessageBeepCount(), changes = Changes();
    EXPECT_TRUE(Type('b'));
    EXPECT_EQ(platform::MessageBeepCount(), beeps + 1);
    EXPECT_EQ(Text(), std::string(255, 'a'));
    EXPECT_EQ(Changes(), changes);
    Press(kKeyInsert);
    Press(kKeyHome);
    Type('b');
    EXPECT_EQ(Text(), "b" + std::string(254, 'a'));
    EXPECT_EQ(platform::MessageBeepCount(), beeps + 1);
}

TEST_F(EditCtl, ShiftSelectsFromTheCaretAndShrinksAcrossIt) {
    edit.SetText("ABCDE");
    Press(kKeyEnd);
    Press(kKeyHome, kShift);
    EXPECT_EQ(edit.GetSelStart(), 0);
    EXPECT_EQ(edit.GetSelEnd(), 5);
    EXPECT_EQ(edit.GetCaret(), 0);
    Press(kKeyRight, kShift);
    EXPECT_EQ(edit.GetSelStart(), 1);
    EXPECT_EQ(edit.GetSelEnd(), 5);
    Press(kKeyLeft); // without Shift the selection goes
    EXPECT_FALSE(edit.HasSelection());
    // Ctrl or Alt with an arrow is not the edit's.
    EXPECT_FALSE(Press(kKeyLeft, kCtrl));
    EXPECT_EQ(edit.GetCaret(), 0);
    Press(kKeyEnd);
    Press(kKeyLeft, kShift);
    Press(kKeyLeft, kShift);
    EXPECT_EQ(edit.GetSelStart(), 3);
    EXPECT_EQ(edit.GetSelEnd(), 5);
    Press(kKeyBackspace);
    EXPECT_EQ(Text(), "ABC");
    EXPECT_EQ(edit.GetCaret(), 3);
}

TEST_F(EditCtl, DeletionsPastTheEndsChangeNothing) {
    edit.SetText("AB");
    Press(kKeyHome);
    const int changes = Changes();
    EXPECT_TRUE(Press(kKeyBackspace));
    Press(kKeyEnd);
    EXPECT_TRUE(Press(kKeyDelete));
    for (int32_t count : {0, -3})
        edit.DeleteChars(1, count);
    edit.DeleteChars(2, 1);
    edit.DeleteChars(-1, 1);
    EXPECT_EQ(Text(), "AB");
    EXPECT_EQ(Changes(), changes);
    Press(kKeyBackspace);
    EXPECT_EQ(Text(), "A");
}

TEST_F(EditCtl, WithoutScrollingATextIsCutToTheField) {
    // Field 60 wide, inset 3 by the sunken frame: 13 letters of 4 fit before
    // the sum reaches the right edge at 57.
    edit.SetRect(50, 50, 60, 24);
    edit.SetText(std::string(100, 'a').c_str());
    edit.Update();
    EXPECT_EQ(Text(), std::string(13, 'a'));
    EXPECT_EQ(edit.GetCaret(), 13);
    // Scrolling keeps the text and moves the window to the caret.
    edit.SetScrollFlags(TEditCtl::kScrollHorizontal);
    edit.SetText(std::string(100, 'b').c_str());
    edit.Update();
    EXPECT_EQ(Text(), std::string(100, 'b'));
    EXPECT_GT(edit.GetFirstVisible(), 0);
}

TEST_F(EditCtl, AFontWithoutWidthsDividesByOne) {
    edit.SetFont(nullptr);
    edit.SetScrollFlags(TEditCtl::kScrollHorizontal);
    edit.SetText("ABC");
    edit.Update();
    Frame();
    EXPECT_EQ(Text(), "ABC");
}

TEST_F(EditCtl, TheCaretBlinksOnTicksWhileFocused) {
    const uint32_t shown = edit.GetModeFlags() & TEditCtl::mdCaretShown;
    Tick(500); // the timer fires once more than 500 ms have passed
    EXPECT_EQ(edit.GetModeFlags() & TEditCtl::mdCaretShown, shown);
    Tick(1);
    EXPECT_NE(edit.GetModeFlags() & TEditCtl::mdCaretShown, shown);
    Tick(500);
    EXPECT_EQ(edit.GetModeFlags() & TEditCtl::mdCaretShown, shown);
    edit.Focus(false);
    Tick(500);
    EXPECT_EQ(edit.GetModeFlags() & TEditCtl::mdCaretShown, shown);
    // A second Show does not register the blink twice.
    edit.Hide();
    edit.Show(&root);
    edit.Show(&root);
    edit.Focus(true);
    Tick(500);
    EXPECT_NE(edit.GetModeFlags() & TEditCtl::mdCaretShown, shown);
}

TEST_F(EditCtl, AltLettersAreHotKeysAltGrCharactersType) {
    edit.SetText("");
    EXPECT_FALSE(Type('s', kAlt));
    EXPECT_FALSE(Type('s', 0x100)); // the right Alt bit alone
    EXPECT_EQ(Text(), "");
    EXPECT_TRUE(Type('\\', kAlt | kCtrl)); // AltGr
    EXPECT_TRUE(Type('s', kShift));
    EXPECT_EQ(Text(), "\\s");
}

TEST_F(EditCtl, TheFirstClickSelectsAllTheNextPlacesTheCaret) {
    edit.SetText("abcdef");
    edit.Focus(false);
    edit.Update();
    edit.Focus(true);
    // Text starts at x 50 + 3; letters 4 wide: x 53 + 9 is in the third letter,
    // nearer its right edge.
    Click(53 + 9, 62);
    EXPECT_EQ(edit.GetSelEnd(), 6);
    EXPECT_EQ(edit.GetCaret(), 6);
    platform::ClockAdvance(1000); // not a double click
    Click(53 + 9, 62);
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.GetCaret(), 2);
    // Dragging to the right selects with Shift.
    platform::ClockAdvance(1000);
    MoveTo(53 + 9, 62);
    Mouse(true, 53 + 9, 62);
    MoveTo(53 + 17, 62);
    Mouse(false, 53 + 17, 62);
    EXPECT_EQ(edit.GetSelStart(), 2);
    EXPECT_EQ(edit.GetSelEnd(), 4);
}

TEST_F(EditCtl, DrawsTheSelectionOnlyWhileFocused) {
    edit.SetText("abc");
    Frame();
    // The last column of each 4-wide cell is the glyph's gap.
    const uint16_t selection = PixelOf(TColor::Default(38));
    EXPECT_EQ(At(53 + 3, 62), selection);
    edit.Focus(false);
    Frame();
    EXPECT_NE(At(53 + 3, 62), selection);
}

} // namespace
