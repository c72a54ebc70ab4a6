// A headless frame of a small room (sky, background with a transparent top,
// an object and an actor, all written by the RLA writer) against a reference
// composed in the test from the sprites' pixels, far to near.
#include "RoomFixture.h"

#include "BlitSprite16.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "WorldFixtures.h"

#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"

#include <limits>

namespace {

using roomtest::RoomTest;

using worldtest::Pattern;

class RoomFrameTest : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        sky = Pattern(800, 350, 1, [](int32_t, int32_t) { return false; });
        back = Pattern(800, 600, 2, backHoles);
        object = Pattern(40, 30, 3, [](int32_t x, int32_t y) { return (x + y) % 7 == 0; });
        actorImage = Pattern(20, 30, 4, [](int32_t x, int32_t) { return x < 3 || x == 11; });
        tools::RlaWriter skyFile, backFile, objectFile, actorFile;
        skyFile.AddSprite(0, sky);
        backFile.AddSprite(0, back);
        objectFile.AddSprite(0, object, 5, 6);
        actorFile.AddSprite(0, actorImage, -10, -30);
        WriteRla("int/all/pictures/Global/LocItem.rla", skyFile);
        WriteRla("test/back.rla", backFile);
        WriteRla("test/obj.rla", objectFile);
        WriteRla("int/all/pictures/global/ActAni03.RLA", actorFile);
        WriteIndex("[Pictures]\r\nrlatestBack=test\\back.rla\r\nrlatestObjAni=test\\obj.rla\r\n");
        MakeRoom();
        room->EnterRoom("test", nullptr);
        room->GetSky().SetImage(0);
        auto* o = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "o", 0));
        obj = o;
        o->SetSource(&room->Objects());
        AnimEntry* e = o->MakeEntry();
        e->group = 0;
        e->x = 100;
        e->y = 400;
        o->SetImage(0, 0);
        o->SetPosition({5.0f, 0.0f, 10.0f});
        actor = room->ShowActor(9, 3);
        ASSERT_NE(actor, nullptr);
        ActorAnimRecord r;
        for (AnimEntry& entry : r.entries)
            entry.group = 0;
        actor->AddAnim(TActor::alIdle, r);
        // At the camera's reference distance: drawn at scale 1.0.
        actor->SetPosition({5.0f, 1.7f, 3.0f});
    }
    // Sky, background and object, far to near.
    std::vector<int32_t> Reference(bool withObject = true) const {
        std::vector<int32_t> ref(800 * 600, 0);
        auto put = [&](const tools::RgbaImage& im, int32_t left, int32_t top) {
            for (int32_t y = 0; y < im.height; ++y)
                for (int32_t x = 0; x < im.width; ++x) {
                    const int32_t p = worldtest::ImagePixel(im, x, y);
                    if (p >= 0) ref[size_t(top + y) * 800 + left + x] = p;
                }
        };
        put(sky, 0, 0);
        put(back, 0, 0);
        if (withObject) put(object, 105, 406);
        return ref;
    }
    // The actor's pixels over `ref`: its anchor stands on the projected
    // point (400, 300).
    void PutActor(std::vector<int32_t>& ref) const {
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                const int32_t p = worldtest::ImagePixel(actorImage, x, y);
                if (p >= 0) ref[size_t(270 + y) * 800 + 390 + x] = p;
            }
    }
    // The pixels of the display that differ from `ref` inside the rectangle.
    int32_t Differences(const std::vector<int32_t>& ref, TRectArea r = {0, 0, 800, 600}) {
        int32_t count = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                if (At(x, y) != ref[size_t(y) * 800 + x]) ++count;
        return count;
    }

    // Where the background is transparent: a sky above an opaque lower part.
    bool (*backHoles)(int32_t x, int32_t y) = [](int32_t, int32_t y) { return y < 200; };
    tools::RgbaImage sky, back, object, actorImage;
    TActor* actor = nullptr;
    TAnimObject* obj = nullptr;
};

TEST_F(RoomFrameTest, AFrameEqualsTheLayersComposedFarToNear) {
    Frame();
    std::vector<int32_t> ref = Reference();
    PutActor(ref);
    EXPECT_EQ(Differences(ref), 0);
}

// The sky behind the background's opaque lower part is left undrawn: holes
// inside that part, in its last row or at a row's end still show the sky.
class SkyThroughHoles : public RoomFrameTest,
                        public ::testing::WithParamInterface<bool (*)(int32_t, int32_t)> {
protected:
    void SetUp() override {
        backHoles = GetParam();
        RoomFrameTest::SetUp();
    }
};

TEST_P(SkyThroughHoles, FrameEqualsTheLayersComposedFarToNear) {
    Frame();
    std::vector<int32_t> ref = Reference();
    PutActor(ref);
    EXPECT_EQ(Differences(ref), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Holes, SkyThroughHoles,
    ::testing::Values([](int32_t x, int32_t y) { return y < 200 || (x == 10 && y == 300); },
                      [](int32_t x, int32_t y) { return y < 200 || (x == 500 && y == 349); },
                      [](int32_t x, int32_t y) { return y < 200 || (x == 799 && y == 599); },
                      [](int32_t, int32_t y) { return y < 200 || y == 320; }));

// Offsets from scripts that take an object beyond the 32-bit range hold it
// at the end of the range, off the display, instead of wrapping it round.
TEST_F(RoomFrameTest, ObjectOffsetsHoldAtTheEndsOfTheRange) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    actor->SetVisible(false);
    struct Case {
        int32_t x, y, left, top; // the frame's own offset is (5, 6)
    };
    const Case cases[] = {
        {kMax, 400, kMax, 406},
        {100, kMax - 3, 105, kMax},
        {kMin, kMin, kMin + 5, kMin + 6},
    };
    for (const Case& c : cases) {
        AnimEntry* e = obj->MakeEntry();
        e->x = c.x;
        e->y = c.y;
        obj->SetImage(0, -1);
        obj->SetImage(0, 0);
        EXPECT_EQ(obj->GetX(), c.left) << c.x << " " << c.y;
        EXPECT_EQ(obj->GetY(), c.top) << c.x << " " << c.y;
        room->Invalidate(true);
        Frame();
        EXPECT_EQ(Differences(Reference(false)), 0) << c.x << " " << c.y;
    }
}

// A 15-bit display shows the 16-bit frame with each pixel in 5:5:5: green
// loses its lowest bit, and pure green, the sprites' key, stays the key.
class FifteenBits : public RoomFrameTest {
protected:
    FifteenBits() { displayBits = 15; }
    void TearDown() override {
        RoomFrameTest::TearDown();
        Display555() = 0;
    }
};

TEST_F(FifteenBits, ShowsTheSixteenBitFrameIn555) {
    ASSERT_EQ(GDL_liveDC(display.GetContext())->mode.bitsPerPixel, 15u);
    EXPECT_EQ(Display555(), 1);
    Frame();
    std::vector<int32_t> ref = Reference();
    PutActor(ref);
    for (int32_t& p : ref)
        p = ((p >> 1) & 0x7FE0) | (p & 0x1F);
    EXPECT_EQ(Differences(ref), 0);
}

TEST_F(RoomFrameTest, FilteringDrawsTheActorThroughTheSpriteBlitter) {
    actor->SetVisible(false);
    Frame();
    ASSERT_EQ(Differences(Reference()), 0);
    // What the blitter makes of the actor's frame over the composed room.
    actor->Update();
    GdlBitmap* header = actor->RenderFrame();
    ASSERT_NE(header, nullptr);
    std::vector<uint16_t> expected(20 * 30, 0);
    BlitSprite16(reinterpret_cast<uint8_t*>(expected.data()), header->surface, header->bytesPerLine,
                 header->width, header->height, header->bitsPerPixel, 40, 20, 30, 20, 30, 16, 390,
                 270, 0, 0);
    std::vector<int32_t> ref = Reference();
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 20; ++x)
            if (expected[size_t(y) * 20 + x] != 0x07E0)
                ref[size_t(270 + y) * 800 + 390 + x] = expected[size_t(y) * 20 + x];
    game.filtering = 1;
    actor->SetVisible(true);
    actor->Invalidate(true);
    Frame();
    EXPECT_TRUE(actor->GetElementFlags() & TRoomElement::efScaled);
    EXPECT_EQ(Differences(ref, {390, 270, 410, 300}), 0);
    EXPECT_EQ(Differences(ref), 0);
}

TEST_F(RoomFrameTest, ZonesAreOutlinedOnlyWithShowZonesAndTakeClicksEither) {
    TRoomElement* hidden = room->CreateElement(TRoomElement::tyZone, "quiet", 0);
    hidden->SetRect(600, 250, 80, 200);
    game.showZones = 1;
    TRoomElement* outlined = room->CreateElement(TRoomElement::tyZone, "door", 0);
    outlined->SetRect(100, 100, 50, 40);
    actor->SetVisible(false);
    for (int frame = 0; frame < 2; ++frame) {
        room->Invalidate(true);
        outlined->Invalidate(true);
        Frame();
        std::vector<int32_t> ref = Reference();
        for (int32_t x = 100; x < 150; ++x)
            ref[100 * 800 + x] = ref[139 * 800 + x] = 0xFFFF;
        for (int32_t y = 100; y < 140; ++y)
            ref[size_t(y) * 800 + 100] = ref[size_t(y) * 800 + 149] = 0xFFFF;
        EXPECT_EQ(Differences(ref), 0) << frame;
    }
    EXPECT_TRUE(hidden->HitTest(620, 300));
    EXPECT_FALSE(hidden->HitTest(700, 300));
}

// A display smaller than the room shows its centre; one of 32 bits gets no
// 16-bit drawing at all.
class SmallDisplay : public RoomFrameTest, public ::testing::WithParamInterface<int32_t> {
protected:
    SmallDisplay() {
        displayWidth = 640;
        displayHeight = 480;
        displayBits = GetParam();
    }
};

TEST_P(SmallDisplay, ShowsTheCentreOnlyAt16Bits) {
    actor->SetVisible(false);
    // The game world stands centred on the display, as the room draws.
    root.SetRect(-80, -60, 800, 600);
    Frame();
    const std::vector<int32_t> ref = Reference();
    if (GetParam() != 16) {
        // No pairs of 16-bit pixels written as one 32-bit pixel.
        const GdlDeviceContext* d = GDL_liveDC(display.GetContext());
        uint32_t v = 0;
        std::memcpy(&v, d->surface + 10 * d->mode.bytesPerLine + 40, 4);
        EXPECT_NE(v, uint32_t(ref[70 * 800 + 90]) | uint32_t(ref[70 * 800 + 91]) << 16);
        return;
    }
    int32_t wrong = 0;
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x)
            if (At(x, y) != ref[size_t(y + 60) * 800 + x + 80]) ++wrong;
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, SmallDisplay, ::testing::Values(16, 32));

// On a 24- or 32-bit display the room's layers stay undrawn, but an actor is
// drawn through the library's conversion: in its own colours, and with its
// key showing what lies behind.
class DeepDisplay : public RoomFrameTest, public ::testing::WithParamInterface<int32_t> {
protected:
    DeepDisplay() { displayBits = desktopBits = GetParam(); }
    // The colour at (x, y) as red << 16 | green << 8 | blue.
    uint32_t Rgb(int32_t x, int32_t y) {
        const GdlDeviceContext* d = GDL_liveDC(display.GetContext());
        const int32_t bytes = int32_t(d->mode.bitsPerPixel + 7) / 8;
        uint32_t v = 0;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * bytes, size_t(bytes));
        uint8_t r, g, b;
        GDL_unpackColor(&d->format, v, &r, &g, &b);
        return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
};

TEST_P(DeepDisplay, AnActorKeepsItsColoursAndHidesItsKey) {
    ASSERT_EQ(int32_t(GDL_liveDC(display.GetContext())->mode.bitsPerPixel), GetParam());
    actor->SetVisible(false);
    Frame();
    std::vector<uint32_t> behind;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 20; ++x)
            behind.push_back(Rgb(390 + x, 270 + y));
    actor->SetVisible(true);
    actor->Invalidate(true);
    Frame();
    int32_t wrong = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const int32_t p = worldtest::ImagePixel(actorImage, x, y);
            uint32_t want = behind[size_t(y) * 20 + x];
            if (p >= 0) {
                uint8_t r, g, b;
                GDL_unpackColor(&GDL_pixelFormat565, uint32_t(p), &r, &g, &b);
                want = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
            }
            if (Rgb(390 + x, 270 + y) != want) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // Clicks miss the key and hit the picture.
    EXPECT_FALSE(actor->HitTest(390, 280));
    EXPECT_TRUE(actor->HitTest(395, 280));
}

INSTANTIATE_TEST_SUITE_P(Depths, DeepDisplay, ::testing::Values(24, 32));

} // namespace
