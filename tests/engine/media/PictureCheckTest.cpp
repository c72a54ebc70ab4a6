// The picture proxy and the palette checked against their rules: format by
// extension (case apart), the reports of each reader, the measured size kept
// until the path changes, and the palette's table, count and name.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/resources/TMetaImg.h"
#include "media/resources/TPalette.h"

#include "BmpWriter.h"
#include "ErrorProbe.h"
#include "IconWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
