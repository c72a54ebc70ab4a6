// Shared set-up of the room tests: the display open at 800 x 600 and 16 bits
// on the memory host and virtual time, a root control standing in for the
// game world, a recording stand-in for the game, and small writers of the
// room's files.
#pragma once

#include "GameServices.h"
#include "MemoryDesktop.h"
#include "RlaWriter.h"
#include "RoomGlobals.h"
#include "TRoom.h"
#include "TempDir.h"
#include "WorldRandom.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TRef.h"
#include "gdl/dc.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/TSndDev.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace roomtest {

// The game as the world sees it: settable state, and every call the world
// makes written down as one line ("DoAction 5 -1", "Drop", "Unref 7").
class FakeGame : public GameServices {
public:
    int32_t Filtering() override { return filtering; }
    int32_t MusicVolume() override { return 90; }
    int32_t SoundVolume() override { return 80; }
    int32_t ShowZones() override { return showZones; }
    int32_t ShowDebugLabel() override { return 0; }
    bool MenuOpen() override { return menuOpen; }
    bool GetHeldItem(int32_t* reference) override {
        if (heldItem < 0) return false;
        *reference = heldItem;
        return true;
    }
    void DropHeldItem() override {
        log.push_back("Drop");
        heldItem = -1;
    }
    void HoldDragItem(bool on) override { log.push_back(on ? "Hold+" : "Hold-"); }
    void ShowInventory() override { log.push_back("ShowInventory"); }
    bool InventoryVisible() override { return inventoryVisible; }
    bool DialogRunning() override { return dialogRunning; }
    int32_t DialogSpeaker() override { return speaker; }
    void OpenGameMenu() override { log.push_back("OpenGameMenu"); }
    void DoShow() override { log.push_back("DoShow"); }
    void DoTickAction() override { log.push_back("DoTickAction"); }
    const char* HintText(const char*) override { return nullptr; }
    TMetaCur* NamedCursor(const char*) override { return nullptr; }
    void CallGameEvent(const char* name, int32_t r1, int32_t r2) override {
        log.push_back(std::string(name) + " " + std::to_string(r1) + " " + std::to_string(r2));
    }
    void Unref(int32_t& field) override {
        if (field >= 0) log.push_back("Unref " + std::to_string(field));
        field = -1;
    }
    void CallRefOnce(int32_t& field) override {
        if (field < 0) return;
        const int32_t ref = field;
        field = -1;
        log.push_back("Call " + std::to_string(ref));
    }
    void SetTableNumber(int32_t table, const char* field, int32_t value) override {
        log.push_back("Set " + std::to_string(table) + " " + field + "=" + std::to_string(value));
    }
    bool GlobalTableHasField(const char* table, const char* field) override {
        return tablesWithField.count(std::string(table) + "." + field) != 0;
    }

    // The lines that start with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& line : log)
            if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        return out;
    }

    std::vector<std::string> log;
    int32_t filtering = 0;
    int32_t showZones = 0;
    bool menuOpen = false;
    int32_t heldItem = -1;
    bool inventoryVisible = false;
    bool dialogRunning = false;
    int32_t speaker = -1;
    std::set<std::string> tablesWithField;
};

// An image of one colour with a transparent band of `band` rows at the top.
inline tools::RgbaImage Solid(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b,
                              int32_t band = 0) {
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    im.rgba.resize(size_t(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &im.rgba[(size_t(y) * w + x) * 4];
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = y < band ? 0 : 255;
        }
    return im;
}

class RoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop(desktopBits);
        // The engine registers the sound device's focus hook as it builds it:
        // kept, or the device would not hear the display's focus.
        TDispHooks hooks{};
        hooks.soundFocus = DisplayHooks().soundFocus;
        DisplayHooks() = hooks;
        display.SetClassName("RoomTest");
        display.SetTitle("Room Test");
        display.SetDriverFlags(0x600);
        display.SetMode(displayWidth, displayHeight, displayBits);
        ASSERT_TRUE(display.Open());
        root.SetRect(0, 0, 800, 600);
        TGraphic::SetApplication(&root);
        SetGameServices(&game);
        WorldSeed(1);
        InputLocked() = 0;
        OrderDirty() = 0;
        TFileCtl::SetRootPath(dir.Path().string().c_str());
        WriteIndex("");
    }
    void TearDown() override {
        room.reset();
        DrainDeleteLater(); // the room's elements go through the queue
        SetGameServices(nullptr);
        TGraphic::SetApplication(nullptr);
        root.GetCanvas().ReleaseDevice();
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
        TFileCtl::SetProfile("");
        InputLocked() = 0;
    }

    // The resource index: base folder "res", then the given sections.
    void WriteIndex(const std::string& sections) {
        TFileCtl::SetProfile(
            dir.Write("resource.ini", "[Main]\r\nPath=res\r\n" + sections).c_str());
        TFileCtl::ReadBasePath();
    }
    // Writes an RLA file under the base folder.
    void WriteRla(const std::string& name, const tools::RlaWriter& writer) {
        dir.Write("res/" + name, writer.Finish());
    }
    void MakeRoom() {
        room = std::make_unique<TRoom>();
        room->Init(&root);
    }
    // A tick of `ms` milliseconds to one timer.
    static void Tick(TTimer& timer, int32_t ms = 100) {
        TEvent tick;
        tick.SetType(evTick);
        tick.data[0] = ms;
        timer.HandleEvent(nullptr, &tick);
    }
    // A button release at (x, y) offered to an element's own handlers.
    static void Release(TComp& target, int32_t type, int32_t x = 0, int32_t y = 0) {
        TEvent up;
        up.SetType(type);
        up.record.x = x;
        up.record.y = y;
        target.Dispatch(nullptr, &up);
    }
    void Phase(int32_t phase) {
        TEvent e;
        e.SetType(evPaint);
        for (int32_t which = 0; which < 4; ++which)
            TGraphic::SetPaintRect(&e, which, {0, 0, 800, 600});
        TGraphic::SetPaintPhase(&e, phase);
        root.HandleEvent(nullptr, &e);
    }
    void Frame() {
        Phase(TGraphic::phLayout);
        Phase(TGraphic::phFlush);
        Phase(TGraphic::phPaint);
    }
    uint16_t At(int32_t x, int32_t y) {
        const GdlDeviceContext* d = GDL_liveDC(display.GetContext());
        uint16_t v = 0;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * 2, 2);
        return v;
    }

public:
    // The display mode a fixture asks for before SetUp.
    int32_t displayWidth = 800, displayHeight = 600, displayBits = 16, desktopBits = 16;
    TDispDev& display = TDispDev::Global();
    TControl root;
    FakeGame game;
    testsupport::TempDir dir;
    std::unique_ptr<TRoom> room;
};

// The room with the sound device open on the recording sink, on virtual time.
class RoomSoundFixture : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        platform::SetSoundDeviceCount(1);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
        platform::ClockUseVirtual(true, 1000);
        TSndDev::Global().SetOutputFlags(1);
        TSndDev::Global().Attach(nullptr);
        TSndDev::Global().SetEnabled(true);
    }
    void TearDown() override {
        room.reset();
        DrainDeleteLater(); // the room's elements go through the queue
        TSndDev::Global().SetEnabled(false);
        TSndDev::Global().Detach();
        platform::ClockUseVirtual(false);
        RoomTest::TearDown();
    }
};

// The room under a running application whose modal loop moves the virtual
// clock from tick to tick, as a fade needs.
class RoomFadeFixture : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
        TGraphic::SetApplication(&app);
        app.Open(nullptr);
        app.Show();
        TEventMgr::Global().SetTimer(20);
        // The event manager stamps each tick against the last one it saw:
        // one tick goes by before anything is timed.
        TEvent e;
        for (int guard = 0; guard < 100; ++guard) {
            platform::ClockAdvance(20);
            TEventMgr::Global().Translate(&e);
            if (e.type == evTick) break;
        }
    }
    void TearDown() override {
        TEventMgr::Global().SetTimer(0);
        TEvent e;
        while (TEventMgr::Global().TakeObjectEvent(&e)) {
        }
        for (int guard = 0; guard < 2000; ++guard) {
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
        }
        room.reset();
        DrainDeleteLater(); // the room's elements go through the queue
        app.Close();
        display.SetAdjustLevel(256);
        RoomTest::TearDown();
    }
    TWinApp app;
};

} // namespace roomtest
