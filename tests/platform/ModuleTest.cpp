// Simulated modules, the Windows version and global memory.
#include "platform/Gdi.h"
#include "platform/Module.h"
#include "platform/Session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

int Answer() {
    return 42;
}
int Twice(int x) {
    return 2 * x;
}

const platform::ModuleExport kFake[] = {
    {"_FSD_answer", platform::ExportOf(&Answer)},
    {"_FSD_twice", platform::ExportOf(&Twice)},
};

class Modules : public ::testing::Test {
protected:
    void SetUp() override { platform::RegisterModule("FSDIR_32.DLL", kFake, std::size(kFake)); }
    void TearDown() override {
        platform::UnregisterModule("FSDIR_32.DLL");
        platform::SetSimulatedVersion(platform::kVersionWindows95);
    }
};

TEST_F(Modules, SystemModulesExportTheLookedUpGdiFunctions) {
    // The windowed start-up takes these handles without loading anything.
    HMODULE gdi = GetModuleHandleA("gdi32.dll");
    HMODULE user = GetModuleHandleA("USER32.DLL");
    ASSERT_NE(gdi, nullptr);
    ASSERT_NE(user, nullptr);
    struct Lookup {
        HMODULE module;
        const char* name;
        FARPROC expected;
    };
    const Lookup lookups[] = {
        {gdi, "CreateDIBSection", platform::ExportOf(&CreateDIBSection)},
        {gdi, "SetDIBColorTable", platform::ExportOf(&SetDIBColorTable)},
        {user, "ChangeDisplaySettingsA", platform::ExportOf(&ChangeDisplaySettingsA)},
        {user, "EnumDisplaySettingsA", platform::ExportOf(&EnumDisplaySettingsA)},
    };
    for (const Lookup& l : lookups)
        EXPECT_EQ(GetProcAddress(l.module, l.name), l.expected) << l.name;
    EXPECT_EQ(GetProcAddress(gdi, "createdibsection"), nullptr); // names are exact
    EXPECT_EQ(GetProcAddress(gdi, reinterpret_cast<LPCSTR>(uintptr_t(12))), nullptr); // ordinal
    // WinG is an optional library: loaded only when asked for.
    EXPECT_EQ(GetModuleHandleA("wing32.dll"), nullptr);
    HMODULE wing = LoadLibraryA("wing32.dll");
    ASSERT_NE(wing, nullptr);
    EXPECT_NE(GetProcAddress(wing, "WinGBitBlt"), nullptr);
    FreeLibrary(wing);
    EXPECT_EQ(GetModuleHandleA(nullptr), platform::ProgramInstance());
    EXPECT_NE(platform::ProgramInstance(), nullptr);
}

TEST_F(Modules, LoadByNameCallAndFree) {
    EXPECT_EQ(GetModuleHandleA("fsdir_32.dll"), nullptr); // registered, not loaded
    HMODULE m = LoadLibraryA("C:\\WINDOWS\\SYSTEM\\fsdir_32");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(LoadLibraryA("Fsdir_32.Dll"), m);
    EXPECT_EQ(GetModuleHandleA("FSDIR_32.DLL"), m);
    auto twice = reinterpret_cast<int (*)(int)>(GetProcAddress(m, "_FSD_twice"));
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice(21), 42);
    EXPECT_EQ(GetProcAddress(m, "_FSD_missing"), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(GetModuleHandleA("FSDIR_32.DLL"), m); // one reference left
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(GetModuleHandleA("FSDIR_32.DLL"), nullptr);
    EXPECT_FALSE(FreeLibrary(m));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x10)));
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x10), "_FSD_twice"), nullptr);
}

TEST_F(Modules, TestsCanTakeAModuleOrASymbolAway) {
    platform::SetModuleAbsent("fsdir_32.dll", true);
    EXPECT_EQ(LoadLibraryA("FSDIR_32.DLL"), nullptr);
    platform::SetModuleAbsent("fsdir_32.dll", false);
    HMODULE m = LoadLibraryA("FSDIR_32.DLL");
    ASSERT_NE(m, nullptr);
    platform::SetSymbolAbsent("FSDIR_32.DLL", "_FSD_answer", true);
    EXPECT_EQ(GetProcAddress(m, "_FSD_answer"), nullptr);
    EXPECT_NE(GetProcAddress(m, "_FSD_twice"), nullptr);
    // A system module can vanish as well (the older-Windows paths).
    platform::SetSymbolAbsent("gdi32.dll", "CreateDIBSection", true);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateDIBSection"), nullptr);
    platform::SetModuleAbsent("user32", true);
    EXPECT_EQ(GetModuleHandleA("user32.dll"), nullptr);
    { platform::Session next; } // a new session brings every module and symbol back
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(m, "_FSD_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_NE(GetModuleHandleA("user32.dll"), nullptr);
    FreeLibrary(m);
    // An unregistered module is gone even for handles still held.
    m = LoadLibraryA("FSDIR_32.DLL");
    platform::UnregisterModule("FSDIR_32.DLL");
    EXPECT_EQ(GetProcAddress(m, "_FSD_twice"), nullptr);
    EXPECT_EQ(LoadLibraryA("FSDIR_32.DLL"), nullptr);
}

TEST_F(Modules, VersionWords) {
    struct Case {
        DWORD version;
        int major, minor;
        bool nt;
    };
    const Case cases[] = {
        {platform::kVersionWindows95, 4, 0, false},
        {platform::kVersionWindowsNT4, 4, 0, true},
        {platform::kVersionWin32s, 3, 10, false},
    };
    EXPECT_EQ(GetVersion(), platform::kVersionWindows95); // the default
    for (const Case& c : cases) {
        platform::SetSimulatedVersion(c.version);
        const DWORD v = GetVersion();
        EXPECT_EQ(int(LOBYTE(LOWORD(v))), c.major);
        EXPECT_EQ(int(HIBYTE(LOWORD(v))), c.minor);
        EXPECT_EQ((v & 0x80000000u) == 0, c.nt);
    }
}

TEST(GlobalMemory, MovableZeroedBlocksLockAndFree) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(p[i], 0);
    EXPECT_EQ(GlobalHandle(p), h);
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_TRUE(GlobalUnlock(h));  // still locked once
    EXPECT_FALSE(GlobalUnlock(h)); // now unlocked
    std::memset(p, 7, 100);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalHandle(p), nullptr);
    EXPECT_EQ(GlobalFree(h), h); // a second free is refused
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnHandles) {
    HGLOBAL h = GlobalAlloc(GPTR, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalLock(h), h);
    EXPECT_EQ(GlobalHandle(h), h);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GlobalFree(h), nullptr);
    // A movable block of no bytes exists but has no memory.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalFree(empty), nullptr);
}

TEST(GlobalMemory, ThreadsAllocateAndFreeTogether) {
    // The mixer's timer thread allocates while the main thread frees.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                HGLOBAL h = GlobalAlloc(GHND, 64);
                void* p = GlobalLock(h);
                ASSERT_EQ(GlobalHandle(p), h);
                GlobalUnlock(h);
                ASSERT_EQ(GlobalFree(h), nullptr);
            }
        });
    for (std::thread& t : threads)
        t.join();
}

} // namespace
