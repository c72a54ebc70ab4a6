// Image graphics on the memory host: the way of drawing chosen from the fit
// flags and the transparency (library put, keyed, alpha, keyed and
// translucent), seen on a picture with a key-coloured corner over a blue
// background; no source makes the image hollow; a refused lock draws nothing
// and is released once; a small picture is centred on the fill colour.
#include "FakePicture.h"
#include "UiFixture.h"
#include "ui/TImage.h"

namespace {

using uitest::FakePicture;

class Images : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        back.SetRect(0, 0, kWidth, kHeight);
        back.Show(&root);
    }
    void TearDown() override {
        back.Hide();
        UiTest::TearDown();
    }
    uitest::Box back{TColor(0, 0, 255)};
};

TEST_F(Images, TheWayOfDrawingFollowsFitFlagsAndTransparency) {
    // Red, with a green (key) top-left corner of 4 x 4.
    FakePicture picture(20, 20, uitest::k565Red);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.Set(x, y, uitest::k565Green);
    enum Seen { kAsIs, kBlended };
    const struct {
        int32_t fit;
        int32_t transparent;
        Seen red;
        bool keyShown; // the key colour reaches the screen
    } cases[] = {
        {8 | 2 | 16 | 32, 1, kBlended, false}, // A: keyed, then translucent
        {32 | 2, 1, kBlended, false},          // B: alpha
        {8 | 2 | 16, 1, kAsIs, false},         // C: keyed
        {8 | 2 | 16, 0, kAsIs, true},          // D: an opaque image puts
        {4, 0, kAsIs, true},                   // D
        {4, 1, kAsIs, false},                  // D, copied keyed by its colour
    };
    const uint16_t red = PixelOf(TColor(255, 0, 0)), blue = PixelOf(TColor(0, 0, 255)),
                   green = PixelOf(TColor(0, 255, 0));
    ASSERT_EQ(blue, 31);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fit * 10 + c.transparent);
        TImage image;
        image.SetSource(&picture);
        image.SetPos(100, 100);
        image.SetFitFlags(c.fit);
        image.SetTransparent(c.transparent);
        image.SetAlpha(128);
        image.Attach(&back);
        Frame();
        EXPECT_EQ(image.GetWidth(), 20);
        const uint16_t at = At(110, 110);
        if (c.red == kAsIs)
            EXPECT_EQ(at, red);
        else
            EXPECT_TRUE(at != red && at != blue) << at;
        // The key shows, or the blue behind it (mixed with itself when
        // translucent, which may round the last bit).
        const uint16_t key = At(101, 101);
        if (c.keyShown)
            EXPECT_EQ(key, green);
        else
            EXPECT_TRUE(key >> 5 == 0 && (key & 0x1F) >= 30) << key;
        image.Detach();
        Frame();
    }
    EXPECT_EQ(picture.locks, picture.unlocks);
}

TEST_F(Images, NoSourceIsHollowAndARefusedLockIsReleasedOnce) {
    TImage image;
    image.SetPos(50, 50);
    image.Attach(&back);
    Frame();
    EXPECT_EQ(image.IsHollow(), 1);
    EXPECT_EQ(image.GetWidth(), 0);
    FakePicture picture(10, 10, uitest::k565Red);
    picture.refuse = true;
    image.SetSource(&picture);
    Frame();
    EXPECT_EQ(image.IsHollow(), 0);
    EXPECT_EQ(picture.locks, 1);
    EXPECT_EQ(picture.unlocks, 1);
    EXPECT_NE(At(55, 55), PixelOf(TColor(255, 0, 0)));
    image.SetSource(nullptr);
    Frame();
    EXPECT_EQ(image.IsHollow(), 1);
    image.Detach();
}

TEST_F(Images, ASmallPictureIsCentredOnTheFillColour) {
    FakePicture picture(10, 6, uitest::k565Red);
    TImage image;
    image.SetSource(&picture);
    image.SetRect(200, 200, 30, 20); // no longer sized to the picture
    image.Attach(&back);
    Frame();
    // (30 - 10) / 2 = 10 and (20 - 6) / 2 = 7.
    const uint16_t fill = PixelOf(image.GetFillColor()), red = PixelOf(TColor(255, 0, 0));
    EXPECT_EQ(At(209, 210), fill);
    EXPECT_EQ(At(210, 207), red);
    EXPECT_EQ(At(219, 212), red);
    EXPECT_EQ(At(220, 212), fill);
    EXPECT_EQ(At(215, 206), fill);
    EXPECT_EQ(At(215, 213), fill);
    image.Detach();
}

} // namespace
