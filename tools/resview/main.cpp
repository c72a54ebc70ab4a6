// resview: what the engine makes of named resources. Every KEY is looked up
// in the sections Pictures, Fonts and Cursors of the resource index and
// shown in a 640 x 480 16-bit window: pictures and album frames side by
// side, a line of text in each font, and the cursor (the last one named)
// following the mouse, drawn by the cursor thread with --mt. The window
// stays until it is closed.
//
//   resview [--mt] [--text TEXT] [--png FILE] RESOURCE.INI KEY[:ENTRY[:FRAME]]...
//
// An album shows every frame of every entry, of one entry (KEY:ENTRY) or one
// frame (KEY:ENTRY:FRAME); a pixel font's KEY:ENTRY writes with that
// sub-font. With --png the program runs headless (memory host,
// virtual time), puts the cursor in the middle of the frame, writes the
// frame presented and ends; without a display it shows that one frame
// headless and ends too. Each shown key prints one line; the engine's
// error reports go to stderr, each with the reader's own reason; the exit
// code is 1 when a key was not shown.
#include "CommandLine.h"
#include "DesktopHost.h"
#include "EngineReports.h"
#include "drawing/TCanvas.h"
#include "foundation/TCache.h"
#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TFontRef.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/User.h"
#include "ui/TEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 640, kHeight = 480, kGap = 8;

struct Options {
    bool mt = false;
    std::string text = "The quick brown fox jumps over the lazy dog 0123456789";
    std::string png;
    std::string ini;
    std::vector<std::string> keys;
};

bool Parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mt")
            o->mt = true;
        else if (a == "--text" && i + 1 < argc)
            o->text = argv[++i];
        else if (a == "--png" && i + 1 < argc)
            o->png = argv[++i];
        else if (a.rfind("--", 0) == 0)
            return false;
        else if (o->ini.empty())
            o->ini = a;
        else
            o->keys.push_back(a);
    }
    return !o->ini.empty() && !o->keys.empty();
}

// A key with its album entry and frame (-1: all).
struct Key {
    std::string name;
    int32_t entry = -1, frame = -1;
};

bool ParseKey(const std::string& text, Key* key) {
    const size_t colon = text.find(':');
    key->name = text.substr(0, colon);
    if (key->name.empty()) return false;
    if (colon == std::string::npos) return true;
    const std::string rest = text.substr(colon + 1);
    const size_t second = rest.find(':');
    if (!tools::ParseNumber(rest.substr(0, second), 0, INT32_MAX, &key->entry)) return false;
    return second == std::string::npos ||
           tools::ParseNumber(rest.substr(second + 1), 0, INT32_MAX, &key->frame);
}

// Places shown things left to right, in rows.
struct Layout {
    int32_t x = kGap, y = kGap, rowHeight = 0;
    TRectArea Place(int32_t w, int32_t h) {
        if (x > kGap && x + w > kWidth - kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        const TRectArea r{x, y, x + w, y + h};
        x += w + kGap;
        rowHeight = std::max(rowHeight, h);
        return r;
    }
};

void FlushReports() {
    tools::PrintEngineReports();
    TError::AcknowledgeAll();
}

// The frame everything is drawn into once; it also repaints what the cursor
// leaves, as the region events it receives ask.
class Scene : public TComp {
public:
    bool HandleEvent(TObject*, TEvent* event) override {
        if (event->type != evRegion) return false;
        canvas.Present({int32_t(event->data[0]), int32_t(event->data[1]), int32_t(event->data[2]),
                        int32_t(event->data[3])});
        return true;
    }
    TCanvas canvas;
    Layout layout;
};

bool ShowFrame(Scene* scene, TMetaImg* picture, const Key& key, int32_t entry, int32_t frame) {
    if (!picture->Lock(frame, entry)) return false;
    const auto* bitmap = static_cast<const GdlBitmap*>(picture->GetData());
    const bool ok = bitmap != nullptr;
    if (ok) {
        const TRectArea r = scene->layout.Place(bitmap->width, bitmap->height);
        scene->canvas.PutImage(r.left, r.top, bitmap);
        if (picture->GetKind() == TMetaImg::kAlbum)
            std::printf("album %s entry %d frame %d %dx%d at %d,%d\n", key.name.c_str(), entry,
                        frame, bitmap->width, bitmap->height, r.left, r.top);
        else
            std::printf("picture %s %dx%d at %d,%d\n", key.name.c_str(), bitmap->width,
                        bitmap->height, r.left, r.top);
    }
    picture->Unlock();
    return ok;
}

bool ShowPicture(Scene* scene, const Key& key) {
    TMetaImg picture(key.name.c_str());
    picture.Update();
    if (picture.GetKind() != TMetaImg::kAlbum) return ShowFrame(scene, &picture, key, 0, 0);
    if (!picture.IsLoaded()) return false;
    const int32_t first = key.entry < 0 ? 0 : key.entry;
    const int32_t last = key.entry < 0 ? picture.EntryCount() - 1 : key.entry;
    bool ok = first <= last;
    for (int32_t e = first; e <= last; ++e) {
        const int32_t frames = picture.GetFrameCount(e);
        const int32_t from = key.frame < 0 ? 0 : key.frame;
        const int32_t to = key.frame < 0 ? frames - 1 : key.frame;
        if (from > to) ok = false;
        for (int32_t f = from; f <= to; ++f)
            ok = ShowFrame(scene, &picture, key, e, f) && ok;
    }
    return ok;
}

// One line of text, each character advanced as the font reference says.
bool ShowFont(Scene* scene, const Key& key, const std::string& text) {
    TMetaFnt font(key.name.c_str(), key.entry < 0 ? 0 : key.entry);
    TFontRef ref;
    ref.SetFont(&font);
    if (!ref.Load(0)) {
        ref.Unload();
        return false;
    }
    int32_t width = 0, height = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        width +=
            ref.GetCharAdvance(uint8_t(text[i]), i + 1 < text.size() ? uint8_t(text[i + 1]) : 0);
        height = std::max(height, ref.GetTextHeight(uint8_t(text[i])));
    }
    TRectArea r = scene->layout.Place(std::min(width, kWidth - 2 * kGap), height);
    TCanvas& canvas = scene->canvas;
    canvas.SetFont(&ref);
    GdlDeviceContext* previous = canvas.Select(nullptr);
    int32_t x = r.left;
    for (size_t i = 0; i < text.size(); ++i) {
        canvas.DrawChar(x, r.top, text[i]);
        x += ref.GetCharAdvance(uint8_t(text[i]), i + 1 < text.size() ? uint8_t(text[i + 1]) : 0);
    }
    canvas.Deselect(previous);
    canvas.SetFont(nullptr);
    std::printf("font %s kind %d height %d at %d,%d\n", key.name.c_str(), ref.GetKind(), height,
                r.left, r.top);
    ref.Unload();
    return true;
}

const char* SectionOf(const std::string& name) {
    for (const char* section : {"Pictures", "Fonts", "Cursors"})
        if (TFileCtl::HasKey(section, name.c_str())) return section;
    return nullptr;
}

bool g_running = true;

// Hands mouse moves to the cursor device; false once the window is closed.
bool DrainEvents(TCursDev* cursor, bool mt) {
    TEvent event;
    while (TEventMgr::Global().Translate(&event) && event.type != evNone) {
        if (event.type == evMouseMove && !mt) cursor->SetPos(event.record.x, event.record.y);
        if (event.type == evQuit) {
            g_running = false;
            return false;
        }
    }
    return true;
}

void ShowFrameOnce(TCursDev* cursor) {
    cursor->Move();
    cursor->Draw();
    TDispDev::Global().Present();
    UpdateWindow(TDispDev::Global().GetWindow());
    TDirtyRects::SetChanged(0);
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: resview [--mt] [--text TEXT] [--png FILE] RESOURCE.INI "
                             "KEY[:ENTRY[:FRAME]]...\n");
        return 2;
    }
    bool headless = !options.png.empty();
    if (headless)
        platform::UseHost(platform::HostKind::Memory);
    else
        headless = !tools::OnDesktop("resview", "showing one frame headless");
    if (headless) platform::ClockUseVirtual(true, 0);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::error_code error;
    const std::filesystem::path ini = std::filesystem::absolute(options.ini, error);
    if (!std::filesystem::is_regular_file(ini, error)) {
        std::fprintf(stderr, "resview: cannot read %s\n", options.ini.c_str());
        return 1;
    }
    TFileCtl::SetRootPath(ini.parent_path().string().c_str());
    TFileCtl::SetProfile(ini.string().c_str());
    TCache::Global().Start();

    DisplayHooks().appRunning = [] { return g_running; };
    TDispDev& display = TDispDev::Global();
    display.SetClassName("ResView");
    display.SetTitle("resview");
    display.SetDriverFlags(TDispDev::fWindowed | TDispDev::fDirtyRect);
    display.SetMode(kWidth, kHeight, 16);
    if (!display.Open()) {
        FlushReports();
        std::fprintf(stderr, "resview: the display did not open\n");
        return 1;
    }
    HWND window = display.GetWindow();
    TEventMgr::Global().InitQueue(window);

    auto scene = std::make_unique<Scene>();
    scene->canvas.CreateDevice({0, 0, kWidth, kHeight});
    scene->canvas.SetBackColor(TColor(48, 48, 64));
    scene->canvas.SetForeColor(TColor(255, 255, 255));
    scene->canvas.Clear();
    bool ok = true;
    std::unique_ptr<TMetaCur> cursor;
    for (const std::string& text : options.keys) {
        Key key;
        const bool parsed = ParseKey(text, &key);
        const char* section = parsed ? SectionOf(key.name) : nullptr;
        bool shown = false;
        if (!parsed) {
            std::fprintf(stderr, "resview: %s: ENTRY and FRAME are whole numbers from 0\n",
                         text.c_str());
        } else if (!section) {
            TError::DiscardPending();
            std::fprintf(stderr, "resview: %s is no key of Pictures, Fonts or Cursors\n",
                         key.name.c_str());
        } else if (std::string(section) == "Pictures") {
            shown = ShowPicture(scene.get(), key);
        } else if (std::string(section) == "Fonts") {
            shown = ShowFont(scene.get(), key, options.text);
        } else {
            auto named = std::make_unique<TMetaCur>(key.name.c_str());
            shown = named->Load() != 0;
            if (shown)
                std::printf("cursor %s type %d %dx%d hot spot %d,%d\n", key.name.c_str(),
                            named->GetType(), named->GetCursorWidth(), named->GetCursorHeight(),
                            named->GetHotSpot().x, named->GetHotSpot().y);
            named->Release();
            // A cursor that did not load is not handed to the device, which
            // would only load it again and report it twice.
            if (shown) cursor = std::move(named);
        }
        FlushReports();
        if (section && !shown) std::fprintf(stderr, "resview: %s not shown\n", text.c_str());
        ok = ok && shown;
    }
    scene->canvas.Present({0, 0, kWidth, kHeight});
    TDirtyRects::AddDirtyArea(0, 0, kWidth, kHeight);

    TCursDev& device = TCursDev::Global();
    device.Open(scene.get());
    device.SetCursorRes(cursor.get(), 0);
    device.SetSleepTime(10);
    device.SetMTCursor(options.mt ? 1 : 0);
    // The middle of the frame; the threaded cursor works in screen positions.
    POINT middle{kWidth / 2, kHeight / 2};
    POINT screen = middle;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    device.SetPos(options.mt ? screen.x : middle.x, options.mt ? screen.y : middle.y);
    platform::Frame last;
    if (headless) {
        ShowFrameOnce(&device);
        last = platform::PresentedFrame(window);
    } else {
        while (g_running && DrainEvents(&device, options.mt)) {
            ShowFrameOnce(&device);
            Sleep(16);
        }
    }
    device.SetCursorRes(nullptr, 0);
    device.Close(); // joins the thread
    cursor.reset();
    scene.reset();
    display.Close();
    display.ReleaseLibrary();
    TCache::Global().Stop();
    FlushReports();
    if (!options.png.empty() && !platform::WriteFramePng(last, options.png.c_str())) {
        std::fprintf(stderr, "resview: cannot write %s\n", options.png.c_str());
        return 1;
    }
    return ok ? 0 : 1;
}
