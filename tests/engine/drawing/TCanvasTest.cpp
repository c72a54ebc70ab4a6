// The canvas over the display device in a window on the memory host: the
// modes and their contexts, the primitives, text by font kind, the copies to
// other contexts, image output and the blitters' ties to the display.
#include "drawing/TCanvas.h"

#include "../../support/ErrorProbe.h"
#include "drawing/TConvBmp.h"
#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/font.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kWindowed = 0x600;
constexpr uint32_t kDirectAllowed = kWindowed | TDispDev::fAllowDirectMode;

uint32_t At(GdlDeviceContext* dc, int32_t x, int32_t y) {
    const GdlDeviceContext* d = GDL_liveDC(dc);
    const int32_t bits = int32_t(d->mode.bitsPerPixel), n = bits == 15 ? 2 : bits / 8;
    uint32_t v = 0;
    std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * n, size_t(n));
    return v;
}

void Fill(GdlDeviceContext* dc, uint32_t pixel) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setBackColor(pixel);
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
}

// A bitmap with its own pixels, 15 or 16 bits per pixel.
struct Image16 {
    Image16(int32_t w, int32_t h, int32_t bits, uint16_t fill)
        : pixels(size_t(w * h), fill),
          record{w, h, bits, w * 2, reinterpret_cast<uint8_t*>(pixels.data()), nullptr, nullptr} {
        format = bits == 15 ? GDL_pixelFormat555 : GDL_pixelFormat565;
        record.pixelFormat = &format;
    }
    uint16_t& At(int32_t x, int32_t y) { return pixels[size_t(y * record.width + x)]; }
    std::vector<uint16_t> pixels;
    GdlPixelFormat format;
    GdlBitmap record;
};

class Canvas : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true, 1000);
        platform::SetMemoryDesktop(1024, 768, 32);
        DisplayHooks() = TDispHooks{};
    }
    void TearDown() override { Shut(); }
    void Shut() {
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    void Open(uint32_t flags, int32_t depth = 16) {
        display.SetClassName("CanvasTest");
        display.SetTitle("Canvas Test");
        display.SetDriverFlags(flags);
        display.SetMode(800, 600, depth);
        ASSERT_TRUE(display.Open());
        main = display.GetContext();
        ASSERT_NE(main, nullptr);
        Fill(main, 0);
    }

    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* main = nullptr;
};

TEST_F(Canvas, ModesChooseTheirContexts) {
    struct Case {
        uint32_t flags, mode, keep;
        uint32_t modeAfter;
        bool onMain;
    };
    const Case cases[] = {
        {kWindowed, 0, 0, 1, false},      {kWindowed, 2, 0, 1, false},
        {kDirectAllowed, 0, 0, 0, true},  {kDirectAllowed, 0, 1, 1, false},
        {kDirectAllowed, 1, 0, 1, false}, {kDirectAllowed, 1, 1, 1, false},
        {kDirectAllowed, 2, 0, 2, true},  {kDirectAllowed, 2, 1, 2, true},
    };
    for (const Case& c : cases) {
        Open(c.flags);
        {
            TCanvas canvas;
            EXPECT_EQ(canvas.GetBuffered(), 1u);
            canvas.SetBuffered(c.mode);
            canvas.SetKeep(c.keep);
            ASSERT_TRUE(canvas.CreateDevice({0, 0, 20, 10}));
            EXPECT_EQ(canvas.GetBuffered(), c.modeAfter) << c.flags << " " << c.mode << c.keep;
            EXPECT_EQ(canvas.GetDevice() == main, c.onMain) << c.flags << " " << c.mode << c.keep;
            EXPECT_NE(canvas.GetWinDC(), nullptr);
            canvas.ReleaseDevice();
            EXPECT_FALSE(canvas.HasDevice());
        }
        // Releasing a direct canvas leaves the display's context alone.
        EXPECT_EQ(display.GetContext(), main);
        EXPECT_EQ(GDL_liveDC(main)->mode.maxX, 799u);
        Shut();
    }
}

TEST_F(Canvas, KeepFlagTurnsADirectCanvasBuffered) {
    Open(kDirectAllowed);
    TCanvas direct, always;
    direct.SetBuffered(0);
    always.SetBuffered(2);
    ASSERT_TRUE(direct.CreateDevice({0, 0, 30, 20}));
    ASSERT_TRUE(always.CreateDevice({0, 0, 30, 20}));
    GDL_setClipRect(main, 5, 5, 10, 10);
    direct.SetKeep(1);
    EXPECT_EQ(direct.GetBuffered(), 1u);
    ASSERT_TRUE(direct.HasDevice());
    EXPECT_NE(direct.GetDevice(), main);
    EXPECT_EQ(GDL_liveDC(direct.GetDevice())->mode.maxX, 29u);
    GdlRect clip{};
    GDL_getClipRect(main, &clip); // the main context's clip is whole again
    EXPECT_EQ(clip.right, 800);
    EXPECT_EQ(clip.bottom, 600);
    always.SetKeep(1);
    EXPECT_EQ(always.GetBuffered(), 2u);
    EXPECT_EQ(always.GetDevice(), main);

    // A direct canvas told to buffer takes a context of its own and never
    // resizes the display's.
    TCanvas turned;
    turned.SetBuffered(0);
    ASSERT_TRUE(turned.CreateDevice({0, 0, 900, 700}));
    turned.SetBuffered(1);
    ASSERT_TRUE(turned.ResizeDevice({0, 0, 40, 30}));
    EXPECT_NE(turned.GetDevice(), main);
    EXPECT_EQ(display.GetContext(), main);
    EXPECT_EQ(GDL_liveDC(main)->mode.maxX, 799u);
}

TEST_F(Canvas, PrimitivesDrawWhileCurrentAndStayInsideTheirEdges) {
    Open(kWindowed);
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 12, 12}));
    canvas.SetBackColor(TColor(0, 0, 0));
    canvas.SetForeColor(TColor(255, 255, 255));
    canvas.Clear();
    canvas.FrameRect(0, 0, 12, 12); // not current: nothing
    GdlDeviceContext* previous = canvas.Select(nullptr);
    canvas.FrameRect(0, 0, 10, 10);
    canvas.FillRect(3, 3, 3, 8);
    canvas.FrameRect(4, 4, 8, 4);
    EXPECT_TRUE(canvas.IsPixel(TPoint(9, 9), TColor(255, 255, 255)));
    EXPECT_FALSE(canvas.IsPixel(TPoint(10, 9), TColor(255, 255, 255)));
    canvas.Deselect(previous);
    GdlDeviceContext* dc = canvas.GetDevice();
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            const bool edge = x < 10 && y < 10 && (x == 0 || x == 9 || y == 0 || y == 9);
            EXPECT_EQ(At(dc, x, y), edge ? 0xFFFFu : 0u) << x << "," << y;
        }
}

TEST_F(Canvas, DirectCanvasDrawsAtItsOwnersPosition) {
    Open(kDirectAllowed);
    const TRectArea owner{100, 50, 200, 150};
    TCanvas canvas;
    canvas.SetBuffered(0);
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 100, 100}));
    canvas.SetForeColor(TColor(255, 255, 255));
    GdlDeviceContext* previous = canvas.Select(&owner);
    canvas.FillRect(0, 0, 2, 2);
    canvas.Line(TPoint(5, 0), TPoint(5, 3));
    canvas.Deselect(previous);
    EXPECT_FALSE(canvas.HasOwner());
    EXPECT_EQ(At(main, 100, 50), 0xFFFFu);
    EXPECT_EQ(At(main, 101, 51), 0xFFFFu);
    EXPECT_EQ(At(main, 102, 50), 0u);
    EXPECT_EQ(At(main, 105, 53), 0xFFFFu);
    EXPECT_EQ(At(main, 0, 0), 0u);
}

TEST_F(Canvas, CopyToDCRestoresClipAndPaletteCheckAfterAFailure) {
    Open(kWindowed);
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 8, 8}));
    canvas.SetBackColor(TColor(255, 0, 0));
    canvas.Clear();
    GdlDeviceContext* wide = GDL_createMemoryDC(16, 16, 32, &GDL_pixelFormatARGB);
    GdlDeviceContext* same = GDL_createMemoryDC(16, 16, 16, &GDL_pixelFormat565);
    ASSERT_TRUE(wide && same);
    for (GdlDeviceContext* target : {wide, same}) {
        GDL_setClipRect(target, 1, 2, 12, 13);
        GDL_setPaletteCheck(1);
        canvas.SetKeep(target == wide); // a transparent copy needs one depth
        canvas.CopyToDC(3, 3, {0, 0, 6, 6}, target);
        GdlRect clip{};
        GDL_getClipRect(target, &clip);
        EXPECT_EQ(clip.left, 1);
        EXPECT_EQ(clip.top, 2);
        EXPECT_EQ(clip.right, 12);
        EXPECT_EQ(clip.bottom, 13);
        EXPECT_EQ(GDL_getPaletteCheck(), 1);
    }
    // The wide target refused the transparent copy.
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 21);
    EXPECT_EQ(NewestError()->line, 10874);
    EXPECT_EQ(At(wide, 4, 4), 0u);
    // The plain copy stopped at the clip.
    EXPECT_EQ(At(same, 5, 5), 0xF800u);
    EXPECT_EQ(At(same, 6, 5), 0u);
    EXPECT_EQ(At(same, 2, 2), 0u);
    GDL_destroyDC(wide);
    GDL_destroyDC(same);
}

// A font of any kind, with one glyph picture for the glyph kind.
class FakeFont : public TCanvasFont {
public:
    explicit FakeFont(int32_t kind) : kind_(kind) {}
    int32_t GetKind() const override { return kind_; }
    const GdlTextSettings* GetTextSettings() override { return &settings_; }
    uint32_t GetFlags() const override { return flags; }
    int32_t GetCharWidth(int32_t) override { return 8; }
    int32_t GetExtraSpace() const override { return 0; }
    int SelectChar(int32_t ch) override {
        selected_ = ch;
        return 1;
    }
    const GdlBitmap* GetExtents(TRectArea* rect) override {
        *rect = glyphRect;
        return selected_ ? glyph : nullptr;
    }
    void DeselectChar() override { selected_ = 0; }

    const GdlBitmap* glyph = nullptr;
    TRectArea glyphRect{0, 0, 0, 0};
    uint32_t flags = 0;
    GdlTextSettings settings_{0, 0, 2, 1, 1, 1, 1, 0, nullptr};

private:
    int32_t kind_;
    int32_t selected_ = 0;
};

// A fixed-width library font whose every character is a solid 8 x 8 block.
struct BlockFont {
    explicit BlockFont(int16_t leading) {
        font.fontType = 2;
        font.maxWidth = font.cellWidth = 8;
        font.fontHeight = 8;
        font.ascent = 7;
        font.descent = -1;
        font.leading = leading;
        for (int32_t c = 0; c < 256; ++c) {
            font.charWidth[c] = 8;
            font.bitWidth[c] = 8;
        }
        std::memset(rows, 0xFF, sizeof(rows));
        font.glyphData = rows;
        font.glyphBytes = sizeof(rows);
    }
    GdlFont font{};
    uint8_t rows[8];
};

// The first lit row and the number of lit pixels of a 16-bit context.
std::pair<int32_t, int32_t> LitRows(GdlDeviceContext* dc, int32_t w, int32_t h) {
    int32_t first = -1, lit = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (At(dc, x, y)) {
                ++lit;
                if (first < 0) first = y;
            }
    return {first, lit};
}

TEST_F(Canvas, LibraryFontsMoveDownByTheSixthMetricAndUnderline) {
    Open(kWindowed);
    std::pair<int32_t, int32_t> lit[3];
    const int16_t leading[3] = {0, 3, 3};
    for (int32_t i = 0; i < 3; ++i) {
        BlockFont block(leading[i]);
        FakeFont font(TCanvasFont::kLibrary);
        font.settings_.font = &block.font;
        font.flags = i == 2 ? TCanvasFont::kUnderline : 0;
        TCanvas canvas;
        ASSERT_TRUE(canvas.CreateDevice({0, 0, 32, 32}));
        canvas.Clear();
        canvas.SetFont(&font);
        GdlDeviceContext* previous = canvas.Select(nullptr);
        canvas.DrawChar(4, 4, 'A');
        canvas.Deselect(previous);
        lit[i] = LitRows(canvas.GetDevice(), 32, 32);
    }
    ASSERT_GE(lit[0].first, 0);
    EXPECT_EQ(lit[0].second, 64);
    EXPECT_EQ(lit[1].first, lit[0].first + 3);
    EXPECT_EQ(lit[1].second, 64);
    // The underline adds one row as wide as the character's advance.
    EXPECT_EQ(lit[2].first, lit[1].first);
    EXPECT_GT(lit[2].second, 64);
}

TEST_F(Canvas, GlyphFontsPutTheirPictureAndKeepTheThirdColour) {
    Open(kWindowed);
    // Black is the glyph picture's transparent colour; a 15-bit picture
    // goes through the scratch context.
    for (int32_t bits : {16, 15}) {
        Image16 glyph(8, 4, bits, bits == 16 ? 0xF800 : 0x7C00);
        glyph.At(3, 1) = 0;
        FakeFont font(TCanvasFont::kGlyphs);
        font.glyph = &glyph.record;
        font.glyphRect = {2, 0, 6, 4};
        TCanvas canvas;
        ASSERT_TRUE(canvas.CreateDevice({0, 0, 16, 16}));
        canvas.SetBackColor(TColor(0, 0, 255));
        canvas.Clear();
        canvas.SetColor3(TColor(0, 255, 0));
        canvas.SetFont(&font);
        GdlDeviceContext* previous = canvas.Select(nullptr);
        canvas.DrawChar(5, 5, 'g');
        canvas.DrawChar(-3, 12, 'g'); // partly off the canvas
        canvas.Deselect(previous);
        EXPECT_EQ(canvas.GetColor3().Value(), 0x00FF00u);
        GdlDeviceContext* dc = canvas.GetDevice();
        EXPECT_EQ(At(dc, 5, 5), 0xF800u) << bits;
        EXPECT_EQ(At(dc, 8, 8), 0xF800u) << bits;
        EXPECT_EQ(At(dc, 6, 6), 0x001Fu) << bits; // the key lets the blue through
        EXPECT_EQ(At(dc, 9, 5), 0x001Fu) << bits; // past the glyph's rectangle
        EXPECT_EQ(At(dc, 4, 5), 0x001Fu) << bits;
        EXPECT_EQ(At(dc, 0, 12), 0xF800u) << bits; // the glyph's last column
        EXPECT_EQ(At(dc, 1, 12), 0x001Fu) << bits;
    }
}

TEST_F(Canvas, WindowsFontTextMakesPixels) {
    Open(kWindowed);
    FakeFont font(16);
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 40, 30}));
    canvas.SetBackColor(TColor(0, 0, 0));
    canvas.SetForeColor(TColor(255, 255, 255));
    canvas.Clear();
    canvas.SetFont(&font);
    GdlDeviceContext* previous = canvas.Select(nullptr);
    canvas.DrawChar(4, 4, 'W');
    canvas.Deselect(previous);
    GdlDeviceContext* dc = canvas.GetDevice();
    int32_t lit = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            lit += At(dc, x, y) != 0;
    EXPECT_GT(lit, 10);
    // Without being current nothing is drawn.
    canvas.Clear();
    canvas.DrawChar(4, 4, 'W');
    lit = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            lit += At(dc, x, y) != 0;
    EXPECT_EQ(lit, 0);
}

TEST_F(Canvas, DirectTransparentPutLandsAtTheOwnersOffset) {
    // 16-bit pictures onto 16 and 15-bit frames: directly and through the
    // scratch context.
    for (int32_t depth : {16, 15}) {
        Open(kDirectAllowed, depth);
        const TRectArea owner{100, 50, 200, 150};
        Image16 image(4, 4, 16, 0xF800);
        image.At(1, 0) = 0x07E0; // the green key
        TCanvas canvas;
        canvas.SetBuffered(0);
        ASSERT_TRUE(canvas.CreateDevice({0, 0, 100, 100}));
        GdlDeviceContext* previous = canvas.Select(&owner);
        canvas.PutImageTransparent(10, 10, &image.record);
        canvas.Deselect(previous);
        const uint32_t red = depth == 16 ? 0xF800u : 0x7C00u;
        EXPECT_EQ(At(main, 110, 60), red) << depth;
        EXPECT_EQ(At(main, 113, 63), red) << depth;
        EXPECT_EQ(At(main, 111, 60), 0u) << depth;
        EXPECT_EQ(At(main, 109, 60), 0u) << depth;
        EXPECT_EQ(At(main, 114, 63), 0u) << depth;
        Shut();
    }
}

TEST_F(Canvas, ScratchTakesThePartOfTheImageOnTheContext) {
    Open(kWindowed);
    // A 15-bit picture on a 16-bit canvas goes through the scratch context.
    Image16 image(30, 4, 15, 0x001F);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 15; x < 30; ++x)
            image.At(x, y) = 0x7C00;
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 20, 10}));
    canvas.PutImageTransparent(-15, -1, &image.record);
    GdlDeviceContext* dc = canvas.GetDevice();
    for (int32_t x = 0; x < 20; ++x) {
        EXPECT_EQ(At(dc, x, 0), x < 15 ? 0xF800u : 0u) << x;
        EXPECT_EQ(At(dc, x, 2), x < 15 ? 0xF800u : 0u) << x;
        EXPECT_EQ(At(dc, x, 3), 0u) << x;
    }
}

TEST_F(Canvas, StretchOnADirectCanvasFillsExactlyTheSize) {
    Open(kDirectAllowed);
    Image16 image(40, 40, 16, 0xFFFF);
    TCanvas canvas;
    canvas.SetBuffered(0);
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 200, 200}));
    canvas.StretchImage(5, 7, 80, 20, &image.record);
    canvas.StretchImage(5, 7, 0, 20, &image.record);
    int32_t lit = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 100; ++x) {
            const bool inside = x >= 5 && x < 85 && y >= 7 && y < 27;
            lit += At(main, x, y) != 0;
            if (inside != (At(main, x, y) != 0)) ADD_FAILURE() << x << "," << y;
        }
    EXPECT_EQ(lit, 80 * 20);
}

TEST_F(Canvas, BitmapsWithoutPaletteBorrowTheDisplays) {
    Open(kWindowed);
    uint8_t pixels[4] = {15, 15, 15, 15};
    GdlBitmap image{2, 2, 8, 2, pixels, nullptr, nullptr};
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 4, 4}));
    canvas.PutImage(1, 1, &image);
    EXPECT_EQ(image.palette, nullptr);
    const GdlPaletteEntry& e = display.GetPalette()[15];
    const uint32_t expect = uint32_t(e.red >> 3) << 11 | uint32_t(e.green >> 2) << 5 | e.blue >> 3;
    EXPECT_EQ(At(canvas.GetDevice(), 2, 2), expect);
    EXPECT_EQ(At(canvas.GetDevice(), 0, 0), 0u);
}

TEST_F(Canvas, EightBitContextsMapImagesByTheCanvasSettings) {
    Open(kWindowed, 8);
    GdlPaletteEntry palette[256];
    for (int32_t i = 0; i < 256; ++i)
        palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 255), 0};
    display.SetPalette(palette);
    TCanvas canvas;
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 8, 8}));
    GdlDeviceContext* dc = canvas.GetDevice();
    ASSERT_EQ(GDL_liveDC(dc)->mode.bitsPerPixel, 8u);
    GdlPaletteEntry before[256], after[256];
    GDL_getPalette(dc, before, 256, 0);

    // Nearest colour through the display's cache: entry 37 exactly.
    const GdlPaletteEntry& e = palette[37];
    uint8_t rgb[4 * 3];
    for (int32_t i = 0; i < 4; ++i) {
        rgb[3 * i] = e.blue;
        rgb[3 * i + 1] = e.green;
        rgb[3 * i + 2] = e.red;
    }
    GdlPixelFormat bgr = GDL_pixelFormatRGB;
    GdlBitmap true24{2, 2, 24, 6, rgb, nullptr, &bgr};
    canvas.SetMapMode(TCanvas::kNearest);
    canvas.PutImage(1, 1, &true24);
    EXPECT_EQ(At(dc, 1, 1), 37u);
    EXPECT_EQ(At(dc, 2, 2), 37u);
    EXPECT_EQ(At(dc, 3, 3), 0u);

    // The temporary cannot be had: error 9 and nothing put.
    RefuseNextBlocks(sizeof(GdlBitmap) + 4, 2);
    canvas.PutImage(5, 1, &true24);
    EngineSetHeapForTests(nullptr);
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 9);
    EXPECT_EQ(NewestError()->line, 963);
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TCanvas");
    EXPECT_EQ(At(dc, 5, 1), 0u);

    // Without mapping a 32-bit image goes out through a 24-bit temporary
    // with the default palette and leaves the context's as it was.
    uint32_t argb[4] = {0x00FF0000, 0x00FF0000, 0x00FF0000, 0x00FF0000};
    GdlPixelFormat format32 = GDL_pixelFormatARGB;
    GdlBitmap true32{2, 2, 32, 8, reinterpret_cast<uint8_t*>(argb), nullptr, &format32};
    canvas.SetMapMode(TCanvas::kNoMapping);
    canvas.PutImage(4, 4, &true32);
    GDL_getPalette(dc, after, 256, 0);
    EXPECT_EQ(std::memcmp(before, after, sizeof(before)), 0);

    // Unmapped 8-bit pictures switch the palette check off only for the put.
    uint8_t indexes[4] = {9, 9, 9, 9};
    GdlBitmap eight{2, 2, 8, 2, indexes, palette, nullptr};
    canvas.SetAutoAdjust(0);
    GDL_setPaletteCheck(1);
    canvas.PutImageTransparent(0, 6, &eight);
    EXPECT_EQ(GDL_getPaletteCheck(), 1);
    EXPECT_EQ(At(dc, 1, 7), 9u);
}

// An engine built and gone while this one lives hands the display back: the
// canvas, the blitters and the conversions reach this display's context and
// palette cache again.
TEST_F(Canvas, AnInnerEngineHandsTheDisplayBack) {
    Open(kDirectAllowed);
    { TEngine inner; }
    EXPECT_EQ(TCanvasBlit::MainContext(), main);
    EXPECT_EQ(TConvBmp::Cache(), display.GetPalTable().Cache());
    TCanvas canvas;
    canvas.SetBuffered(TCanvas::kAlwaysDirect);
    ASSERT_TRUE(canvas.CreateDevice({0, 0, 20, 10}));
    EXPECT_EQ(canvas.GetDevice(), main);
}

TEST_F(Canvas, BlittersReadTheDisplaysFrame) {
    EXPECT_EQ(TCanvasBlit::MainContext(), nullptr); // closed
    Open(kWindowed);
    EXPECT_EQ(TCanvasBlit::MainContext(), main);
    EXPECT_EQ(TConvBmp::Cache(), display.GetPalTable().Cache());
    GdlDeviceContext* m = GDL_liveDC(main);
    const uint16_t source[4] = {0x1234, 0x1234, 0x1234, 0x1234};
    const auto* src = reinterpret_cast<const uint8_t*>(source);
    const int32_t pitch = int32_t(m->mode.bytesPerLine);
    // Into the frame itself, background position = destination position.
    TCanvas::Blit(m->surface, src, 4, 2, 2, 16, pitch, 800, 600, 2, 2, 16, 7, 9, 7, 9, 255);
    // Alpha 255 over black: each channel (c x 255) >> 8.
    EXPECT_EQ(At(main, 7, 9), 0x0A13u);
    EXPECT_EQ(At(main, 8, 10), 0x0A13u);
    EXPECT_EQ(At(main, 9, 10), 0u);
    // A destination of another depth than the frame: nothing.
    TCanvas::Blit(m->surface, src, 4, 2, 2, 16, pitch, 800, 600, 2, 2, 32, 0, 0, 0, 0, 255);
    EXPECT_EQ(At(main, 0, 0), 0u);
    display.Close();
    EXPECT_EQ(TCanvasBlit::MainContext(), nullptr);
}

} // namespace
