// Fonts: pixel fonts from the PXF writer (glyph tables, kerning, sub-fonts,
// both ways of reading the tables), the font proxy's choice by extension,
// bitmap fonts answering only while current, and the font reference's
// spacing rules.

#include "AlbumWriter.h"
#include "CheckFixtures.h"
#include "ErrorProbe.h"
#include "FntWriter.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/text.h"
#include "gdl/windows.h"
#include "media/resources/TDrawAttr.h"
#include "media/resources/TFontRef.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TPixFnt.h"
#include "media/resources/TWinFnt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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

// Fonts checked against pixel-font files laid out byte by byte here: where
// the glyph tables stand, what each font slot reads from them, the proxy's
// choice by extension, the font reference's spacing and the drawing
// attributes made current.
namespace {

using check::Bytes;
using check::Put16;
using check::Put32;

struct SubFont {
    uint16_t frames, width, height;
    bool kerning;
    // glyph: width, x offset; characters mapped to it
    struct Glyph {
        uint8_t number;
        uint16_t width, offset;
        std::string chars;
    };
    std::vector<Glyph> glyphs;
    std::vector<std::pair<std::pair<uint8_t, uint8_t>, int8_t>> kerns; // glyph pair -> adjustment
};

// A stored 8-bit album of the sub-fonts (frame bytes = frame number + 1),
// `gap` bytes, then the glyph tables; header offset 18 is set only when
// `explicitOffset`.
Bytes Pxf(const std::vector<SubFont>& subs, size_t gap = 0, bool explicitOffset = false) {
    Bytes b(255 + 64 * subs.size(), 0);
    Put16(b, 0, 200);
    Put16(b, 2, static_cast<uint32_t>(subs.size()));
    b[4] = 8;
    for (size_t e = 0; e < subs.size(); ++e) {
        const SubFont& s = subs[e];
        size_t r = 255 + 64 * e;
        uint32_t frame = s.width * s.height;
        Put16(b, r, s.frames);
        Put16(b, r + 2, s.width);
        Put16(b, r + 4, s.height);
        Put32(b, r + 6, frame);
        Put32(b, r + 10, frame * s.frames);
        b[r + 14] = s.kerning ? 1 : 0;
    }
    for (const SubFont& s : subs)
        for (uint16_t f = 0; f < s.frames; ++f)
            b.insert(b.end(), size_t{s.width} * s.height, static_cast<uint8_t>(f + 1));
    b.insert(b.end(), gap, 0xEE);
    if (explicitOffset) Put32(b, 18, static_cast<uint32_t>(b.size()));
    for (const SubFont& s : subs) {
        size_t t = b.size();
        b.resize(t + 1280 + (s.kerning ? 65536 : 0), 0);
        for (const auto& g : s.glyphs) {
            Put16(b, t + 2 * g.number, g.width);
            Put16(b, t + 512 + 2 * g.number, g.offset);
            for (char c : g.chars)
                b[t + 1024 + static_cast<uint8_t>(c)] = g.number;
        }
        for (const auto& k : s.kerns)
            b[t + 1280 + 256 * k.first.first + k.first.second] = static_cast<uint8_t>(k.second);
    }
    return b;
}

// Sub-font 0: 8 x 2 pictures, kerning; sub-font 1: 4 x 3, no kerning.
std::vector<SubFont> TwoSubFonts() {
    SubFont a{3, 8, 2, true, {{1, 5, 2, "A"}, {2, 3, 6, "B"}}, {{{1, 2}, -2}, {{2, 1}, 3}}};
    SubFont b{2, 4, 3, false, {{1, 4, 0, "AC"}}, {}};
    return {a, b};
}

class Font : public TPixFnt {
public:
    explicit Font(int32_t sub = 0) { subFont_ = sub; }
};

class FontCheckTest : public check::MediaFixture {
protected:
    std::string Write(const Bytes& b, const std::string& ext = "pxf") {
        return dir.Write("f" + std::to_string(++serial) + "." + ext, b);
    }
    testsupport::TempDir dir;
    int serial = 0;
};

TEST_F(FontCheckTest, DefaultsOfTheParts) {
    TPixFnt pixel;
    EXPECT_STREQ(pixel.GetFolder(), "Fonts");
    EXPECT_STREQ(pixel.GetPath(), "arial10.pxf");
    EXPECT_EQ(pixel.GetKind(), TFontRes::kPixelFont);
    EXPECT_EQ(pixel.CurrentChar(), 255);
    EXPECT_EQ(pixel.GetSubFont(), 0);
    TWinFnt bitmap;
    EXPECT_STREQ(bitmap.GetFolder(), "Fonts");
    EXPECT_STREQ(bitmap.GetPath(), "helv17.fnt");
    EXPECT_EQ(bitmap.GetKind(), TFontRes::kBitmapFont);
    TMetaFnt proxy("fntMain", 1);
    EXPECT_STREQ(proxy.GetFolder(), "Fonts");
    EXPECT_EQ(proxy.GetKind(), TFontRes::kNoFont);
    EXPECT_EQ(proxy.GetSubFont(), 1);
}

TEST_F(FontCheckTest, GlyphTablesStandWhereTheHeaderSays) {
    struct Case {
        const char* what;
        size_t gap;
        bool explicitOffset;
    };
    const Case cases[] = {{"right behind the pictures", 0, false},
                          {"at the header's offset", 10, true}};
    const size_t pictures = 255 + 128 + 3 * 16 + 2 * 12;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Font font;
        font.SetPath(Write(Pxf(TwoSubFonts(), c.gap, c.explicitOffset)).c_str());
        ASSERT_TRUE(font.TAlbum::IsLoaded());
        EXPECT_EQ(font.TableOffset(0), static_cast<int32_t>(pictures + c.gap));
        EXPECT_EQ(font.TableOffset(1), static_cast<int32_t>(pictures + c.gap + 66816));
        EXPECT_EQ(font.GetCharWidth('A'), 5);
        EXPECT_EQ(NewestError(), nullptr);
    }
}

TEST_F(FontCheckTest, SlotsReadTheSubFontsTable) {
    std::string path = Write(Pxf(TwoSubFonts()));
    for (bool image : {false, true}) {
        SCOPED_TRACE(image ? "memory image" : "file");
        Font zero(0), one(1);
        zero.SetPath(path.c_str());
        one.SetPath(path.c_str());
        if (image) {
            ASSERT_EQ(zero.Load(0), 1);
            ASSERT_EQ(one.Load(0), 1);
            EXPECT_TRUE(zero.TFontRes::IsLoaded());
        }
        int32_t w = -1, x = -1;
        EXPECT_EQ(zero.GetCharExtent('A', &w, &x), 5);
        EXPECT_EQ(x, 2);
        EXPECT_EQ(zero.GetCharExtent('A' + 0x100, &w, &x), 5); // the low byte
        EXPECT_EQ(zero.GetCharWidth('B'), 3);
        EXPECT_EQ(zero.GetCharWidth('C'), 0);
        EXPECT_EQ(one.GetCharWidth('C'), 4);
        EXPECT_EQ(zero.GetKerning('A', 'B'), -2);
        EXPECT_EQ(zero.GetKerning('B', 'A'), 3);
        EXPECT_EQ(zero.GetKerning('A', 'A'), 0);
        EXPECT_EQ(one.GetKerning('A', 'C'), 0); // no kerning table
        EXPECT_EQ(zero.GetTextHeight('Q'), 2);
        EXPECT_EQ(one.GetTextHeight('A'), 3);
        for (int c : {int{' '}, int{'A'}, int{'B'}})
            EXPECT_EQ(zero.IsCharDefined(c), 1) << c;
        for (int c : {int{'C'}, 0, 255})
            EXPECT_EQ(zero.IsCharDefined(c), 0) << c;
        GdlFontMetrics m;
        ASSERT_EQ(one.GetMetrics(&m), 1);
        const int32_t want[7] = {4, 4, 3, 3, 0, 0, 0};
        EXPECT_EQ(std::memcmp(&m, want, sizeof want), 0);
        EXPECT_EQ(zero.GetLibraryFont(), nullptr);
        if (image) {
            zero.Release();
            one.Release();
            EXPECT_FALSE(zero.TFontRes::IsLoaded());
        }
    }
}

TEST_F(FontCheckTest, GlyphPicturesAndTheirRectangles) {
    Font font;
    font.SetPath(Write(Pxf(TwoSubFonts())).c_str());
    TGlyphRect rect{9, 9, 9, 9};
    EXPECT_EQ(font.GetGlyphRect(&rect), 0); // nothing selected: untouched
    EXPECT_EQ(rect.left, 9);
    ASSERT_EQ(font.SelectChar('A'), 1);
    EXPECT_EQ(font.CurrentChar(), 'A');
    ASSERT_NE(font.GetGlyphPicture(), nullptr);
    EXPECT_EQ(font.GetGlyphPicture()->surface[0], 2); // frame 1 of entry 0
    ASSERT_EQ(font.GetGlyphRect(&rect), 1);
    EXPECT_EQ(rect.left, 2);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 7);
    EXPECT_EQ(rect.bottom, 2);
    EXPECT_EQ(font.SelectChar('B'), 0); // 'A' still held
    EXPECT_EQ(font.CurrentChar(), 255);
    font.DeselectChar();
    EXPECT_EQ(font.GetGlyphPicture(), nullptr);
    ASSERT_EQ(font.SelectChar('B'), 1); // 6 + 3 lies beyond 8: the whole picture
    font.GetGlyphRect(&rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 8);
    EXPECT_EQ(rect.bottom, 2);
    font.DeselectChar();
    EXPECT_EQ(font.CurrentChar(), 255);
}

TEST_F(FontCheckTest, SubFontWithoutATableAnswersZero) {
    std::string path = Write(Pxf(TwoSubFonts()));
    for (int32_t sub : {2, 31, 40, -1}) {
        SCOPED_TRACE(sub);
        Font font(sub);
        font.SetPath(path.c_str());
        ASSERT_TRUE(font.TAlbum::IsLoaded());
        int32_t w = -1, x = -1;
        EXPECT_EQ(font.GetCharExtent('A', &w, &x), 0);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(font.GetKerning('A', 'B'), 0);
        EXPECT_EQ(font.GetTextHeight('A'), 0);
        EXPECT_EQ(font.SelectChar('A'), 0);
        EXPECT_EQ(font.IsCharDefined('A'), 0);
        EXPECT_EQ(font.IsCharDefined(' '), 1);
        GdlFontMetrics m;
        font.GetMetrics(&m);
        EXPECT_EQ(m.fontHeight, 0);
    }
}

TEST_F(FontCheckTest, DamagedFontsAreCorrupt) {
    struct Case {
        const char* what;
        Bytes file;
    };
    std::vector<SubFont> many(33, SubFont{1, 4, 1, false, {{0, 1, 0, "A"}}, {}});
    Bytes cut = Pxf(TwoSubFonts());
    cut.pop_back(); // the last table ends past the file
    Bytes far = Pxf(TwoSubFonts(), 0, true);
    Put32(far, 18, static_cast<uint32_t>(far.size())); // tables begin at the end
    const Case cases[] = {
        {"33 sub-fonts", Pxf(many)}, {"last table cut", cut}, {"tables past the end", far}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TError::ClearLists();
        Font font;
        font.SetPath(Write(c.file).c_str());
        EXPECT_FALSE(font.TAlbum::IsLoaded());
        EXPECT_EQ(font.GetCharWidth('A'), 0);
        EXPECT_EQ(font.Load(0), 0);
        font.Release();
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, 52);
        EXPECT_STREQ(e->message.c_str(), "-");
        EXPECT_STREQ(e->source.c_str(), "Source\\TPixFnt");
    }
}

TEST_F(FontCheckTest, ProxyChoosesTheKindByExtension) {
    Bytes pxf = Pxf(TwoSubFonts());
    struct Case {
        std::string ext;
        TFontRes::Kind kind;
        int32_t code;
        const char* message;
    };
    const Case cases[] = {{"PXF", TFontRes::kPixelFont, 0, nullptr},
                          {"pXf", TFontRes::kPixelFont, 0, nullptr},
                          {"fnt", TFontRes::kBitmapFont, 0, nullptr},
                          {"txt", TFontRes::kNoFont, 49, "Invalid file extension."},
                          {"", TFontRes::kNoFont, 50, "Missing file extension."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        TError::ClearLists();
        std::string path = c.ext.empty() ? dir.Write("noext", pxf) : Write(pxf, c.ext);
        TMetaFnt zero(nullptr, 0), one(nullptr, 1);
        zero.SetPath(path.c_str());
        one.SetPath(path.c_str());
        // Slots 0, 1 and 3 choose the kind; the others forward by it.
        EXPECT_EQ(zero.GetLibraryFont(), nullptr);
        one.GetGlyphPicture();
        GdlFontMetrics m;
        zero.GetMetrics(&m);
        EXPECT_EQ(zero.GetMetaKind(), c.kind);
        TErrorRec* e = NewestError();
        ASSERT_EQ(e ? e->code : 0, c.code);
        if (e) {
            EXPECT_STREQ(e->message.c_str(), c.message);
            EXPECT_EQ(std::string(e->object.c_str()), path);
            EXPECT_STREQ(e->source.c_str(), "Source\\TMetaFnt");
        }
        if (c.kind == TFontRes::kPixelFont) {
            // One file, two sub-fonts.
            EXPECT_EQ(zero.GetTextHeight('A'), 2);
            EXPECT_EQ(one.GetTextHeight('A'), 3);
            ASSERT_EQ(zero.Load(0), 1);
            EXPECT_TRUE(zero.TFontRes::IsLoaded());
            EXPECT_EQ(zero.GetCharWidth('A'), 5);
            zero.Release();
            EXPECT_FALSE(zero.TFontRes::IsLoaded());
        }
        if (c.kind == TFontRes::kNoFont) {
            TGlyphRect r{1, 1, 1, 1};
            EXPECT_EQ(zero.GetGlyphRect(&r), 0);
            EXPECT_EQ(r.right, 0);
            EXPECT_EQ(m.fontHeight, 0);
            EXPECT_EQ(zero.IsCharDefined(' '), 0);
            EXPECT_EQ(zero.Load(0), 0);
            zero.Release();
        }
        if (c.kind == TFontRes::kBitmapFont) {
            // Not an FNT file: 31 with the library's text, the loaded bit clear.
            TError::ClearLists();
            EXPECT_EQ(zero.Load(0), 0);
            EXPECT_FALSE(zero.TFontRes::IsLoaded());
            zero.Release();
            ASSERT_NE(NewestError(), nullptr);
            EXPECT_EQ(NewestError()->code, 31);
            EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TWinFnt");
        }
    }
}

// --- the font reference ---------------------------------------------------

// A font whose every character is `width` wide, that counts the widths
// asked and kerns every pair by `kern`.
class FixedFont : public TFontRes {
public:
    FixedFont(int32_t width, int32_t kern) : width_(width), kern_(kern) {}
    int Load(int32_t) override {
        SetFontLoaded(true);
        return 1;
    }
    int Release() override {
        SetFontLoaded(false);
        return 1;
    }
    int32_t GetCharWidth(int32_t c) override {
        asked.push_back(c);
        return width_;
    }
    int32_t GetKerning(int32_t, int32_t) override { return kern_; }
    std::vector<int32_t> asked;

private:
    int32_t width_, kern_;
};

TEST(FontRefCheckTest, ConstructedSettings) {
    TFontRef ref;
    const GdlTextSettings& s = ref.Settings();
    const int32_t want[8] = {0, 0, 2, 1, 1, 1, 1, 0};
    EXPECT_EQ(std::memcmp(&s, want, sizeof want), 0);
    EXPECT_EQ(s.font, nullptr);
    EXPECT_EQ(ref.GetFlags(), 0u);
    EXPECT_EQ(ref.GetFont(), nullptr);
    EXPECT_EQ(ref.GetKind(), 0);
}

TEST(FontRefCheckTest, AdvanceOfSpacesControlCharacterAndKerning) {
    struct Case {
        int32_t width, kern, align;
        uint32_t flags;
        int32_t c, want;
    };
    const Case cases[] = {
        {8, 0, TFontRef::kSpread, 0, ' ', 6}, {5, 0, TFontRef::kSpread, 0, ' ', 3},
        {8, 0, TFontRef::kLeft, 0, ' ', 8},   {8, 0, TFontRef::kCentre, 0, ' ', 8},
        {8, 0, TFontRef::kRight, 0, ' ', 8},  {8, 0, TFontRef::kSpread, 0, 'a', 8},
        {8, -2, TFontRef::kLeft, 0, 'a', 6},  {8, -2, TFontRef::kLeft, 4, 'a', 8},
        {8, -2, TFontRef::kLeft, 0, 22, -2},  {8, -2, TFontRef::kLeft, 4, 22, 0},
        {8, 1, TFontRef::kSpread, 0, ' ', 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.align) + " " +
                     std::to_string(c.c) + " flags " + std::to_string(c.flags));
        FixedFont font(c.width, c.kern);
        TFontRef ref;
        ref.SetFont(&font);
        EXPECT_EQ(ref.GetCharAdvance(c.c, 'b'), 0); // not loaded
        ASSERT_EQ(ref.Load(0), 1);
        ref.Settings().horizJustify = c.align;
        ref.SetFlags(c.flags);
        EXPECT_EQ(ref.GetCharAdvance(c.c, 'b'), c.want);
        EXPECT_EQ(ref.GetKerning(c.c, 'b'), c.flags & 4 ? 0 : c.kern);
        EXPECT_EQ(ref.GetCharWidth(22), 0);
        for (int32_t asked : font.asked)
            EXPECT_NE(asked, 22) << "the control character reached the font";
        ref.Unload();
        EXPECT_EQ(ref.GetCharWidth('a'), 0);
        EXPECT_EQ(ref.GetKind(), 0);
    }
}

// --- drawing attributes ---------------------------------------------------

class DrawAttrCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GDL_initWindowed("."));
        PACK_registerDrivers();
        dc = GDL_createMemoryDC(8, 8, 16, nullptr);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
    }
    void TearDown() override {
        GDL_destroyDC(dc);
        GDL_exit();
    }
    GdlAttributes Now() {
        GdlAttributes a;
        GDL_getAttributes(&a);
        return a;
    }
    GdlDeviceContext* dc = nullptr;
};

TEST_F(DrawAttrCheckTest, ApplyMakesTheRecordCurrent) {
    TDrawAttr plain;
    GDL_setLineStylePos(5);
    plain.Apply();
    GdlAttributes a = Now();
    EXPECT_EQ(a.fillStyle, 0);
    EXPECT_EQ(a.writeMode, 0);
    EXPECT_EQ(a.penStyle, 1);
    EXPECT_EQ(a.lineStyle, 0xFFFFu);
    EXPECT_EQ(a.lineStylePos, 0u);
    int32_t plainHeight = a.penHeight, plainWidth = a.penWidth;

    const uint8_t mono[8] = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    TDrawAttr styled;
    styled.SetFillStyle(2);
    styled.SetMonoPattern(mono);
    styled.SetWriteMode(3);
    styled.SetLineStyle(0, 0xF0F0);
    styled.SetPenSize(3, 2);
    styled.Apply();
    a = Now();
    EXPECT_EQ(a.fillStyle, 2);
    EXPECT_EQ(std::memcmp(a.monoPattern, mono, 8), 0);
    EXPECT_EQ(a.writeMode, 3);
    EXPECT_EQ(a.penStyle, 0);
    EXPECT_EQ(a.lineStyle, 0xF0F0u);
    EXPECT_EQ(a.penHeight - plainHeight, 2);
    EXPECT_EQ(a.penWidth - plainWidth, 1);

    // A colour fill without a pattern leaves the context's pattern as it was.
    uint32_t colours[64];
    for (int i = 0; i < 64; ++i)
        colours[i] = static_cast<uint32_t>(i * 3);
    GDL_setColorPattern(colours);
    TDrawAttr colour;
    colour.SetFillStyle(3);
    colour.Apply();
    a = Now();
    EXPECT_EQ(a.fillStyle, 3);
    EXPECT_EQ(std::memcmp(a.colorPattern, colours, sizeof colours), 0);
    EXPECT_EQ(std::memcmp(a.monoPattern, mono, 8), 0); // not a mono fill
}

} // namespace
