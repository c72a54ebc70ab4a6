// The engine as the one owner of its services: built and torn down whole,
// again and again, with nothing left behind (memory, threads, state), nested
// engines handing the accessors back, and an application left running.
#include "FreshState.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "drawing/TFontList.h"
#include "foundation/TCache.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TRef.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/sound/TSndDev.h"
#include "platform/Clock.h"
#include "platform/MMSystem.h"
#include "platform/Registry.h"
#include "platform/Sound.h"
#include "ui/TEngine.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace {

const char kKey[] = "Software\\EngineTest";

size_t ThreadCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

bool RegistryHasRun() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, 0, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    const bool found = RegQueryValueExA(key, "run", nullptr, nullptr, nullptr, &size) == 0;
    RegCloseKey(key);
    return found;
}

void WriteRegistryRun(DWORD run) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "run", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&run), sizeof run);
    RegCloseKey(key);
}

std::atomic<int> platformTicks{0};

void CALLBACK CountTick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    ++platformTicks;
}

// Everything a run leaves set must be gone when the next one starts.
void ExpectFresh(int run) {
    SCOPED_TRACE("run " + std::to_string(run));
    EXPECT_TRUE(TError::ShownList().IsEmpty());
    EXPECT_FALSE(TError::ErrorsPending());
    EXPECT_EQ(TError::Level(), 0);
    EXPECT_FALSE(RegistryHasRun());
    EXPECT_EQ(TCursDev::Global().GetCursorRes(0), nullptr);
    EXPECT_EQ(GetCursor(), nullptr);
    EXPECT_EQ(TEventMgr::Global().TimerMs(), 0);
    EXPECT_FALSE(TCache::Global().IsStarted());
    EXPECT_FALSE(TDispDev::Global().IsOpen());
    EXPECT_FALSE(TSndDev::Global().IsStarted());
    EXPECT_EQ(TFontList::Global().Count(), 0);
    EXPECT_FALSE(TDirtyRects::Tracking());
    EXPECT_EQ(TDirtyRects::CurrentPage(), 0);
    TDirtyRects::BeginDirtyRects({0, 0, 0, 0});
    TRectArea left;
    EXPECT_FALSE(TDirtyRects::NextDirtyRect(&left));
    // A multimedia timer of the last run fires no more.
    const int ticks = platformTicks;
    platform::ClockAdvance(100);
    EXPECT_EQ(platformTicks, ticks);
}

// Uses every service the way a running program does: the display open, the
// cursor thread drawing, the sound device playing, the frame tick and a
// multimedia timer running, an error raised and a registry value written.
void UseEverything(int run, TMetaCur& shape) {
    testsupport::UseMemoryDesktop(16);
    TDispDev& display = TDispDev::Global();
    display.SetClassName("EngineTest");
    display.SetDriverFlags(0x600);
    display.SetMode(64, 48, 16);
    ASSERT_TRUE(display.Open());
    TCursDev& cursor = TCursDev::Global();
    ASSERT_EQ(cursor.Open(nullptr), 1);
    cursor.SetCursorRes(&shape, 0);
    cursor.SetSleepTime(1);
    cursor.SetMTCursor(1);
    cursor.Update();
    ASSERT_TRUE(cursor.ThreadRunning());
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    platform::SetSoundDeviceCount(1);
    platform::SetSoundSink(platform::SoundSinkChoice::Recording);
    TSndDev& sound = TSndDev::Global();
    sound.SetOutputFlags(1);
    sound.Attach(nullptr);
    sound.SetEnabled(true);
    ASSERT_TRUE(sound.IsOutputOpen());
    TEventMgr::Global().InitQueue(display.GetWindow());
    TEventMgr::Global().SetTimer(10);
    ASSERT_NE(timeSetEvent(5, 0, &CountTick, 0, TIME_PERIODIC), 0u);
    platform::ClockAdvance(50);
    TFontList::Global().Fill();
    TCache::Global().Start();
    TError::Hold();
    TError::Raise(2, "left over", nullptr, "EngineTest", run);
    WriteRegistryRun(static_cast<DWORD>(run));
    // The display's changed rectangles, on the second of two pages.
    TDirtyRects::SetTracking(true);
    TDirtyRects::SetTwoPages(1);
    TDirtyRects::AddDirtyArea(0, 0, 8, 8);
    TDirtyRects::SetChanged(0);
    TDirtyRects::AddDirtyArea(0, 0, 8, 8);
}

TEST(TEngineTest, BuildsAndDestroysTheWholeEngineAHundredTimes) {
    // A sanitizer's runtime starts a helper thread of its own with the first
    // thread made: one made and joined first puts it in the count before.
    std::thread([] {}).join();
    const size_t threadsBefore = ThreadCount();
    TMetaCur shape;
    size_t threadsWhileRunning = 0;
    for (int run = 0; run < 100; ++run) {
        // The registry keeps its file like the system's does; each run gets a
        // folder of its own, so a value seen again could only come from what
        // the last run left in memory.
        testsupport::FreshConfigFolder config;
        TEngine engine({.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        ExpectFresh(run);
        UseEverything(run, shape);
        if (HasFatalFailure()) return;
        threadsWhileRunning = std::max(threadsWhileRunning, ThreadCount());
    }
    // The cursor thread and the timer thread ran, and none is left.
    EXPECT_GT(threadsWhileRunning, threadsBefore);
    EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST(TEngineTest, AnInnerEngineHandsTheOuterServicesBack) {
    TError::Raise(2, "outer", nullptr, "EngineTest", 1);
    TCache& outerCache = TCache::Global();
    {
        TEngine inner;
        EXPECT_NE(&TCache::Global(), &outerCache);
        EXPECT_EQ(TEngine::Current(), &inner);
        EXPECT_FALSE(TError::ErrorsPending());
        TError::Raise(3, "inner", nullptr, "EngineTest", 2);
    }
    EXPECT_EQ(&TCache::Global(), &outerCache);
    ASSERT_EQ(TError::ShownList().Count(), 1);
    EXPECT_EQ(static_cast<TErrorRec*>(TError::ShownList().Head()->item)->code, 2);
}

// The application is the program's object: an engine that goes while it
// still runs stops it first, so its devices close in order, and the
// application outlives the engine without reaching back into it.
TEST(TEngineTest, AnApplicationLeftRunningIsStoppedWhenItsEngineGoes) {
    testsupport::TempDir dir;
    std::unique_ptr<TWinApp> app;
    {
        TEngine inner({.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        app = std::make_unique<TWinApp>();
        testsupport::UseMemoryDesktop(16);
        app->SetPaths((dir.Path() / "adv").c_str());
        TDispDev::Global().SetDriverFlags(0x600);
        TDispDev::Global().SetMode(64, 48, 16);
        app->Start();
        ASSERT_TRUE(app->IsStarted());
        EXPECT_EQ(TWinApp::GetRunningApp(), app.get());
    }
    EXPECT_FALSE(app->IsStarted());
    EXPECT_EQ(TWinApp::GetRunningApp(), nullptr);
    EXPECT_EQ(TWinApp::GetApp(), nullptr);
    app.reset();
}

// References kept past their engine (a script handle, a hook) resolve to
// nothing in the next one, though its services may sit at the same
// addresses: serials go on rising across engines and are never reused. An
// object queued for deletion under an engine is freed with it.
TEST(TEngineTest, ReferencesFromAnEngineThatWentStayDead) {
    TRef<TDispDev> display;
    TRef<TCursDev> cursor;
    TRef<TNamedObj> queued;
    uint64_t lastSerial = 0;
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        TEngine inner({.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        EXPECT_EQ(display.Get(), nullptr);
        EXPECT_EQ(cursor.Get(), nullptr);
        EXPECT_EQ(queued.Get(), nullptr);
        EXPECT_EQ(TRef<TDispDev>::FromSerial(display.Serial()).Get(), nullptr);
        EXPECT_GT(TDispDev::Global().Serial(), lastSerial);
        display = TRef<TDispDev>(&TDispDev::Global());
        cursor = TRef<TCursDev>(&TCursDev::Global());
        auto* object = new TNamedObj;
        queued = TRef<TNamedObj>(object);
        DeleteLater(object);
        lastSerial = object->Serial();
        EXPECT_EQ(display.Get(), &TDispDev::Global());
    }
    EXPECT_EQ(display.Get(), nullptr);
    EXPECT_EQ(queued.Get(), nullptr);
}

TEST(TEngineDeathTest, AServiceUsedWithoutAnEngineEndsWithAReport) {
    EXPECT_DEATH(
        {
            Services() = TServices{};
            TCache::Global();
        },
        "cache was used while no engine was built");
}

} // namespace
