// Cursors checked against their rules: the converting copy's cuts and
// resampling, the monochrome expansion's bit order, the cursor resource's
// kinds and reports, and the cursor device's reports and save-under.
#include "foundation/TCache.h"
#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TFileCtl.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TCursorBlit.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TCursorRes.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"

#include "BmpWriter.h"
#include "ErrorProbe.h"
#include "HeadlessWindow.h"
#include "IconWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// --- the converting copy --------------------------------------------------

// A 24-bit surface whose pixel (x, y) is blue x, green y, red 7.
Bytes Numbered(int32_t w, int32_t h) {
    Bytes b(static_cast<size_t>(w) * h * 3);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &b[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
        }
    return b;
}

TEST(ConvertBlitCheckTest, CutsAtEveryEdge) {
    struct Case {
        int32_t x, y;
        // destination pixel -> source pixel it must hold (or -1: untouched)
        int32_t dx, dy, sx, sy;
    };
    const Case cases[] = {
        {-1, -2, 0, 0, 1, 2}, // the source's first column and two rows skipped
        {-1, -2, 1, 0, 2, 2},  {-1, -2, 2, 0, -1, -1},
        {2, 3, 2, 3, 0, 0},    {2, 3, 3, 3, 1, 0}, // cut at the right edge
        {2, 3, 3, 4, -1, -1},                      // below the destination's extent: nothing
        {-3, 0, 0, 0, -1, -1},                     // entirely left of it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " pixel " +
                     std::to_string(c.dx) + "," + std::to_string(c.dy));
        // One row more than the destination declares, to see it stays.
        Bytes src = Numbered(3, 3), dst(4 * 5 * 3, 0xCC);
        TBlitSurface s{src.data(), 9, 3, 3, 24}, d{dst.data(), 12, 4, 4, 24};
        ConvertBlit(d, s, 3, 3, c.x, c.y, false);
        const uint8_t* p = &dst[(c.dy * 4 + c.dx) * 3];
        if (c.sx < 0) {
            EXPECT_EQ(p[0], 0xCC);
            EXPECT_EQ(p[2], 0xCC);
        } else {
            EXPECT_EQ(p[0], c.sx);
            EXPECT_EQ(p[1], c.sy);
            EXPECT_EQ(p[2], 7);
        }
    }
    Bytes src = Numbered(3, 3), dst(12, 0);
    TBlitSurface s{src.data(), 9, 3, 3, 24};
    ConvertBlit({nullptr, 12, 4, 1, 24}, s, 3, 3, 0, 0, false); // nothing happens
    ConvertBlit({dst.data(), 12, 4, 1, 24}, {nullptr, 9, 3, 3, 24}, 3, 3, 0, 0, false);
    EXPECT_EQ(dst, Bytes(12, 0));
}

TEST(ConvertBlitCheckTest, ResamplesToTheCopySizeByNearestPixel) {
    // 4 x 2 source to a 2 x 1 copy: steps 2 and 2, positions 0 and 2.5 -> 2.
    Bytes src = Numbered(4, 2), dst(2 * 3, 0);
    ConvertBlit({dst.data(), 6, 2, 1, 24}, {src.data(), 12, 4, 2, 24}, 2, 1, 0, 0, false);
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(dst[3], 2);
    // 3 x 1 to 5 x 1: step 0.6, positions 0, 1.1, 1.7, 2.3, 2.9 -> 0 1 1 2 2 (+0.5 each)
    Bytes wide(5 * 3, 0), three = Numbered(3, 1);
    ConvertBlit({wide.data(), 15, 5, 1, 24}, {three.data(), 9, 3, 1, 24}, 5, 1, 0, 0, false);
    const uint8_t want[5] = {0, 1, 1, 2, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(wide[i * 3], want[i]) << i;
}

TEST(ConvertBlitCheckTest, KeyAndTheFourthByte) {
    // 24-bit key pixels are skipped when keyed; 32-bit ones never are; a
    // 32-bit destination keeps its fourth byte.
    const uint8_t key24[3] = {0, 255, 0}, other24[3] = {1, 255, 0};
    for (bool keyed : {false, true}) {
        Bytes src(6), dst(8, 0x77);
        std::memcpy(&src[0], key24, 3);
        std::memcpy(&src[3], other24, 3);
        ConvertBlit({dst.data(), 8, 2, 1, 32}, {src.data(), 6, 2, 1, 24}, 2, 1, 0, 0, keyed);
        EXPECT_EQ(dst[1], keyed ? 0x77 : 255);
        EXPECT_EQ(dst[3], 0x77);
        EXPECT_EQ(dst[4], 1);
        EXPECT_EQ(dst[7], 0x77);
        const uint8_t green32[4] = {0, 255, 0, 9};
        Bytes out(3, 0x11);
        ConvertBlit({out.data(), 3, 1, 1, 24}, {const_cast<uint8_t*>(green32), 4, 1, 1, 32}, 1, 1,
                    0, 0, keyed);
        EXPECT_EQ(out, (Bytes{0, 255, 0}));
    }
    // 16 <-> 15 between words: the lowest green bit goes, and comes back as 0.
    const uint8_t p16[2] = {0xFF, 0xFF}; // white 5:6:5
    uint8_t p15[2] = {0, 0};
    ConvertBlit({p15, 2, 1, 1, 15}, {const_cast<uint8_t*>(p16), 2, 1, 1, 16}, 1, 1, 0, 0, true);
    EXPECT_EQ(p15[0] | p15[1] << 8, 0x7FFF);
    uint8_t back[2] = {0, 0};
    ConvertBlit({back, 2, 1, 1, 16}, {p15, 2, 1, 1, 15}, 1, 1, 0, 0, true);
    EXPECT_EQ(back[0] | back[1] << 8, 0xFFDF);
}

TEST(ExpandMonoCursorCheckTest, PlanesBitOrderAndColours) {
    Bytes bits(256, 0);
    // Row 0: pixel 0 drawn white, pixel 1 drawn black, pixel 2 not drawn
    // but with its colour bit; row 1, pixel 8: drawn white.
    bits[0] = 0x80 | 0x20;
    bits[128] = 0x80 | 0x40;
    bits[4 + 1] = 0x80;
    bits[128 + 4 + 1] = 0x80;
    const uint8_t key[3] = {0, 255, 0}, first[3] = {10, 20, 30}, second[3] = {40, 50, 60};
    Bytes out(3072, 0xAA);
    ExpandMonoCursor(out.data(), bits.data(), key, first, second);
    auto at = [&](int x, int y) {
        return Bytes(&out[(y * 32 + x) * 3], &out[(y * 32 + x) * 3 + 3]);
    };
    EXPECT_EQ(at(0, 0), Bytes(first, first + 3));
    EXPECT_EQ(at(1, 0), Bytes(second, second + 3));
    EXPECT_EQ(at(2, 0), Bytes(key, key + 3));
    EXPECT_EQ(at(8, 1), Bytes(first, first + 3));
    EXPECT_EQ(at(0, 1), Bytes(key, key + 3));
    EXPECT_EQ(at(31, 31), Bytes(key, key + 3));
}

// --- cursor resources -----------------------------------------------------

class CursorCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartHeadless(1000);
        platform::SetMemoryDesktop(640, 480, 24);
        TCache::Global().Start();
        tools::BmpImage bmp{5, 3, 24, Bytes(5 * 3 * 3, 0), {}};
        for (size_t i = 0; i < bmp.pixels.size(); i += 3)
            bmp.pixels[i + 2] = 200; // red
        picture = dir.Write("p.bmp", tools::WriteBmp(bmp));
        tools::IconImage image;
        image.bitCount = 1;
        image.palette = {{0, 0, 0}, {255, 255, 255}};
        image.pixels.assign(32 * 4, 0xFF);
        image.andMask.assign(32 * 4, 0x00);
        image.hotX = 4;
        image.hotY = 6;
        cur = dir.Write("c.CUR", tools::WriteCur({image}));
    }
    void TearDown() override {
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    testsupport::TempDir dir;
    std::string picture, cur;
};

TEST_F(CursorCheckTest, KindsByExtensionAndTheirReports) {
    struct Case {
        std::string path;
        TCursorRes::Type type;
        int loads;
        int32_t code;
        const char* source;
    };
    const Case cases[] = {
        {cur, TCursorRes::kSystem, 1, 0, nullptr},
        {dir.File("gone.cur"), TCursorRes::kSystem, 0, 18, "Source\\TWinCur"},
        {dir.Write("junk.cur", Bytes(64, 0x21)), TCursorRes::kSystem, 0, 18, "Source\\TWinCur"},
        {picture, TCursorRes::kPicture, 1, 0, nullptr},
        {dir.File("x.tga"), TCursorRes::kPicture, 0, 49, "Source\\TMetaImg"},
        {dir.File("bare"), TCursorRes::kNoCursor, 0, 50, "Source\\TMetaCur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TError::ClearLists();
        TMetaCur cursor;
        EXPECT_STREQ(cursor.GetFolder(), "Cursors");
        cursor.SetPath(c.path.c_str());
        EXPECT_EQ(cursor.Load(), c.loads);
        EXPECT_EQ(cursor.GetType(), c.type);
        EXPECT_EQ(cursor.GetHandle(), nullptr);
        EXPECT_EQ(cursor.GetCursorRecord() != nullptr, c.loads && c.type == TCursorRes::kSystem);
        EXPECT_EQ(cursor.GetPictureRecord() != nullptr, c.loads && c.type == TCursorRes::kPicture);
        EXPECT_EQ(cursor.GetCursorWidth(), c.type == TCursorRes::kSystem ? 32 : c.loads ? 5 : 0);
        cursor.Release();
        EXPECT_EQ(cursor.LoadCount(), 0);
        TErrorRec* e = NewestError();
        ASSERT_EQ(e ? e->code : 0, c.code);
        if (e) {
            EXPECT_EQ(std::string(e->object.c_str()), c.path);
            EXPECT_STREQ(e->source.c_str(), c.source);
        }
    }
}

TEST_F(CursorCheckTest, HotSpotsOfEachKind) {
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(3, 2));
    EXPECT_EQ(pic.GetHotSpot().x, 0); // nothing loaded
    ASSERT_EQ(pic.Lock(0, 0), 1);
    EXPECT_EQ(pic.GetHotSpot().x, 3);
    EXPECT_EQ(pic.GetHotSpot().y, 2);
    pic.Unlock();

    TMetaCur sys;
    sys.SetPath(cur.c_str());
    sys.SetHotSpot(TPoint(9, 9)); // kept as its own until loaded
    ASSERT_EQ(sys.Load(), 1);
    EXPECT_EQ(sys.GetHotSpot().x, 4); // the file's
    EXPECT_EQ(sys.GetHotSpot().y, 6);
    sys.SetHotSpot(TPoint(1, 2));
    EXPECT_EQ(sys.GetCursorRecord()->hotX, 1);
    sys.Release();
    EXPECT_EQ(sys.GetHotSpot().x, 0);
}

TEST_F(CursorCheckTest, ProgramCursorsByName) {
    TFileCtl::SetRootPath(dir.Path().string().c_str());
    TFileCtl::SetProfile(dir.Write("resource.ini", "[Main]\r\nPath=.\r\n[Cursors]\r\n"
                                                   "CURARROW=c.CUR\r\ncurNone=c.CUR\r\n")
                             .c_str());
    HINSTANCE module = platform::ProgramInstance();
    TMetaCur arrow("CURARROW");
    ASSERT_EQ(arrow.LoadModule(module), 1); // the name, not the file
    EXPECT_EQ(arrow.GetType(), TCursorRes::kSystem);
    ASSERT_NE(arrow.GetHandle(), nullptr);
    EXPECT_EQ(GetCursor(), arrow.GetHandle()); // set at once
    EXPECT_EQ(arrow.GetCursorRecord(), nullptr);
    EXPECT_EQ(arrow.GetCursorWidth(), 32);
    arrow.Release();
    EXPECT_EQ(arrow.GetHandle(), nullptr);

    TMetaCur none("curNone");
    EXPECT_EQ(none.LoadModule(module), 0);
    none.Release();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 20);
    EXPECT_STREQ(NewestError()->message.c_str(), "-");
    EXPECT_STREQ(NewestError()->object.c_str(), "curNone");
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TWinCur");
    TFileCtl::SetProfile("");
}

// --- the cursor device ------------------------------------------------------

class Recorder : public TComp {
public:
    bool HandleEvent(TObject*, TEvent* event) override {
        if (event->type == evRegion)
            rects.push_back(
                {static_cast<int32_t>(event->data[0]), static_cast<int32_t>(event->data[1]),
                 static_cast<int32_t>(event->data[2]), static_cast<int32_t>(event->data[3])});
        return true;
    }
    std::vector<TRectArea> rects;
};

bool Same(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(CursorCheckTest, DeviceDefaultsAndSetters) {
    TCursDev device;
    EXPECT_TRUE(device.IsVisible());
    EXPECT_EQ(device.DeviceFlags(), TCursDev::dOldReported | TCursDev::dVisibilityChanged);
    EXPECT_EQ(device.GetMTCursor(), 0);
    EXPECT_TRUE(device.IsDirty());
    TMetaCur a, b;
    device.SetCursorRes(&a, 0);
    device.SetCursorRes(&b, 1);
    EXPECT_EQ(device.GetCursorRes(0), &a);
    EXPECT_EQ(device.GetCursorRes(1), &b);
    EXPECT_EQ(device.GetCursorRes(2), &b); // the override wins
    device.SetCursorRes(nullptr, 1);
    EXPECT_EQ(device.GetCursorRes(2), &a);
    device.Invalidate(false);
    device.SetKeyColor(0x00FF00, 0, 0); // the key it has
    device.SetKeep(1);
    EXPECT_FALSE(device.IsDirty());
    device.SetKeyColor(0xFF00FF, 0, 0);
    EXPECT_TRUE(device.IsDirty());
    device.Invalidate(false);
    device.SetKeep(0);
    EXPECT_TRUE(device.IsDirty());
    device.SetCursorRes(nullptr, 0);
}

TEST_F(CursorCheckTest, ReportsOfMovingAndHiding) {
    TDispDev& d = TDispDev::Global();
    d.SetClassName("CursorCheck");
    d.SetTitle("Cursor Check");
    d.SetDriverFlags(0x600);
    d.SetMode(64, 48, 24);
    ASSERT_TRUE(d.Open());
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(1, 1));
    TCursDev device;
    Recorder r;
    ASSERT_EQ(device.Open(&r), 1);
    device.SetCursorRes(&pic, 0);
    device.SetPos(10, 10);
    device.Move();
    ASSERT_EQ(r.rects.size(), 1u); // first shown: the new place
    EXPECT_TRUE(Same(r.rects[0], {9, 9, 14, 12}));
    device.Draw();
    device.Move();
    EXPECT_EQ(r.rects.size(), 1u); // drawn, not moved, nothing new
    device.SetPos(20, 5);
    device.Move();
    ASSERT_EQ(r.rects.size(), 3u); // old and new
    EXPECT_TRUE(Same(r.rects[1], {9, 9, 14, 12}));
    EXPECT_TRUE(Same(r.rects[2], {19, 4, 24, 7}));
    device.Draw();
    device.SetVisible(false);
    for (int i = 0; i < 3; ++i) {
        device.Move();
        device.Draw();
    }
    ASSERT_EQ(r.rects.size(), 4u); // the last rectangle, once
    EXPECT_TRUE(Same(r.rects[3], {19, 4, 24, 7}));
    device.Close();
}

// The save-under around presenting: a cursor partly above and left of the
// surface draws only what shows and puts exactly that back.
TEST_F(CursorCheckTest, SaveUnderAtTheSurfacesCorner) {
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(3, 2));
    TCursDev device;
    device.Open(nullptr);
    device.SetCursorRes(&pic, 0);
    device.Update(); // loads the cursor, no thread
    device.SetMTCursor(1);
    for (int depth : {15, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        int32_t bpp = depth == 15 ? 2 : depth / 8;
        Bytes pixels(static_cast<size_t>(8) * 6 * bpp);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 13 + 1);
        Bytes before = pixels;
        GdlDeviceContext dc{};
        dc.surface = pixels.data();
        dc.mode.maxX = 7;
        dc.mode.maxY = 5;
        dc.mode.bitsPerPixel = depth;
        dc.mode.bytesPerLine = 8 * bpp;
        device.SetPos(1, 0); // rectangle (-2, -2) to (3, 1)
        device.Move();
        device.DrawDIB(&dc);
        // (0, 0) shows picture pixel (2, 2); (3, 0) and (0, 1) are outside it.
        EXPECT_NE(std::memcmp(&pixels[0], &before[0], bpp), 0);
        EXPECT_EQ(std::memcmp(&pixels[3 * bpp], &before[3 * bpp], bpp), 0);
        EXPECT_EQ(std::memcmp(&pixels[8 * bpp], &before[8 * bpp], bpp), 0);
        device.Restore(&dc);
        EXPECT_EQ(pixels, before);
    }
    device.Close();
}

} // namespace
