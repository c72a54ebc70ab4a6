// The WinG library ("wing32.dll") as older Windows versions offered it for fast
// windowed output: memory DCs over DIB sections and blits into windows. The
// module is compiled in; callers reach it through LoadLibraryA and
// GetProcAddress like any other, so these declarations are for tests.
#pragma once

#include "platform/Gdi.h"

HDC WINAPI WinGCreateDC();
HBITMAP WINAPI WinGCreateBitmap(HDC dc, const BITMAPINFO* info, void** bits);
UINT WINAPI WinGSetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
BOOL WINAPI WinGBitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                       int sourceY);
BOOL WINAPI WinGStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                           int sourceY, int sourceWidth, int sourceHeight);

namespace platform {

// A 16-bit desktop lays its pixels out 5:6:5 unless a test asks for 5:5:5,
// as some display adapters did. Compatible bitmaps and GetDIBits follow it.
void SetDesktop16Layout555(bool on);
bool Desktop16Layout555();

} // namespace platform
