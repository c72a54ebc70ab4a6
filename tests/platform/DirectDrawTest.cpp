// The simulated adapter and its DirectDraw face: the module and its system
// folder, modes and capabilities, surfaces in video memory, flips that turn
// memory round behind the interfaces, the scan-out reaching the window, lost
// surfaces, locks across threads, palettes, blits and the beam.
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/DirectDraw.h"
#include "platform/FindFile.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

class DirectDraw : public ::testing::Test {
protected:
    void SetUp() override { platform::UseHost(platform::HostKind::Memory); }

    void TearDown() override {
        if (offscreen_) offscreen_->Release();
        if (primary_) primary_->Release();
        if (palette_) palette_->Release();
        if (object_) object_->Release();
    }

    // Adapter, object, exclusive popup window and display mode.
    void Open(const char* adapter, int width, int height, int bits) {
        ASSERT_TRUE(platform::UseAdapter(adapter));
        ASSERT_EQ(DirectDrawCreate(nullptr, &object_, nullptr), DD_OK);
        ASSERT_EQ(object_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd_)), DD_OK);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "DirectDrawTest";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "DirectDrawTest", "", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(window_);
        ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(dd_->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bits), 0, 0), DD_OK);
    }

    void CreatePrimary(DWORD backBuffers) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | (backBuffers ? DDSD_BACKBUFFERCOUNT : 0);
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY |
                           (backBuffers ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
        d.dwBackBufferCount = backBuffers;
        ASSERT_EQ(dd_->CreateSurface(&d, &primary_, nullptr), DD_OK);
    }

    HRESULT CreateOffscreen(DWORD width, DWORD height, LPDIRECTDRAWSURFACE* out) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        d.dwWidth = width;
        d.dwHeight = height;
        return dd_->CreateSurface(&d, out, nullptr);
    }

    static uint8_t* LockedPixels(LPDIRECTDRAWSURFACE s, LONG* pitch = nullptr) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return nullptr;
        if (pitch) *pitch = d.lPitch;
        return static_cast<uint8_t*>(d.lpSurface);
    }

    // The surfaces of the chain behind the primary, in order.
    std::vector<LPDIRECTDRAWSURFACE> Chain(int count) {
        std::vector<LPDIRECTDRAWSURFACE> out{primary_};
        while (int(out.size()) < count) {
            LPDIRECTDRAWSURFACE next = nullptr;
            out.back()->EnumAttachedSurfaces(
                &next, [](LPDIRECTDRAWSURFACE s, LPDDSURFACEDESC, LPVOID c) -> HRESULT {
                    *static_cast<LPDIRECTDRAWSURFACE*>(c) = s;
                    return DDENUMRET_OK;
                });
            if (!next) break;
            out.push_back(next);
        }
        return out;
    }

    LPDIRECTDRAW object_ = nullptr;
    LPDIRECTDRAW2 dd_ = nullptr;
    LPDIRECTDRAWSURFACE primary_ = nullptr, offscreen_ = nullptr;
    LPDIRECTDRAWPALETTE palette_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(DirectDraw, TheModuleIsThereOnlyWithAnAdapter) {
    char folder[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(folder, sizeof(folder)), 0u);
    const std::string path = std::string(folder) + "\\ddraw.dll";
    WIN32_FIND_DATAA data{};
    EXPECT_EQ(LoadLibraryA("ddraw.dll"), nullptr);
    EXPECT_EQ(FindFirstFileA(path.c_str(), &data), INVALID_HANDLE_VALUE);
    LPDIRECTDRAW o = nullptr;
    EXPECT_EQ(DirectDrawCreate(nullptr, &o, nullptr), DDERR_NODIRECTDRAWHW);

    ASSERT_TRUE(platform::UseAdapter("ddraw-4mb"));
    HANDLE found = FindFirstFileA(path.c_str(), &data);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "ddraw.dll");
    FindClose(found);
    HMODULE m = LoadLibraryA("ddraw.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_NE(GetProcAddress(m, "DirectDrawCreate"), nullptr);
    EXPECT_NE(GetProcAddress(m, "DirectDrawCreateClipper"), nullptr);
    FreeLibrary(m);
    EXPECT_FALSE(platform::UseAdapter("no-such-card"));
    EXPECT_NE(platform::CurrentAdapter(), nullptr);
}

TEST_F(DirectDraw, CapsHoldTheRecordSizeAndThePersonality) {
    ASSERT_TRUE(platform::UseAdapter("ddraw-2mb-555"));
    ASSERT_EQ(DirectDrawCreate(nullptr, &object_, nullptr), DD_OK);
    ASSERT_EQ(object_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd_)), DD_OK);
    DDCAPS caps{};
    caps.dwSize = 300;
    EXPECT_EQ(dd_->GetCaps(&caps, nullptr), DDERR_INVALIDPARAMS);
    caps.dwSize = sizeof(DDCAPS);
    ASSERT_EQ(dd_->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_EQ(caps.dwVidMemTotal, 2u << 20);
    EXPECT_EQ(caps.dwCaps & DDCAPS_BLT, 0u);
    struct Seen {
        int modes = 0, sixteen555 = 0;
    } seen;
    dd_->EnumDisplayModes(0, nullptr, &seen, [](LPDDSURFACEDESC d, LPVOID c) -> HRESULT {
        auto* s = static_cast<Seen*>(c);
        ++s->modes;
        if (d->ddpfPixelFormat.dwRGBBitCount == 16 && d->ddpfPixelFormat.dwRBitMask == 0x7C00)
            ++s->sixteen555;
        EXPECT_EQ(d->dwSize, sizeof(DDSURFACEDESC));
        EXPECT_GE(d->lPitch, LONG(d->dwWidth * d->ddpfPixelFormat.dwRGBBitCount / 8));
        return DDENUMRET_OK;
    });
    EXPECT_EQ(seen.modes, 47); // those one page of which fits 2 MB
    EXPECT_EQ(seen.sixteen555, 12);
    // The adapter's modes are the desktop's display settings too.
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, 0, &mode));
    EXPECT_EQ(mode.dmPelsWidth, 320u);
    EXPECT_EQ(mode.dmBitsPerPel, 8u);
}

TEST_F(DirectDraw, AModeNeedsTheExclusiveLevelAndAKnownRefresh) {
    ASSERT_TRUE(platform::UseAdapter("ddraw-4mb"));
    ASSERT_EQ(DirectDrawCreate(nullptr, &object_, nullptr), DD_OK);
    ASSERT_EQ(object_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd_)), DD_OK);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DDERR_NOEXCLUSIVEMODE);
    Open("ddraw-4mb", 640, 480, 16);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 75, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    EXPECT_EQ(dd_->SetDisplayMode(641, 480, 16, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd_->SetDisplayMode(320, 240, 8, 0, 0), DD_OK); // the plain one, not mode X
}

TEST_F(DirectDraw, FlipsTurnTheMemoryRoundAndMoveTheScanOut) {
    Open("ddraw-4mb", 640, 480, 16);
    CreatePrimary(2);
    std::vector<LPDIRECTDRAWSURFACE> chain = Chain(3);
    ASSERT_EQ(chain.size(), 3u);
    DDSCAPS caps{};
    chain[1]->GetCaps(&caps);
    EXPECT_TRUE(caps.dwCaps & DDSCAPS_BACKBUFFER);
    std::vector<uint8_t*> memory;
    for (LPDIRECTDRAWSURFACE s : chain) {
        memory.push_back(LockedPixels(s));
        ASSERT_NE(memory.back(), nullptr);
        s->Unlock(nullptr);
    }
    const platform::VideoMemoryView v = platform::AdapterVideoMemory();
    EXPECT_EQ(platform::AdapterScanOut().start, uint32_t(memory[0] - v.base));
    ASSERT_EQ(primary_->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(LockedPixels(chain[0]), memory[1]);
    chain[0]->Unlock(nullptr);
    EXPECT_EQ(LockedPixels(chain[2]), memory[0]);
    chain[2]->Unlock(nullptr);
    EXPECT_EQ(platform::AdapterScanOut().start, uint32_t(memory[1] - v.base));
    // To a named surface: round until its memory is in front.
    ASSERT_EQ(primary_->Flip(chain[2], DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(platform::AdapterScanOut().start, uint32_t(memory[0] - v.base));
    EXPECT_EQ(chain[1]->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
}

TEST_F(DirectDraw, WhatTheScanOutShowsReachesTheWindow) {
    Open("ddraw-4mb", 320, 200, 16);
    CreatePrimary(0);
    LONG pitch = 0;
    uint8_t* p = LockedPixels(primary_, &pitch);
    ASSERT_NE(p, nullptr);
    const uint16_t red = 0xF800, blue = 0x001F;
    std::memcpy(p, &red, 2);
    std::memcpy(p + pitch + 2, &blue, 2);
    ASSERT_EQ(primary_->Unlock(nullptr), DD_OK);
    platform::Frame f = platform::PresentedFrame(window_);
    ASSERT_EQ(f.width, 320);
    EXPECT_EQ(f.pixels[0], 0xFF0000u);
    EXPECT_EQ(f.pixels[321], 0x0000FFu);
    EXPECT_EQ(platform::AdapterScanOutFrame().pixels, f.pixels);
}

TEST_F(DirectDraw, EightBitsShowThroughThePalette) {
    Open("ddraw-4mb", 320, 200, 8);
    CreatePrimary(0);
    PALETTEENTRY entries[256]{};
    ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette_, nullptr),
              DD_OK);
    ASSERT_EQ(primary_->SetPalette(palette_), DD_OK);
    const PALETTEENTRY green[16] = {{0, 200, 0, 0}};
    EXPECT_EQ(palette_->SetEntries(0, 250, 16, green), DDERR_INVALIDPARAMS); // past the end
    ASSERT_EQ(palette_->SetEntries(0, 16, 1, green), DD_OK);
    uint8_t* p = LockedPixels(primary_);
    ASSERT_NE(p, nullptr);
    p[5] = 16;
    primary_->Unlock(nullptr);
    EXPECT_EQ(platform::PresentedFrame(window_).pixels[5], 0x00C800u);
    EXPECT_EQ(platform::AdapterScanOut().palette[16].peGreen, 200);
}

TEST_F(DirectDraw, VideoMemoryRunsOut) {
    Open("ddraw-2mb-555", 800, 600, 16);
    CreatePrimary(1); // 2 x 960000 bytes of 2 MB
    LPDIRECTDRAWSURFACE s = nullptr;
    EXPECT_EQ(CreateOffscreen(800, 200, &s), DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(CreateOffscreen(800, 50, &offscreen_), DD_OK);
    EXPECT_EQ(CreateOffscreen(0, 50, &s), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDraw, SwitchingAwayLosesTheSurfacesTillTheWindowIsBack) {
    Open("ddraw-4mb", 640, 480, 16);
    CreatePrimary(1);
    platform::InjectAppSwitch(true);
    EXPECT_TRUE(IsIconic(window_));
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    EXPECT_EQ(primary_->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(primary_->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(primary_->Restore(), DDERR_NOEXCLUSIVEMODE);
    platform::InjectAppSwitch(false);
    EXPECT_FALSE(IsIconic(window_));
    ASSERT_EQ(primary_->Restore(), DD_OK);
    EXPECT_EQ(primary_->IsLost(), DD_OK);
    EXPECT_EQ(Chain(2)[1]->IsLost(), DD_OK); // the chain comes back whole
    EXPECT_EQ(primary_->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    primary_->Unlock(nullptr);
}

TEST_F(DirectDraw, ALockHeldByAnotherThreadIsWaitedForABoundedTime) {
    Open("ddraw-4mb", 320, 200, 16);
    CreatePrimary(0);
    ASSERT_NE(LockedPixels(primary_), nullptr);
    ASSERT_NE(LockedPixels(primary_), nullptr); // nests on the holder's thread
    HRESULT waited = 0, at_once = 0;
    std::chrono::steady_clock::duration took{};
    std::thread other([&] {
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        at_once = primary_->Lock(nullptr, &d, 0, nullptr);
        const auto start = std::chrono::steady_clock::now();
        waited = primary_->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
        took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(primary_->Unlock(nullptr), DDERR_NOTLOCKED);
    });
    other.join();
    EXPECT_EQ(at_once, DDERR_WASSTILLDRAWING);
    EXPECT_EQ(waited, DDERR_SURFACEBUSY);
    EXPECT_GE(took, std::chrono::milliseconds(100));
    EXPECT_EQ(primary_->Unlock(nullptr), DD_OK);
    EXPECT_EQ(primary_->Unlock(nullptr), DD_OK);
    EXPECT_EQ(primary_->Unlock(nullptr), DDERR_NOTLOCKED);
}

TEST_F(DirectDraw, FillsAndBlitsFollowTheCapabilities) {
    Open("ddraw-4mb", 320, 200, 16);
    CreatePrimary(0);
    ASSERT_EQ(CreateOffscreen(8, 8, &offscreen_), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x00FF;
    RECT r{0, 0, 8, 8};
    ASSERT_EQ(offscreen_->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    fx.dwFillColor = 0x0F0F;
    fx.dwROP = DD_SRCINVERT;
    RECT half{0, 0, 4, 8};
    ASSERT_EQ(offscreen_->Blt(&half, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_ROP, &fx), DD_OK);
    DDCOLORKEY key{0x00FF, 0x00FF};
    ASSERT_EQ(offscreen_->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(primary_->BltFast(10, 10, offscreen_, &r, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
              DD_OK);
    LONG pitch = 0;
    const uint8_t* p = LockedPixels(primary_, &pitch);
    ASSERT_NE(p, nullptr);
    uint16_t xored = 0, keyed = 0;
    std::memcpy(&xored, p + 10 * pitch + 10 * 2, 2);
    std::memcpy(&keyed, p + 10 * pitch + 14 * 2, 2);
    primary_->Unlock(nullptr);
    EXPECT_EQ(xored, 0x0FF0);
    EXPECT_EQ(keyed, 0); // the key colour was left out
    RECT outside{0, 0, 400, 8};
    EXPECT_EQ(primary_->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);

    // A card without a blitter says so.
    primary_->Release();
    primary_ = nullptr;
    offscreen_->Release();
    offscreen_ = nullptr;
    object_->Release();
    object_ = nullptr;
    DestroyWindow(window_);
    Open("ddraw-2mb-555", 320, 200, 16);
    CreatePrimary(0);
    EXPECT_EQ(primary_->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_NOBLTHW);
}

TEST_F(DirectDraw, TheBeamWaitEndsAtTheNextSixtiethOfASecond) {
    platform::ClockUseVirtual(true, 1000);
    Open("ddraw-4mb", 320, 200, 16);
    ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    EXPECT_EQ(platform::ClockNow(), 1017u);
    ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    EXPECT_EQ(platform::ClockNow(), 1034u);
    EXPECT_EQ(platform::AdapterRetraceWaits(), 2u);
}

TEST_F(DirectDraw, EscapeFortyTwoRecordsTheVideoMemoryOffset) {
    Open("ddraw-4mb", 320, 200, 16);
    CreatePrimary(1);
    std::vector<LPDIRECTDRAWSURFACE> chain = Chain(2);
    uint8_t* back = LockedPixels(chain[1]);
    chain[1]->Unlock(nullptr);
    HDC dc = GetDC(window_);
    EXPECT_EQ(Escape(dc, 42, int(sizeof(back)), reinterpret_cast<LPCSTR>(&back), nullptr), 1);
    ReleaseDC(window_, dc);
    EXPECT_EQ(platform::AdapterEscapeOffset(), back - platform::AdapterVideoMemory().base);
}

TEST_F(DirectDraw, WriteProtectionCatchesAStrayWrite) {
    Open("ddraw-4mb", 320, 200, 16);
    CreatePrimary(0);
    platform::SetAdapterWriteProtect(true);
    uint8_t* p = LockedPixels(primary_);
    ASSERT_NE(p, nullptr);
    p[0] = 1; // inside the lock
    primary_->Unlock(nullptr);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(*static_cast<volatile uint8_t*>(p) = 2, "");
    platform::SetAdapterWriteProtect(false);
}

} // namespace
