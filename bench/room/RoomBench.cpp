// A full repaint of a room through the component tree on the memory host:
// sky, background with a transparent top, five objects and one walking actor
// (filtering off, then on), beside SDL composing the same layers from the
// same pixels in-process: the sky opaque twice (above the background's
// opaque rows, as the room draws it), the background and objects as RLE
// colour-keyed blits, the actor stretched (nearest) into a plain keyed
// temporary of its size on screen and blitted keyed. That is the
// like-for-like peer, and its frame is checked against ours (filtering off)
// before the timing. Two other SDL compositions stay as yardsticks: the
// actor stretched into an RLE temporary (unlocking it encodes the runs again
// each frame) and SDL_BlitScaled (which drops RLE for a keyed scale).
// Then the growth with the number of objects: 1, 10, 100 and 1000 small
// objects spread over the room, ours beside SDL's full composition of the
// same frame (checked likewise). 5:6:5 throughout; the ratios (SDL's time
// over ours) close the run.
#include "../RatioReporter.h"
#include "GameServices.h"
#include "RlaWriter.h"
#include "RoomGlobals.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoom.h"
#include "FloatToInt.h"

#include "foundation/TFileCtl.h"
#include "gdl/dc.h"
#include "media/devices/TDispDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TEngine.h"
#include "ui/TPanel.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr int kObjects = 5;
// The background's transparent top: below it every row is opaque across the
// screen, so the room draws no sky there.
constexpr int kBackTop = 200;

tools::RgbaImage Picture(int w, int h, int transparentTop, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255), run(4, 40);
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    im.rgba.assign(size_t(w) * h * 4, 0);
    for (int y = transparentTop; y < h; ++y) {
        bool opaque = true;
        for (int x = 0; x < w;) {
            for (int n = run(rng); n > 0 && x < w; --n, ++x) {
                uint8_t* p = &im.rgba[(size_t(y) * w + x) * 4];
                p[0] = uint8_t(byte(rng));
                p[1] = uint8_t(byte(rng));
                p[2] = uint8_t(byte(rng));
                p[3] = opaque ? 255 : 0;
            }
            opaque = !opaque || w > 400; // the large layers are mostly opaque
        }
    }
    return im;
}

struct Scene {
    tools::RgbaImage sky = Picture(800, 350, 0, 1);
    tools::RgbaImage back = Picture(800, 600, kBackTop, 2);
    tools::RgbaImage object = Picture(120, 90, 0, 3);
    tools::RgbaImage small = Picture(32, 24, 0, 5);
    tools::RgbaImage actor = Picture(80, 200, 0, 4);
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Where object i of a room of n stands: the five large objects in a row,
// or n small ones spread over the room below the sky.
struct Placement {
    int x, y;
};

Placement ObjectAt(int i, bool small) {
    if (!small) return {40 + 140 * i, 250 + 40 * i};
    return {int((uint32_t(i) * 173u) % 760u), 210 + int((uint32_t(i) * 89u) % 370u)};
}

// The room with its files in a temporary folder, on a 800 x 600 memory
// display: the five large objects, or `objects` small ones.
struct RoomRig {
    explicit RoomRig(int objects = kObjects, bool small = false) {
        platform::SetMemoryDesktop(1024, 768, 16);
        TDispDev& display = TDispDev::Global();
        display.SetClassName("RoomBench");
        display.SetTitle("Room Bench");
        display.SetDriverFlags(0x600);
        display.SetMode(800, 600, 16);
        if (!display.Open()) std::fprintf(stderr, "the display did not open\n");
        folder = std::filesystem::temp_directory_path() / "room_bench";
        const Scene& s = TheScene();
        tools::RlaWriter sky, back, objectFile, actorFile;
        sky.AddSprite(0, s.sky);
        back.AddSprite(0, s.back);
        objectFile.AddSprite(0, small ? s.small : s.object);
        actorFile.AddSprite(0, s.actor, -40, -200);
        WriteFile(folder / "res/int/all/pictures/Global/LocItem.rla", sky.Finish());
        WriteFile(folder / "res/int/all/pictures/global/ActAni01.RLA", actorFile.Finish());
        WriteFile(folder / "res/b.rla", back.Finish());
        WriteFile(folder / "res/o.rla", objectFile.Finish());
        const std::string ini =
            "[Main]\r\nPath=res\r\n[Pictures]\r\nrlabenchBack=b.rla\r\nrlabenchObjAni=o.rla\r\n";
        WriteFile(folder / "resource.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
        TFileCtl::SetRootPath(folder.string().c_str());
        TFileCtl::SetProfile((folder / "resource.ini").string().c_str());
        TFileCtl::ReadBasePath();
        root.SetRect(0, 0, 800, 600);
        TGraphic::SetApplication(&root);
        room = std::make_unique<TRoom>();
        room->Init(&root);
        room->EnterRoom("bench", nullptr);
        room->GetSky().SetImage(0);
        for (int i = 0; i < objects; ++i) {
            auto* o = static_cast<TAnimObject*>(room->CreateElement(0, "o", 0));
            o->SetSource(&room->Objects());
            AnimEntry* e = o->MakeEntry();
            e->group = 0;
            const Placement at = ObjectAt(i, small);
            e->x = at.x;
            e->y = at.y;
            o->SetImage(0, 0);
            // Object 0 farthest: drawn first, as SDL draws them.
            o->SetPosition({5.0f, 0.0f, 10.0f + float(objects - i) * 0.01f});
        }
        actor = room->ShowActor(1, 1);
        ActorAnimRecord r;
        for (AnimEntry& entry : r.entries)
            entry.group = 0;
        actor->AddAnim(TActor::alWalk, r);
        Walk();
    }
    // Across the room at z = 4 (a depth scale of 0.75) on a short stretch,
    // walked again and again: the actor moves each frame and keeps its size.
    void Walk() {
        actor->SetPosition({5.0f, 0.0f, 4.0f});
        auto* path = new WalkPath;
        path->AddPoint({5.0f, 0.0f, 4.0f});
        path->AddPoint({5.5f, 0.0f, 4.0f});
        actor->CancelWalk(0);
        actor->WalkTo(path);
    }
    ~RoomRig() {
        room.reset();
        TGraphic::SetApplication(nullptr);
        root.GetCanvas().ReleaseDevice();
        TDispDev::Global().Close();
        TFileCtl::SetProfile("");
        std::filesystem::remove_all(folder);
    }
    void Phase(int32_t phase) {
        TEvent e;
        e.SetType(evPaint);
        for (int32_t which = 0; which < 4; ++which)
            TGraphic::SetPaintRect(&e, which, {0, 0, 800, 600});
        TGraphic::SetPaintPhase(&e, phase);
        root.HandleEvent(nullptr, &e);
    }
    // One walking step and a repaint of the whole room.
    void Repaint() {
        TEvent tick;
        tick.SetType(evTick);
        tick.data[0] = 101;
        actor->AnimTimer().HandleEvent(nullptr, &tick);
        if (!actor->GetWalker()) Walk();
        room->Invalidate(true);
        for (int32_t i = 0; i < room->ElementCount(); ++i)
            room->ElementAt(i)->Invalidate(true);
        Phase(TGraphic::phLayout);
        Phase(TGraphic::phFlush);
        Phase(TGraphic::phPaint);
    }

    // The display's pixels, row by row.
    static const GdlDeviceContext* Frame() { return GDL_liveDC(TDispDev::Global().GetContext()); }
    // Where the sky's two copies start: the room draws them a picture's
    // width apart from the sky's phase on.
    int SkyOffset() {
        int offset = FloatToInt32(room->GetSky().GetTopSpeed() * room->GetSky().GetPhase()) % 800;
        return offset < 0 ? offset + 800 : offset;
    }

    std::filesystem::path folder;
    // What lies behind the room, as in the game: a see-through panel that
    // paints nothing (the game's world over its application, both hollow).
    TPanel root;
    std::unique_ptr<TRoom> room;
    TActor* actor = nullptr;
};

// The world's silent stand-in, with the filter as asked and no sound.
class BenchGame : public SilentGame {
public:
    explicit BenchGame(int32_t on) : on_(on) {}
    int32_t Filtering() override { return on_; }
    int32_t MusicVolume() override { return 0; }
    int32_t SoundVolume() override { return 0; }

private:
    int32_t on_;
};

// What SDL needs of our frame to compose the same one, and our frame itself.
struct OurFrame {
    int skyOffset = 0;
    SDL_Rect actor{0, 0, 0, 0};
    std::vector<uint16_t> pixels; // 800 x 600
    bool drew = false;
};

// Repaints the rig twice, the second time over a scribbled frame, and keeps
// what it drew (with drew false when the repaint left the scribble).
OurFrame Capture(RoomRig& rig) {
    rig.Repaint();
    const GdlDeviceContext* d = RoomRig::Frame();
    const size_t pitch = size_t(d->mode.bytesPerLine);
    std::memset(d->surface, 0x55, pitch * 600);
    rig.Repaint();
    OurFrame f;
    f.skyOffset = rig.SkyOffset();
    TRectArea a;
    rig.actor->GetScreenRect(a);
    f.actor = {a.left, a.top, a.right - a.left, a.bottom - a.top};
    f.pixels.resize(800 * 600);
    for (int y = 0; y < 600; ++y)
        std::memcpy(&f.pixels[size_t(y) * 800], d->surface + size_t(y) * pitch, 800 * 2);
    f.drew = f.pixels[100 * 800 + 100] != 0x5555;
    return f;
}

void RoomRepaint(benchmark::State& state, int32_t filtering, int objects = kObjects,
                 bool small = false) {
    BenchGame game(filtering);
    SetGameServices(&game);
    {
        RoomRig rig(objects, small);
        if (!Capture(rig).drew) state.SkipWithError("the repaint drew nothing");
        for (auto _ : state)
            rig.Repaint();
    }
    SetGameServices(nullptr);
}

void BM_RoomRepaint(benchmark::State& state) {
    RoomRepaint(state, 0);
}
BENCHMARK(BM_RoomRepaint)->Repetitions(kRuns);

void BM_RoomRepaintFiltered(benchmark::State& state) {
    RoomRepaint(state, 1);
}
BENCHMARK(BM_RoomRepaintFiltered)->Repetitions(kRuns);

SDL_Surface* SdlPicture(const tools::RgbaImage& im, bool keyed) {
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, im.width, im.height, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            const uint8_t* p = &im.rgba[(size_t(y) * im.width + x) * 4];
            bool nudged = false;
            const uint16_t v = p[3] >= 128 ? tools::RlaPixel565(p[0], p[1], p[2], &nudged) : 0x07E0;
            std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch + 2 * x, &v, 2);
        }
    if (keyed) {
        SDL_SetColorKey(s, SDL_TRUE, 0x07E0);
        SDL_SetSurfaceRLE(s, 1);
    }
    return s;
}

// How SDL brings the actor to its size on screen.
enum class ActorWay {
    kKeyedTemporary, // nearest stretch into a plain keyed temporary, keyed blit
    kRleTemporary,   // the same into an RLE temporary, encoded again each frame
    kBlitScaled,     // SDL_BlitScaled of the keyed picture
};

// SDL's composition of the frame our room draws: the layers made once.
struct SdlRoom {
    SDL_Surface* sky;
    SDL_Surface* back;
    SDL_Surface* object;
    SDL_Surface* actor;
    SDL_Surface* scaled = nullptr;
    SDL_Surface* screen;
    std::vector<uint16_t> pixels = std::vector<uint16_t>(800 * 600);
    int objects;
    bool small;
    ActorWay way;
    OurFrame ours;

    SdlRoom(int objects, bool small, ActorWay way, OurFrame frame)
        : objects(objects), small(small), way(way), ours(std::move(frame)) {
        const Scene& s = TheScene();
        sky = SdlPicture(s.sky, false);
        back = SdlPicture(s.back, true);
        object = SdlPicture(small ? s.small : s.object, true);
        actor = SdlPicture(s.actor, way == ActorWay::kBlitScaled);
        if (way != ActorWay::kBlitScaled) {
            scaled = SDL_CreateRGBSurfaceWithFormat(0, ours.actor.w, ours.actor.h, 16,
                                                    SDL_PIXELFORMAT_RGB565);
            SDL_SetColorKey(scaled, SDL_TRUE, 0x07E0);
            if (way == ActorWay::kRleTemporary) SDL_SetSurfaceRLE(scaled, 1);
        }
        screen = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 800, 600, 16, 800 * 2,
                                                    SDL_PIXELFORMAT_RGB565);
    }
    ~SdlRoom() {
        for (SDL_Surface* surface : {sky, back, object, actor, scaled, screen})
            if (surface) SDL_FreeSurface(surface);
    }
    // The sky only above the background's opaque rows, as the room draws
    // it: the rows below are covered at once.
    void Compose() {
        const SDL_Rect skyPart{0, 0, 800, kBackTop};
        SDL_Rect a{ours.skyOffset - 800, 0, 800, kBackTop}, b{ours.skyOffset, 0, 800, kBackTop};
        SDL_BlitSurface(sky, &skyPart, screen, &a);
        SDL_BlitSurface(sky, &skyPart, screen, &b);
        SDL_Rect full{0, 0, 800, 600};
        SDL_BlitSurface(back, nullptr, screen, &full);
        for (int i = 0; i < objects; ++i) {
            const Placement p = ObjectAt(i, small);
            SDL_Rect at{p.x, p.y, object->w, object->h};
            SDL_BlitSurface(object, nullptr, screen, &at);
        }
        SDL_Rect at = ours.actor;
        if (way == ActorWay::kBlitScaled) {
            SDL_BlitScaled(actor, nullptr, screen, &at);
            return;
        }
        SDL_SoftStretch(actor, nullptr, scaled, nullptr);
        SDL_BlitSurface(scaled, nullptr, screen, &at);
    }
};

// SDL composing the frame of a room like ours; a like-for-like way must give
// our frame (filtering off) exactly, checked before the timing.
void SdlCompose(benchmark::State& state, ActorWay way, int objects = kObjects, bool small = false) {
    BenchGame game(0);
    SetGameServices(&game);
    OurFrame ours;
    {
        RoomRig rig(objects, small);
        ours = Capture(rig);
    }
    SetGameServices(nullptr);
    SdlRoom sdl(objects, small, way, std::move(ours));
    sdl.Compose(); // encodes the RLE once
    if (way == ActorWay::kKeyedTemporary && sdl.pixels != sdl.ours.pixels) {
        int n = 0, l = 9999, t = 9999, r = -1, b = -1;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if (sdl.pixels[y * 800 + x] != sdl.ours.pixels[y * 800 + x]) {
                    if (!n)
                        std::fprintf(stderr, "first %d,%d sdl %04x ours %04x\n", x, y,
                                     sdl.pixels[y * 800 + x], sdl.ours.pixels[y * 800 + x]);
                    ++n;
                    l = std::min(l, x);
                    t = std::min(t, y);
                    r = std::max(r, x);
                    b = std::max(b, y);
                }
        std::fprintf(stderr, "DIFF %d px in %d,%d-%d,%d; actor %d,%d %dx%d sky %d\n", n, l, t, r, b,
                     sdl.ours.actor.x, sdl.ours.actor.y, sdl.ours.actor.w, sdl.ours.actor.h,
                     sdl.ours.skyOffset);
        return state.SkipWithError("SDL's frame differs from ours");
    }
    for (auto _ : state)
        sdl.Compose();
}

void BM_SdlRoomKeyed(benchmark::State& state) {
    SdlCompose(state, ActorWay::kKeyedTemporary);
}
BENCHMARK(BM_SdlRoomKeyed)->Repetitions(kRuns);

void BM_SdlRoomRleTemporary(benchmark::State& state) {
    SdlCompose(state, ActorWay::kRleTemporary);
}
BENCHMARK(BM_SdlRoomRleTemporary)->Repetitions(kRuns);

void BM_SdlRoomBlitScaled(benchmark::State& state) {
    SdlCompose(state, ActorWay::kBlitScaled);
}
BENCHMARK(BM_SdlRoomBlitScaled)->Repetitions(kRuns);

// --- Growth with the number of objects ------------------------------------------------

void RoomObjects(benchmark::State& state, int objects) {
    RoomRepaint(state, 0, objects, true);
}

void SdlRoomObjects(benchmark::State& state, int objects) {
    SdlCompose(state, ActorWay::kKeyedTemporary, objects, true);
}

BENCHMARK_CAPTURE(RoomObjects, 1, 1)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlRoomObjects, 1, 1)->Repetitions(kRuns);
BENCHMARK_CAPTURE(RoomObjects, 10, 10)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlRoomObjects, 10, 10)->Repetitions(kRuns);
BENCHMARK_CAPTURE(RoomObjects, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlRoomObjects, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(RoomObjects, 1000, 1000)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlRoomObjects, 1000, 1000)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    const char* rle = "yardstick: SDL's RLE temporary, encoded each frame";
    const char* scaled = "yardstick: SDL_BlitScaled, no RLE";
    return RunWithRatios(
        argc, argv,
        {{"BM_RoomRepaint", "BM_SdlRoomKeyed", "like for like, filtering off"},
         {"BM_RoomRepaintFiltered", "BM_SdlRoomKeyed", "filtering on: we smooth, SDL does not"},
         {"BM_RoomRepaint", "BM_SdlRoomRleTemporary", rle},
         {"BM_RoomRepaint", "BM_SdlRoomBlitScaled", scaled},
         {"RoomObjects/1", "SdlRoomObjects/1", "1 object, like for like"},
         {"RoomObjects/10", "SdlRoomObjects/10", "10 objects, like for like"},
         {"RoomObjects/100", "SdlRoomObjects/100", "100 objects, like for like"},
         {"RoomObjects/1000", "SdlRoomObjects/1000", "1000 objects, like for like"}});
}
