// The application object checked rule by rule on the memory host and the
// virtual clock: built state, program paths, configuration keys, routing of
// moves, keys, focus and close requests, frame pacing against extended
// precision, the frame count, capture keys, error reports, the display's
// resume callback, and what Start and Stop leave behind.
#include "AppFixture.h"
#include "UiFixture.h"

#include "drawing/TFontList.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "foundation/TMMTimer.h"
#include "gdl/dc.h"
#include "media/animation/TCapture.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/TSndDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using uitest::KeyChild;

std::string Text(const TString& s) {
    return s.c_str() ? s.c_str() : "";
}

// The application with its hooks counted.
struct ProbeApp : TWinApp {
    void OnAppMouseEnter(TEvent* e) override {
        ++enters;
        TWinApp::OnAppMouseEnter(e);
    }
    void OnAppMouseLeave(TEvent* e) override {
        ++leaves;
        TWinApp::OnAppMouseLeave(e);
    }
    void OnKeyDown(TEvent* e) override {
        if (e) ownKeys += char('0' + e->passState);
        TWinApp::OnKeyDown(e);
    }
    void ReadConfig() override {
        ++configReads;
        TWinApp::ReadConfig();
    }
    void Draw() override {
        ++draws;
        TWinApp::Draw();
    }
    bool AskUser(const char* text) override {
        soundDuringBox = (TSndDev::Global().Flags() & TComp::kEnabled) != 0;
        levelDuringBox = TError::Level();
        return TWinApp::AskUser(text);
    }
    int enters = 0, leaves = 0, configReads = 0, draws = 0;
    std::string ownKeys;
    bool soundDuringBox = true;
    int32_t levelDuringBox = 0;
};

class AppCheck : public uitest::AppTest<ProbeApp> {
protected:
    void OpenWindowed() {
        display.SetDriverFlags(TDispDev::fWindowed);
        display.SetMode(320, 200, 16);
        ASSERT_TRUE(display.Open());
    }
    void Shown() {
        app.SetVisible(true);
        app.SetEnabled(true);
    }
};

TEST(AppCheckBuilt, BuiltStateAndRegistration) {
    TRectArea r;
    {
        TWinApp app;
        struct Rule {
            const char* what;
            int64_t got, want;
        };
        const Rule rules[] = {
            {"inside", app.IsInside(), 1}, // before a layout clears it
            {"Freq", app.GetFreq(), 18},
            {"FrameRate", app.GetFrameRate(), 0},
            {"display option", app.GetDisplayOption(), 0},
            {"bounds", app.GetBounds(r) == TRectArea{0, 0, 640, 480}, 1},
            {"style", app.GetStyle(), 55},
            {"frame style", app.GetFrameStyle(), 0},
            {"transparent", app.IsTransparent(), 1},
            {"border width", app.GetBorderWidth(), 0},
            {"started", app.IsStarted(), 0},
            {"capture", app.GetUseCapture(), 0},
            {"frames per second", app.GetFramesPerSecond(), 0},
            {"next frame time", app.GetNextFrameTime(), 0},
            {"the application", TWinApp::GetApp() == &app, 1},
            {"tree's application", TGraphic::GetApplication() == &app, 1},
            {"hint window", TWinApp::GetHintWindow() == nullptr, 1},
            {"error dialog depth", TWinApp::ErrorDialogDepth(), 0},
            {"reserved query", app.ReservedQuery(7), 0},
        };
        for (const Rule& rule : rules)
            EXPECT_EQ(rule.got, rule.want) << rule.what;
        TWinForm hint;
        TWinApp::SetHintWindow(&hint);
        EXPECT_EQ(TWinApp::GetHintWindow(), &hint);
        TWinApp::SetHintWindow(nullptr);
    }
    EXPECT_EQ(TWinApp::GetApp(), nullptr);
}

TEST_F(AppCheck, ProgramPathsSplitOnBothSeparators) {
    struct Case {
        const char* path;
        const char* folder;
        const char* file;
    };
    const Case cases[] = {
        {"C:\\Games\\adv.exe", "C:\\Games\\", "adv.exe"},
        {"C:adv.exe", "C:", "adv.exe"},
        {"adv", "", "adv"},
        {"/opt/a.b/run", "/opt/a.b/", "run"},
        {"a/b\\c.tar.gz", "a/b\\", "c.tar.gz"},
        {"/x/.hidden", "/x/", ".hidden"},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) {
        app.SetPaths(c.path);
        const std::string folder = c.folder, file = c.file;
        EXPECT_EQ(Text(app.GetProgramFolder()), folder) << folder;
        EXPECT_EQ(Text(app.GetProgramFileName()), file) << folder;
        EXPECT_EQ(Text(app.GetProgramPath()), folder + file) << folder;
        EXPECT_EQ(Text(app.GetProtocolPath()), folder + "error.log") << folder;
        EXPECT_EQ(std::string(TFileCtl::GetRootPath()), folder) << folder;
        EXPECT_EQ(std::string(TFileCtl::GetProfile()), folder + "resource.ini") << folder;
    }
}

// Only ':' or '\' make a resource file name stand on its own.
TEST_F(AppCheck, ResourceFileNamesRelativeToTheProgramFolder) {
    app.SetPaths("/p/adv");
    struct Case {
        const char* name;
        const char* profile;
    };
    const Case cases[] = {
        {"res.ini", "/p/res.ini"},
        {"d:res.ini", "d:res.ini"},
        {"sub\\res.ini", "sub\\res.ini"},
        {"sub/res.ini", "/p/sub/res.ini"},
    };
    for (const Case& c : cases) {
        app.SetResourceFile(c.name);
        EXPECT_EQ(std::string(TFileCtl::GetProfile()), c.profile) << c.name;
    }
}

TEST_F(AppCheck, CaptionAndDisplayOption) {
    OpenWindowed();
    app.SetCaption("My Game");
    EXPECT_EQ(Text(app.GetTitle()), "My Game");
    char text[64] = {};
    GetWindowTextA(display.GetWindow(), text, sizeof text);
    EXPECT_EQ(std::string(text), "My Game");
    app.SetDisplayOption(0x55);
    EXPECT_EQ(app.GetDisplayOption(), 0x55u);
}

// Booleans: "1", "TRUE" or "YES" in any case; anything else is false.
TEST_F(AppCheck, BooleanKeysOfTheConfiguration) {
    struct Case {
        const char* text;
        bool on;
    };
    const Case cases[] = {{"1", true},   {"TRUE", true}, {"true", true}, {"Yes", true},
                          {"yEs", true}, {"0", false},   {"no", false},  {"on", false},
                          {"2", false},  {"", false}};
    for (const Case& c : cases) {
        WriteConfig(std::string("[Display]\nuseWindowed=") + c.text + "\n");
        app.ReadConfig();
        EXPECT_EQ(display.GetDriverFlags(), c.on ? 0x200u : 0u) << c.text;
    }
}

// Numbers and sections: what a key changes, and what its absence keeps.
TEST_F(AppCheck, TimerCursorAndFrameRateKeys) {
    struct Case {
        const char* config;
        int32_t freq, frameRate, mtCursor;
    };
    const Case cases[] = {
        {"[Timer]\nFreq=30\n", 30, 0, 1},
        {"[Timer]\nFreq=\n", 18, 0, 1},
        {"[Timer]\nFreq=abc\n", 0, 0, 1}, // the value reader reads any item
        {"[Display]\nFrameRate=60\n", 18, 60, 1},
        {"[Display]\nFrameRate=x\n", 18, 0, 1},
        {"[Cursor]\nCursorThreadSleepTime=7\nuseMTCursor=yes\n", 18, 0, 1},
        {"[Cursor]\nCursorThreadSleepTime=7\n", 18, 0, 0}, // missing: off
    };
    for (const Case& c : cases) {
        TWinApp fresh;
        fresh.SetPaths((dir.Path() / "adv").c_str());
        TCursDev::Global().SetMTCursor(1);
        WriteConfig(c.config);
        fresh.ReadConfig();
        EXPECT_EQ(fresh.GetFreq(), c.freq) << c.config;
        EXPECT_EQ(fresh.GetFrameRate(), c.frameRate) << c.config;
        EXPECT_EQ(TCursDev::Global().GetMTCursor() != 0, c.mtCursor != 0) << c.config;
        TCursDev::Global().SetMTCursor(0);
    }
    // A Freq read before the start starts no tick.
    WriteConfig("[Timer]\nFreq=40\n");
    app.ReadConfig();
    EXPECT_EQ(TEventMgr::Global().TimerMs(), 0);
    TGraphic::SetApplication(&app);
}

// The display mode: without the section nothing changes; with it the mode is
// set again (changed or not) and the application takes its size.
TEST_F(AppCheck, ResolutionAndColourDepth) {
    struct Case {
        const char* config;
        int32_t width, height, depth;
        TRectArea bounds;
    };
    const Case cases[] = {
        {"[Timer]\nFreq=18\n", 640, 480, 8, {5, 6, 105, 56}},
        {"[Display]\nFrameRate=1\n", 640, 480, 8, {0, 0, 640, 480}},
        {"[Display]\nResolution=800,600\n", 800, 600, 8, {0, 0, 800, 600}},
        {"[Display]\nColorDepth=16\n", 640, 480, 16, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        display.SetMode(640, 480, 8);
        app.SetRect(5, 6, 100, 50);
        WriteConfig(c.config);
        app.ReadConfig();
        int32_t w = 0, h = 0, d = 0;
        display.GetMode(&w, &h, &d);
        EXPECT_EQ(w, c.width) << c.config;
        EXPECT_EQ(h, c.height) << c.config;
        EXPECT_EQ(d, c.depth) << c.config;
        TRectArea r;
        EXPECT_TRUE(app.GetBounds(r) == c.bounds) << c.config;
    }
}

TEST_F(AppCheck, SoundAndColourAdjustKeys) {
    struct Case {
        const char* config;
        uint32_t outputs;
        int32_t autoAdjust;
    };
    const Case cases[] = {
        {"[Sound]\nuseWaveOut=1\n", 1, 1},
        {"[Sound]\nuseWaveOut=1\nuseDirectSound=1\n", 3, 1},
        {"[Sound]\n", 0, 1},          // both false: still handed on
        {"[Timer]\nFreq=18\n", 9, 1}, // no section: kept
        {"[Display]\n", 9, 0},        // the key missing in the section: off
        {"[Display]\nAutoColorAdjust=yes\n", 9, 1},
    };
    for (const Case& c : cases) {
        TSndDev::Global().SetOutputFlags(9);
        TGraphic::SetDefaultAutoColorAdjust(1);
        WriteConfig(c.config);
        app.ReadConfig();
        EXPECT_EQ(TSndDev::Global().GetOutputFlags(), c.outputs) << c.config;
        EXPECT_EQ(TGraphic::GetDefaultAutoColorAdjust(), c.autoAdjust) << c.config;
    }
    TSndDev::Global().SetOutputFlags(0);
}

TEST_F(AppCheck, CaptureKeys) {
    struct Case {
        const char* config;
        bool use;
        float interval;
        const char* name;
    };
    const Case cases[] = {
        {"[Capture]\nuseCapture=1\nCaptureInterval=250\n", true, 250.0f, ""},
        {"[Capture]\nuseCapture=1\nCaptureInterval=\n", true, 100.0f, ""},
        {"[Capture]\nuseCapture=1\nCaptureInterval=abc\n", true, 0.0f, ""},
        {"[Capture]\nuseCapture=1\nCaptureFileName=cap\n", true, -1.0f, "cap"},
        {"[Capture]\nuseCapture=0\nCaptureInterval=250\nCaptureFileName=cap\n", false, -1.0f, ""},
    };
    for (const Case& c : cases) {
        TWinApp fresh;
        fresh.SetPaths((dir.Path() / "adv").c_str());
        const float before = fresh.GetCaptureTimerInterval();
        WriteConfig(c.config);
        fresh.ReadConfig();
        EXPECT_EQ(fresh.GetUseCapture(), c.use) << c.config;
        EXPECT_EQ(fresh.GetCaptureTimerInterval(), c.interval < 0 ? before : c.interval)
            << c.config;
        EXPECT_EQ(Text(fresh.GetCaptureFileName()), c.name) << c.config;
    }
    // Once on, a later "off" leaves the flag as it was.
    WriteConfig("[Capture]\nuseCapture=1\n");
    app.ReadConfig();
    WriteConfig("[Capture]\nuseCapture=0\n");
    app.ReadConfig();
    EXPECT_TRUE(app.GetUseCapture());
    TGraphic::SetApplication(&app);
}

// Moves with the hover bit: enter and leave are told once per crossing.
TEST_F(AppCheck, HoverOfTheApplication) {
    app.SetScreenRect({0, 0, 640, 480});
    app.SetVisibleRect({0, 0, 640, 480});
    struct Step {
        int32_t x;
        int enters, leaves;
    };
    const Step steps[] = {{10, 0, 0}, {700, 0, 1}, {800, 0, 1}, {5, 1, 1}, {6, 1, 1}};
    for (const Step& s : steps) {
        TEvent move;
        move.SetType(evMouseMove);
        move.record.x = s.x;
        move.record.y = 10;
        app.HandleEvent(nullptr, &move);
        EXPECT_EQ(app.enters, s.enters) << s.x;
        EXPECT_EQ(app.leaves, s.leaves) << s.x;
    }
    app.SetStyle(55 & ~TControl::stTrackHover);
    TEvent move;
    move.SetType(evMouseMove);
    move.record.x = 900;
    app.HandleEvent(nullptr, &move);
    EXPECT_EQ(app.leaves, 1);
}

TEST_F(AppCheck, CloseRequestsAndLogOffQueries) {
    struct Keeper : TWinApp {
        void OnCloseRequest(TEvent*) override { ++asked; }
        void OnQueryEndSession(TEvent*) override { ++asked; }
        int asked = 0;
    };
    for (int32_t type : {evQuit, evQueryEnd}) {
        Shown();
        TEvent e;
        e.SetType(type);
        EXPECT_FALSE(app.HandleEvent(nullptr, &e)) << type;
        EXPECT_FALSE(app.IsEnabled()) << type;
        Keeper keeper;
        keeper.SetVisible(true);
        keeper.SetEnabled(true);
        EXPECT_TRUE(keeper.HandleEvent(nullptr, &e)) << type; // still enabled: taken
        EXPECT_EQ(keeper.asked, 1);
    }
    EXPECT_FALSE(app.HandleEvent(nullptr, nullptr));
    TGraphic::SetApplication(&app);
}

// The application's passes do not ask for the focus and always start with
// the first pass.
TEST_F(AppCheck, KeyPassesOfTheApplication) {
    struct Case {
        const char* what;
        bool visible;
        int32_t frontAnswer;
        bool result;
        const char *front, *back, *own;
    };
    const std::vector<Case> cases = {
        {"nobody takes it", true, 0, false, "12", "12", "3"},
        {"front child takes it", true, 3, false, "12", "2", "3"},
        {"front child consumes", true, 4, true, "1", "", ""},
        {"hidden", false, 0, false, "", "", ""},
    };
    for (const Case& c : cases) {
        app.ownKeys.clear();
        app.SetVisible(c.visible);
        app.SetEnabled(true);
        KeyChild back, front;
        back.TControl::Show(&app);
        front.TControl::Show(&app);
        front.answer = c.frontAnswer;
        TEvent key;
        key.SetType(evKeyDown);
        key.data[TControl::kwKey] = 0x1E61;
        key.passState = TControl::psFirst;
        EXPECT_EQ(app.HandleEvent(nullptr, &key), c.result) << c.what;
        EXPECT_EQ(front.passes, c.front) << c.what;
        EXPECT_EQ(back.passes, c.back) << c.what;
        EXPECT_EQ(app.ownKeys, c.own) << c.what;
        back.Detach();
        front.Detach();
    }
}

TEST_F(AppCheck, FocusRoutingOfTheApplication) {
    struct Form : TFocusCtl {};
    Form first, second;
    Shown();
    for (Form* f : {&second, &first}) {
        f->TControl::Show(static_cast<TControl*>(&app));
        f->SetVisible(true);
        f->SetEnabled(true);
    }
    auto request = [](const void* target, int32_t mode, int32_t kind, int32_t done = 0) {
        TEvent r;
        r.SetType(evFocus);
        r.target = reinterpret_cast<uintptr_t>(target);
        r.data[TControl::fwMode] = mode;
        r.data[TControl::fwKind] = kind;
        r.data[TControl::fwDone] = done;
        r.data[TControl::fwDirection] = 1;
        return r;
    };
    struct Case {
        const char* what;
        TEvent r;
        bool result;
        int32_t done;
        TFocusCtl* focused;
    };
    Case cases[] = {
        {"itself, kind 0", request(&app, 3, 0), true, 1, nullptr},
        {"itself, kind 2", request(&app, 3, 2), false, 0, nullptr},
        {"done", request(&first, 3, 1, 1), false, 1, nullptr},
        {"null target", request(nullptr, 3, 1), false, 0, nullptr},
        {"a form", request(&second, 3, 1), true, 1, &second},
        // "Next after the back form" wraps round to the front one.
        {"next after first", request(&first, 0, 1), true, 1, &second},
    };
    for (Case& c : cases) {
        EXPECT_EQ(app.HandleEvent(nullptr, &c.r), c.result) << c.what;
        EXPECT_EQ(c.r.data[TControl::fwDone], c.done) << c.what;
        if (c.focused) {
            EXPECT_TRUE(c.focused->IsFocused()) << c.what;
            EXPECT_EQ(int(first.IsFocused()) + int(second.IsFocused()), 1) << c.what;
        }
        EXPECT_FALSE(app.IsFocused()) << c.what;
    }
    // Hidden: nothing.
    app.SetVisible(false);
    TEvent r = request(&first, 3, 1);
    EXPECT_FALSE(app.HandleEvent(nullptr, &r));
    first.Detach();
    second.Detach();
}

// The advance and the due test in double give what extended precision gives
// for every frame rate the configuration can reasonably ask for.
TEST(AppCheckPacing, DoubleMatchesExtendedPrecision) {
    const long double r = static_cast<long double>(0.001f);
    EXPECT_EQ(TWinApp::ClockResolution(), static_cast<double>(0.001f));
    for (int32_t rate = 1; rate <= 1000; ++rate) {
        const int32_t step = static_cast<int32_t>(std::truncl(1.0L / (r * rate)));
        ASSERT_EQ(TWinApp::FrameStep(rate), step) << rate;
        // The first due difference, found in extended precision.
        int32_t due = 0;
        while (!(r * due > 1.0L / rate))
            ++due;
        ASSERT_FALSE(TWinApp::FrameDue(due - 1, 0, rate)) << rate;
        ASSERT_TRUE(TWinApp::FrameDue(due, 0, rate)) << rate;
        // The difference wraps as a signed 32-bit number.
        ASSERT_TRUE(TWinApp::FrameDue(INT32_MIN + (due - 1), INT32_MAX, rate)) << rate;
        ASSERT_FALSE(TWinApp::FrameDue(INT32_MAX, INT32_MIN, rate)) << rate;
    }
}

// One hundred milliseconds between frames: at 1000 ms the window is just
// above one second and the count gives 99 (ten frames over 1.00000005 s).
TEST_F(AppCheck, FramesPerSecondAreMeasuredOverMoreThanOneSecond) {
    HiTimer_start();
    app.SetVisible(false); // counted, not painted
    std::vector<int32_t> fps;
    for (int32_t i = 1; i <= 20; ++i) {
        platform::ClockAdvance(100);
        TEvent frame;
        frame.SetType(evPaint);
        EXPECT_TRUE(app.OnFrame(&frame));
        fps.push_back(app.GetFramesPerSecond());
    }
    EXPECT_EQ(fps[8], 0);   // 900 ms
    EXPECT_EQ(fps[9], 99);  // 1000 ms
    EXPECT_EQ(fps[18], 99); // 1900 ms: the next window has not ended
    EXPECT_EQ(fps[19], 99); // 2000 ms: ten more frames
    EXPECT_EQ(app.draws, 0);
    EXPECT_FALSE(app.OnFrame(nullptr));
}

// A shown application moves to the display's screen rectangle, paints, and
// presents a changed frame; an unchanged one is not presented.
TEST_F(AppCheck, FramePaintsAndPresentsOnlyChanges) {
    // Dirty-rectangle tracking: a frame without changes is not presented.
    display.SetDriverFlags(TDispDev::fWindowed | TDispDev::fDirtyRect);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    app.Open(nullptr);
    Shown();
    app.SetTransparent(0); // a hollow application would draw nothing
    app.SetRect(30, 40, 320, 200);
    HiTimer_start();
    TEvent frame;
    frame.SetType(evPaint);
    EXPECT_TRUE(app.OnFrame(&frame));
    TRectArea screen;
    display.GetScreenRect(&screen);
    EXPECT_EQ(app.GetX(), screen.left);
    EXPECT_EQ(app.GetY(), screen.top);
    EXPECT_EQ(app.draws, 1);
    EXPECT_FALSE(TDirtyRects::IsChanged());
    TEvent again;
    again.SetType(evPaint);
    EXPECT_TRUE(app.OnFrame(&again));
    EXPECT_EQ(app.draws, 1);
    app.Close();
}

// Alt is 0x40 from the library, 0x100 as the second bit of the mask.
TEST_F(AppCheck, CaptureKeysNeedAlt) {
    struct Case {
        uint16_t key;
        uint32_t modifiers;
        bool consumed;
    };
    const Case cases[] = {
        {kKeyF11, 0x40, true},  {kKeyF12, 0x100, true},        {kKeyF12, 0x140, true},
        {kKeyF12, 0x20, false}, {kKeyF12 | 0x41, 0x40, false}, {0x5900, 0x40, false},
    };
    for (const Case& c : cases) {
        TEvent e;
        e.SetType(evKeyDown);
        e.data[TControl::kwKey] = c.key;
        e.record.modifiers = c.modifiers;
        e.passState = TControl::psTaken;
        app.OnKeyDown(&e);
        EXPECT_EQ(e.passState == TControl::psConsumed, c.consumed) << c.key << "/" << c.modifiers;
    }
    app.OnKeyDown(nullptr); // nothing
}

// The error callback: sound off while the box is up and back as it was,
// the handler's level one lower during the callback, the protocol written.
TEST_F(AppCheck, ErrorCallbackAroundTheBox) {
    OpenWindowed();
    TSndDev& sound = TSndDev::Global();
    TError::Raise(9, nullptr, nullptr, "Test", 1);
    for (bool soundOn : {true, false}) {
        sound.SetEnabled(soundOn);
        const int32_t level = TError::Level();
        platform::ClearMessageBoxLog();
        EXPECT_TRUE(app.OnError("ERROR: broken")); // first button: abort
        EXPECT_FALSE(app.soundDuringBox) << soundOn;
        EXPECT_EQ(app.levelDuringBox, level - 1) << soundOn;
        EXPECT_EQ(TError::Level(), level) << soundOn;
        EXPECT_EQ((sound.Flags() & TComp::kEnabled) != 0, soundOn) << soundOn;
        std::vector<platform::BoxRecord> log = platform::MessageBoxLog();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].caption, "Error"); // the box's own title for no caption
        EXPECT_EQ(log[0].type, 0x12u);
    }
    // A shown report is written into the protocol by the callback.
    sound.SetEnabled(false);
    TError::SetCallback(&app, [](void* owner, const char* text) -> int {
        return static_cast<TWinApp*>(owner)->OnError(text) ? 1 : 0;
    });
    TError::Notify(0);
    TError::SetCallback(nullptr, nullptr);
    EXPECT_TRUE(std::filesystem::exists(Text(app.GetProtocolPath())));
}

// Resumed: the screen cleared to black and all of it marked changed.
TEST_F(AppCheck, ResumeClearsTheScreen) {
    OpenWindowed();
    GdlDeviceContext* dc = display.GetContext();
    const GdlDeviceContext* live = GDL_liveDC(dc);
    const int32_t w = live->bounds.right, h = live->bounds.bottom;
    for (int32_t y = 0; y < h; ++y)
        std::memset(live->surface + int64_t(y) * live->mode.bytesPerLine, 0x5A, size_t(w) * 2);
    TDirtyRects::SetChanged(0);
    EXPECT_EQ(TWinApp::OnDisplayMode(dc, 2), 1);
    uint16_t corner = 1, far = 1;
    std::memcpy(&corner, live->surface, 2);
    std::memcpy(&far, live->surface + int64_t(h - 1) * live->mode.bytesPerLine + (w - 1) * 2, 2);
    EXPECT_EQ(corner, 0);
    EXPECT_EQ(far, 0);
    EXPECT_TRUE(TDirtyRects::IsChanged());
    TEventMgr::Global().FlushType(evProperty);
    for (TEvent left; TEventMgr::Global().TakeObjectEvent(&left);) {
    }
}

// Start fills in everything the frame needs; Stop takes it away in turn.
TEST_F(AppCheck, StartAndStopLeaveTheDevicesInStep) {
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n");
    app.Start();
    ASSERT_TRUE(app.IsStarted());
    auto captureChild = [&] {
        bool found = false;
        app.WalkChildren(true, [&](TComp* c) {
            found = found || dynamic_cast<TCapture*>(c) != nullptr;
            return false;
        });
        return found;
    };
    struct Rule {
        const char* what;
        bool got;
    };
    const Rule started[] = {
        {"running", TWinApp::GetRunningApp() == &app},
        {"configuration read through the virtual", app.configReads == 1},
        {"queue on the display window", TEventMgr::Global().Window() == display.GetWindow()},
        {"tick of 1000 / 18", TEventMgr::Global().TimerMs() == 55},
        {"sound opened for the application", TSndDev::Global().GetParent() == &app},
        {"sound enabled", (TSndDev::Global().Flags() & TComp::kEnabled) != 0},
        {"capture timer a child", captureChild()},
        {"fonts listed", TFontList::Global().Count() > 0},
        {"form shown", app.IsShown()},
        {"cursor opened", (TCursDev::Global().DeviceFlags() & TCursDev::dOpened) != 0},
        {"no frames yet", app.GetFramesPerSecond() == 0 && app.GetNextFrameTime() == 0},
    };
    for (const Rule& rule : started)
        EXPECT_TRUE(rule.got) << rule.what;
    // A report now goes through the application's box.
    TError::Raise(9, nullptr, nullptr, "Test", 1);
    platform::ClearMessageBoxLog();
    TError::Notify(0);
    EXPECT_EQ(platform::MessageBoxLog().size(), 1u);
    // The display asks whether the application runs; the end-of-session
    // query reaches it.
    ASSERT_TRUE(DisplayHooks().appRunning);
    EXPECT_FALSE(DisplayHooks().appRunning()); // not enabled before its loop
    Shown();
    EXPECT_TRUE(DisplayHooks().appRunning());
    EXPECT_TRUE(platform::InjectQueryEndSession());
    EXPECT_FALSE(app.IsEnabled());

    app.Stop();
    const Rule stopped[] = {
        {"not started", !app.IsStarted()},
        {"not running", TWinApp::GetRunningApp() == nullptr},
        {"tick stopped", TEventMgr::Global().TimerMs() == 0},
        {"sound closed", TSndDev::Global().GetParent() == nullptr},
        {"sound disabled", (TSndDev::Global().Flags() & TComp::kEnabled) == 0},
        {"fonts emptied", TFontList::Global().Count() == 0},
        {"form closed", !app.IsShown()},
        {"cursor closed", (TCursDev::Global().DeviceFlags() & TCursDev::dOpened) == 0},
        {"display closed", !display.IsOpen()},
        {"hooks cleared", !DisplayHooks().appRunning && !DisplayHooks().appActivation},
        {"protocol written", std::filesystem::exists(Text(app.GetProtocolPath()))},
    };
    for (const Rule& rule : stopped)
        EXPECT_TRUE(rule.got) << rule.what;
}

} // namespace

namespace {

// Start empties the report lists only: the handler's nesting level, taken
// by whoever called Start, stays as it was.
TEST_F(AppCheck, StartClearsTheReportListsAndKeepsTheLevel) {
    TError::Raise(9, nullptr, nullptr, "Test", 1);
    TError::Notify(0); // shown: into the shown list
    TError::Raise(9, nullptr, nullptr, "Test", 2);
    TError::Hold();
    const int32_t level = TError::Level();
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n");
    app.Start();
    EXPECT_EQ(TError::Level(), level);
    EXPECT_EQ(TError::ShownList().Count(), 0);
    EXPECT_EQ(TError::HeldList().Count(), 0);
    EXPECT_FALSE(TError::ErrorsPending());
    TError::Release();
    app.Stop();
}

} // namespace
