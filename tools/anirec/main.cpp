// anirec: a test harness for the screen capture, not part of the game. It
// opens the engine's 320 x 240 16-bit display in a window, draws a moving
// picture for a few seconds and records it at the same time into
// OUTDIR/capture.dla and OUTDIR/capture.avi, one frame every 100 ms. Each
// frame it hands to the recordings is also written as it was drawn, to
// OUTDIR/drawn/NNNN.pam, so that `aniconv` can show both files match.
//
//   anirec [--seconds N] [--memory] OUTDIR
//
// --memory runs on the memory host in virtual time (the same files on every
// run); without a display it does so anyway.
#include "foundation/TCache.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "gdl/draw.h"
#include "media/animation/TCapture.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/User.h"

#include "CommandLine.h"
#include "DesktopHost.h"
#include "PictureRgb.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int32_t kWidth = 320, kHeight = 240;
constexpr float kInterval = 100.0f;

struct Options {
    long seconds = 3;
    bool memory = false;
    std::string dir;
};

bool Parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            int64_t seconds = 0;
            if (!tools::ParseOptionNumber("anirec", "--seconds", argv[++i], 1, 3600, &seconds))
                return false;
            o->seconds = long(seconds);
        } else if (a == "--memory") {
            o->memory = true;
        } else if (a.rfind("--", 0) == 0 || !o->dir.empty()) {
            return false;
        } else {
            o->dir = a;
        }
    }
    return !o->dir.empty();
}

bool g_running = true;

void Fill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t pixel) {
    GDL_setColor(pixel);
    GDL_fillRect(left, top, right, bottom);
}

// Stripes that scroll and a box that crosses the frame, both moved by time.
void Draw(GdlDeviceContext* dc, uint32_t ms) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    const int32_t shift = static_cast<int32_t>(ms / 25) % 32;
    for (int32_t x = -32; x < kWidth; x += 32)
        Fill(x + shift, 0, x + shift + 16, kHeight, 0x0410 + uint32_t(x & 0x1F));
    for (int32_t x = -32; x < kWidth; x += 32)
        Fill(x + shift + 16, 0, x + shift + 32, kHeight, 0x8010);
    const int32_t box = static_cast<int32_t>(ms / 10) % (kWidth - 48);
    Fill(box, 96, box + 48, 144, 0xFFE0);
    GDL_selectCurrentDC(previous);
    TDirtyRects::AddDirtyArea(0, 0, kWidth, kHeight);
}

bool WriteDrawn(GdlDeviceContext* dc, const std::string& dir, int32_t frame) {
    const GdlDeviceContext* live = GDL_liveDC(dc);
    GdlBitmap b{int32_t(live->mode.maxX) + 1,
                int32_t(live->mode.maxY) + 1,
                int32_t(live->mode.bitsPerPixel),
                int32_t(live->mode.bytesPerLine),
                live->surface,
                nullptr,
                const_cast<GdlPixelFormat*>(&live->format)};
    tools::RgbPicture picture;
    tools::UnpackBitmap(b, &picture);
    const std::vector<uint8_t> pam = tools::WritePam(picture);
    char name[32];
    std::snprintf(name, sizeof name, "/drawn/%04d.pam", frame);
    FILE* f = std::fopen((dir + name).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(pam.data(), 1, pam.size(), f) == pam.size();
    return std::fclose(f) == 0 && ok;
}

void DrainEvents() {
    TEvent event;
    while (TEventMgr::Global().Translate(&event) && event.type != evNone)
        if (event.type == evQuit) g_running = false;
}

void Tick(TCapture* captures, uint32_t ms) {
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = static_cast<int32_t>(ms);
    for (int i = 0; i < 2; ++i)
        captures[i].HandleEvent(nullptr, &tick);
}

int Record(const Options& o, TDispDev& display) {
    TMetaAni films[2];
    TCapture captures[2];
    const char* names[2] = {"/capture.dla", "/capture.avi"};
    Draw(display.GetDrawContext(), 0);
    for (int i = 0; i < 2; ++i) {
        films[i].SetPath((o.dir + names[i]).c_str());
        captures[i].SetDisplay(&display);
        captures[i].SetAnimation(&films[i]);
        captures[i].SetInterval(kInterval);
        if (!captures[i].StartRecording()) {
            std::fprintf(stderr, "anirec: %s%s cannot be recorded\n", o.dir.c_str(), names[i]);
            return 1;
        }
    }
    if (!WriteDrawn(display.GetDrawContext(), o.dir, 0)) return 1;
    const uint32_t start = timeGetTime();
    uint32_t last = start;
    while (g_running && timeGetTime() - start < uint32_t(o.seconds) * 1000) {
        DrainEvents();
        Draw(display.GetDrawContext(), timeGetTime() - start);
        display.Present();
        UpdateWindow(display.GetWindow());
        TDirtyRects::SetChanged(0);
        Sleep(20);
        const uint32_t now = timeGetTime();
        const int32_t before = captures[0].FrameNumber();
        Tick(captures, now - last);
        last = now;
        for (int32_t f = before; f < captures[0].FrameNumber(); ++f)
            if (!WriteDrawn(display.GetDrawContext(), o.dir, f)) return 1;
    }
    for (TCapture& c : captures)
        c.StopRecording();
    std::printf("recorded %d frames into %s%s and %s%s\n", captures[0].FrameNumber(), o.dir.c_str(),
                names[0], o.dir.c_str(), names[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    Options o;
    if (!Parse(argc, argv, &o)) {
        std::fprintf(stderr, "usage: anirec [--seconds N] [--memory] OUTDIR\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(o.dir + "/drawn", error);
    if (error) {
        std::fprintf(stderr, "anirec: cannot make %s/drawn\n", o.dir.c_str());
        return 1;
    }
    if (o.memory) platform::UseHost(platform::HostKind::Memory);
    if (o.memory || !tools::OnDesktop("anirec", "recording headless on virtual time"))
        platform::ClockUseVirtual(true, 0);
    TCache::Global().Start();
    DisplayHooks().appRunning = [] { return g_running; };
    TDispDev& display = TDispDev::Global();
    display.SetClassName("AniRec");
    display.SetTitle("anirec");
    display.SetDriverFlags(TDispDev::fWindowed | TDispDev::fDirtyRect);
    display.SetMode(kWidth, kHeight, 16);
    if (!display.Open()) {
        std::fprintf(stderr, "anirec: the display did not open\n");
        return 1;
    }
    TEventMgr::Global().InitQueue(display.GetWindow());
    const int status = Record(o, display);
    display.Close();
    display.ReleaseLibrary();
    TCache::Global().Stop();
    return status;
}
