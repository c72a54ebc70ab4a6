// Small desktop services: the screen-saver-running flag full-screen modes set
// and the file title the display uses for a default caption.
#include "UserState.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<UINT> screenSaverRunning{0};
}

BOOL SystemParametersInfoA(UINT action, UINT param, LPVOID pv, UINT) {
    switch (action) {
        case SPI_SETSCREENSAVERRUNNING: {
            UINT old = screenSaverRunning.exchange(param ? 1u : 0u);
            if (pv) *static_cast<UINT*>(pv) = old;
            return TRUE;
        }
        case SPI_GETSCREENSAVERRUNNING:
            if (!pv) return FALSE;
            *static_cast<UINT*>(pv) = screenSaverRunning.load();
            return TRUE;
        default: return FALSE;
    }
}

short GetFileTitleA(LPCSTR file, LPSTR title, WORD size) {
    if (!file) return -1;
    const char* name = file;
    for (const char* p = file; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    size_t length = std::strlen(name);
    if (length == 0 || length > 0x7ffe) return -1;
    if (!title || size < length + 1) return static_cast<short>(length + 1);
    std::memcpy(title, name, length + 1);
    return 0;
}
