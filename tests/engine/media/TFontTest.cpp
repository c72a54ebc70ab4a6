// Fonts: pixel fonts from the PXF writer (glyph tables, kerning, sub-fonts,
// both ways of reading the tables), the font proxy's choice by extension,
// bitmap fonts answering only while current, and the font reference's
// spacing rules.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "gdl/text.h"
#include "media/resources/TFontRef.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TPixFnt.h"
#include "media/resources/TWinFnt.h"

#include "AlbumWriter.h"
#include "ErrorProbe.h"
#include "FntWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Sub-font 0: 16 x 6 pictures, two frames, kerning; sub-font 1: 8 x 9, one
// frame, no kerning. 'A' is glyph 1 (offset 2, width 5), 'B' glyph 2
// (offset 12, width 7: past the 16-pixel picture).
struct Fixture {
    tools::AlbumPlan plan;
    std::vector<tools::GlyphTable> tables;
};

Fixture MakeFont(uint8_t packing) {
    Fixture f;
    f.plan.bitsPerPixel = 8;
    f.plan.packing = packing;
    f.plan.palette = {0, 0, 0, 255, 255, 255};
    tools::AlbumEntry big{16, 6, {}, 0};
    for (int frame = 0; frame < 3; ++frame)
        big.frames.push_back(std::vector<uint8_t>(16 * 6, static_cast<uint8_t>(frame)));
    tools::AlbumEntry small{8, 9, {}, 0};
    small.frames.push_back(std::vector<uint8_t>(8 * 9, 1));
    f.plan.entries = {big, small};
    tools::GlyphTable t0;
    t0.map['A'] = 1;
    t0.width[1] = 5;
    t0.offset[1] = 2;
    t0.map['B'] = 2;
    t0.width[2] = 7;
    t0.offset[2] = 12;
    t0.width[0] = 4; // the space's glyph
    t0.kerning.assign(65536, 0);
    t0.kerning[1 * 256 + 2] = -3; // A then B
    t0.kerning[2 * 256 + 1] = 2;  // B then A
    tools::GlyphTable t1;
    t1.map['A'] = 0x80; // beyond the frames: its picture cannot be read
    t1.width[0x80] = 3;
    f.tables = {t0, t1};
    return f;
}

class TFontTest : public ::testing::Test {
protected:
    void SetUp() override { TCache::Global().Start(); }
    std::string Write(const std::vector<uint8_t>& bytes, const char* extension = "pxf") {
        return dir.Write("f" + std::to_string(++serial) + "." + extension, bytes);
    }
    std::string WriteFont(bool explicitOffset, uint8_t packing = tools::kAlbumStored) {
        Fixture f = MakeFont(packing);
        std::string error;
        std::vector<uint8_t> bytes =
            tools::WritePixelFont(f.plan, f.tables, explicitOffset, &error);
        EXPECT_EQ(error, "");
        return Write(bytes);
    }
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }
    testsupport::TempDir dir;
    int serial = 0;
};

class Subfont : public TPixFnt {
public:
    void Use(int32_t subFont) { subFont_ = subFont; }
};

TEST_F(TFontTest, GlyphTablesReadAlikeFromFileAndMemoryImage) {
    for (bool explicitOffset : {false, true})
        for (uint8_t packing : {tools::kAlbumStored, tools::kAlbumRunLength})
            for (bool image : {false, true}) {
                SCOPED_TRACE(std::to_string(explicitOffset) + std::to_string(packing) +
                             std::to_string(image));
                Subfont font;
                font.SetPath(WriteFont(explicitOffset, packing).c_str());
                if (image) {
                    ASSERT_EQ(font.Load(0), 1);
                    EXPECT_TRUE(font.TFontRes::IsLoaded());
                }
                ASSERT_TRUE(font.TAlbum::IsLoaded());
                int32_t w = -1, x = -1;
                EXPECT_EQ(font.GetCharExtent('A', &w, &x), 5);
                EXPECT_EQ(x, 2);
                EXPECT_EQ(font.GetCharWidth('B'), 7);
                EXPECT_EQ(font.GetCharWidth(' '), 4);
                EXPECT_EQ(font.GetCharWidth('A' + 0x100), 5); // the low byte
                EXPECT_EQ(font.GetKerning('A', 'B'), -3);
                EXPECT_EQ(font.GetKerning('B', 'A'), 2);
                EXPECT_EQ(font.GetKerning('A', 'A'), 0);
                EXPECT_EQ(font.GetTextHeight('A'), 6);
                GdlFontMetrics m{};
                EXPECT_EQ(font.GetMetrics(&m), 1);
                EXPECT_EQ(m.maxWidth, 16);
                EXPECT_EQ(m.cellWidth, 16);
                EXPECT_EQ(m.fontHeight, 6);
                EXPECT_EQ(m.ascent, 6);
                EXPECT_EQ(m.descent, 0);
                font.Use(1);
                EXPECT_EQ(font.GetKerning('A', 'B'), 0); // no kerning table
                EXPECT_EQ(font.GetTextHeight('A'), 9);
                EXPECT_EQ(font.GetCharWidth('A'), 3);
                if (image) font.Release();
                EXPECT_EQ(LastCode(), 0);
            }
}

TEST_F(TFontTest, TablesStartRightBehindThePictureDataWhenTheHeaderSaysZero) {
    Fixture f = MakeFont(tools::kAlbumStored);
    std::vector<uint8_t> implicitBytes = tools::WritePixelFont(f.plan, f.tables, false, nullptr);
    std::vector<uint8_t> explicitBytes = tools::WritePixelFont(f.plan, f.tables, true, nullptr);
    Subfont implicit, explicitly;
    implicit.SetPath(Write(implicitBytes).c_str());
    explicitly.SetPath(Write(explicitBytes).c_str());
    ASSERT_TRUE(implicit.TAlbum::IsLoaded());
    ASSERT_TRUE(explicitly.TAlbum::IsLoaded());
    // Header, two directory records, three 16 x 6 frames and one 8 x 9.
    const int32_t behindData = 255 + 2 * 64 + 3 * 96 + 72;
    EXPECT_EQ(implicit.TableOffset(0), behindData);
    EXPECT_EQ(implicit.TableOffset(1), behindData + 1280 + 65536);
    // The explicit writer puts the palette first; the header names the place.
    EXPECT_EQ(explicitly.TableOffset(0),
              static_cast<int32_t>(explicitBytes.size()) - 1280 - 65536 - 1280);
    EXPECT_EQ(explicitly.GetCharWidth('B'), implicit.GetCharWidth('B'));
}

TEST_F(TFontTest, DefinedCharactersAndSubFontsWithoutATable) {
    Subfont font;
    EXPECT_EQ(font.IsCharDefined(' '), 1); // even without a file
    font.SetPath(WriteFont(false).c_str());
    EXPECT_EQ(font.IsCharDefined(' '), 1);
    EXPECT_EQ(font.IsCharDefined('A'), 1);
    EXPECT_EQ(font.IsCharDefined('C'), 0);
    for (int32_t index : {2, 31, 32, -1}) {
        SCOPED_TRACE(index);
        font.Use(index);
        EXPECT_EQ(font.GetCharWidth('A'), 0);
        EXPECT_EQ(font.GetKerning('A', 'B'), 0);
        EXPECT_EQ(font.IsCharDefined('A'), 0);
        EXPECT_EQ(font.SelectChar('A'), 0);
        GdlFontMetrics m{1, 1, 1, 1, 1, 1, 1};
        EXPECT_EQ(font.GetMetrics(&m), 0);
        EXPECT_EQ(m.maxWidth, 0);
    }
}

TEST_F(TFontTest, SelectingGlyphsAndTheirRectangles) {
    Subfont font;
    font.SetPath(WriteFont(false).c_str());
    TGlyphRect r{9, 9, 9, 9};
    EXPECT_EQ(font.GetGlyphRect(&r), 0); // nothing held: untouched
    EXPECT_EQ(r.left, 9);
    ASSERT_EQ(font.SelectChar('A'), 1);
    EXPECT_EQ(font.CurrentChar(), 'A');
    ASSERT_NE(font.GetGlyphPicture(), nullptr);
    EXPECT_EQ(font.GetGlyphPicture()->surface[0], 1); // frame 1
    ASSERT_EQ(font.GetGlyphRect(&r), 1);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 6);
    // A second selection without deselecting fails and holds nothing current.
    EXPECT_EQ(font.SelectChar('B'), 0);
    EXPECT_EQ(font.CurrentChar(), TPixFnt::kNoChar);
    font.DeselectChar();
    EXPECT_EQ(font.GetGlyphPicture(), nullptr);
    ASSERT_EQ(font.SelectChar('B'), 1); // 12 + 7 > 16: the whole picture
    ASSERT_EQ(font.GetGlyphRect(&r), 1);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 16);
    EXPECT_EQ(r.bottom, 6);
    font.DeselectChar();
    font.Use(1);
    EXPECT_EQ(font.SelectChar('A'), 0); // glyph 128: no such frame
    EXPECT_EQ(font.CurrentChar(), TPixFnt::kNoChar);
}

TEST_F(TFontTest, TablesPastTheEndOrTooManyEntriesAreCorrupt) {
    Fixture f = MakeFont(tools::kAlbumStored);
    std::vector<uint8_t> bytes = tools::WritePixelFont(f.plan, f.tables, true, nullptr);
    bytes.resize(bytes.size() - 1); // the tables come last
    Subfont font;
    font.SetPath(Write(bytes).c_str());
    EXPECT_FALSE(font.TAlbum::IsLoaded());
    EXPECT_EQ(LastCode(), 52);
    EXPECT_EQ(font.GetCharWidth('A'), 0);
    EXPECT_EQ(font.Load(0), 0);
    EXPECT_FALSE(font.TFontRes::IsLoaded());

    TError::ClearLists();
    Fixture many = MakeFont(tools::kAlbumStored);
    many.plan.entries.resize(33, many.plan.entries[1]);
    Subfont crowded; // an album of 33 entries read as a font
    crowded.SetPath(Write(tools::WriteAlbum(many.plan, nullptr)).c_str());
    EXPECT_FALSE(crowded.TAlbum::IsLoaded());
    EXPECT_EQ(LastCode(), 52);
}

TEST_F(TFontTest, ProxyChoosesByExtension) {
    std::string pxf = WriteFont(false);
    std::string upper = pxf.substr(0, pxf.size() - 3) + "PXF";
    ASSERT_EQ(std::rename(pxf.c_str(), upper.c_str()), 0);
    TMetaFnt first("", 0), second("", 1);
    first.SetPath(upper.c_str());
    second.SetPath(upper.c_str());
    ASSERT_EQ(first.Load(0), 1);
    ASSERT_EQ(second.Load(0), 1);
    EXPECT_EQ(first.GetMetaKind(), TFontRes::kPixelFont);
    EXPECT_EQ(first.GetKind(), TFontRes::kPixelFont);
    EXPECT_EQ(first.GetTextHeight('A'), 6);
    EXPECT_EQ(second.GetTextHeight('A'), 9);
    EXPECT_EQ(first.GetKerning('A', 'B'), -3);
    EXPECT_EQ(first.GetLibraryFont(), nullptr);
    first.Release();
    EXPECT_FALSE(first.TFontRes::IsLoaded());
    second.Release();

    const struct {
        const char* name;
        int32_t code;
    } bad[] = {{"font.xyz", 49}, {"font", 50}};
    for (const auto& b : bad) {
        TError::ClearLists();
        TMetaFnt font("", 0);
        font.SetPath(dir.Write(b.name, std::vector<uint8_t>{1, 2, 3}).c_str());
        EXPECT_EQ(font.Load(0), 0) << b.name;
        EXPECT_EQ(LastCode(), b.code) << b.name;
        EXPECT_EQ(font.GetCharWidth('A'), 0);
        EXPECT_EQ(font.IsCharDefined('A'), 0);
        GdlFontMetrics m{1, 1, 1, 1, 1, 1, 1};
        font.GetMetrics(&m);
        EXPECT_EQ(m.fontHeight, 0);
    }
}

tools::FntFont SmallFnt() {
    tools::FntFont f;
    f.faceName = "Small";
    f.pixHeight = 8;
    f.ascent = 7;
    f.firstChar = 0;
    for (int c = 0; c < 128; ++c) {
        int width = c == 'W' ? 9 : 5;
        f.glyphs.push_back({width, std::vector<uint8_t>(8 * ((width + 7) / 8), 0x80)});
    }
    return f;
}

TEST_F(TFontTest, BitmapFontAnswersOnlyWhileCurrent) {
    TMetaFnt font("", 0);
    font.SetPath(Write(tools::WriteFnt(SmallFnt()), "FnT").c_str());
    ASSERT_EQ(font.Load(0), 1);
    EXPECT_EQ(font.GetMetaKind(), TFontRes::kBitmapFont);
    ASSERT_NE(font.GetLibraryFont(), nullptr);
    GDL_useFont(nullptr);
    TFontRef ref;
    ref.SetFont(&font);
    EXPECT_EQ(ref.Settings().font, font.GetLibraryFont());
    EXPECT_EQ(font.GetCharWidth('W'), 0); // not the library's current font
    EXPECT_EQ(font.IsCharDefined('W'), 0);
    EXPECT_EQ(ref.GetCharWidth('W'), 9); // the reference makes it current
    EXPECT_EQ(font.GetCharWidth('W'), 9);
    EXPECT_EQ(font.SelectChar('W'), 1);
    for (int c : {0, 9, 31, 127, 0x80, 0xE9, -23})
        EXPECT_EQ(font.IsCharDefined(c), 0) << c;
    for (int c : {int{' '}, int{'a'}, int{'Z'}, int{'0'}, int{'~'}, int{'.'}, 'a' + 0x100})
        EXPECT_EQ(font.IsCharDefined(c), 1) << c;
    EXPECT_EQ(font.GetKerning('W', 'W'), 0);
    font.Release();
    EXPECT_FALSE(font.TFontRes::IsLoaded());
    EXPECT_EQ(ref.GetCharWidth('W'), 0);
}

TEST_F(TFontTest, ReferenceSpacingRules) {
    TFontRef ref;
    EXPECT_EQ(ref.GetCharAdvance('A', 'B'), 0); // no font
    Subfont font;
    font.SetPath(WriteFont(false).c_str());
    ref.SetFont(&font);
    EXPECT_EQ(ref.GetCharWidth('A'), 0); // not loaded
    EXPECT_EQ(ref.GetKind(), 0);
    ASSERT_EQ(ref.Load(0), 1);
    EXPECT_EQ(ref.GetKind(), TFontRes::kPixelFont);
    EXPECT_EQ(ref.GetCharAdvance('A', 'B'), 5 - 3);
    EXPECT_EQ(ref.GetKerning('A', 'B'), -3);
    // The ignored control character has no width but keeps its kerning.
    EXPECT_EQ(ref.GetCharWidth(TFontRef::kIgnoredChar), 0);
    EXPECT_EQ(ref.GetCharAdvance(TFontRef::kIgnoredChar, 'A'), 0);
    const struct {
        int32_t align;
        int32_t want;
    } spaces[] = {{TFontRef::kLeft, 4}, {TFontRef::kRight, 4}, {TFontRef::kSpread, 3}};
    for (const auto& s : spaces) {
        ref.Settings().horizJustify = s.align;
        EXPECT_EQ(ref.GetCharAdvance(' ', 'A'), s.want) << s.align;
    }
    ref.Settings().horizJustify = TFontRef::kLeft;
    ref.SetFlags(TFontRef::kNoKerning);
    EXPECT_EQ(ref.GetKerning('A', 'B'), 0);
    EXPECT_EQ(ref.GetCharAdvance('A', 'B'), 5);
    EXPECT_EQ(ref.Unload(), 1);
    EXPECT_EQ(ref.GetCharWidth('A'), 0);
}

} // namespace
