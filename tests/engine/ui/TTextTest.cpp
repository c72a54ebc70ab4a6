// Text graphics: measures, mnemonics and both word wraps with a pixel font of
// known widths and one kerning pair, worked out by hand; then labels drawn in
// frames on the memory host, where each glyph is a solid block one column
// narrower than its advance, so a row of pixels shows where every character
// went.
#include "TextFonts.h"
#include "UiFixture.h"
#include "ui/TLabel.h"

#include <string>

namespace {

using uitest::TextFonts;

// A text graphic measuring with the pixel font.
struct Measurer {
    TText text;
    explicit Measurer(TFontRes* font, uint32_t style = TText::tsWrap | TText::tsMnemonic) {
        text.SetFont(font);
        text.SetStyle(style);
        text.Update();
        text.BindFont();
    }
    ~Measurer() { text.ReleaseFont(); }
};

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
        Measurer m(fonts.pixel.get(), c.style);
        EXPECT_EQ(m.text.GetTextWidth(c.text, 500), c.width);
        EXPECT_EQ(m.text.GetTextHeight(c.text), c.height);
        EXPECT_EQ(m.text.CountLines(c.text), c.lines);
    }
    Measurer m(fonts.pixel.get());
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
    const struct {
        uint32_t style;
        const char* source;
        int32_t size, width;
        const char* wrapped;
    } cases[] = {
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        Measurer m(fonts.pixel.get(), c.style);
        std::string out(size_t(c.size), '#');
        m.text.WrapText(out.data(), c.source, c.size, c.width);
        EXPECT_EQ(std::string(out.c_str()), c.wrapped);
    }
    Measurer m(fonts.pixel.get(), 8);
    char untouched[4] = "xyz";
    m.text.WrapText(untouched, "ab", 4, 0); // no width: nothing happens
    EXPECT_STREQ(untouched, "xyz");
    m.text.WrapText(untouched, nullptr, 4, 10);
    EXPECT_STREQ(untouched, "xyz");
}

TEST(TText, SpreadGapFillsTheLineButNotASentencesEnd) {
    TextFonts fonts;
    Measurer m(fonts.pixel.get());
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
