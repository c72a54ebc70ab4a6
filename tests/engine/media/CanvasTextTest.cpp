// The canvas drawing with the media layer's real records on the memory host:
// a line of text in a pixel font and in a bitmap font through font
// references, and lines drawn with and without an attribute record.
#include "drawing/TCanvas.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "gdl/dc.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TDrawAttr.h"
#include "media/resources/TFontRef.h"
#include "media/resources/TMetaFnt.h"

#include "AlbumWriter.h"
#include "FntWriter.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kBlue = 0x001F, kRed = 0xF800, kWhite = 0xFFFF;

class CanvasText : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop(16);
        DisplayHooks() = TDispHooks{};
        TCache::Global().Start();
        display.SetClassName("CanvasText");
        display.SetTitle("Canvas Text");
        display.SetDriverFlags(0x600);
        display.SetMode(64, 48, 16);
        ASSERT_TRUE(display.Open());
        ASSERT_TRUE(canvas.CreateDevice({0, 0, 32, 16}));
        canvas.SetBackColor(TColor(0, 0, 255));
        canvas.SetForeColor(TColor(255, 255, 255));
        canvas.Clear();
    }
    void TearDown() override {
        canvas.ReleaseDevice();
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    // Draws `text` from (x, y), each character advanced as the reference says.
    void DrawText(TFontRef* ref, int32_t x, int32_t y, const char* text) {
        canvas.SetFont(ref);
        GdlDeviceContext* previous = canvas.Select(nullptr);
        for (const char* c = text; *c; ++c) {
            canvas.DrawChar(x, y, *c);
            x += ref->GetCharAdvance(uint8_t(c[0]), uint8_t(c[1]));
        }
        canvas.Deselect(previous);
    }
    uint32_t At(int32_t x, int32_t y) {
        const GdlDeviceContext* d = GDL_liveDC(canvas.GetDevice());
        uint16_t v = 0;
        std::memcpy(&v, d->surface + y * int32_t(d->mode.bytesPerLine) + x * 2, 2);
        return v;
    }

    TDispDev& display = TDispDev::Global();
    TCanvas canvas;
    testsupport::TempDir dir;
};

// An 8-bit pixel font of 8 x 4 glyph pictures: 'A' is glyph 1, red with a
// key-black first column and one key pixel at (2, 1), drawn from offset 1,
// 4 wide; 'B' is glyph 2, all white, 3 wide; A then B kerns by -1.
std::vector<uint8_t> PixelFont() {
    tools::AlbumPlan plan;
    plan.palette = {0, 0, 0, 255, 0, 0, 255, 255, 255};
    tools::AlbumEntry entry{8, 4, {}, 0};
    std::vector<uint8_t> a(32, 1);
    for (int y = 0; y < 4; ++y)
        a[size_t(y) * 8] = 0;
    a[1 * 8 + 2] = 0;
    entry.frames = {std::vector<uint8_t>(32, 0), a, std::vector<uint8_t>(32, 2)};
    plan.entries = {entry};
    tools::GlyphTable table;
    table.map['A'] = 1;
    table.offset[1] = 1;
    table.width[1] = 4;
    table.map['B'] = 2;
    table.width[2] = 3;
    table.kerning.assign(65536, 0);
    table.kerning[1 * 256 + 2] = -1;
    std::string error;
    return tools::WritePixelFont(plan, {table}, false, &error);
}

TEST_F(CanvasText, PixelFontGlyphsLandWhereTheReferenceAdvances) {
    TMetaFnt font("");
    font.SetPath(dir.Write("glyphs.pxf", PixelFont()).c_str());
    TFontRef ref;
    ref.SetFont(&font);
    ASSERT_EQ(ref.Load(0), 1);
    ASSERT_EQ(ref.GetKind(), TCanvasFont::kGlyphs);
    DrawText(&ref, 2, 3, "AB");
    // A covers x 2..5, B starts one to the left of A's end.
    const struct {
        int32_t x, y;
        uint32_t want;
    } pixels[] = {{1, 3, kBlue},  {2, 3, kRed},  {3, 4, kBlue}, {4, 6, kRed}, {5, 3, kWhite},
                  {7, 6, kWhite}, {8, 3, kBlue}, {2, 7, kBlue}, {2, 2, kBlue}};
    for (const auto& p : pixels)
        EXPECT_EQ(At(p.x, p.y), p.want) << p.x << "," << p.y;
    // Nothing stays selected, and without a loaded font nothing is drawn.
    EXPECT_EQ(font.GetGlyphPicture(), nullptr);
    ref.Unload();
    canvas.Clear();
    DrawText(&ref, 2, 3, "AB");
    EXPECT_EQ(At(2, 3), kBlue);
}

// A bitmap font whose glyphs light their first column ('W', 9 wide, also
// its ninth).
tools::FntFont ColumnFont() {
    tools::FntFont f;
    f.faceName = "Columns";
    f.pixHeight = 8;
    f.ascent = 7;
    f.firstChar = 32;
    for (int c = 32; c < 128; ++c) {
        const int width = c == 'W' ? 9 : 5;
        f.glyphs.push_back({width, std::vector<uint8_t>(8 * ((width + 7) / 8), 0x80)});
    }
    return f;
}

TEST_F(CanvasText, BitmapFontTextIsDrawnByTheLibraryInTheForeColour) {
    TMetaFnt font("");
    font.SetPath(dir.Write("columns.fnt", tools::WriteFnt(ColumnFont())).c_str());
    TFontRef ref;
    ref.SetFont(&font);
    ASSERT_EQ(ref.Load(0), 1);
    ASSERT_EQ(ref.GetKind(), TCanvasFont::kLibrary);
    DrawText(&ref, 3, 2, "WA");
    auto litInColumn = [&](int32_t x) {
        int32_t lit = 0;
        for (int32_t y = 0; y < 16; ++y)
            lit += At(x, y) == kWhite;
        return lit;
    };
    const struct {
        int32_t x, lit;
    } columns[] = {{2, 0}, {3, 8}, {4, 0}, {10, 0}, {11, 8}, {12, 8}, {13, 0}};
    for (const auto& c : columns)
        EXPECT_EQ(litInColumn(c.x), c.lit) << c.x;
}

TEST_F(CanvasText, LinesAndFillsFollowTheRecordAndTheDefaultWithout) {
    TDrawAttr dashed;
    dashed.SetLineStyle(1, 0xF0F0);
    const uint8_t columns[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    TDrawAttr patterned;
    patterned.SetFillStyle(TDrawAttr::kMono1);
    patterned.SetMonoPattern(columns);
    const struct {
        const char* name;
        TDrawAttr* attr;
        bool fill;
        int32_t lit; // of the 16 x 3 pixels from (0, 4)
    } cases[] = {{"default line", nullptr, false, 16},
                 {"dashed line", &dashed, false, 8},
                 {"default fill", nullptr, true, 48},
                 {"pattern fill", &patterned, true, 24},
                 {"default again", nullptr, false, 16}};
    for (const auto& c : cases) {
        canvas.Clear();
        canvas.SetDrawAttr(c.attr);
        GdlDeviceContext* previous = canvas.Select(nullptr);
        if (c.fill)
            canvas.FillRect(0, 4, 16, 7);
        else
            canvas.Line(0, 4, 15, 4);
        canvas.Deselect(previous);
        int32_t lit = 0;
        for (int32_t y = 4; y < 7; ++y)
            for (int32_t x = 0; x < 16; ++x)
                lit += At(x, y) == kWhite;
        EXPECT_EQ(lit, c.lit) << c.name;
    }
    canvas.SetDrawAttr(nullptr);
}

} // namespace
