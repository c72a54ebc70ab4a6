#include "FntWriter.h"
#include "FontFileWriter.h"
#include "TempDir.h"

#include "gdl/font.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct FontDeleter {
    void operator()(GdlFont* f) const { GDL_free(f); }
};
using FontPtr = std::unique_ptr<GdlFont, FontDeleter>;

// Row-major glyph rows of a given width and height with a recognisable pattern.
std::vector<uint8_t> GlyphRows(int width, int height, int seed) {
    const int rowBytes = (width + 7) / 8;
    std::vector<uint8_t> rows;
    for (int r = 0; r < height; ++r)
        for (int b = 0; b < rowBytes; ++b)
            rows.push_back(static_cast<uint8_t>(seed * 31 + r * 7 + b * 101 + 1));
    return rows;
}

// A character as an index.
int C(char c) {
    return static_cast<unsigned char>(c);
}

class FontFiles : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    FontPtr Load(const std::vector<uint8_t>& file) {
        return FontPtr(GDL_loadFont(dir.Write("f.fnt", file).c_str()));
    }
    testsupport::TempDir dir;
};

tools::NativeFont SampleNative() {
    std::array<tools::NativeGlyph, 256> glyphs{};
    const int widths[] = {5, 9, 12, 8};
    for (int i = 0; i < 4; ++i)
        glyphs['A' + i] = {widths[i], GlyphRows(widths[i], 10, i)};
    tools::NativeFont font = tools::MakeBitmapFont("Sample Face", 10, 8, glyphs, false);
    font.leading = 2;
    font.lastMetric = 77;
    font.spare['B'] = 9;
    return font;
}

TEST_F(FontFiles, NativeFontRoundTripsFieldByField) {
    const tools::NativeFont src = SampleNative();
    FontPtr font = Load(tools::WriteFontFile(src));
    ASSERT_TRUE(font) << GDL_lastResult();
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    EXPECT_STREQ(font->name, "Sample Face");
    EXPECT_EQ(font->fontType, 3);
    EXPECT_EQ(font->maxWidth, 12);
    EXPECT_EQ(font->lastMetric, 77);
    EXPECT_EQ(font->cellWidth, 12);
    EXPECT_EQ(font->fontHeight, 10);
    EXPECT_EQ(font->ascent, 8);
    EXPECT_EQ(font->descent, -2);
    EXPECT_EQ(font->leading, 2);
    EXPECT_EQ(0, std::memcmp(font->charWidth, src.charWidth.data(), 256));
    EXPECT_EQ(0, std::memcmp(font->bitWidth, src.bitWidth.data(), 256));
    EXPECT_EQ(0, std::memcmp(font->spare, src.spare.data(), 256));
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(font->glyphOffset[c], src.glyphOffset[c]) << c;
    EXPECT_EQ(font->glyphOffset[C('Z')], 0xFFFF);
    ASSERT_EQ(font->glyphBytes, src.glyphData.size());
    EXPECT_EQ(0, std::memcmp(font->glyphData, src.glyphData.data(), src.glyphData.size()));
}

TEST_F(FontFiles, NativeFaceNamesAreCutTo57Characters) {
    tools::NativeFont src = SampleNative();
    src.name = std::string(57, 'n');
    std::vector<uint8_t> file = tools::WriteFontFile(src);
    std::memset(&file[21 + 57], 'x', 100); // no terminator for a long way
    FontPtr font = Load(file);
    ASSERT_TRUE(font);
    EXPECT_EQ(std::string(font->name), std::string(57, 'n'));
}

TEST_F(FontFiles, BrokenNativeFontsAreCorrupted) {
    const std::vector<uint8_t> good = tools::WriteFontFile(SampleNative());
    std::vector<uint8_t> shortBody = good;
    shortBody.resize(256 + 1000);
    std::vector<uint8_t> badOffset = good;
    badOffset[528 + 2 * 'A'] = 0xF0; // glyph 'A' far past the glyph data
    std::vector<uint8_t> cutGlyphs = good;
    cutGlyphs.resize(good.size() - 1); // the last glyph loses a byte
    for (const auto* file : {&shortBody, &badOffset, &cutGlyphs}) {
        EXPECT_FALSE(Load(*file));
        EXPECT_EQ(GDL_lastResult(), GDL_FONT_CORRUPTED);
    }
}

TEST_F(FontFiles, ASignatureWithoutItsZeroIsTriedAsFnt) {
    std::vector<uint8_t> file = tools::WriteFontFile(SampleNative());
    file[20] = '!';
    EXPECT_FALSE(Load(file));
    // As an FNT its type word (zeros of the name area) passes, its version not.
    EXPECT_EQ(GDL_lastResult(), GDL_WIN2X_FONTS_ONLY);
}

tools::FntFont SampleFnt(uint16_t pixWidth) {
    tools::FntFont fnt;
    fnt.faceName = "Helv";
    fnt.pixWidth = pixWidth;
    fnt.pixHeight = 12;
    fnt.ascent = 10;
    fnt.externalLeading = 3;
    fnt.firstChar = 'a';
    fnt.defaultChar = 2; // 'c'
    const int widths[] = {7, 9, 16, 3, 8};
    for (int i = 0; i < 5; ++i) {
        int w = pixWidth ? pixWidth : widths[i];
        fnt.glyphs.push_back({w, GlyphRows(w, 12, i)});
    }
    return fnt;
}

TEST_F(FontFiles, FntIsConvertedWithItsGlyphsTurnedIntoRows) {
    const tools::FntFont src = SampleFnt(0);
    FontPtr font = Load(tools::WriteFnt(src));
    ASSERT_TRUE(font) << GDL_lastResult();
    EXPECT_STREQ(font->name, "Helv");
    EXPECT_EQ(font->fontType, 3);
    EXPECT_EQ(font->maxWidth, 16);
    EXPECT_EQ(font->cellWidth, 16);
    EXPECT_EQ(font->lastMetric, 0);
    EXPECT_EQ(font->fontHeight, 12);
    EXPECT_EQ(font->ascent, 10);
    EXPECT_EQ(font->descent, -2);
    EXPECT_EQ(font->leading, 3);
    for (int i = 0; i < 5; ++i) {
        const int c = 'a' + i;
        const tools::FntGlyph& g = src.glyphs[i];
        SCOPED_TRACE(c);
        EXPECT_EQ(font->charWidth[c], g.width);
        EXPECT_EQ(font->bitWidth[c], (g.width + 7) / 8 * 8);
        EXPECT_EQ(font->spare[c], 0);
        ASSERT_NE(font->glyphOffset[c], 0xFFFF);
        EXPECT_EQ(
            0, std::memcmp(font->glyphData + font->glyphOffset[c], g.rows.data(), g.rows.size()));
    }
    EXPECT_EQ(font->glyphOffset[C('a')], 0);
    EXPECT_EQ(font->bitWidth[C('b')], 16); // 9 pixels wide: two bytes a row
    EXPECT_EQ(font->glyphOffset[C('`')], 0xFFFF);
    EXPECT_EQ(font->glyphOffset[C('f')], 0xFFFF);
    EXPECT_EQ(font->glyphOffset[255], 0xFFFF);
    // Character 0 is the default character.
    EXPECT_EQ(font->charWidth[0], 16);
    EXPECT_EQ(font->glyphOffset[0], font->glyphOffset[C('c')]);
    EXPECT_EQ(font->bitWidth[0], 16);
}

TEST_F(FontFiles, FntWithAPixelWidthIsFixed) {
    FontPtr font = Load(tools::WriteFnt(SampleFnt(8)));
    ASSERT_TRUE(font);
    EXPECT_EQ(font->fontType, 2);
    EXPECT_EQ(font->cellWidth, 8);
}

TEST_F(FontFiles, GlyphsLargerThan512BytesAreTurnedToo) {
    tools::FntFont fnt;
    fnt.faceName = "Big";
    fnt.pixHeight = 120;
    fnt.ascent = 100;
    fnt.firstChar = 'A';
    fnt.glyphs.push_back({40, GlyphRows(40, 120, 3)}); // 600 bytes
    FontPtr font = Load(tools::WriteFnt(fnt));
    ASSERT_TRUE(font) << GDL_lastResult();
    EXPECT_EQ(0, std::memcmp(font->glyphData, fnt.glyphs[0].rows.data(), 600));
}

TEST_F(FontFiles, BrokenFntFiles) {
    tools::FntFont vector = SampleFnt(0);
    vector.type = 1;
    tools::FntFont v3 = SampleFnt(0);
    v3.version = 0x300;
    const std::vector<uint8_t> good = tools::WriteFnt(SampleFnt(0));
    std::vector<uint8_t> cut = good;
    cut.resize(100);
    std::vector<uint8_t> faceBeforeBits = good;
    faceBeforeBits[105] = 10, faceBeforeBits[106] = 0;
    std::vector<uint8_t> faceOutside = good;
    faceOutside[107] = 1;
    std::vector<uint8_t> lastBeforeFirst = good;
    lastBeforeFirst[96] = 'A';
    std::vector<uint8_t> wideGlyph = good;
    wideGlyph[118] = 60; // 'a' claims 60 pixels it has no bits for
    struct Case {
        std::vector<uint8_t> file;
        int32_t code;
    } cases[] = {{tools::WriteFnt(vector), GDL_FONT_CORRUPTED},
                 {tools::WriteFnt(v3), GDL_WIN2X_FONTS_ONLY},
                 {cut, GDL_FONT_CORRUPTED},
                 {faceBeforeBits, GDL_FONT_CORRUPTED},
                 {faceOutside, GDL_FONT_CORRUPTED},
                 {lastBeforeFirst, GDL_FONT_CORRUPTED},
                 {wideGlyph, GDL_FONT_CORRUPTED}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(Load(cases[i].file));
        EXPECT_EQ(GDL_lastResult(), cases[i].code);
    }
}

TEST_F(FontFiles, IsFontFileTakesEitherFormat) {
    EXPECT_EQ(GDL_isFontFile(dir.Write("a.fnt", tools::WriteFontFile(SampleNative())).c_str()), 1);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    EXPECT_EQ(GDL_isFontFile(dir.Write("b.fnt", tools::WriteFnt(SampleFnt(0))).c_str()), 1);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    tools::FntFont v3 = SampleFnt(0);
    v3.version = 0x300;
    EXPECT_EQ(GDL_isFontFile(dir.Write("c.fnt", tools::WriteFnt(v3)).c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_WIN2X_FONTS_ONLY);
    EXPECT_EQ(GDL_isFontFile(dir.File("none.fnt").c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_FONT_NOT_FOUND);
    EXPECT_FALSE(GDL_loadFont(dir.File("none.fnt").c_str()));
    EXPECT_EQ(GDL_lastResult(), GDL_FONT_NOT_FOUND);
}

TEST(TransposeGlyph, TurnsColumnsIntoRowsAndLeavesSingleColumnsAlone) {
    // Two columns of three rows: column 0 = 1, 2, 3; column 1 = 4, 5, 6.
    uint8_t glyph[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(GDL_transposeGlyph(glyph, 3, 2));
    const uint8_t rows[6] = {1, 4, 2, 5, 3, 6};
    EXPECT_EQ(0, std::memcmp(glyph, rows, 6));
    uint8_t single[3] = {9, 8, 7};
    EXPECT_TRUE(GDL_transposeGlyph(single, 3, 1));
    EXPECT_EQ(single[0], 9);
    EXPECT_EQ(single[2], 7);
}

} // namespace
