// Running out of memory inside a call of the layer: the call fails as its
// Windows counterpart does (its failure result, ERROR_NOT_ENOUGH_MEMORY as the
// last error) and no exception leaves it; once memory is back it works.
#include "FailingAllocator.h"
#include "HeadlessWindow.h"
#include "TempDir.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/FindFile.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/MMSystem.h"
#include "platform/Registry.h"
#include "platform/Sound.h"
#include "platform/User.h"
#include "platform/WaveOut.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// One call: its result as a number, and the number that means failure.
struct Call {
    const char* name;
    std::function<intptr_t()> run;
    intptr_t failed;
};

intptr_t AsNumber(const void* handle) {
    return reinterpret_cast<intptr_t>(handle);
}

HBITMAP Section(HDC dc, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void CALLBACK Tick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); // the registry's file
        window = testsupport::OpenHeadlessWindow({.className = "Plain", .virtualFromMs = 1000});
        ASSERT_NE(window, nullptr);
        dest = CreateCompatibleDC(nullptr);
        source = CreateCompatibleDC(nullptr);
        destBits = Section(dest, 40, 30);
        sourceBits = Section(source, 40, 30);
        SelectObject(dest, destBits);
        SelectObject(source, sourceBits);
    }
    void TearDown() override {
        DeleteDC(dest);
        DeleteDC(source);
        DeleteObject(destBits);
        DeleteObject(sourceBits);
        platform::ClockUseVirtual(false);
        unsetenv("XDG_CONFIG_HOME");
    }

    std::vector<Call> Calls() {
        static LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
        static LOGFONTA font{};
        return {
            {"BitBlt",
             [this] { return intptr_t{BitBlt(dest, 1, 1, 30, 20, source, 2, 2, SRCCOPY)}; }, 0},
            {"StretchBlt",
             [this] {
                 return intptr_t{StretchBlt(dest, 0, 0, 40, 30, source, 0, 0, 13, 7, SRCCOPY)};
             },
             0},
            {"CreateDIBSection", [this] { return AsNumber(Section(dest, 16, 16)); }, 0},
            {"CreateCompatibleBitmap",
             [this] { return AsNumber(CreateCompatibleBitmap(dest, 8, 8)); }, 0},
            {"CreateCompatibleDC", [] { return AsNumber(CreateCompatibleDC(nullptr)); }, 0},
            {"GetDC", [this] { return AsNumber(GetDC(window)); }, 0},
            {"CreatePalette", [] { return AsNumber(CreatePalette(&palette)); }, 0},
            {"CreateSolidBrush", [] { return AsNumber(CreateSolidBrush(RGB(1, 2, 3))); }, 0},
            {"CreateFontIndirectA", [] { return AsNumber(CreateFontIndirectA(&font)); }, 0},
            {"TextOutA", [this] { return intptr_t{TextOutA(dest, 0, 0, "Text", 4)}; }, 0},
            {"RegisterClassA",
             [] {
                 WNDCLASSA wc{};
                 wc.lpfnWndProc = DefWindowProcA;
                 wc.lpszClassName = "AnotherClassWithALongNameThatAllocates";
                 return intptr_t{RegisterClassA(&wc)};
             },
             0},
            {"CreateWindowExA",
             [] {
                 return AsNumber(CreateWindowExA(0, "Plain", "x", WS_POPUP, 0, 0, 8, 8, nullptr,
                                                 nullptr, nullptr, nullptr));
             },
             0},
            {"PostMessageA", [this] { return intptr_t{PostMessageA(window, WM_USER, 1, 2)}; }, 0},
            {"SetTimer", [this] { return intptr_t(SetTimer(window, 5, 100, nullptr)); }, 0},
            {"timeSetEvent", [] { return intptr_t(timeSetEvent(10, 1, &Tick, 0, TIME_PERIODIC)); },
             0},
            {"RegSetValueExA",
             [] {
                 HKEY key = nullptr;
                 LONG r = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\OutOfMemoryTest", 0,
                                          nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
                 if (r != ERROR_SUCCESS) return intptr_t{r};
                 const BYTE value[] = "a value long enough to need memory of its own";
                 r = RegSetValueExA(key, "Name", 0, REG_SZ, value, sizeof value);
                 RegCloseKey(key);
                 return intptr_t{r};
             },
             ERROR_NOT_ENOUGH_MEMORY},
        };
    }

    testsupport::TempDir config;
    HWND window = nullptr;
    HDC dest = nullptr, source = nullptr;
    HBITMAP destBits = nullptr, sourceBits = nullptr;
};

TEST_F(OutOfMemory, CallsFailAsWindowsDoesAndNoExceptionLeaves) {
    long before = testsupport::FailedAllocations();
    for (const Call& call : Calls()) {
        SetLastError(0);
        intptr_t result = 0;
        bool threw = false;
        {
            testsupport::AllocationsFail fail;
            try {
                result = call.run();
            } catch (...) {
                threw = true;
            }
        }
        EXPECT_FALSE(threw) << call.name;
        if (result == call.failed && call.failed != ERROR_NOT_ENOUGH_MEMORY) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.name;
        }
        EXPECT_NE(call.run(), call.failed) << call.name << " after memory came back";
    }
    EXPECT_GT(testsupport::FailedAllocations(), before);
    timeKillEvent(0);
}

// Calls that held a device or a handle, or opened a folder, while they ran
// out: each gives its own failure result and lets go of what it held, so
// the same call works as soon as memory is back.
TEST_F(OutOfMemory, CallsThatHoldSomethingLetGoAndWorkAgain) {
    platform::SetSoundDeviceCount(1);
    platform::SetSoundSink(platform::SoundSinkChoice::Recording);
    std::ofstream(config.Path() / "save1.sav") << "a save";
    platform::MapDrive('c', config.Path().c_str());
    struct Exact {
        const char* name;
        std::function<intptr_t()> run;
        intptr_t failed, worked;
    };
    const Exact calls[] = {
        {"waveOutOpen",
         [] {
             const WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
             HWAVEOUT out = nullptr;
             MMRESULT r = waveOutOpen(&out, WAVE_MAPPER, &pcm, 0, 0, CALLBACK_NULL);
             if (r == MMSYSERR_NOERROR) waveOutClose(out);
             return intptr_t{r};
         },
         MMSYSERR_NOMEM, MMSYSERR_NOERROR},
        {"FindFirstFileA",
         [] {
             WIN32_FIND_DATAA data{};
             HANDLE h = FindFirstFileA("c:\\*.sav", &data);
             if (h == INVALID_HANDLE_VALUE) return intptr_t{0};
             FindClose(h);
             return intptr_t{1};
         },
         0, 1},
        {"OpenFile",
         [] {
             FILE* f = platform::OpenFile("C:\\SAVE1.SAV", "rb");
             if (!f) return intptr_t{errno};
             std::fclose(f);
             return intptr_t{0};
         },
         ENOMEM, 0},
        // The other calls that map a name fail the same way.
        {"FileExists", [] { return intptr_t{platform::FileExists("C:\\SAVE1.SAV")}; }, 0, 1},
        {"FileSize", [] { return intptr_t{platform::FileSize("C:\\SAVE1.SAV")}; }, -1, 6},
        {"RenameFile",
         [] {
             const int r = platform::RenameFile("C:\\SAVE1.SAV", "C:\\SAVE1.SAV");
             return intptr_t{r == 0 ? 0 : errno};
         },
         ENOMEM, 0},
    };
    for (const Exact& call : calls) {
        SetLastError(0);
        intptr_t result = -1;
        {
            testsupport::AllocationsFail fail;
            EXPECT_NO_THROW(result = call.run()) << call.name;
        }
        EXPECT_EQ(result, call.failed) << call.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.name;
        EXPECT_EQ(call.run(), call.worked) << call.name << " after memory came back";
    }
    platform::UnmapAllDrives();
}

} // namespace
