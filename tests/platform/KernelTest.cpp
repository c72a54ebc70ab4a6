#include "platform/Clock.h"
#include "platform/Kernel.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

TEST(Process, AnInterruptIsNotedOnceInsteadOfEndingTheProcess) {
    platform::CatchInterrupts();
    EXPECT_FALSE(platform::TakeInterrupt());
    std::raise(SIGINT);
    std::raise(SIGINT);
    EXPECT_TRUE(platform::TakeInterrupt());
    EXPECT_FALSE(platform::TakeInterrupt());
    std::signal(SIGINT, SIG_DFL);
}

TEST(Kernel, ProgramPathIsTheRunningProgramOrTheTestOverride) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::strlen(path), n);
    EXPECT_EQ(path[0], '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    std::string real = path;

    platform::SetProgramPathForTests("/tmp/game/adventure.exe");
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof path), 23u);
    EXPECT_STREQ(path, "/tmp/game/adventure.exe");

    // Too small a buffer: cut, terminated, and the buffer size returned.
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
    EXPECT_STREQ(small, "/tmp");
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 0), 0u);

    platform::SetProgramPathForTests(nullptr);
    GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_EQ(path, real);
}

TEST(Kernel, SleepOnVirtualTimeAdvancesOnlyOnTheOwnerThread) {
    platform::ClockUseVirtual(true, 500);
    EXPECT_EQ(timeGetTime(), 500u);
    Sleep(40);
    EXPECT_EQ(timeGetTime(), 540u);
    Sleep(0);
    EXPECT_EQ(timeGetTime(), 540u);
    std::thread other([] { Sleep(1000); });
    other.join();
    EXPECT_EQ(timeGetTime(), 540u);
    platform::ClockUseVirtual(false);
}

TEST(Kernel, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs)); // same thread: recursive
    std::atomic<int> otherGot{-1};
    std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(otherGot.load(), FALSE);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    std::thread([&] {
        otherGot = TryEnterCriticalSection(&cs);
        if (otherGot) LeaveCriticalSection(&cs);
    }).join();
    EXPECT_EQ(otherGot.load(), TRUE);
    DeleteCriticalSection(&cs);
}

TEST(Kernel, DebugOutputGoesToStderr) {
    testing::internal::CaptureStderr();
    OutputDebugStringA("trace line\n");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "trace line\n");
}

// A hook takes the text in stderr's place until it is taken away.
TEST(Kernel, DebugOutputHookTakesTheTextInstead) {
    static std::string taken;
    taken.clear();
    platform::SetDebugOutputHook([](const char* text) { taken += text; });
    testing::internal::CaptureStderr();
    OutputDebugStringA("refused\n");
    platform::SetDebugOutputHook(nullptr);
    OutputDebugStringA("printed\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "printed\n");
    EXPECT_EQ(taken, "refused\n");
}

} // namespace
