// The translucent picture against a per-pixel model of the alpha blend over
// a known background: keyed pixels leave the screen, a picture smaller than
// its graphic (centred) blends only its own pixels and reads nothing past it,
// and alpha 0 never touches the picture.
#include "../engine/ui/FakePicture.h"
#include "../engine/ui/UiFixture.h"
#include "TImageButton.h"

#include "drawing/BlendPixel.h"
#include "drawing/TAlphaTables.h"

namespace {

using uitest::FakePicture;

class ImageButtons : public uitest::UiTest {
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
    // A picture whose every pixel differs from its neighbours; a diagonal of
    // key pixels.
    static void Pattern(FakePicture& picture, int32_t w, int32_t h) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                picture.Set(x, y, x == y ? uitest::k565Green : uint16_t(0x8000 | (y << 6) | x));
    }
    uint16_t Model(uint16_t picture, uint16_t background, int32_t alpha) {
        const TAlphaTables& t = TAlphaTables::Get();
        return uint16_t(pixfmt::BlendPixel<pixfmt::Px16, pixfmt::Px16>(
            t.First(uint32_t(alpha)), t.Second(uint32_t(alpha)), picture, background));
    }
    uitest::Box back{TColor(0, 0, 255)};
};

TEST_F(ImageButtons, BlendsEachPixelOfThePictureOnlyOverItsPlace) {
    constexpr int32_t kW = 24, kH = 16, kX = 100, kY = 80;
    const struct {
        const char* what;
        int32_t width, height, fit; // the graphic's size and fit flags
    } cases[] = {
        {"the picture's size", kW, kH, 0},
        {"larger, centred", kW + 20, kH + 10, TGraphic::fitCenter},
        {"larger, at the top left", kW + 9, kH + 7, 0},
    };
    FakePicture picture(kW, kH, 0);
    Pattern(picture, kW, kH);
    const uint16_t blue = PixelOf(TColor(0, 0, 255));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TImageButton button;
        button.SetSource(&picture);
        button.SetAlpha(127);
        button.SetFitFlags(c.fit);
        button.SetRect(kX, kY, c.width, c.height);
        button.Attach(&back);
        Frame();
        const int32_t left = kX + ((c.fit & TGraphic::fitCenter) ? (c.width - kW) / 2 : 0);
        const int32_t top = kY + ((c.fit & TGraphic::fitCenter) ? (c.height - kH) / 2 : 0);
        int32_t wrong = 0;
        for (int32_t y = kY - 2; y < kY + c.height + 2; ++y)
            for (int32_t x = kX - 2; x < kX + c.width + 2; ++x) {
                const int32_t px = x - left, py = y - top;
                const bool on = px >= 0 && py >= 0 && px < kW && py < kH;
                const uint16_t want =
                    on ? Model(px == py ? uitest::k565Green : uint16_t(0x8000 | (py << 6) | px),
                               blue, 127)
                       : blue;
                if (At(x, y) != want && wrong++ < 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << At(x, y) << " not " << want;
            }
        EXPECT_EQ(wrong, 0);
        button.Detach();
        Frame();
    }
    EXPECT_EQ(picture.locks, picture.unlocks);
}

TEST_F(ImageButtons, AlphaZeroOrNoPictureDrawsNothing) {
    FakePicture picture(8, 8, uitest::k565Red);
    TImageButton button;
    button.SetSource(&picture);
    button.SetAlpha(0);
    button.SetRect(10, 10, 8, 8);
    button.Attach(&back);
    Frame();
    EXPECT_EQ(picture.locks, 0) << "alpha 0 leaves the picture alone";
    EXPECT_EQ(At(12, 12), PixelOf(TColor(0, 0, 255)));
    button.SetAlpha(255);
    button.Invalidate(true);
    Frame();
    EXPECT_EQ(At(12, 12), Model(uitest::k565Red, PixelOf(TColor(0, 0, 255)), 255));
    picture.refuse = true;
    button.Invalidate(true);
    Frame();
    EXPECT_EQ(picture.locks, picture.unlocks) << "a refused picture is still released";
    button.Detach();
}

} // namespace
