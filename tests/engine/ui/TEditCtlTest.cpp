// The edit control with a pixel font whose letters are 4 wide: replacing a
// selection by typing, the file-name filter, a full text, selections with
// Shift, deletions at the ends, a text cut to its field, the blinking caret
// and Alt keys that are hot keys rather than characters.

#include "ListFixture.h"
#include "TextFonts.h"
#include "foundation/TKeys.h"
#include "ui/TEditCtl.h"

#include <cstdlib>
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

// The edit control checked rule by rule with the pixel font (letters 4 wide):
// defaults, the frame's client rectangle, every byte through the file-name
// filter, selections grown and shrunk with Shift, deletions by index and
// count, the keys it takes and hands on, Alt against AltGr, case forcing,
// horizontal scrolling by the jump, the caret's position from x and the
// caret itself.
namespace {

using uitest::Heard;
using uitest::InputTest;

class EditCheck : public EditCtl {
protected:
    // The text with the caret at `caret` and no selection.
    void Start(const char* text, int32_t caret) {
        edit.SetText(text);
        Press(kKeyHome);
        for (int32_t i = 0; i < caret; ++i)
            Press(kKeyRight);
    }
};

// An edit with nothing set but its font and place draws the edit's own
// colours: its text, left and centred in the height, over its background.
TEST_F(EditCheck, ANewEditDrawsItsTextCentredInTheEditColours) {
    TEditCtl fresh;
    fresh.SetFont(fonts.library.get()); // drawn in the text colour
    fresh.SetRect(50, 200, 200, 24);
    fresh.Show(&root);
    fresh.SetText("abc");
    Frame();
    TRectArea client;
    fresh.GetClientRect(client);
    const TRectArea area{50 + client.left, 200 + client.top, 50 + client.right,
                         200 + client.bottom};
    EXPECT_EQ(At(area.right - 10, area.top + 5), PixelOf(TColor::Default(35)));
    const TRectArea text = BoundsOf(PixelOf(TColor::Default(36)), area);
    EXPECT_EQ(text.bottom - text.top, 7);
    EXPECT_LE(std::abs((text.top - area.top) - (area.bottom - text.bottom)), 1);
    EXPECT_LT(text.left - area.left, 4);
    EXPECT_EQ(text.right - text.left, 3 * 4 - 1); // three letters, the last one's gap left out
    fresh.Hide();
}

TEST_F(EditCheck, TheClientRectangleFollowsTheFrameStyle) {
    struct Case {
        int32_t style;
        TRectArea client;
    } cases[] = {
        {2, {3, 3, 197, 21}}, {1, {1, 1, 199, 23}}, {0, {0, 0, 200, 24}}, {5, {0, 0, 200, 24}}};
    for (const Case& c : cases) {
        edit.SetFrameStyle(c.style);
        TRectArea r;
        EXPECT_EQ(edit.GetClientRect(r), c.client) << c.style;
    }
    edit.SetFrameStyle(2);
    edit.SetRect(50, 50, 5, 24); // narrower than the frame: empty
    TRectArea r;
    EXPECT_EQ(edit.GetClientRect(r), (TRectArea{0, 0, 0, 0}));
}

TEST_F(EditCheck, TheFilterAdmitsExactlyTheFileNameSet) {
    const std::string set = " +-.0123456789:ABCDEFGHIJKLMNOPQRSTUVWXYZ\\_abcdefghijklmnopqrstuvwxyz"
                            "\xC4\xD6\xDC\xDF\xE1\xE4\xF6\xFC";
    edit.SetFilter(1);
    for (int c = 32; c < 256; ++c) {
        const bool allowed = set.find(char(c)) != std::string::npos;
        EXPECT_EQ(TEditCtl::IsFileNameChar(uint8_t(c)), allowed) << c;
        edit.SetText("");
        EXPECT_EQ(Type(uint8_t(c)), allowed) << c;
        EXPECT_EQ(Text(), allowed ? std::string(1, char(c)) : "") << c;
    }
    edit.SetFilter(0);
    edit.SetText("");
    EXPECT_TRUE(Type('?'));
    EXPECT_TRUE(Type('*'));
    EXPECT_EQ(Text(), "?*");
}

TEST_F(EditCheck, ShiftMovesGrowShrinkAndCrossTheAnchor) {
    Start("ABCDE", 2);
    struct Case {
        uint16_t key;
        uint32_t modifiers;
        int32_t caret, start, end; // start == end: no selection
    } cases[] = {
        {kKeyRight, 0x08, 3, 2, 3},    {kKeyRight, 0x10, 4, 2, 4},
        {kKeyLeft, 0x08, 3, 2, 3},     {kKeyLeft, 0x08, 2, 2, 2},
        {kKeyLeft, 0x08, 1, 1, 2},     {kKeyHome, 0x08, 0, 0, 2},
        {kKeyEnd, 0x08, 5, 2, 5},      {kKeyLeft, 0, 4, 32767, 32767},
        {kKeyEnd, 0x08, 5, 4, 5},      {kKeyHome, 0x08, 0, 0, 4},
        {kKeyEnd, 0, 5, 32767, 32767}, {kKeyRight, 0x08, 5, 32767, 32767},
    };
    for (const Case& c : cases) {
        Press(c.key, c.modifiers);
        EXPECT_EQ(edit.GetCaret(), c.caret) << std::hex << c.key;
        if (c.start == c.end) {
            EXPECT_FALSE(edit.HasSelection()) << std::hex << c.key;
        } else {
            EXPECT_EQ(edit.GetSelStart(), c.start) << std::hex << c.key;
            EXPECT_EQ(edit.GetSelEnd(), c.end) << std::hex << c.key;
        }
    }
    EXPECT_EQ(Text(), "ABCDE");
}

TEST_F(EditCheck, DeleteCharsByIndexAndCount) {
    struct Case {
        int32_t index, count;
        const char* result;
    } cases[] = {{-1, 1, "ABCDE"}, {5, 1, "ABCDE"},      {1, 0, "ABCDE"}, {1, -3, "ABCDE"},
                 {1, 2, "ADE"},    {3, 10, "ABC"},       {0, 5, ""},      {4, 1, "ABCD"},
                 {0, 1, "BCDE"},   {2, 2147483647, "AB"}};
    for (const Case& c : cases) {
        edit.SetText("ABCDE");
        const int changes = Changes();
        edit.DeleteChars(c.index, c.count);
        EXPECT_EQ(Text(), c.result) << c.index << "," << c.count;
        EXPECT_EQ(Changes(), changes + (Text() != "ABCDE")) << c.index << "," << c.count;
    }
    edit.SetText("");
    edit.DeleteChars(0, 1);
    EXPECT_EQ(Text(), "");
}

TEST_F(EditCheck, EditingKeysAtTheCaret) {
    struct Case {
        int32_t caret;
        uint16_t key;
        const char* result;
        int32_t caretAfter;
    } cases[] = {
        {2, 0x1E78, "ABxCDE", 3}, // a character goes before the caret
        {5, 0x1E78, "ABCDEx", 6},       {2, kKeyDelete, "ABDE", 2},  {2, kKeyBackspace, "ACDE", 1},
        {0, kKeyBackspace, "ABCDE", 0}, {5, kKeyDelete, "ABCDE", 5}, {2, kKeyEnter, "ABCDE", 2},
    };
    for (const Case& c : cases) {
        Start("ABCDE", c.caret);
        const int changes = Changes();
        EXPECT_TRUE(Press(c.key)) << std::hex << c.key;
        EXPECT_EQ(Text(), c.result) << std::hex << c.key;
        EXPECT_EQ(edit.GetCaret(), c.caretAfter) << std::hex << c.key;
        EXPECT_EQ(Changes(), changes + (Text() != "ABCDE")) << std::hex << c.key;
    }
    // Overwrite replaces inside the text and appends at its end.
    Start("ABC", 1);
    Press(kKeyInsert);
    EXPECT_EQ(edit.GetModeFlags() & TEditCtl::mdOverwrite, uint32_t(TEditCtl::mdOverwrite));
    Type('x');
    Type('y');
    Type('z');
    EXPECT_EQ(Text(), "Axyz");
    Press(kKeyInsert);
    EXPECT_EQ(edit.GetModeFlags() & TEditCtl::mdOverwrite, 0u);
    // Delete and Backspace take a selection, the caret goes to its start.
    for (uint16_t key : {kKeyDelete, kKeyBackspace}) {
        Start("ABCDE", 1);
        Press(kKeyRight, 0x08);
        Press(kKeyRight, 0x08);
        Press(key);
        EXPECT_EQ(Text(), "ADE") << std::hex << key;
        EXPECT_EQ(edit.GetCaret(), 1) << std::hex << key;
        EXPECT_FALSE(edit.HasSelection());
    }
}

TEST_F(EditCheck, KeysItTakesAndKeysItHandsOn) {
    struct Case {
        uint16_t key;
        uint32_t modifiers;
        bool typed; // a character entered
        bool consumed;
    } cases[] = {
        {0x1E73, 0x040, false, false}, // Alt
        {0x1E73, 0x100, false, false}, // the other Alt bit
        {0x1E73, 0x140, false, false},
        {0x1E73, 0x060, true, true}, // Alt with Ctrl: AltGr
        {0x1E73, 0x180, true, true},
        {0x1E73, 0x020, true, true}, // Ctrl alone does not stop a character
        {0x1E73, 0x008, true, true},
        {0x1E73, 0x010, true, true},
        {0x0073, 0, false, false}, // no scan code: not a typed character
        {0x1E1F, 0, false, false}, // a control character
        {kKeyF1, 0, false, false},
        {kKeyUp, 0, false, false},
        {kKeyLeft, 0x020, false, false}, // Ctrl or Alt with an arrow: not the edit's
        {kKeyRight, 0x040, false, false},
    };
    for (const Case& c : cases) {
        edit.SetText("");
        EXPECT_EQ(Press(c.key, c.modifiers), c.consumed) << std::hex << c.key << " " << c.modifiers;
        EXPECT_EQ(Text(), c.typed ? "s" : "") << std::hex << c.key << " " << c.modifiers;
    }
    // Releases: the edit's keys while focused, nothing else; nothing when not focused.
    struct Release {
        uint16_t key;
        uint32_t modifiers;
        bool consumed;
    } releases[] = {{kKeyHome, 0, true},  {kKeyEnd, 0, true},      {kKeyBackspace, 0, true},
                    {kKeyEnter, 0, true}, {kKeyInsert, 0, true},   {kKeyDelete, 0, true},
                    {kKeyLeft, 0, true},  {kKeyLeft, 0x20, false}, {0x1E61, 0, true},
                    {kKeyF1, 0, false},   {kKeyUp, 0, false}};
    for (int focused : {1, 0}) {
        edit.Focus(focused != 0);
        for (const Release& r : releases) {
            TEvent e;
            e.SetType(evKeyUp);
            e.data[TControl::kwKey] = r.key;
            e.record.modifiers = r.modifiers;
            e.passState = TControl::psFirst;
            edit.OnKeyUp(&e);
            EXPECT_EQ(e.passState == TControl::psConsumed, r.consumed && focused)
                << std::hex << r.key << " focused " << focused;
        }
    }
}

TEST_F(EditCheck, LongTextsCaseForcingAndTheJump) {
    // SetText may be longer than typing could make it.
    edit.SetScrollFlags(TEditCtl::kScrollHorizontal);
    edit.SetText(std::string(300, 'q').c_str());
    edit.Update();
    EXPECT_EQ(Text(), std::string(300, 'q'));
    EXPECT_GE(edit.GetText().MaxLength(), 300);

    struct Case {
        int32_t mode;
        const char* result;
    } cases[] = {{1, "ABC-\xE4Z"}, {2, "abc-\xE4z"}, {0, "aBc-\xE4Z"}, {3, "aBc-\xE4Z"}};
    for (const Case& c : cases) {
        edit.SetCaseMode(c.mode);
        edit.SetText("aBc-\xE4Z");
        edit.Update();
        EXPECT_EQ(Text(), c.result) << c.mode;
    }

    // Field 60 wide: client 54, "M" 4 wide: jump 2 x ((54 / 4) / 3) = 8.
    edit.SetCaseMode(0);
    edit.SetRect(50, 50, 60, 24);
    edit.SetText(std::string(100, 'b').c_str());
    struct Step {
        uint16_t key;
        int presses;
        int32_t firstVisible;
    } steps[] = {{kKeyEnd, 1, 92},  {kKeyHome, 1, 0},  {kKeyEnd, 1, 92},
                 {kKeyLeft, 8, 92}, {kKeyLeft, 1, 83}, {kKeyRight, 1, 83}};
    for (const Step& s : steps) {
        for (int i = 0; i < s.presses; ++i)
            Press(s.key);
        edit.Update();
        EXPECT_EQ(edit.GetFirstVisible(), s.firstVisible) << std::hex << s.key;
    }
}

TEST_F(EditCheck, PositionFromXGivesTheNearestBoundary) {
    edit.SetText("abcdef");
    // Own coordinates: the text starts at 3, letters 4 wide.
    struct Case {
        int32_t x, index;
    } cases[] = {{0, 0}, {3, 0}, {5, 0}, {6, 1}, {9, 1}, {10, 2}, {25, 5}, {26, 6}, {500, 6}};
    for (const Case& c : cases)
        EXPECT_EQ(edit.PositionFromX(c.x), c.index) << c.x;
}

TEST_F(EditCheck, TheCaretIsAOnePixelBlackBar) {
    edit.SetText("");
    Press(kKeyHome); // shows the caret
    Frame();
    const uint16_t black = PixelOf(TColor::Default(39));
    EXPECT_EQ(At(53, 62), black);
    EXPECT_NE(At(54, 62), black);
}

} // namespace
