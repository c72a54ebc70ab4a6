// The picture proxy and the palette: format by extension, sizes measured
// once, icons as their colour bitmap, albums through the picture interface.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/resources/TPalette.h"

#include "AlbumWriter.h"
#include "BmpWriter.h"
#include "ErrorProbe.h"
#include "IconWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TMetaImgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TCache::Global().Start();
        tools::BmpImage bmp{8, 2, 8, std::vector<uint8_t>(16, 1), {{1, 2, 3}}};
        dir.Write("pic/room.BMP", tools::WriteBmp(bmp));
        tools::IconImage icon;
        icon.pixels.assign(32 * 16, 0x11);
        icon.andMask.assign(32 * 4, 0);
        icon.palette.assign(16, {9, 9, 9});
        dir.Write("pic/app.ico", tools::WriteIco({icon}));
        tools::AlbumPlan plan;
        plan.entries = {{4, 2, {std::vector<uint8_t>(8, 3), std::vector<uint8_t>(8, 4)}, 0},
                        {8, 1, {std::vector<uint8_t>(8, 5)}, 0}};
        dir.Write("pic/strip.alb", tools::WriteAlbum(plan, nullptr));
        std::vector<uint8_t> palette(768);
        for (int i = 0; i < 768; ++i)
            palette[i] = static_cast<uint8_t>(i / 3);
        dir.Write("main.pal", palette);
        dir.Write("short.pal", std::vector<uint8_t>(700, 1));
        TFileCtl::SetRootPath(dir.Path().string().c_str());
        TFileCtl::SetProfile(dir.Write("resource.ini",
                                       "[Main]\r\nPath=pic\r\n[Pictures]\r\nroom=room.BMP\r\n"
                                       "app=app.ico\r\nstrip=strip.alb\r\nraw=raw.pic\r\n"
                                       "odd=x.tga\r\nbare=noext\r\n[Palette]\r\n"
                                       "palMain=..\\main.pal\r\npalShort=..\\short.pal\r\n")
                                 .c_str());
    }
    void TearDown() override { TFileCtl::SetProfile(""); }
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }
    testsupport::TempDir dir;
};

TEST_F(TMetaImgTest, ExtensionChoosesTheReader) {
    struct Case {
        const char* name;
        TMetaImg::Kind kind;
        int32_t code;
    };
    const Case cases[] = {{"room", TMetaImg::kBmp, 0},    {"app", TMetaImg::kIcon, 0},
                          {"strip", TMetaImg::kAlbum, 0}, {"raw", TMetaImg::kPic, 0},
                          {"odd", TMetaImg::kNone, 49},   {"bare", TMetaImg::kNone, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        TMetaImg picture(c.name);
        picture.Update();
        EXPECT_EQ(picture.GetKind(), c.kind);
        EXPECT_EQ(LastCode(), c.code);
    }
}

TEST_F(TMetaImgTest, PicturesCursorsAndFontsReportAMissingExtensionAlike) {
    const std::string path = dir.Write("pic/noext", std::vector<uint8_t>{1, 2, 3});
    TMetaImg picture;
    TMetaCur cursor;
    TMetaFnt font("");
    const struct {
        TResource* resource;
        const char* source;
    } cases[] = {
        {&picture, "Source\\TMetaImg"}, {&cursor, "Source\\TMetaCur"}, {&font, "Source\\TMetaFnt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TError::ClearLists();
        c.resource->SetPath(path.c_str());
        c.resource->Update(); // chooses the format
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, 50);
        EXPECT_STREQ(e->message.c_str(), "Missing file extension.");
        EXPECT_STREQ(e->object.c_str(), path.c_str());
        EXPECT_STREQ(e->source.c_str(), c.source);
    }
}

TEST_F(TMetaImgTest, SizeIsMeasuredOnceAndCached) {
    TMetaImg room("room");
    EXPECT_EQ(room.GetWidth(), 8);
    EXPECT_EQ(room.GetHeight(), 2);
    EXPECT_FALSE(room.HasData()); // loaded and freed again
    EXPECT_EQ(room.LoadCount(), 0);
    TMetaImg raw("raw");
    EXPECT_EQ(raw.Lock(0, 0), 0);
    EXPECT_EQ(raw.GetWidth(), 0);
}

TEST_F(TMetaImgTest, IconLocksAsItsColourBitmap) {
    TMetaImg app("app");
    ASSERT_EQ(app.Lock(0, 0), 1);
    auto* bitmap = static_cast<GdlBitmap*>(app.GetData());
    EXPECT_EQ(bitmap->width, 32);
    EXPECT_EQ(bitmap->bitsPerPixel, 4);
    app.Unlock();
    EXPECT_FALSE(app.HasData());
}

TEST_F(TMetaImgTest, AlbumLocksAnyFrameThroughThePictureInterface) {
    TMetaImg strip("strip");
    ASSERT_EQ(strip.Load(), 1); // frame 0 of entry 0
    EXPECT_EQ(static_cast<GdlBitmap*>(strip.GetData())->surface[0], 3);
    EXPECT_EQ(strip.Lock(0, 1), 0); // one picture at a time
    strip.Unlock();
    ASSERT_EQ(strip.Lock(0, 1), 1);
    EXPECT_EQ(strip.GetWidth(), 8);
    EXPECT_EQ(strip.GetHeightOf(0, 0), 2);
    strip.Unlock();
}

TEST_F(TMetaImgTest, PaletteLoadsCountedAndRefusesShortFiles) {
    TPalette palette("palMain");
    ASSERT_EQ(palette.Load(), 1);
    ASSERT_EQ(palette.Load(), 1);
    EXPECT_EQ(palette.GetEntries()[200].red, 200);
    EXPECT_EQ(palette.GetEntries()[200].reserved, 0);
    palette.Release();
    EXPECT_NE(palette.GetEntries(), nullptr);
    palette.Release();
    EXPECT_EQ(palette.GetEntries(), nullptr);

    TPalette shortOne("palShort");
    EXPECT_EQ(shortOne.Load(), 0);
    EXPECT_EQ(LastCode(), 55);
    EXPECT_EQ(shortOne.GetEntries(), nullptr);
    shortOne.Release();
}

} // namespace
