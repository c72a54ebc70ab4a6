// The room generators: backgrounds, object and item pictures, the sky and
// the actors, all RLA containers of run-length sprites.
#include "Rooms.h"

#include "Art.h"
#include "Builder.h"
#include "RlaWriter.h"

namespace demo {

namespace {

constexpr int32_t kW = 800, kH = 600;

// Planks of the cabin's floor, from the wall's foot (y 375) down.
void CabinFloor(Canvas& c, int32_t light) {
    for (int32_t y = 375; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const int32_t plank = ((x - 400) * 60 / (y - 300 + 1) + 1000) / 12;
            const Colour wood{uint8_t(120 + (plank % 3) * 12), uint8_t(80 + (plank % 3) * 8), 45,
                              255};
            c.Put(x, y, Shade(wood, light + (y - 375) / 8));
        }
}

Canvas Cabin(bool lit) {
    const int32_t light = lit ? 0 : -60;
    Canvas c(kW, kH);
    c.Gradient(0, 0, kW, 375, Shade(Colour{150, 110, 80}, light),
               Shade(Colour{110, 80, 60}, light));
    for (int32_t x = 0; x < kW; x += 50) // the wall's boards
        c.Fill(x, 0, 2, 375, Shade(Colour{90, 60, 40}, light));
    CabinFloor(c, light);
    c.Fill(0, 372, kW, 4, Shade(Colour{70, 50, 35}, light));
    // The window, its frame and the night outside.
    c.Fill(320, 90, 160, 120, lit ? Colour{30, 40, 90} : Colour{10, 15, 40});
    c.Frame(316, 86, 168, 128, 6, Shade(Colour{100, 70, 40}, light));
    c.Fill(397, 90, 6, 120, Shade(Colour{100, 70, 40}, light));
    // The table under the radio.
    c.Fill(220, 300, 160, 12, Shade(Colour{110, 70, 40}, light));
    c.Fill(230, 312, 10, 63, Shade(Colour{90, 60, 35}, light));
    c.Fill(360, 312, 10, 63, Shade(Colour{90, 60, 35}, light));
    c.Grain(lit ? 101 : 102, 5);
    return c;
}

Canvas Shore(const std::string& lang) {
    Canvas c(kW, kH, kClear); // the sky shows through the top
    c.Gradient(0, 290, kW, 50, Colour{40, 80, 130}, Colour{60, 110, 150});
    for (int32_t y = 340; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            c.Put(x, y, Mix(Colour{200, 180, 130}, Colour{170, 150, 100}, (y - 340) * 256 / 260));
    // Surf along the water's edge.
    for (int32_t x = 0; x < kW; ++x)
        c.Fill(x, 338 + Sine(uint32_t(x * 400)) / 8000, 1, 4, Colour{235, 240, 245});
    // The sign by the path to the cabin.
    c.Fill(96, 380, 8, 90, Colour{100, 70, 40});
    c.Fill(40, 360, 120, 34, Colour{140, 100, 60});
    c.Text(46, 370, lang == "de" ? "STRAND" : "SHORE", 3, Colour{40, 25, 15});
    c.Grain(103, 6);
    return c;
}

bool EmitRla(Builder& b, const Asset& a, const tools::RlaWriter& w) {
    if (w.NudgedPixels()) return b.Fail(a, "opaque pixels of the colour key's green");
    return b.Emit(a, w.Finish());
}

bool CheckRoom(Builder& b, const Asset& a, const std::vector<Canvas>& frames, bool sky) {
    std::string script, error;
    if (!b.ReadSource(a, a.Get("script"), &script)) return false;
    RoomView view;
    if (!ReadRoomView(script, &view, &error)) return b.Fail(a, a.Get("script") + ": " + error);
    for (const Canvas& f : frames) {
        if (!CheckKeyColour(f, &error) || !CheckFloor(view, f, &error)) return b.Fail(a, error);
        // A room without a sky is opaque everywhere; one with a sky lets it
        // through its top rows only, where no floor is drawn.
        bool anyClear = false;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                if (!f.At(x, y).a) {
                    if (!sky) return b.Fail(a, "a room without a sky has a transparent pixel");
                    if (y >= 350)
                        return b.Fail(a, "the sky is 350 rows high; row " + std::to_string(y) +
                                             " is transparent");
                    anyClear = true;
                }
        if (sky && !anyClear)
            return b.Fail(a, "a room with a sky needs transparent rows at its top");
    }
    return true;
}

} // namespace

bool GenerateRoom(Builder& b, const Asset& a) {
    const std::string room = a.Get("room");
    std::vector<Canvas> frames;
    if (room == "cabin")
        frames = {Cabin(true), Cabin(false)};
    else if (room == "shore")
        frames = {Shore(a.Get("lang", "en"))};
    else
        return b.Fail(a, "room is cabin or shore");
    if (!CheckRoom(b, a, frames, room == "shore")) return false;
    tools::RlaWriter w;
    for (const Canvas& f : frames)
        w.AddSprite(0, f.Rgba());
    return EmitRla(b, a, w);
}

namespace {

Canvas Lamp(int32_t flicker) {
    Canvas c(40, 64);
    c.Fill(18, 0, 4, 20, Colour{60, 60, 60});
    c.Ellipse(20, 40, 16, 20, Colour{80, 60, 30});
    c.Ellipse(20, 40, 10 + flicker, 14 + flicker, Colour{255, uint8_t(200 + flicker * 10), 90});
    return c;
}

Canvas Door(int32_t open) { // 0 closed .. 4 open
    Canvas c(100, 190, kClear);
    c.Fill(0, 0, 100, 190, Colour{25, 20, 15});
    const int32_t leaf = 100 - open * 22;
    c.Fill(0, 0, leaf, 190, Colour{130, 90, 50});
    for (int32_t x = 8; x < leaf; x += 18)
        c.Fill(x, 4, 2, 182, Colour{100, 70, 40});
    if (leaf > 20) c.Ellipse(leaf - 12, 100, 4, 4, Colour{220, 200, 90});
    return c;
}

Canvas Radio(int32_t lit) {
    Canvas c(80, 52);
    c.Fill(0, 6, 80, 46, Colour{70, 50, 40});
    c.Frame(0, 6, 80, 46, 2, Colour{40, 30, 25});
    for (int32_t y = 14; y < 46; y += 4)
        c.Fill(6, y, 36, 2, Colour{40, 30, 25});
    c.Ellipse(60, 28, 9, 9, lit ? Colour{250, 200, 80} : Colour{120, 100, 60});
    c.Fill(50, 0, 2, 8, Colour{180, 180, 180});
    return c;
}

Canvas Bed() {
    Canvas c(160, 90);
    c.Fill(0, 20, 160, 60, Colour{110, 70, 40});
    c.Fill(6, 10, 150, 40, Colour{170, 60, 60});
    c.Fill(10, 4, 40, 24, Colour{230, 230, 220});
    c.Fill(0, 80, 10, 10, Colour{80, 50, 30});
    c.Fill(150, 80, 10, 10, Colour{80, 50, 30});
    return c;
}

Canvas Crate(bool open) {
    Canvas c(92, 70);
    c.Fill(0, open ? 14 : 6, 92, open ? 56 : 64, Colour{150, 110, 60});
    c.Frame(0, open ? 14 : 6, 92, open ? 56 : 64, 4, Colour{110, 80, 40});
    c.Fill(0, 36, 92, 4, Colour{110, 80, 40});
    if (open) c.Fill(4, 0, 84, 10, Colour{130, 95, 50});
    return c;
}

Canvas Boat(int32_t bob) {
    Canvas c(160, 80);
    c.Fill(78, 0, 4, 50, Colour{90, 60, 40});
    c.Fill(82, 6 + bob, 40, 36, Colour{240, 240, 230});
    c.Ellipse(80, 62 + bob, 76, 14, Colour{120, 50, 40});
    c.Fill(0, 48 + bob, 160, 14, Colour{140, 60, 45});
    return c;
}

Canvas Buoy(int32_t lit) {
    Canvas c(32, 40);
    c.Ellipse(16, 26, 14, 12, Colour{220, 60, 40});
    c.Fill(14, 0, 4, 16, Colour{60, 60, 60});
    c.Ellipse(16, 4, 4, 4, lit ? Colour{255, 250, 180} : Colour{120, 120, 100});
    return c;
}

struct Prop {
    uint32_t group;
    Canvas picture;
    int32_t x, y;
};

std::vector<Prop> Props(const std::string& room, const std::string& set) {
    std::vector<Prop> p;
    if (room == "cabin" && set == "objects") {
        for (int32_t i = 0; i < 4; ++i)
            p.push_back({0, Lamp(i % 3), 130, 80});
        for (int32_t i = 0; i < 5; ++i)
            p.push_back({1, Door(i), 580, 185});
        for (int32_t i = 0; i < 2; ++i)
            p.push_back({2, Radio(i), 250, 248});
        p.push_back({3, Bed(), 20, 500});
    } else if (room == "cabin" && set == "items") {
        p.push_back({0, Crate(false), 640, 430});
        p.push_back({0, Crate(true), 640, 430});
    } else if (room == "shore" && set == "objects") {
        for (int32_t i = 0; i < 3; ++i)
            p.push_back({0, Boat(i == 1 ? 2 : 0), 600, 280});
    } else if (room == "shore" && set == "items") {
        for (int32_t i = 0; i < 2; ++i)
            p.push_back({0, Buoy(i), 500, 300});
    }
    return p;
}

} // namespace

bool GenerateProps(Builder& b, const Asset& a) {
    const std::vector<Prop> props = Props(a.Get("room"), a.Get("set"));
    if (props.empty()) return b.Fail(a, "room is cabin or shore, set objects or items");
    tools::RlaWriter w;
    std::string error;
    for (const Prop& p : props) {
        if (!CheckKeyColour(p.picture, &error)) return b.Fail(a, error);
        w.AddSprite(p.group, p.picture.Rgba(), p.x, p.y);
    }
    return EmitRla(b, a, w);
}

bool GenerateSky(Builder& b, const Asset& a) {
    tools::RlaWriter w;
    const Colour tops[] = {{70, 120, 200}, {60, 40, 90}};
    const Colour bottoms[] = {{170, 200, 230}, {230, 130, 90}};
    for (uint32_t g = 0; g < 2; ++g) {
        Canvas sky(800, 350);
        sky.Gradient(0, 0, 800, 350, tops[g], bottoms[g]);
        Rng rng(200 + g);
        for (int32_t n = 0; n < 9; ++n) { // clouds, seamless across the wrap
            const int32_t x = rng.Below(800), y = 30 + rng.Below(200), r = 30 + rng.Below(50);
            for (int32_t dx : {-800, 0, 800})
                sky.Ellipse(x + dx, y, r, r / 3, Mix(bottoms[g], Colour{255, 255, 255}, 160));
        }
        w.AddSprite(g, sky.Rgba());
    }
    return EmitRla(b, a, w);
}

namespace {

// A figure of 80 x 230 standing on its feet at the bottom centre; `sector`
// turns it (0 front, 2 right, 3 back, 4 left), `step` swings its legs.
Canvas Keeper(int32_t sector, int32_t step, int32_t mouth) {
    Canvas c(80, 230);
    const int32_t swing = Sine(uint32_t(step * 16384)) / 3000;
    c.Fill(28 + swing, 150, 10, 80, Colour{50, 60, 90});
    c.Fill(42 - swing, 150, 10, 80, Colour{50, 60, 90});
    c.Fill(20, 60, 40, 95, Colour{40, 90, 120});
    c.Ellipse(40, 32, 18, 22, Colour{230, 180, 140});
    c.Fill(22, 8, 36, 10, Colour{60, 40, 30});
    const int32_t look = sector == 2 ? 6 : sector == 4 ? -6 : 0;
    if (sector != 3) {
        c.Fill(33 + look, 28, 4, 4, Colour{30, 30, 40});
        c.Fill(43 + look, 28, 4, 4, Colour{30, 30, 40});
        c.Fill(35 + look, 42 - mouth, 10, 2 + 2 * mouth, Colour{120, 40, 40});
    }
    return c;
}

Canvas Gull(int32_t sector, int32_t step) {
    Canvas c(40, 32);
    c.Ellipse(20, 18, 14, 8, Colour{245, 245, 250});
    c.Ellipse(sector == 4 ? 8 : 32, 10, 6, 6, Colour{245, 245, 250});
    c.Fill(sector == 4 ? 0 : 36, 10, 4, 2, Colour{240, 180, 40});
    c.Fill(14 + step * 4, 26, 2, 6, Colour{240, 180, 40});
    c.Fill(24 - step * 4, 26, 2, 6, Colour{240, 180, 40});
    return c;
}

} // namespace

bool GenerateActor(Builder& b, const Asset& a) {
    bool ok = true;
    const int32_t number = a.Int("n", 0, &ok);
    tools::RlaWriter w;
    std::string error;
    const int32_t sectors[] = {0, 2, 3, 4}; // 1 and 5 fall back to their neighbours
    if (number == 1) {
        // Groups 0-3 idle, 4-7 talk, 8-11 walk, 12-15 run, sectors as above.
        const int32_t frames[] = {2, 3, 4, 4};
        for (uint32_t anim = 0; anim < 4; ++anim)
            for (uint32_t s = 0; s < 4; ++s)
                for (int32_t f = 0; f < frames[anim]; ++f) {
                    const Canvas k = Keeper(sectors[s], anim >= 2 ? f : 0, anim == 1 ? f : 0);
                    if (!CheckKeyColour(k, &error)) return b.Fail(a, error);
                    w.AddSprite(anim * 4 + s, k.Rgba());
                }
    } else if (number == 2) {
        // Group 0 idle, 1-4 walk by sector.
        w.AddSprite(0, Gull(0, 0).Rgba());
        for (uint32_t s = 0; s < 4; ++s)
            for (int32_t f = 0; f < 2; ++f)
                w.AddSprite(1 + s, Gull(sectors[s], f).Rgba());
    } else {
        return b.Fail(a, "n is the actor number, 1 or 2");
    }
    return EmitRla(b, a, w);
}

} // namespace demo
