// The simulated WinG library: five functions over DIB sections and GDI blits,
// and the 16-bit desktop layout switch.
#include "platform/WinG.h"

#include "platform/Module.h"

#include <atomic>
#include <iterator>

HDC WINAPI WinGCreateDC() {
    return CreateCompatibleDC(nullptr);
}

HBITMAP WINAPI WinGCreateBitmap(HDC dc, const BITMAPINFO* info, void** bits) {
    return CreateDIBSection(dc, info, DIB_RGB_COLORS, bits, nullptr, 0);
}

UINT WINAPI WinGSetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
    return SetDIBColorTable(dc, start, count, colors);
}

BOOL WINAPI WinGBitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                       int sourceY) {
    return BitBlt(dest, x, y, width, height, source, sourceX, sourceY, SRCCOPY);
}

BOOL WINAPI WinGStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                           int sourceY, int sourceWidth, int sourceHeight) {
    return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, sourceWidth,
                      sourceHeight, SRCCOPY);
}

namespace platform {

namespace {
std::atomic<bool> layout555{false};
} // namespace

void SetDesktop16Layout555(bool on) {
    layout555 = on;
}

bool Desktop16Layout555() {
    return layout555;
}

extern const ModuleExport kWinGExports[];
extern const size_t kWinGExportCount;
const ModuleExport kWinGExports[] = {
    {"WinGCreateDC", ExportOf(&WinGCreateDC)},
    {"WinGCreateBitmap", ExportOf(&WinGCreateBitmap)},
    {"WinGSetDIBColorTable", ExportOf(&WinGSetDIBColorTable)},
    {"WinGBitBlt", ExportOf(&WinGBitBlt)},
    {"WinGStretchBlt", ExportOf(&WinGStretchBlt)},
};
const size_t kWinGExportCount = std::size(kWinGExports);

} // namespace platform
