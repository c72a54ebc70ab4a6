// The application object on the memory host and the virtual clock: its
// configuration file, frame pacing, start and stop, error reports answered
// by the host's box policy, capture keys and the display's suspend callback.

#include "AppFixture.h"
#include "UiFixture.h"
#include "drawing/TFontList.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "foundation/TMMTimer.h"
#include "foundation/TRef.h"
#include "gdl/dc.h"
#include "media/animation/TCapture.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/animation/TMetaAni.h"
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

using App = uitest::AppTest<TWinApp>;

TEST_F(App, SetPathsSplitsTheProgramPathOnBothSeparators) {
    EXPECT_EQ(std::string(app.GetProgramFolder().c_str()), dir.Path().string() + "/");
    EXPECT_EQ(std::string(app.GetProgramFileName().c_str()), "adv");
    EXPECT_EQ(ProtocolPath(), dir.Path().string() + "/error.log");
    EXPECT_EQ(std::string(TFileCtl::GetProfile()), dir.Path().string() + "/resource.ini");
    app.SetPaths("C:\\Games\\Adv\\adv.exe");
    EXPECT_EQ(std::string(app.GetProgramFolder().c_str()), "C:\\Games\\Adv\\");
    EXPECT_EQ(std::string(app.GetProgramPath().c_str()), "C:\\Games\\Adv\\adv.exe");
    EXPECT_EQ(std::string(TFileCtl::GetRootPath()), "C:\\Games\\Adv\\");
    app.SetPaths(nullptr);
    EXPECT_EQ(ProtocolPath(), "error.log");
}

TEST_F(App, EachDisplayKeyAddsItsDriverFlags) {
    struct Flag {
        const char* key;
        uint32_t bits;
    };
    const Flag flags[] = {
        {"useDirectDraw", 0x0001},    {"useFSDirect", 0x003E},      {"useVGA", 0x0002},
        {"useVGAX", 0x0004},          {"useVBE", 0x0008},           {"useLinear", 0x0010},
        {"useVBEAF", 0x0020},         {"useFullscreenDIB", 0x0040}, {"useWaitRetrace", 0x0080},
        {"useDblBuf", 0x0100},        {"useWindowed", 0x0200},      {"useDirtyRect", 0x0400},
        {"useVarColorDepth", 0x0800}, {"useVarSize", 0x1000},       {"allowDirectMode", 0x2000},
    };
    std::string all = "[Display]\n";
    for (const Flag& f : flags) {
        WriteConfig(std::string("[Display]\n") + f.key + "=yes\nuseVGA=0\n");
        app.ReadConfig();
        EXPECT_EQ(display.GetDriverFlags(), f.bits) << f.key;
        all += std::string(f.key) + "=TRUE\n";
    }
    WriteConfig(all);
    app.ReadConfig();
    EXPECT_EQ(display.GetDriverFlags(), 0x3FFFu);
}

TEST_F(App, DisplayModeFrameRateAndTheColourDefaults) {
    WriteConfig("[Display]\nFrameRate=25\nResolution=800,600\nColorDepth=16\n"
                "AutoColorAdjust=no\n[Sound]\nuseDirectSound=1\n[Cursor]\nuseMTCursor=yes\n");
    app.ReadConfig();
    int32_t w = 0, h = 0, depth = 0;
    display.GetMode(&w, &h, &depth);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(depth, 16);
    TRectArea r;
    EXPECT_EQ(app.GetBounds(r).right, 800);
    EXPECT_EQ(app.GetFrameRate(), 25);
    EXPECT_EQ(TGraphic::GetDefaultAutoColorAdjust(), 0);
    EXPECT_EQ(TSndDev::Global().GetOutputFlags(), 2u);
    EXPECT_EQ(TCursDev::Global().GetMTCursor(), 1);
    TCursDev::Global().SetMTCursor(0);
}

TEST_F(App, ColorMapModeTextsCompareExactly) {
    struct Case {
        const char* line;
        int32_t mode;
    };
    const Case cases[] = {
        {"ColorMapMode=Nearest Color\n", 1},   {"ColorMapMode=Ordered Dither\n", 2},
        {"ColorMapMode=Error Diffusion\n", 3}, {"ColorMapMode=nearest color\n", 4},
        {"ColorMapMode=Dither\n", 4},          {"FrameRate=0\n", 2}, // missing: kept
    };
    for (const Case& c : cases) {
        TGraphic::SetDefaultColorMapMode(2);
        WriteConfig(std::string("[Display]\n") + c.line);
        app.ReadConfig();
        EXPECT_EQ(TGraphic::GetDefaultColorMapMode(), c.mode) << c.line;
    }
}

TEST_F(App, CaptureKeysAreReadOnlyWithCaptureOn) {
    WriteConfig("[Capture]\nuseCapture=No\nCaptureInterval=250\nCaptureFileName=cap.avi\n");
    app.ReadConfig();
    EXPECT_FALSE(app.GetUseCapture());
    EXPECT_EQ(app.GetCaptureInterval(), 0);
    WriteConfig("[Capture]\nuseCapture=Yes\nCaptureInterval=250\nCaptureFileName=cap.avi\n");
    app.ReadConfig();
    EXPECT_TRUE(app.GetUseCapture());
    EXPECT_EQ(app.GetCaptureInterval(), 250);
    EXPECT_EQ(std::string(app.GetCaptureFileName().c_str()), "cap.avi");
}

TEST_F(App, AMissingConfigurationChangesNothing) {
    for (const char* index : {"[Config]\nconfig=absent.ini\n", "[Config]\n"}) {
        dir.Write("resource.ini", index);
        app.ReadConfig();
        EXPECT_EQ(app.GetFreq(), 18);
        EXPECT_EQ(app.GetFrameRate(), 0);
        EXPECT_EQ(display.GetDriverFlags(), 0u);
    }
}

TEST_F(App, PacingStepsOneMillisecondShortOfWholePeriods) {
    struct Case {
        int32_t rate;
        int32_t step;
    };
    const Case cases[] = {{25, 39}, {30, 33}, {60, 16}, {20, 49}, {50, 19}, {10, 99}, {7, 142}};
    for (const Case& c : cases)
        EXPECT_EQ(TWinApp::FrameStep(c.rate), c.step) << c.rate;
    // 39 ms past the due time is not above 1/25 s with the float resolution.
    EXPECT_FALSE(TWinApp::FrameDue(39, 0, 25));
    EXPECT_TRUE(TWinApp::FrameDue(40, 0, 25));
    EXPECT_FALSE(TWinApp::FrameDue(0, 0, 25));
}

// Frame events every millisecond: with 25 per second the frames come 39 ms
// apart; after a late one the next ones catch up.
TEST_F(App, FramesArePacedByTheEngineClockAndCatchUp) {
    app.SetFrameRate(25);
    HiTimer_start();
    auto framesIn = [&](int32_t ms) {
        std::vector<uint32_t> at;
        for (int32_t i = 0; i < ms; ++i) {
            TEvent frame;
            frame.SetType(evPaint);
            if (app.OnFrame(&frame)) at.push_back(HiTimer_lap());
            platform::ClockAdvance(1);
        }
        return at;
    };
    EXPECT_EQ(framesIn(200), (std::vector<uint32_t>{40, 79, 118, 157, 196}));
    // Late by five periods: each frame moves the next frame time by one
    // period only (from 195), so the following events paint until it caught up.
    platform::ClockAdvance(200);
    EXPECT_EQ(framesIn(10), (std::vector<uint32_t>{400, 401, 402, 403, 404}));
    app.SetFrameRate(0);
    EXPECT_EQ(framesIn(3).size(), 3u);
}

TEST_F(App, StartAndStopWithAFailedDisplayOpen) {
    WriteConfig("[Timer]\nFreq=20\n"); // no display section: no driver selected
    app.Start();
    EXPECT_FALSE(app.IsStarted());
    EXPECT_EQ(TWinApp::GetRunningApp(), &app);
    EXPECT_TRUE(app.IsShown()); // the form opens anyway
    EXPECT_EQ(TEventMgr::Global().TimerMs(), 0);
    EXPECT_FALSE(TSndDev::Global().IsStarted());
    EXPECT_TRUE(DisplayHooks().appRunning);
    app.Stop();
    EXPECT_FALSE(app.IsShown());
    EXPECT_EQ(TWinApp::GetRunningApp(), nullptr);
    EXPECT_FALSE(DisplayHooks().appRunning);
    // The failed open was reported into the protocol.
    EXPECT_TRUE(std::filesystem::exists(ProtocolPath()));
    EXPECT_EQ(TCursDev::Global().DeviceFlags() & TCursDev::dOpened, 0u);
}

TEST_F(App, StartOpensTheDisplayAndTheTickAndAFreqChangeRestartsIt) {
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n[Timer]\nFreq=20\n");
    app.Start();
    ASSERT_TRUE(app.IsStarted());
    EXPECT_NE(display.GetWindow(), nullptr);
    EXPECT_EQ(TEventMgr::Global().Window(), display.GetWindow());
    EXPECT_EQ(TEventMgr::Global().TimerMs(), 50);
    dir.Write("app.ini", "[Timer]\nFreq=25\n");
    app.ReadConfig();
    EXPECT_EQ(TEventMgr::Global().TimerMs(), 40);
    dir.Write("app.ini", "[Timer]\nFreq=0\n");
    app.ReadConfig();
    EXPECT_FALSE(TEventMgr::Global().TickTimer().Running());
    app.Stop();
    EXPECT_FALSE(app.IsStarted());
    EXPECT_FALSE(display.IsOpen());
}

// The box's answers: abort and cancel stop, retry and ignore go on.
TEST_F(App, AskUserAnswersByTheBox) {
    display.SetDriverFlags(TDispDev::fWindowed);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    struct Case {
        int answer;
        bool stop;
    };
    const Case cases[] = {{IDABORT, true}, {IDRETRY, false}, {IDIGNORE, false}, {IDCANCEL, true}};
    platform::SetMessageBoxPolicy(platform::BoxPolicy::Scripted);
    for (const Case& c : cases) {
        platform::ClearMessageBoxLog();
        platform::ScriptMessageBoxAnswers({c.answer});
        EXPECT_EQ(app.OnError("ERROR: broken"), c.stop) << c.answer;
        std::vector<platform::BoxRecord> log = platform::MessageBoxLog();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].text, "ERROR: broken");
        EXPECT_EQ(log[0].type, 0x12u);
        EXPECT_EQ(log[0].owner, display.GetWindow());
    }
    EXPECT_EQ(TWinApp::ErrorDialogDepth(), 0);
}

TEST_F(App, AReportWhileTheBoxIsOpenIsAnsweredWithoutABox) {
    struct Nested : TWinApp {
        bool AskUser(const char* text) override {
            nested = OnError("ERROR: second");
            depth = ErrorDialogDepth();
            return TWinApp::AskUser(text);
        }
        bool nested = true;
        int32_t depth = 0;
    } nested;
    display.SetDriverFlags(TDispDev::fWindowed);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    EXPECT_TRUE(nested.OnError("ERROR: first")); // the first button: abort
    EXPECT_FALSE(nested.nested);
    EXPECT_EQ(nested.depth, 1);
    EXPECT_EQ(platform::MessageBoxLog().size(), 1u);
    TGraphic::SetApplication(&app);
}

TEST_F(App, FullScreenStopsWithoutABox) {
    EXPECT_TRUE(app.OnError("ERROR: broken"));
    EXPECT_TRUE(platform::MessageBoxLog().empty());
}

// A report during the main loop: retry goes on, abort ends the loop.
TEST_F(App, ReportsInTheMainLoopGoToTheBox) {
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n[Timer]\nFreq=50\n");
    app.Start();
    ASSERT_TRUE(app.IsStarted());
    platform::SetMessageBoxPolicy(platform::BoxPolicy::Scripted);
    platform::ScriptMessageBoxAnswers({IDRETRY, IDABORT});
    struct Reporter {
        int OnTick(TObject*, TEvent*) {
            TError::Raise(9, nullptr, nullptr, "Test", ++ticks);
            return 0;
        }
        int ticks = 0;
    } reporter;
    app.Add<Reporter, &Reporter::OnTick>(evTick, &reporter);
    EXPECT_EQ(app.ShowModal(), TFocusCtl::kNoResult);
    EXPECT_EQ(reporter.ticks, 2);
    EXPECT_EQ(platform::MessageBoxLog().size(), 2u);
}

// The game quits from a handler inside its main loop: it ends the loop,
// stops the application or not, and queues it for deletion. The loop returns
// through the living application, the next drain frees it, and the devices
// it opened keep nothing of it: the engine's teardown after it runs clean.
TEST_F(App, AnApplicationDeletedFromAHandlerInItsOwnLoop) {
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n[Timer]\nFreq=50\n");
    struct Quit : TNamedObj {
        int OnTick(TObject*, TEvent*) {
            ++ticks;
            game->OnCloseRequest(nullptr); // ends the loop
            if (stop) game->Stop();
            DeleteLater(game);
            return 0;
        }
        TWinApp* game = nullptr;
        bool stop = false;
        int ticks = 0;
    };
    for (bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stopped" : "running");
        auto* game = new TWinApp;
        const TRef<TWinApp> ref(game);
        game->SetPaths((dir.Path() / "adv").c_str());
        game->Start();
        ASSERT_TRUE(game->IsStarted());
        Quit quit;
        quit.game = game;
        quit.stop = stop;
        game->Add<Quit, &Quit::OnTick>(evTick, &quit);
        EXPECT_EQ(game->ShowModal(), TFocusCtl::kNoResult);
        EXPECT_EQ(quit.ticks, 1);
        EXPECT_NE(ref.Get(), nullptr); // still queued: the caller's loop may look at it
        DrainDeleteLater();
        EXPECT_EQ(ref.Get(), nullptr);
        EXPECT_EQ(TWinApp::GetApp(), nullptr);
        EXPECT_EQ(TWinApp::GetRunningApp(), nullptr);
        // What still runs reaches nothing of it.
        TCursDev::Global().Poll();
        TCursDev::Global().Update();
        platform::ClockAdvance(100);
        for (TEvent left; TEventMgr::Global().Translate(&left), left.type != evNone;) {
        }
    }
}

// The game's way of asking: a modal form run inside the error callback,
// answering when it has been shown (or raising a report of its own first).
struct FormBoxApp : TWinApp {
    struct Box : TFocusCtl {
        bool HandleEvent(TObject* sender, TEvent* event) override {
            if (event && event->type == evShown) {
                if (raise) TError::Raise(13, nullptr, nullptr, "Test", 2);
                if (!raise) EndModal(IDIGNORE);
            }
            return TFocusCtl::HandleEvent(sender, event);
        }
        bool raise = false;
    };
    bool AskUser(const char*) override {
        Box box;
        box.raise = raiseInBox;
        results.push_back(box.ShowModal());
        return false;
    }
    bool raiseInBox = false;
    std::vector<int32_t> results;
};
using FormBox = uitest::AppTest<FormBoxApp>;

// A log in a folder that cannot be written to fails inside the callback; the
// box's loop still runs until the user answers, for this report and the
// next. A report raised while a box is up ends that box only.
TEST_F(FormBox, ABoxRunsItsLoopWhenTheLogCannotBeWritten) {
    dir.Write("blocked", "a file where the log's folder should be");
    app.SetPaths((dir.Path() / "blocked" / "adv").c_str());
    display.SetDriverFlags(TDispDev::fWindowed);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    TEventMgr::Global().InitQueue(display.GetWindow());
    TError::SetCallback(&app, [](void* owner, const char* text) -> int {
        return static_cast<TWinApp*>(owner)->OnError(text) ? 1 : 0;
    });
    TError::ClearLists(); // the set-up's own reports (no resource index)
    for (bool raiseInBox : {false, true, false}) {
        app.raiseInBox = raiseInBox;
        TError::Raise(9, nullptr, nullptr, "Test", 1);
        EXPECT_EQ(TError::Notify(0), 0);
    }
    EXPECT_EQ(app.results, (std::vector<int32_t>{IDIGNORE, TFocusCtl::kNoResult, IDIGNORE}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "blocked" / "error.log"));
    TError::SetCallback(nullptr, nullptr);
}

TEST_F(App, AltF12WithCaptureOffIsConsumedAndDoesNothing) {
    const int beeps = platform::MessageBeepCount();
    for (uint16_t key : {kKeyF11, kKeyF12}) {
        TEvent e;
        e.SetType(evKeyDown);
        e.data[TControl::kwKey] = key;
        e.record.modifiers = 0x40; // the library's Alt
        e.passState = TControl::psTaken;
        app.OnKeyDown(&e);
        EXPECT_EQ(e.passState, TControl::psConsumed) << key;
        // Without Alt the key is not the application's.
        e.record.modifiers = 0;
        e.passState = TControl::psTaken;
        app.OnKeyDown(&e);
        EXPECT_EQ(e.passState, TControl::psTaken) << key;
    }
    EXPECT_EQ(platform::MessageBeepCount(), beeps);
}

// With capture on, Alt+F12 starts recording the display into the capture
// file, each capture tick adds a frame, and Alt+F12 again closes the file.
TEST_F(App, AltF12RecordsTheDisplayIntoTheCaptureFile) {
    // The capture file's name is a key of the resource index's animations.
    WriteConfig("[Display]\nuseWindowed=1\nResolution=320,200\nColorDepth=16\n"
                "[Capture]\nuseCapture=Yes\nCaptureInterval=100\nCaptureFileName=capture\n");
    dir.Write("resource.ini",
              "[Main]\nPath=.\n[Config]\nconfig=app.ini\n[Animations]\ncapture=cap.dla\n");
    TFileCtl::ReadBasePath();
    app.Start();
    ASSERT_TRUE(app.IsStarted());
    app.Show(); // ticks reach a shown, enabled application
    const int beeps = platform::MessageBeepCount();
    auto altKey = [this](uint16_t key) {
        TEvent e;
        e.SetType(evKeyDown);
        e.data[TControl::kwKey] = key;
        e.record.modifiers = 0x40;
        e.passState = TControl::psTaken;
        app.OnKeyDown(&e);
        EXPECT_EQ(e.passState, TControl::psConsumed);
    };
    altKey(kKeyF12);
    EXPECT_EQ(platform::MessageBeepCount(), beeps + 1);
    // Five ticks of 100 ms: the timer fires each time the elapsed time passes
    // its 100 ms, four times.
    for (int i = 0; i < 5; ++i) {
        TEvent tick;
        tick.SetType(evTick);
        tick.data[0] = 100;
        app.HandleEvent(nullptr, &tick);
    }
    altKey(kKeyF11); // pause: ticks add nothing
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = 100;
    app.HandleEvent(nullptr, &tick);
    altKey(kKeyF12); // a paused recording is stopped, not started again
    EXPECT_EQ(platform::MessageBeepCount(), beeps + 2);
    altKey(kKeyF11); // nothing to resume
    app.HandleEvent(nullptr, &tick);
    TMetaAni recorded;
    recorded.SetPath((dir.Path() / "cap.dla").c_str());
    ASSERT_TRUE(recorded.Open(1));
    EXPECT_EQ(recorded.GetFrameCount(0), 5); // frame 0 at the start, then four
    recorded.Close();
    // A recording paused when the application stops is finished too.
    altKey(kKeyF12);
    altKey(kKeyF11);
    app.Stop();
    ASSERT_TRUE(recorded.Open(1));
    EXPECT_EQ(recorded.GetFrameCount(0), 1);
    recorded.Close();
}

TEST_F(App, DisplayModeCallbackResumesAndSuspends) {
    display.SetDriverFlags(TDispDev::fWindowed);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    TSndDev& sound = TSndDev::Global();
    EXPECT_EQ(TWinApp::OnDisplayMode(nullptr, 2), 1);
    EXPECT_EQ(TWinApp::OnDisplayMode(display.GetContext(), 1), 1);
    EXPECT_TRUE(sound.IsFocusLost());
    TDirtyRects::SetChanged(0);
    TEventMgr::Global().FlushType(evProperty);
    EXPECT_EQ(TWinApp::OnDisplayMode(display.GetContext(), 2), 1);
    EXPECT_FALSE(sound.IsFocusLost());
    EXPECT_TRUE(TDirtyRects::IsChanged());
    TEvent e;
    ASSERT_TRUE(TEventMgr::Global().TakeObjectEvent(&e));
    EXPECT_EQ(e.type, evProperty);
    EXPECT_EQ(e.data[0], TControl::pcSystem);
    EXPECT_EQ(TWinApp::OnDisplayMode(display.GetContext(), 5), 1);
    EXPECT_FALSE(TEventMgr::Global().TakeObjectEvent(&e));
}

} // namespace

// The application object checked rule by rule on the memory host and the
// virtual clock: built state, program paths, configuration keys, routing of
// moves, keys, focus and close requests, frame pacing against extended
// precision, the frame count, capture keys, error reports, the display's
// resume callback, and what Start and Stop leave behind.
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
    auto request = [](const TNamedObj* target, int32_t mode, int32_t kind, int32_t done = 0) {
        TEvent r;
        r.SetType(evFocus);
        r.target = TEvent::WordOf(target);
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
