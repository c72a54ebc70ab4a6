// The picture proxy and the palette: format by extension, sizes measured
// once, icons as their colour bitmap, albums through the picture interface.

#include "AlbumWriter.h"
#include "BmpWriter.h"
#include "ErrorProbe.h"
#include "IconWriter.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/resources/TPalette.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

// The picture proxy and the palette checked against their rules: format by
// extension (case apart), the reports of each reader, the measured size kept
// until the path changes, and the palette's table, count and name.
namespace {

using Bytes = std::vector<uint8_t>;

class PictureCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        TCache::Global().Start();
        tools::BmpImage bmp{6, 3, 8, Bytes(18, 1), {{1, 2, 3}}};
        bmpPath = dir.Write("room.bmp", tools::WriteBmp(bmp));
        Bytes pal(768);
        for (int i = 0; i < 256; ++i) {
            pal[3 * i] = static_cast<uint8_t>(i);            // red
            pal[3 * i + 1] = static_cast<uint8_t>(255 - i);  // green
            pal[3 * i + 2] = static_cast<uint8_t>(i ^ 0x5A); // blue
        }
        dir.Write("a.pal", pal);
        pal.push_back(7); // a longer file is read as far as it needs
        dir.Write("b.pal", pal);
        dir.Write("short.pal", Bytes(767, 1));
        TFileCtl::SetRootPath(dir.Path().string().c_str());
        TFileCtl::SetProfile(dir.Write("resource.ini",
                                       "[Main]\r\nPath=.\r\n[Palette]\r\npalA=a.pal\r\n"
                                       "palB=b.pal\r\npalShort=short.pal\r\npalGone=gone.pal\r\n")
                                 .c_str());
    }
    void TearDown() override { TFileCtl::SetProfile(""); }
    testsupport::TempDir dir;
    std::string bmpPath;
};

TEST_F(PictureCheckTest, ExtensionsAndTheReportsOfEachReader) {
    struct Case {
        const char* file;
        bool exists; // a file of garbage, else none at all
        TMetaImg::Kind kind;
        int32_t code;
        const char* source;
    };
    const Case cases[] = {
        {"x.BMP", false, TMetaImg::kBmp, 38, "Source\\TBMPImg"},
        {"x.bmp", true, TMetaImg::kBmp, 38, "Source\\TBMPImg"},
        {"x.Pcx", false, TMetaImg::kPcx, 34, "Source\\TPCXImg"},
        {"x.JPG", false, TMetaImg::kJpeg, 40, "Source\\TJPGImg"},
        {"x.jif", false, TMetaImg::kJpeg, 40, "Source\\TJPGImg"},
        {"x.jpg", true, TMetaImg::kJpeg, 41, "Source\\TJPGImg"},
        {"x.ICO", false, TMetaImg::kIcon, 42, "Source\\TICOImg"},
        {"x.ico", true, TMetaImg::kIcon, 42, "Source\\TICOImg"},
        {"x.PIC", true, TMetaImg::kPic, 0, nullptr},
        {"x.tga", true, TMetaImg::kNone, 49, "Source\\TMetaImg"},
        {"dir.d/x", true, TMetaImg::kNone, 49, "Source\\TMetaImg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TError::ClearLists();
        std::string path = c.exists ? dir.Write(c.file, Bytes(40, 0x33)) : dir.File(c.file);
        TMetaImg pic;
        pic.SetPath(path.c_str());
        EXPECT_EQ(pic.Lock(0, 0), 0);
        EXPECT_EQ(pic.GetKind(), c.kind);
        EXPECT_EQ(pic.LoadCount(), c.kind == TMetaImg::kBmp || c.kind == TMetaImg::kPcx ||
                                           c.kind == TMetaImg::kJpeg || c.kind == TMetaImg::kIcon
                                       ? 1
                                       : 0); // a failed lock still counts
        pic.Unlock();
        EXPECT_EQ(pic.LoadCount(), 0);
        EXPECT_EQ(pic.GetWidth(), 0);
        TErrorRec* e = NewestError();
        ASSERT_EQ(e ? e->code : 0, c.code);
        if (!e) continue;
        EXPECT_EQ(std::string(e->object.c_str()), path);
        EXPECT_STREQ(e->source.c_str(), c.source);
        if (c.code == 49) {
            EXPECT_STREQ(e->message.c_str(), "Invalid file extension.");
        }
    }
    TError::ClearLists();
    TMetaImg bare;
    bare.SetPath(dir.File("noext").c_str());
    bare.Update();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 50);
    EXPECT_STREQ(NewestError()->message.c_str(), "Missing file extension.");
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TMetaImg");
    EXPECT_STREQ(bare.GetFolder(), "Pictures");
}

TEST_F(PictureCheckTest, SizeIsKeptUntilThePathChanges) {
    TMetaImg pic;
    pic.SetPath(bmpPath.c_str());
    EXPECT_EQ(pic.GetHeightOf(5, 5), 3); // frame and entry do not matter
    EXPECT_EQ(pic.GetWidth(), 6);
    EXPECT_EQ(pic.LoadCount(), 0);
    EXPECT_FALSE(pic.HasData());
    std::filesystem::remove(bmpPath);
    EXPECT_EQ(pic.GetWidth(), 6); // cached: the file is not read again
    tools::BmpImage other{10, 1, 8, Bytes(10, 1), {{1, 2, 3}}};
    pic.SetPath(dir.Write("other.bmp", tools::WriteBmp(other)).c_str());
    EXPECT_EQ(pic.GetWidth(), 10);
    EXPECT_EQ(pic.GetHeight(), 1);
}

TEST_F(PictureCheckTest, IconLocksAsItsColourBitmapAndFreesTheWholeRecord) {
    tools::IconImage icon;
    icon.pixels.assign(32 * 16, 0x12);
    icon.andMask.assign(32 * 4, 0);
    icon.palette.assign(16, {4, 5, 6});
    TMetaImg pic;
    pic.SetPath(dir.Write("app.ICO", tools::WriteIco({icon})).c_str());
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(pic.Lock(0, 0), 1);
        ASSERT_EQ(pic.Lock(0, 0), 1);
        auto* bitmap = static_cast<GdlBitmap*>(pic.GetData());
        EXPECT_EQ(bitmap->width, 32);
        EXPECT_EQ(bitmap->height, 32);
        EXPECT_EQ(bitmap->bitsPerPixel, 4);
        pic.Unlock();
        EXPECT_TRUE(pic.HasData());
        pic.Unlock(); // the sanitizer build checks the whole record is freed
        EXPECT_FALSE(pic.HasData());
    }
    EXPECT_EQ(pic.GetWidth(), 32);
}

TEST_F(PictureCheckTest, PaletteTableCountAndName) {
    for (const char* name : {"palA", "palB"}) {
        SCOPED_TRACE(name);
        TPalette p(name);
        EXPECT_EQ(p.GetEntries(), nullptr);
        ASSERT_EQ(p.Load(), 1);
        const GdlPaletteEntry* t = p.GetEntries();
        for (int i : {0, 1, 128, 255}) {
            EXPECT_EQ(t[i].red, i);
            EXPECT_EQ(t[i].green, 255 - i);
            EXPECT_EQ(t[i].blue, i ^ 0x5A);
            EXPECT_EQ(t[i].reserved, 0);
        }
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(t);
        EXPECT_EQ(raw[4 * 7], 7 ^ 0x5A); // blue first in memory
        EXPECT_EQ(raw[4 * 7 + 2], 7);
        p.Release();
        EXPECT_EQ(p.GetEntries(), nullptr);
    }
    // A new name waits for the last release.
    TPalette p("palA");
    ASSERT_EQ(p.Load(), 1);
    p.SetName("palB");
    EXPECT_EQ(p.Load(), 1);
    EXPECT_NE(std::string(p.FileName().c_str()).find("a.pal"), std::string::npos);
    p.Release();
    p.Release();
    ASSERT_EQ(p.Load(), 1);
    EXPECT_NE(std::string(p.FileName().c_str()).find("b.pal"), std::string::npos);
    p.Release();

    for (const char* name : {"palShort", "palGone", "palNone"}) {
        SCOPED_TRACE(name);
        TError::ClearLists();
        TPalette bad(name);
        EXPECT_EQ(bad.Load(), 0);
        EXPECT_EQ(bad.Load(), 0); // counted, still nothing
        EXPECT_EQ(bad.GetEntries(), nullptr);
        bad.Release();
        bad.Release();
        if (std::string(name) == "palShort") {
            ASSERT_NE(NewestError(), nullptr);
            EXPECT_EQ(NewestError()->code, 55);
            EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TPalette");
        }
    }
}

} // namespace
