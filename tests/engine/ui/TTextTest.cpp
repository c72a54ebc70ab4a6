// Text graphics: measures, mnemonics and both word wraps with a pixel font of
// known widths and one kerning pair, worked out by hand; then labels drawn in
// frames on the memory host, where each glyph is a solid block one column
// narrower than its advance, so a row of pixels shows where every character
// went.

#include "InputUi.h"
#include "TextFonts.h"
#include "UiFixture.h"
#include "ui/TLabel.h"
#include "ui/TTextButtonEx.h"

#include <string>

namespace {

using uitest::TextFonts;

constexpr uint32_t kPlain = TText::tsWrap | TText::tsMnemonic; // 80

// A text graphic with its font bound for measuring.
struct Bound {
    TText text;
    explicit Bound(TFontRes* font, uint32_t style = kPlain, int32_t align = 0,
                   int32_t vertAlign = 0) {
        text.SetFont(font);
        text.SetStyle(style);
        text.SetAlign(align);
        text.SetVertAlign(vertAlign);
        text.Update();
        text.BindFont();
    }
    ~Bound() { text.ReleaseFont(); }
};

// A text wrapped in a style into a buffer of `size` bytes for a line width.
struct WrapCase {
    uint32_t style;
    const char* source;
    int32_t size, width;
    const char* wrapped;
};

void ExpectWraps(TFontRes* font, std::initializer_list<WrapCase> cases) {
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " " + c.source);
        Bound b(font, c.style);
        std::string out(size_t(c.size), '#');
        b.text.WrapText(out.data(), c.source, c.size, c.width);
        EXPECT_EQ(std::string(out.c_str()), c.wrapped);
    }
}

TEST(TText, MeasuresTheMarkup) {
    TextFonts fonts;
    const struct {
        const char* text;
        uint32_t style;
        int32_t width, height, lines;
    } cases[] = {
        {"ab", 80, 8, 8, 1},
        {"a&b", 80, 8, 8, 1},       // a single & counts nothing
        {"a&&b", 80, 13, 8, 1},     // && is one &
        {"a&b", 16, 13, 8, 1},      // without mnemonics & is a character
        {"ab[cd\nef", 80, 8, 8, 1}, // nothing from [ on
        {"a\x11"
         "b",
         80, 11, 8, 1}, // 17, 20 and | measure as characters
        {"a\x14"
         "b",
         80, 11, 8, 1},
        {"a|b", 80, 9, 8, 1},
        {"a\x16"
         "b",
         80, 8, 8, 1},       // the caret mark has no width
        {"To", 80, 7, 8, 1}, // the kerning pair
        {"ab\r\ncde", 80, 12, 16, 2},
        {"ab\ncde", 80, 12, 16, 2},
        {"ab\r\n\r\nW", 80, 8, 24, 3},
        {"", 80, 0, 8, 0}, // one line high, nothing wide
        {"[ab", 80, 0, 8, 0},
        {"ab", 80 | 32, 10, 10, 1}, // embossed: 2 wider and 2 higher
        {"", 80 | 32, 0, 10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Bound m(fonts.pixel.get(), c.style);
        EXPECT_EQ(m.text.GetTextWidth(c.text, 500), c.width);
        EXPECT_EQ(m.text.GetTextHeight(c.text), c.height);
        EXPECT_EQ(m.text.CountLines(c.text), c.lines);
    }
    Bound m(fonts.pixel.get());
    EXPECT_EQ(m.text.GetTextWidth(nullptr, 500), 0);
    EXPECT_EQ(m.text.GetTextHeight(nullptr), 0);
    EXPECT_EQ(m.text.GetLineWidth("ab\r\ncde", 500), 8);
    m.text.SetAlign(TText::taSpread);
    EXPECT_EQ(m.text.GetTextWidth("ab", 77), 77);
}

TEST(TText, MnemonicOfAText) {
    const struct {
        const char* text;
        uint32_t style;
        uint16_t mnemonic;
    } cases[] = {
        {"&Cancel", 80, 'c'},      {"&File", 80, 'f'},   {"A && B", 80, 0xFFFF},
        {"a&&&b", 80, 'b'},        {"end&", 80, 0xFFFF}, {"&Cancel", 16, 0xFFFF},
        {"x&\xC9t\xE9", 80, 0xC9}, // cp1252 bytes stay unsigned
    };
    TText text;
    for (const auto& c : cases) {
        text.SetStyle(c.style);
        EXPECT_EQ(text.GetMnemonic(c.text), c.mnemonic) << c.text;
    }
    EXPECT_EQ(text.GetMnemonic(nullptr), 0xFFFF);
}

TEST(TText, WrapsByTheStyle) {
    TextFonts fonts;
    ExpectWraps(fonts.pixel.get(),
                {
                    // Hyphenating: the soft hyphen breaks where the whole word would not fit.
                    {8, "extra|ordinary", 100, 30, "extra-\r\nordinary"},
                    {8, "extra|ordinary", 100, 60, "extraordinary"},
                    // A word wider than the line stands alone; the next word moves on.
                    {8, "ab verylongword cd", 100, 20, "ab\r\nverylongword\r\ncd"},
                    // Blank runs, CR and LF collapse to one blank; leading ones go.
                    {8, "  ab  \r\n cd", 100, 100, "ab cd"},
                    // 17 breaks and is removed, 20 breaks and is kept.
                    {8,
                     "ab\x11"
                     "cd",
                     100, 100, "ab\r\ncd"},
                    {8,
                     "ab\x14"
                     "cd",
                     100, 100, "ab\x14\r\ncd"},
                    {8, "ab cd[ef gh", 100, 100, "ab cd"},
                    // The output is bounded by its size and always terminated.
                    {8, "ab cd", 3, 12, "ab"},
                    // Plain: blanks become CR LF, source CR LF pairs are kept.
                    {16, "ab cd ef", 100, 12, "ab\r\ncd\r\nef"},
                    {16, "ab cd\r\nef gh", 100, 100, "ab cd\r\nef gh"},
                    {16, "ab cd ef", 7, 12, "ab\r\n"},
                    // No wrap: a bounded copy.
                    {0, "abcdef", 4, 5, "abc"},
                    // Embossing takes 2 off the width.
                    {16 | 32, "ab cd", 100, 20, "ab\r\ncd"},
                    {16, "ab cd", 100, 20, "ab cd"},
                });
    Bound m(fonts.pixel.get(), 8);
    char untouched[4] = "xyz";
    m.text.WrapText(untouched, "ab", 4, 0); // no width: nothing happens
    EXPECT_STREQ(untouched, "xyz");
    m.text.WrapText(untouched, nullptr, 4, 10);
    EXPECT_STREQ(untouched, "xyz");
}

TEST(TText, SpreadGapFillsTheLineButNotASentencesEnd) {
    TextFonts fonts;
    Bound m(fonts.pixel.get());
    m.text.SetAlign(TText::taSpread);
    const struct {
        const char* line;
        int32_t blank; // index of the blank asked about
        int32_t remaining;
        int32_t gap;
    } cases[] = {
        {"ab cd", 2, 92, 84},    // (92 - 8) / 1
        {"ab cd ef", 2, 93, 38}, // (93 - 16) / 2
        {"ab cd.", 2, 92, 3},    // a sentence's end keeps plain blanks
        {"ab cd!  ", 2, 92, 3},  // trailing blanks are looked past
        {"ab cd.", 2, 10, 0},    // it does not fit: no width
        {"ab cd\x14", 2, 92, 3}, // a kept break ends a paragraph
        {" \x01 ", 0, 50, 23},   // nothing visible: spread, (50 - 3) / 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(m.text.GetSpreadGap(c.line + c.blank, c.remaining, c.line), c.gap);
    }
}

// --- Labels in frames --------------------------------------------------------------

class TLabelTest : public uitest::UiTest {
protected:
    // Runs of lit (white) pixels of one row from x0 on: "20-22 24-26".
    std::string Runs(int32_t y, int32_t x0 = 0, int32_t x1 = kWidth) {
        std::string out;
        int32_t start = -1;
        for (int32_t x = x0; x <= x1; ++x) {
            const bool lit = x < x1 && At(x, y) == 0xFFFF;
            if (lit && start < 0) start = x;
            if (!lit && start >= 0) {
                out +=
                    (out.empty() ? "" : " ") + std::to_string(start) + "-" + std::to_string(x - 1);
                start = -1;
            }
        }
        return out;
    }
    // The first row from y0 down that has a lit pixel in [x0, x1).
    int32_t FirstLitRow(int32_t x0, int32_t x1, int32_t y0 = 0) {
        for (int32_t y = y0; y < kHeight; ++y)
            if (!Runs(y, x0, x1).empty()) return y;
        return -1;
    }
    TextFonts fonts;
};

TEST_F(TLabelTest, AlignsAndDrawsTheMarkup) {
    const struct {
        const char* text;
        int32_t align, vertAlign;
        int32_t row; // the first row of the text
        const char* runs;
        const char* secondLine; // runs 8 rows further down
    } cases[] = {
        {"ab", 0, 0, 40, "20-22 24-26", ""},
        {"ab", 1, 1, 51, "66-68 70-72", ""},     // 20 + 50 - 4, 40 + 15 - 4
        {"ab", 2, 2, 62, "112-114 116-118", ""}, // 120 - 8, 70 - 8
        {"&ab", 0, 0, 40, "20-22 24-26", ""},    // the mnemonic mark is not drawn
        {"a&&b", 0, 0, 40, "20-22 24-27 29-31", ""},
        {"a|b\x11"
         "c\x14"
         "d",
         0, 0, 40, "20-22 24-26 28-30 32-34", ""},
        {"ab\x16"
         "cd",
         0, 0, 40, "20-22 24-30 32-34", ""}, // caret at 27
        {"To", 0, 0, 40, "20-25", ""},       // o pulled 2 left
        {"ab\r\nabcd", 1, 0, 40, "66-68 70-72", "62-64 66-68 70-72 74-76"},
        {"ab\ncd", 0, 0, 40, "20-22 24-26", "28-30 32-34"}, // a bare LF keeps x
        // Spread ends at the right edge, but not on a sentence's last line.
        {"ab cd", 3, 0, 40, "20-22 24-26 112-114 116-118", ""},
        {"ab cd.", 3, 0, 40, "20-22 24-26 31-33 35-37 39-39", ""},
        {"ab cd ef", 3, 3, 51, "20-22 24-26 66-68 70-72 112-114 116-118", ""},
    };
    uitest::Box back(TColor(10, 10, 120));
    back.SetRect(0, 0, kWidth, kHeight);
    back.Show(&root);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TLabel label;
        label.SetFont(fonts.pixel.get());
        label.SetRect(20, 40, 100, 30);
        label.SetAlign(c.align);
        label.SetVertAlign(c.vertAlign);
        label.SetStyle(TText::tsMnemonic); // no wrap
        label.SetText(c.text);
        label.Show(&back);
        Frame();
        EXPECT_EQ(FirstLitRow(0, kWidth), c.row);
        EXPECT_EQ(Runs(c.row + 3), c.runs);
        EXPECT_EQ(Runs(c.row + 8 + 3), c.secondLine);
        label.Hide();
        Frame();
        EXPECT_EQ(FirstLitRow(0, kWidth), -1);
    }
    back.Hide();
}

TEST_F(TLabelTest, SizesItselfToTheWrappedText) {
    TLabel label;
    label.SetFont(fonts.pixel.get());
    label.SetStyle(TText::tsHyphenate | TText::tsMnemonic);
    label.SetAutoSize(1);
    label.SetPos(10, 10);
    label.SetExtent({0, 0, 50, 100}); // 50 - 10 pixels for the text
    label.SetText("extra|ordinary words");
    label.Update();
    EXPECT_STREQ(label.GetWrappedText(), "extra-\r\nordinary\r\nwords");
    EXPECT_EQ(label.GetWidth(), 30);
    EXPECT_EQ(label.GetHeight(), 24);
    EXPECT_EQ(label.GetTextWidth(), 30);
    EXPECT_EQ(label.GetTextHeight(), 24);
    label.SetBorderWidth(2);
    label.Update();
    EXPECT_EQ(label.GetWidth(), 32);
    EXPECT_EQ(label.GetHeight(), 26);
    // A spread label measures its widest line, not the width it would fill.
    label.SetAlign(TText::taSpread);
    EXPECT_EQ(label.GetTextWidth(), 30);
    label.SetText("");
    label.Update();
    EXPECT_EQ(label.GetWidth(), 0);
    EXPECT_EQ(label.GetHeight(), 0);
    EXPECT_STREQ(label.GetWrappedText(), "");
    EXPECT_EQ(label.GetTextWidth(), 0);
}

TEST_F(TLabelTest, ANarrowLabelKeepsEveryLineOfALongText) {
    // 150 words of one letter: every blank becomes CR LF, which needs more
    // than one and a half times the text.
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += i ? " a" : "a";
    for (uint32_t style : {uint32_t(TText::tsWrap), uint32_t(TText::tsHyphenate)}) {
        TLabel label;
        label.SetFont(fonts.pixel.get());
        label.SetStyle(style);
        label.SetRect(0, 0, 5, 10);
        label.SetText(text.c_str());
        label.Update();
        std::string wrapped = label.GetWrappedText();
        size_t lines = 1;
        for (char ch : wrapped)
            lines += ch == '\n';
        EXPECT_EQ(lines, 150u) << style;
        EXPECT_EQ(wrapped.substr(wrapped.size() - 3), "\r\na") << style;
    }
}

TEST_F(TLabelTest, LibraryFontUnderlinesTheMnemonicAndEmbosses) {
    uitest::Box back(TColor(10, 10, 120));
    back.SetRect(0, 0, kWidth, kHeight);
    back.Show(&root);
    TLabel label;
    label.SetFont(fonts.library.get());
    label.SetRect(20, 40, 100, 30);
    label.SetTextColor(TColor(255, 255, 255));
    label.SetText("&ab");
    label.Show(&back);
    Frame();
    // The glyphs: 3 lit columns of 4, rows of the 7-high cell.
    const int32_t top = FirstLitRow(20, 28);
    ASSERT_GE(top, 40);
    EXPECT_EQ(Runs(top + 2, 0, 200), "20-22 24-26");
    int32_t underA = 0, underB = 0;
    for (int32_t y = top; y < top + 12; ++y) {
        underA += At(23, y) == 0xFFFF;
        underB += At(27, y) == 0xFFFF;
    }
    EXPECT_GE(underA, 1); // the line reaches into the gap after the 'a'
    EXPECT_EQ(underB, 0);

    label.SetText("a");
    label.SetStyle(TText::tsWrap | TText::tsMnemonic | TText::tsEmboss);
    label.SetTextColor(TColor(0, 0, 0));
    Frame();
    // Light at x, text at x + 1, shadow at x + 2, in that order of drawing.
    const int32_t row = FirstLitRow(20, 28) + 3;
    EXPECT_EQ(At(20, row), PixelOf(TColor(255, 255, 255)));
    EXPECT_EQ(At(21, row), PixelOf(TColor(0, 0, 0)));
    EXPECT_EQ(At(23, row), PixelOf(TColor(0, 0, 0)));
    EXPECT_EQ(At(24, row), PixelOf(TColor(128, 128, 128)));
    label.Hide();
    back.Hide();
}

} // namespace

// A second look at text graphics and text buttons, every expectation worked
// out by hand from the pixel font's widths (blank, unmapped characters and
// '-' 3, letters 4, 'W' 6, 'i', '.' and '!' 2, '|' 1, '&' 5, 'T' 5, 'o' 4;
// 'T' then 'o' pulls the 'o' 2 left; 8 high): measures and origins, the
// spread gap, both wraps, the markup drawn into frames, mnemonics as Alt hot
// keys, and the focus frames and client areas of the text buttons.
namespace {

using platform::KeyCode;
using uitest::TextFonts;

TEST(TextCheck, LinesAndBlocksMeasure) {
    TextFonts fonts;
    const struct {
        const char* text;
        uint32_t style;
        int32_t line, block, height, lines;
    } cases[] = {
        {"Wi", kPlain, 8, 8, 8, 1},
        {"T&o", kPlain, 7, 7, 8, 1},          // the pair reaches over the marker
        {"T&&o", kPlain, 14, 14, 8, 1},       // T, &, o: no pair
        {"oT", kPlain, 9, 9, 8, 1},           // pairs are ordered
        {"To", kPlain | 4, 9, 9, 8, 1},       // no kerning
        {"ab\rWW", kPlain, 8, 12, 8, 1},      // a CR ends a line but counts none
        {"a\n\nbc", kPlain, 4, 8, 24, 3},     //
        {"ab[\n\n", kPlain, 8, 8, 8, 1},      // nothing after the cut-off counts
        {"ab", kPlain | 32, 10, 10, 10, 1},   // embossed
        {"\n", kPlain, 0, 0, 16, 2},          //
        {"\n", kPlain | 32, 0, 0, 18, 2},     // no margin on nothing
        {"a\x16", kPlain, 4, 4, 8, 1},        // the caret mark is not measured
        {"To\r\nT", kPlain, 7, 7, 16, 2},     //
        {"a&", kPlain, 4, 4, 8, 1},           // a trailing marker counts nothing
        {"a&b", TText::tsWrap, 13, 13, 8, 1}, // without mnemonics & is a glyph
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Bound b(fonts.pixel.get(), c.style);
        EXPECT_EQ(b.text.GetLineWidth(c.text, 300), c.line);
        EXPECT_EQ(b.text.GetTextWidth(c.text, 300), c.block);
        EXPECT_EQ(b.text.GetTextHeight(c.text), c.height);
        EXPECT_EQ(b.text.CountLines(c.text), c.lines);
    }
    Bound spread(fonts.pixel.get(), kPlain, TText::taSpread);
    EXPECT_EQ(spread.text.GetLineWidth("ab", 41), 41);
    EXPECT_EQ(spread.text.GetLineWidth(nullptr, 41), 0);
}

TEST(TextCheck, OriginsAndRectanglesFollowTheAlignments) {
    TextFonts fonts;
    const TRectArea box{10, 20, 110, 60};
    const struct {
        int32_t align, vertAlign;
        uint32_t style;
        TRectArea rect;
        const char* text;
        TPoint block, line;
    } cases[] = {
        {1, 1, kPlain, box, "ab", {56, 36}, {56, 36}},                  // 10 + 50 - 4, 20 + 20 - 4
        {2, 2, kPlain, box, "ab\nabcd", {94, 44}, {102, 52}},           // block 16 x 16, line 8 x 8
        {3, 3, kPlain, box, "ab", {10, 36}, {10, 36}},                  // spread starts left
        {0, 7, kPlain, box, "ab", {10, 20}, {10, 20}},                  // other values: top
        {1, 1, kPlain, {0, 0, 11, 8}, "WWWWW", {-10, 0}, {-10, 0}},     // 5 - 15
        {1, 0, kPlain, {10, 0, 5, 8}, "ab", {3, 0}, {3, 0}},            // -5 halves to -3
        {1, 1, kPlain | 32, {0, 0, 100, 40}, "ab", {45, 15}, {45, 16}}, // +2 in the block only
        {2, 2, kPlain, box, nullptr, {110, 60}, {110, 52}},
        {1, 1, kPlain, box, nullptr, {60, 40}, {60, 36}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.align) + std::to_string(c.vertAlign) +
                     (c.text ? c.text : "null"));
        TText text;
        text.SetFont(fonts.pixel.get());
        text.SetStyle(c.style);
        text.SetAlign(c.align);
        text.SetVertAlign(c.vertAlign);
        text.Update();
        const TPoint block = text.GetTextOrigin(c.rect, c.text);
        const TPoint line = text.GetLineOrigin(c.rect, c.text);
        EXPECT_EQ(block.x, c.block.x);
        EXPECT_EQ(block.y, c.block.y);
        EXPECT_EQ(line.x, c.line.x);
        EXPECT_EQ(line.y, c.line.y);
    }
    const struct {
        int32_t align, vertAlign;
        TRectArea rect;
        const char* text;
        TRectArea result;
    } rects[] = {
        {1, 1, {0, 0, 11, 8}, "WWWWW", {0, 0, 11, 8}}, // clipped to the rectangle
        {0, 0, box, nullptr, {10, 20, 11, 20}},        // at least 1 wide, 0 high
        {2, 2, box, "ab", {102, 52, 110, 60}},         //
        {1, 0, box, "ab\nabcd", {52, 20, 68, 36}},     // 10 + 50 - 8
    };
    for (const auto& c : rects) {
        TText text;
        text.SetFont(fonts.pixel.get());
        text.SetAlign(c.align);
        text.SetVertAlign(c.vertAlign);
        text.Update();
        const TRectArea r = text.GetTextRect(c.rect, c.text);
        EXPECT_EQ(r.left, c.result.left);
        EXPECT_EQ(r.top, c.result.top);
        EXPECT_EQ(r.right, c.result.right);
        EXPECT_EQ(r.bottom, c.result.bottom);
    }
}

TEST(TextCheck, TheSpreadGapOfABlank) {
    TextFonts fonts;
    const struct {
        const char* line;
        int32_t blank, remaining;
        uint32_t style;
        int32_t gap;
    } cases[] = {
        {"ab cd", 2, 92, kPlain | 32, 82},  // the margin comes off first: (90 - 8) / 1
        {"ab cd?", 2, 92, kPlain, 81},      // '?' is not in the font: looked past
        {"ab c&d", 2, 50, kPlain, 42},      // the marker counts nothing
        {"ab ", 2, 20, kPlain, 20},         // nothing after the blank
        {"a b c", 1, 21, kPlain, 6},        // (21 - 8) / 2, toward zero
        {"a b c.", 1, 21, kPlain, 3},       // fits: a sentence's end keeps blanks
        {"a b c.", 1, 15, kPlain, 2},       // does not fit: (15 - 10) / 2
        {"ab cd", 2, 8, kPlain, 0},         // nothing left for the blank
        {"To To", 2, 40, kPlain, 33},       // the pair is part of the width: 40 - 7
        {"ab cd\r\nx.", 2, 60, kPlain, 52}, // the line ends at the CR
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Bound b(fonts.pixel.get(), c.style, TText::taSpread);
        EXPECT_EQ(b.text.GetSpreadGap(c.line + c.blank, c.remaining, c.line), c.gap);
    }
}

TEST(TextCheck, BothWrapsStepByStep) {
    TextFonts fonts;
    ExpectWraps(fonts.pixel.get(),
                {
                    {8, "ab|cd|ef", 100, 13, "ab-\r\ncd-\r\nef"},
                    {8, "abc|de", 100, 13, "abcde"}, // the hyphen would not fit: no break point
                    {8, "ab| cd", 100, 100, "abcd"}, // a blank after a soft hyphen is dropped
                    {8, "ab\x16 cd", 100, 100, "ab\x16 cd"},
                    {8, "ab   cd", 100, 10, "ab\r\ncd"},
                    {8, "ab c", 100, 15, "ab c"},
                    {8 | 32, "ab c", 100, 15, "ab\r\nc"},
                    {8, "To To", 100, 17, "To To"}, // 7 + 3 + 7: the pairs are counted
                    {8, "To To", 100, 16, "To\r\nTo"},
                    {8, "ab cd", 4, 12, "ab\r"}, // CR and LF only while more than 1 byte is left
                    {8, "ab cd efghijklmn", 4, 10, "ab\r"}, // full: the wrap ends (it used to hang)
                    {8, "\r\n ab", 100, 100, "ab"},
                    {8,
                     "a\x11\x11"
                     "b",
                     100, 100, "a\r\n\r\nb"},
                    {8, "ab\x14", 100, 100, "ab\x14\r\n"},
                    {16, "ab cd", 100, 12, "ab\r\ncd"},
                    {16, "abcdef gh", 100, 10, "abcdef\r\ngh"},
                    {16, "ab\ncd ef", 100, 20, "ab\ncd\r\nef"}, // a bare LF is a character here
                    {16, "ab ", 100, 7, "ab\r\n"},
                    {16, "ab cd", 6, 12, "ab\r\n"},
                    {16, "a|b c", 100, 100, "a|b c"},
                    {16, "ab\r\ncd ef", 100, 14, "ab\r\ncd\r\nef"},
                    {24, "extra|ordinary", 100, 30, "extra-\r\nordinary"}, // bit 8 wins
                    {64, "abc", 10, 1, "abc"},
                });
    Bound embossed(fonts.pixel.get(), 16 | 32);
    char untouched[4] = "xyz";
    embossed.text.WrapText(untouched, "ab", 4, 2); // 2 - 2: no width
    EXPECT_STREQ(untouched, "xyz");
}

// --- Drawn into frames ---------------------------------------------------------------

class TextFrames : public uitest::InputUiTest {
protected:
    void SetUp() override {
        InputUiTest::SetUp();
        back.SetRect(0, 0, kWidth, kHeight);
        back.Show(&root);
    }
    void TearDown() override {
        back.Hide();
        InputUiTest::TearDown();
    }
    // Runs of white pixels of one row: "20-22 24-26".
    std::string Runs(int32_t y) {
        std::string out;
        int32_t start = -1;
        for (int32_t x = 0; x <= kWidth; ++x) {
            const bool lit = x < kWidth && At(x, y) == 0xFFFF;
            if (lit && start < 0) start = x;
            if (!lit && start >= 0) {
                out +=
                    (out.empty() ? "" : " ") + std::to_string(start) + "-" + std::to_string(x - 1);
                start = -1;
            }
        }
        return out;
    }
    int32_t FirstLitRow() {
        for (int32_t y = 0; y < kHeight; ++y)
            if (!Runs(y).empty()) return y;
        return -1;
    }
    uitest::Box back{TColor(10, 10, 120)};
    TextFonts fonts;
};

TEST_F(TextFrames, TheMarkupDrawn) {
    const struct {
        const char* text;
        int32_t align, vertAlign;
        int32_t row;
        const char* first;
        const char* second;
    } cases[] = {
        {"a&|b", 0, 0, 40, "20-22 24-27", ""}, // the marked soft hyphen is drawn
        {"ab[cd", 0, 0, 40, "20-22 24-26", ""},
        {"ab\r\nabcd", 2, 0, 40, "112-114 116-118", "104-106 108-110 112-114 116-118"},
        {"ab cd\r\nef gh.", 3, 0, 40, "20-22 24-26 112-114 116-118",
         "20-22 24-26 31-33 35-37 39-39"},
        {"ab\ncd", 0, 2, 54, "20-22 24-26", "28-30 32-34"}, // 70 - 16
        {"a\x11\x14"
         "b",
         0, 0, 40, "20-22 24-26", ""}, // forced breaks are not drawn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TLabel label;
        label.SetFont(fonts.pixel.get());
        label.SetRect(20, 40, 100, 30);
        label.SetAlign(c.align);
        label.SetVertAlign(c.vertAlign);
        label.SetStyle(TText::tsMnemonic);
        label.SetText(c.text);
        label.Show(&back);
        Frame();
        EXPECT_EQ(FirstLitRow(), c.row);
        EXPECT_EQ(Runs(c.row + 3), c.first);
        EXPECT_EQ(Runs(c.row + 11), c.second);
        label.Hide();
        Frame();
    }
}

TEST_F(TextFrames, ADoubledMarkerIsAPlainAmpersand) {
    // Library font: letters light 3 columns of 4, '&' 4 of 5; an underline
    // reaches into the gap column after its character.
    TLabel label;
    label.SetFont(fonts.library.get());
    label.SetRect(20, 40, 100, 30);
    label.SetTextColor(TColor(255, 255, 255));
    label.SetText("a&&b");
    label.Show(&back);
    Frame();
    const int32_t top = FirstLitRow();
    ASSERT_GE(top, 40);
    EXPECT_EQ(Runs(top + 2), "20-22 24-27 29-31");
    for (int32_t y = top; y < top + 12; ++y) {
        EXPECT_NE(At(23, y), 0xFFFF) << y;
        EXPECT_NE(At(28, y), 0xFFFF) << y;
    }
    label.Hide();
}

// --- Text buttons --------------------------------------------------------------------

template <class Base> struct Heard : Base {
    Heard() { this->template Add<Heard, &Heard::On>(evCommand, this); }
    int On(TObject*, TEvent*) { return ++commands, 1; }
    int commands = 0;
};

TEST_F(TextFrames, MnemonicsBecomeAltHotKeys) {
    const struct {
        const char* text;
        KeyCode key;
        int commands;
    } cases[] = {
        {"Sa&ve", KeyCode::V, 1},  {"Sa&ve", KeyCode::S, 0},  {"A && B", KeyCode::A, 0},
        {"A && B", KeyCode::B, 0}, {"&&&Yes", KeyCode::Y, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Heard<TTextButton> button;
        button.SetFont(fonts.pixel.get());
        button.SetRect(10, 10, 80, 30);
        button.SetText(c.text);
        button.Show(&back);
        Frame();
        Key(c.key, {KeyCode::LeftAlt});
        EXPECT_EQ(button.commands, c.commands);
        button.Hide();
    }
}

TEST_F(TextFrames, FocusFramesAndClientAreasOfTheButtons) {
    const uint16_t black = PixelOf(TColor(0, 0, 0)), behind = PixelOf(back.GetColor());
    TTextButton plain, tiny;
    TTextButtonEx face;
    plain.SetRect(300, 300, 30, 20);
    tiny.SetRect(400, 300, 4, 4);
    face.SetRect(300, 400, 30, 20);
    for (TTextButton* b : {&plain, &tiny, static_cast<TTextButton*>(&face)}) {
        b->Show(&back);
        b->SetFocus(true);
    }
    Frame();
    // The dotted frame (2, 2, 28, 18) on the key colour, which is see-through.
    int topDots = 0;
    for (int32_t x = 302; x < 328; ++x)
        topDots += At(x, 302) == black;
    EXPECT_EQ(topDots, 13);
    EXPECT_EQ(At(300, 300), behind);
    EXPECT_EQ(At(315, 310), behind);
    for (int32_t y = 300; y < 304; ++y)
        for (int32_t x = 400; x < 404; ++x)
            EXPECT_NE(At(x, y), black) << x << "," << y; // too small for a frame
    // The face's frame lies inside its bevels: (3, 3, 27, 17).
    int faceDots = 0;
    for (int32_t x = 303; x < 327; ++x)
        faceDots += At(x, 403) == black;
    EXPECT_EQ(faceDots, 12);
    EXPECT_EQ(At(310, 402), PixelOf(TColor(192, 192, 192)));

    TRectArea r;
    plain.GetClientRect(r);
    EXPECT_EQ(r, (TRectArea{4, 4, 26, 16}));
    face.GetClientRect(r);
    EXPECT_EQ(r, (TRectArea{4, 4, 26, 16}));
    MoveTo(315, 410);
    Mouse(true, 315, 410);
    face.GetClientRect(r);
    EXPECT_EQ(r, (TRectArea{5, 5, 27, 17})); // moved with the sunken face
    Mouse(false, 315, 410);

    // Default colours of the states.
    EXPECT_EQ(plain.GetNormalColor().Value(), TColor(0, 0, 0).Value());
    EXPECT_EQ(plain.GetHotColor().Value(), TColor(255, 0, 0).Value());
    EXPECT_EQ(plain.GetPressedColor().Value(), TColor(255, 0, 0).Value());
    for (TTextButton* b : {&plain, &tiny, static_cast<TTextButton*>(&face)})
        b->Hide();
}

} // namespace
