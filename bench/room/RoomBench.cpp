// A full repaint of a room through the component tree on the memory host:
// sky, background with a transparent top, five objects and one walking actor
// (Filtering off, then on), beside SDL composing the same layers from the
// same pixels in-process: the sky opaque twice (above the background's opaque
// rows, as the room draws it), the background and objects
// as RLE colour-keyed blits, the actor scaled with SDL_BlitScaled. That last
// call is SDL's slowest path (it drops RLE for a keyed scale), so SDL's
// fastest composition of the same frame is measured too: the actor stretched
// with SDL_SoftStretch into a keyed RLE temporary, then blitted keyed. That
// one is the like-for-like peer. 5:6:5 throughout; the ratios (SDL's time
// over ours) close the run.
#include "../RatioReporter.h"
#include "GameServices.h"
#include "RlaWriter.h"
#include "RoomGlobals.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoom.h"

#include "foundation/TFileCtl.h"
#include "gdl/dc.h"
#include "media/devices/TDispDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TEngine.h"

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

// The room with its files in a temporary folder, on a 800 x 600 memory display.
struct RoomRig {
    RoomRig() {
        platform::SetMemoryDesktop(1024, 768, 16);
        TDispDev& display = TDispDev::Global();
        display.SetClassName("RoomBench");
        display.SetTitle("Room Bench");
        display.SetDriverFlags(0x600);
        display.SetMode(800, 600, 16);
        if (!display.Open()) std::fprintf(stderr, "the display did not open\n");
        folder = std::filesystem::temp_directory_path() / "room_bench";
        const Scene& s = TheScene();
        tools::RlaWriter sky, back, objects, actorFile;
        sky.AddSprite(0, s.sky);
        back.AddSprite(0, s.back);
        objects.AddSprite(0, s.object);
        actorFile.AddSprite(0, s.actor, -40, -200);
        WriteFile(folder / "res/int/all/pictures/Global/LocItem.rla", sky.Finish());
        WriteFile(folder / "res/int/all/pictures/global/ActAni01.RLA", actorFile.Finish());
        WriteFile(folder / "res/b.rla", back.Finish());
        WriteFile(folder / "res/o.rla", objects.Finish());
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
        for (int i = 0; i < kObjects; ++i) {
            auto* o = static_cast<TAnimObject*>(room->CreateElement(0, "o", 0));
            o->SetSource(&room->Objects());
            AnimEntry* e = o->MakeEntry();
            e->group = 0;
            e->x = 40 + 140 * i;
            e->y = 250 + 40 * i;
            o->SetImage(0, 0);
            o->SetPosition({5.0f, 0.0f, 10.0f + float(i)});
        }
        actor = room->ShowActor(1, 1);
        ActorAnimRecord r;
        for (AnimEntry& entry : r.entries)
            entry.group = 0;
        actor->AddAnim(TActor::alWalk, r);
        Walk();
    }
    // From z = 4 (a depth scale of 0.75) on a short stretch, walked again
    // and again so that the actor keeps its size.
    void Walk() {
        actor->SetPosition({5.0f, 0.0f, 4.0f});
        auto* path = new WalkPath;
        path->AddPoint({5.0f, 0.0f, 4.0f});
        path->AddPoint({5.0f, 0.0f, 4.5f});
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

    std::filesystem::path folder;
    TControl root;
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

void RoomRepaint(benchmark::State& state, int32_t filtering) {
    BenchGame game(filtering);
    SetGameServices(&game);
    {
        RoomRig rig;
        rig.Repaint();
        // Proof that a repaint draws: the frame changes when the room is scribbled over.
        const GdlDeviceContext* d = GDL_liveDC(TDispDev::Global().GetContext());
        std::memset(d->surface, 0x55, size_t(d->mode.bytesPerLine) * 600);
        rig.Repaint();
        uint16_t p = 0;
        std::memcpy(&p, d->surface + 100 * d->mode.bytesPerLine + 200, 2);
        if (p == 0x5555) state.SkipWithError("the repaint drew nothing");
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

// The layers SDL composes, made once.
struct SdlLayers {
    SDL_Surface* sky;
    SDL_Surface* back;
    SDL_Surface* object;
    SDL_Surface* screen;
    SdlLayers() {
        const Scene& s = TheScene();
        sky = SdlPicture(s.sky, false);
        back = SdlPicture(s.back, true);
        object = SdlPicture(s.object, true);
        screen = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 16, SDL_PIXELFORMAT_RGB565);
    }
    ~SdlLayers() {
        for (SDL_Surface* surface : {sky, back, object, screen})
            SDL_FreeSurface(surface);
    }
    // Everything but the actor. The sky only above the background's opaque
    // rows, as the room draws it: the rows below are covered at once.
    void Compose() {
        SDL_Rect a{-400, 0, 800, kBackTop}, b{400, 0, 800, kBackTop}, full{0, 0, 800, 600};
        const SDL_Rect skyPart{0, 0, 800, kBackTop};
        SDL_BlitSurface(sky, &skyPart, screen, &a);
        SDL_BlitSurface(sky, &skyPart, screen, &b);
        SDL_BlitSurface(back, nullptr, screen, &full);
        for (int i = 0; i < kObjects; ++i) {
            SDL_Rect at{40 + 140 * i, 250 + 40 * i, 120, 90};
            SDL_BlitSurface(object, nullptr, screen, &at);
        }
    }
};

constexpr SDL_Rect kActorOnScreen{370, 150, 60, 150};

void BM_SdlRoom(benchmark::State& state) {
    SdlLayers layers;
    SDL_Surface* actor = SdlPicture(TheScene().actor, true);
    auto compose = [&] {
        layers.Compose();
        SDL_Rect scaled = kActorOnScreen;
        SDL_BlitScaled(actor, nullptr, layers.screen, &scaled);
    };
    compose(); // encodes the RLE once
    for (auto _ : state)
        compose();
    SDL_FreeSurface(actor);
}
BENCHMARK(BM_SdlRoom)->Repetitions(kRuns);

// SDL's fastest way to the same frame: the actor is stretched into a keyed
// RLE temporary of its size on screen (unlocking it encodes the runs again),
// and the temporary is blitted keyed.
void BM_SdlRoomFastest(benchmark::State& state) {
    SdlLayers layers;
    SDL_Surface* actor = SdlPicture(TheScene().actor, false);
    SDL_Surface* scaled = SDL_CreateRGBSurfaceWithFormat(0, kActorOnScreen.w, kActorOnScreen.h, 16,
                                                         SDL_PIXELFORMAT_RGB565);
    SDL_SetColorKey(scaled, SDL_TRUE, 0x07E0);
    SDL_SetSurfaceRLE(scaled, 1);
    auto compose = [&] {
        layers.Compose();
        SDL_SoftStretch(actor, nullptr, scaled, nullptr);
        SDL_Rect at = kActorOnScreen;
        SDL_BlitSurface(scaled, nullptr, layers.screen, &at);
    };
    compose();
    for (auto _ : state)
        compose();
    SDL_FreeSurface(scaled);
    SDL_FreeSurface(actor);
}
BENCHMARK(BM_SdlRoomFastest)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    const char* slowest = "SDL's slowest path (SDL_BlitScaled)";
    return RunWithRatios(
        argc, argv,
        {{"BM_RoomRepaint", "BM_SdlRoomFastest", "like for like, filtering off"},
         {"BM_RoomRepaintFiltered", "BM_SdlRoomFastest", "like for like, filtering on"},
         {"BM_RoomRepaint", "BM_SdlRoom", slowest},
         {"BM_RoomRepaintFiltered", "BM_SdlRoom", slowest}});
}
