// A room built by script commands (sky, background with a transparent top,
// an object and an actor) gives the same headless frame as the same room
// built by the world's own calls.
#include "ElementTestFixture.h"

#include "../world/WorldFixtures.h"
#include "RlaWriter.h"

#include "foundation/TDeleteQueue.h"
#include "gdl/dc.h"
#include "media/devices/TDispDev.h"

#include <cstring>
#include <vector>

namespace gametest {
namespace {

using worldtest::ImagePixel;
using worldtest::Pattern;

std::string Rla(uint32_t group, const tools::RgbaImage& image, int32_t x = 0, int32_t y = 0) {
    tools::RlaWriter writer;
    writer.AddSprite(group, image, x, y);
    const std::vector<uint8_t> bytes = writer.Finish();
    return {bytes.begin(), bytes.end()};
}

class ElementFrame : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        sky = Pattern(800, 350, 1, [](int32_t, int32_t) { return false; });
        back = Pattern(800, 600, 2, [](int32_t, int32_t y) { return y < 200; });
        object = Pattern(40, 30, 3, [](int32_t x, int32_t y) { return (x + y) % 7 == 0; });
        actor = Pattern(20, 30, 4, [](int32_t x, int32_t) { return x < 3 || x == 11; });
        const std::string pictures = "data/int/all/pictures/";
        fixture.extraFiles = {
            {pictures + "Global/LocItem.rla", Rla(0, sky)},
            {pictures + "rooms/HallBack.rla", Rla(0, back)},
            {pictures + "rooms/HallObj.rla", Rla(0, object, 5, 6)},
            {pictures + "global/ActAni03.RLA", Rla(0, actor, -10, -30)},
        };
    }
    // The room's 800 x 600 pixels on the display after a few ticks (the
    // display may be larger, the game centred on it).
    static std::vector<uint16_t> Frame() {
        RunTicks(3);
        TRectArea screen;
        Room().GetScreenRect(screen);
        const GdlDeviceContext* d = GDL_liveDC(TDispDev::Global().GetContext());
        EXPECT_GE(screen.left, 0);
        EXPECT_GE(screen.top, 0);
        EXPECT_LE(screen.left + 800, int32_t(d->mode.maxX) + 1);
        EXPECT_LE(screen.top + 600, int32_t(d->mode.maxY) + 1);
        std::vector<uint16_t> pixels(800 * 600);
        for (int32_t y = 0; y < 600; ++y)
            std::memcpy(&pixels[size_t(y) * 800],
                        d->surface + int64_t(screen.top + y) * d->mode.bytesPerLine +
                            screen.left * 2,
                        800 * 2);
        return pixels;
    }
    // The same scene through the world's calls, in place of the script's.
    void BuildInCpp() {
        TRoom& room = Room();
        while (room.ElementCount() > 0)
            room.RemoveElement(room.ElementAt(0));
        DrainDeleteLater();
        room.GetSky().SetSpeed(0.0f, 0.0f);
        room.GetSky().SetImage(0);
        auto* o = static_cast<TAnimObject*>(room.CreateElement(TRoomElement::tyObject, "o", 0));
        o->SetSource(&room.Objects());
        AnimEntry* e = o->MakeEntry();
        e->group = 0;
        e->x = 100;
        e->y = 400;
        o->SetImage(0, 0);
        o->SetPosition({5.0f, 0.0f, 10.0f});
        TActor* a = room.ShowActor(-1, 3);
        ASSERT_NE(a, nullptr);
        ActorAnimRecord r;
        for (AnimEntry& entry : r.entries)
            entry.group = 0;
        a->AddAnim(TActor::alIdle, r);
        a->SetPosition({5.0f, 1.7f, 3.0f});
        room.Invalidate(true);
    }

    tools::RgbaImage sky, back, object, actor;
};

TEST_F(ElementFrame, AScriptBuiltRoomLooksAsOneBuiltInCpp) {
    StartIn("Sky.SetSpeed(0, 0) Sky.SetImage(-1) Sky.SetImage(0) "
            "O = Engine.ShowObject(T, 'o', 0) "
            "Engine.SetObjectAnim(O, {0, 100, 0, 0, nil, 100, 400}) "
            "Engine.SetObjectPosition(O, 5, 0, 10) "
            "A = Engine.ShowActor({}, 'a', 3) "
            "Engine.ActorAddAnim(A, 0, {{0}}, {{0}}, {{0}}, {{0}}, {{0}}, {{0}}) "
            "Engine.SetObjectPosition(A, 5, 1.7, 3)");
    const std::vector<uint16_t> scripted = Frame();
    // The layers stand where they belong: sky above the background, the
    // object at its offsets, the actor on the projected point (400, 300).
    EXPECT_EQ(scripted[10 * 800 + 10], ImagePixel(sky, 10, 10));
    EXPECT_EQ(scripted[300 * 800 + 10], ImagePixel(back, 10, 300));
    EXPECT_EQ(scripted[407 * 800 + 106], ImagePixel(object, 1, 1));
    EXPECT_EQ(scripted[275 * 800 + 395], ImagePixel(actor, 5, 5));
    // The task bar's strips in the bottom corners only take the pointer:
    // the background shows through them.
    for (const int32_t x : {0, 50, 107, 692, 750, 799})
        for (const int32_t y : {590, 599})
            EXPECT_EQ(scripted[size_t(y) * 800 + size_t(x)], ImagePixel(back, x, y))
                << x << "," << y;
    BuildInCpp();
    const std::vector<uint16_t> built = Frame();
    int32_t differences = 0;
    for (size_t i = 0; i < built.size(); ++i)
        if (built[i] != scripted[i]) ++differences;
    EXPECT_EQ(differences, 0);
    Stop();
}

} // namespace
} // namespace gametest
