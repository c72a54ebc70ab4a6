// Display settings over the modes the host offers.
#include "../kernel/OutOfMemory.h"
#include "GdiInternal.h"

#include "../window/WindowSurface.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<int> g_changes{0}, g_restores{0};

void Describe(const platform::DisplayMode& mode, DEVMODEA* out) {
    // Keep what the caller set in dmSize and dmDriverExtra, as Windows does.
    const WORD size = out->dmSize, extra = out->dmDriverExtra;
    std::memset(out, 0, sizeof *out);
    std::strncpy(reinterpret_cast<char*>(out->dmDeviceName), "DISPLAY", CCHDEVICENAME - 1);
    out->dmSpecVersion = 0x0400;
    out->dmSize = size ? size : sizeof(DEVMODEA);
    out->dmDriverExtra = extra;
    out->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    out->dmBitsPerPel = static_cast<DWORD>(mode.bitsPerPixel);
    out->dmPelsWidth = static_cast<DWORD>(mode.width);
    out->dmPelsHeight = static_cast<DWORD>(mode.height);
    out->dmDisplayFrequency = static_cast<DWORD>(mode.frequency);
}

// The desktop's own mode: the one in use when a program first asks about
// display settings, before it changes them.
platform::DisplayMode DesktopMode() {
    static const platform::DisplayMode desktop = [] {
        platform::DisplayMode m{};
        platform::GetCurrentDisplayMode(&m);
        return m;
    }();
    return desktop;
}

} // namespace

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    return platform::OrOutOfMemory<LONG>(DISP_CHANGE_FAILED, [&]() -> LONG {
        DesktopMode();
        if (flags & ~DWORD(CDS_UPDATEREGISTRY | CDS_TEST | CDS_FULLSCREEN))
            return DISP_CHANGE_BADFLAGS;
        if (!mode) {
            if (!(flags & CDS_TEST)) {
                platform::RestoreDisplayMode();
                ++g_restores;
            }
            return DISP_CHANGE_SUCCESSFUL;
        }
        if (mode->dmSize < offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD))
            return DISP_CHANGE_BADPARAM;
        // Fields the caller leaves out keep their current values.
        platform::DisplayMode want{};
        platform::GetCurrentDisplayMode(&want);
        if (mode->dmFields & DM_PELSWIDTH) want.width = static_cast<int>(mode->dmPelsWidth);
        if (mode->dmFields & DM_PELSHEIGHT) want.height = static_cast<int>(mode->dmPelsHeight);
        if (mode->dmFields & DM_BITSPERPEL)
            want.bitsPerPixel = static_cast<int>(mode->dmBitsPerPel);
        want.frequency =
            (mode->dmFields & DM_DISPLAYFREQUENCY) ? static_cast<int>(mode->dmDisplayFrequency) : 0;
        // A setting the adapter lists but refuses fails; one it never lists is a bad mode.
        bool known = false, usable = false;
        for (int i = 0, n = platform::DisplayModeCount(); i < n && !usable; ++i) {
            platform::DisplayMode m{};
            if (!platform::GetDisplayModeAt(i, &m)) continue;
            const bool same =
                m.width == want.width && m.height == want.height &&
                m.bitsPerPixel == want.bitsPerPixel &&
                (want.frequency == 0 || m.frequency == 0 || m.frequency == want.frequency);
            known = known || same;
            usable = same && !m.refused;
        }
        if (!known) return DISP_CHANGE_BADMODE;
        if (!usable) return DISP_CHANGE_FAILED;
        if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
        if (!platform::SetDisplayMode(want)) return DISP_CHANGE_FAILED;
        ++g_changes;
        return DISP_CHANGE_SUCCESSFUL;
    });
}

BOOL EnumDisplaySettingsA(LPCSTR device, DWORD index, DEVMODEA* out) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        if (device || !out) return FALSE;
        platform::DisplayMode mode = DesktopMode();
        if (index == ENUM_CURRENT_SETTINGS) {
            platform::GetCurrentDisplayMode(&mode);
        } else if (index == ENUM_REGISTRY_SETTINGS) {
            // Already in `mode`.
        } else if (!platform::GetDisplayModeAt(static_cast<int>(index), &mode)) {
            return FALSE;
        }
        Describe(mode, out);
        return TRUE;
    });
}

platform::DisplaySettingsCalls platform::DisplaySettingsCallCount() {
    return {g_changes.load(), g_restores.load()};
}
