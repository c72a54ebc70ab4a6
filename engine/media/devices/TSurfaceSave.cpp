#include "media/devices/TSurfaceSave.h"

#include "gdl/ddraw.h"
#include "gdl/mouse.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kHeader = 20; // left, top, right, bottom (int32), row bytes (uint16)

int32_t bytesPerPixel(const GdlDeviceContext* dc) {
    return (int32_t(dc->mode.bitsPerPixel) + 1) / 8; // 15 bits take 2
}

// The locked surface with its size, unlocked when it goes.
struct Locked {
    explicit Locked(LPDIRECTDRAWSURFACE s) : surface(s) {
        desc.dwSize = sizeof(desc);
        result = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    }
    HRESULT Unlock() {
        if (result != DD_OK) return result;
        result = -1;
        return surface->Unlock(desc.lpSurface);
    }
    ~Locked() { Unlock(); }
    uint8_t* Row(int32_t y, int32_t x, int32_t bpp) const {
        return static_cast<uint8_t*>(desc.lpSurface) + int64_t(y) * desc.lPitch + int64_t(x) * bpp;
    }
    LPDIRECTDRAWSURFACE surface;
    DDSURFACEDESC desc{};
    HRESULT result;
};

// The rectangle cut to the surface; false when nothing is left.
bool cut(const DDSURFACEDESC& d, int32_t* l, int32_t* t, int32_t* r, int32_t* b) {
    *l = std::max(*l, 0);
    *t = std::max(*t, 0);
    *r = std::min(*r, int32_t(d.dwWidth));
    *b = std::min(*b, int32_t(d.dwHeight));
    return *l < *r && *t < *b;
}

void saveEntry(GdlDeviceContext* dc, int32_t l, int32_t t, int32_t r, int32_t b, void* buffer) {
    SaveSurfaceRect(dc, l, t, r, b, buffer);
}

void restoreEntry(GdlDeviceContext* dc, const void* buffer) {
    RestoreSurfaceRect(dc, buffer);
}

} // namespace

int32_t SaveSurfaceSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom) {
    if (!dc || right <= left || bottom <= top) return kHeader;
    // Exactly the rows the save writes after its header: the packed-pixel
    // rule's rounding would not leave room for it.
    const int64_t bytes = int64_t(right - left) * bytesPerPixel(dc) * (bottom - top) + kHeader;
    return bytes > INT32_MAX ? INT32_MAX : int32_t(bytes);
}

int32_t SaveSurfaceRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, void* buffer) {
    if (!dc || !buffer) return 0;
    if (dc->mode.bitsPerPixel < 8) return int32_t(dc->mode.bitsPerPixel);
    LPDIRECTDRAWSURFACE s = GDL_getDirectDrawSurface(dc);
    if (!s) return 0;
    Locked lock(s);
    if (lock.result != DD_OK) return lock.result;
    const int32_t bpp = bytesPerPixel(dc);
    if (!cut(lock.desc, &left, &top, &right, &bottom)) left = right = top = bottom = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    const int32_t head[4] = {left, top, right, bottom};
    const uint16_t rowBytes = uint16_t((right - left) * bpp);
    std::memcpy(out, head, sizeof(head));
    std::memcpy(out + 16, &rowBytes, 2);
    out += kHeader;
    for (int32_t y = top; y < bottom; ++y, out += rowBytes)
        std::memcpy(out, lock.Row(y, left, bpp), rowBytes);
    return lock.Unlock();
}

int32_t RestoreSurfaceRect(GdlDeviceContext* dc, const void* buffer) {
    if (!dc || !buffer) return 0;
    if (dc->mode.bitsPerPixel < 8) return int32_t(dc->mode.bitsPerPixel);
    LPDIRECTDRAWSURFACE s = GDL_getDirectDrawSurface(dc);
    if (!s) return 0;
    Locked lock(s);
    if (lock.result != DD_OK) return lock.result;
    const auto* in = static_cast<const uint8_t*>(buffer);
    int32_t head[4];
    uint16_t rowBytes = 0;
    std::memcpy(head, in, sizeof(head));
    std::memcpy(&rowBytes, in + 16, 2);
    in += kHeader;
    const int32_t bpp = bytesPerPixel(dc);
    int32_t l = head[0], t = head[1], r = head[2], b = head[3];
    // Only a header this routine's save could have written is followed.
    if (!cut(lock.desc, &l, &t, &r, &b) || l != head[0] || t != head[1] || r != head[2] ||
        b != head[3] || rowBytes != (r - l) * bpp)
        return lock.Unlock();
    for (int32_t y = t; y < b; ++y, in += rowBytes)
        std::memcpy(lock.Row(y, l, bpp), in, rowBytes);
    return lock.Unlock();
}

void InstallSurfaceSaveHooks(GdlDeviceContext* dc) {
    GdlDeviceContext* live = GDL_liveDC(dc);
    if (!live) return;
    live->v.saveRectSize = SaveSurfaceSize;
    live->v.saveRect = saveEntry;
    live->v.restoreRect = restoreEntry;
    // The library's cursor sized its save buffers by the entry it found;
    // while it is hidden they are sized again by this one.
    if (GDL_getMouseDC() == dc && GDL_mouseShowCount() == -1) GDL_setMouseDC(dc);
}
