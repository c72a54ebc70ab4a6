// The application object on the memory host and the virtual clock: its
// configuration file, frame pacing, start and stop, error reports answered
// by the host's box policy, capture keys and the display's suspend callback.
#include "AppFixture.h"

#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "foundation/TMMTimer.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/TSndDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

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
