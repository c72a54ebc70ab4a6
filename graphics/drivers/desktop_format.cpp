// The desktop's depth and pixel layout as a device context sees them.
#include "gdl/pixelformat.h"
#include "gdl/windc.h"

HDC FDIB_getWinDC(GdlDeviceContext* dc) {
    return dc ? dc->winDC : nullptr;
}

int32_t GDL_getDesktopDepth(HDC hdc, uint32_t* redMask) {
    const int32_t bits = GetDeviceCaps(hdc, BITSPIXEL);
    if (bits < 9) return bits;
    struct {
        BITMAPINFOHEADER header;
        uint32_t masks[3];
    } info{};
    HBITMAP probe = CreateCompatibleBitmap(hdc, 1, 1);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = 1;
    info.header.biHeight = 1;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits);
    info.header.biCompression = BI_BITFIELDS;
    GetDIBits(hdc, probe, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(probe);
    if (redMask) *redMask = info.masks[0];
    return bits == 16 && info.masks[0] != 0xF800 ? 15 : bits;
}

void GDL_pixelFormatFromHDC(GdlDeviceContext* dc, HDC hdc) {
    dc->mode.planes = uint32_t(GetDeviceCaps(hdc, PLANES));
    uint32_t red = 0;
    const int32_t bits = GDL_getDesktopDepth(hdc, &red);
    dc->mode.bitsPerPixel = uint32_t(bits);
    int32_t which;
    switch (bits) {
        case 15: which = GDL_PF_555; break;
        case 16: which = GDL_PF_565; break;
        case 24: which = red == 0xFF ? GDL_PF_BGR : GDL_PF_RGB; break;
        case 32:
            which = red == 0xFF          ? GDL_PF_ABGR
                    : red == 0xFF000000u ? GDL_PF_RGBA
                    : red == 0xFF00      ? GDL_PF_BGRA
                                         : GDL_PF_ARGB;
            break;
        default: which = GDL_PF_RGB; break;
    }
    dc->format = *GDL_standardPixelFormat(which);
}
