// The graphics device interface: device contexts of windows, of the screen and
// of memory, DIB sections, blits with pixel-format conversion, palettes on a
// simulated system palette, fonts and text through FreeType and fontconfig,
// and the display settings.
//
// Window DCs draw into the window's client-area pixels, which the host
// presents. The screen DC answers questions (device capabilities, the system
// palette) but has no pixels of its own: blits into it draw nothing.
// The desktop is true colour unless ChangeDisplaySettingsA chose another
// depth. All calls may be made from any thread.
#pragma once

#include "platform/Types.h"

// --- Records ----------------------------------------------------------------

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // negative: rows top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The header is followed by the colour table, or with BI_BITFIELDS by the
// red, green and blue masks.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64

struct LOGFONTA {
    LONG lfHeight; // < 0: character height; > 0: cell height; 0: default
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICA) == 56);

struct NEWTEXTMETRICA : TEXTMETRICA {
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
};
static_assert(sizeof(NEWTEXTMETRICA) == 72);

struct ENUMLOGFONTA {
    LOGFONTA elfLogFont;
    BYTE elfFullName[LF_FULLFACESIZE];
    BYTE elfStyle[LF_FACESIZE];
};
static_assert(sizeof(ENUMLOGFONTA) == 156);

// Called once per font family (or per style of the family asked for) with
// an ENUMLOGFONTA and a NEWTEXTMETRICA; returning 0 stops the enumeration.
typedef int(CALLBACK* FONTENUMPROCA)(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM);

#define CCHDEVICENAME 32
#define CCHFORMNAME 32

struct DEVMODEA {
    BYTE dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT dmPaperLength;
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality;
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    BYTE dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
    DWORD dmPanningWidth;
    DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEA) == 156);

// --- Constants ----------------------------------------------------------------

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

#define TRANSPARENT 1
#define OPAQUE 2

#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR 0xFFFFFFFFL
#define HGDI_ERROR ((HGDIOBJ)(intptr_t)-1)

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

// GetDeviceCaps indexes and bits.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define VREFRESH 116
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define DT_RASDISPLAY 1
#define RC_BITBLT 0x0001
#define RC_BITMAP64 0x0008
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800

#define SYSPAL_ERROR 0
#define SYSPAL_STATIC 1
#define SYSPAL_NOSTATIC 2
#define SYSPAL_NOSTATIC256 3

#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define TMPF_FIXED_PITCH 0x01 // set for variable pitch, as on Windows
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
#define NTM_ITALIC 0x00000001
#define NTM_BOLD 0x00000020
#define NTM_REGULAR 0x00000040

#define DM_BITSPERPEL 0x00040000
#define DM_PELSWIDTH 0x00080000
#define DM_PELSHEIGHT 0x00100000
#define DM_DISPLAYFLAGS 0x00200000
#define DM_DISPLAYFREQUENCY 0x00400000
#define CDS_UPDATEREGISTRY 0x00000001
#define CDS_TEST 0x00000002
#define CDS_FULLSCREEN 0x00000004
#define DISP_CHANGE_SUCCESSFUL 0
#define DISP_CHANGE_RESTART 1
#define DISP_CHANGE_FAILED (-1)
#define DISP_CHANGE_BADMODE (-2)
#define DISP_CHANGE_BADFLAGS (-4)
#define DISP_CHANGE_BADPARAM (-5)
#define ENUM_CURRENT_SETTINGS ((DWORD)-1)
#define ENUM_REGISTRY_SETTINGS ((DWORD)-2)

// --- Device contexts -----------------------------------------------------------

// GetDC(null) is the screen. A window DC draws into the window's client area.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory DC starts with a 1 x 1 monochrome bitmap selected.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HWND WindowFromDC(HDC dc);
// Origin of a window DC in screen coordinates; (0, 0) for other DCs.
BOOL GetDCOrgEx(HDC dc, LPPOINT origin);
int GetDeviceCaps(HDC dc, int index);
// Codes 42 (new drawing surface address) and 43 (palette of 1024 bytes) are
// accepted and need nothing here; others are not supported (0).
int Escape(HDC dc, int code, int inputSize, LPCSTR input, LPVOID output);

// --- Objects -----------------------------------------------------------------------

// Bitmaps (into memory DCs only; one DC at a time), brushes and fonts.
// Returns the object it replaced; null on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// FALSE for an object still selected into a DC; stock objects are kept.
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
DWORD GetObjectType(HGDIOBJ object);
// BITMAP or DIBSECTION (by size), LOGFONTA, or the entry count (WORD) of a
// palette. Returns the bytes written; with `out` null, the bytes needed.
int GetObjectA(HGDIOBJ object, int size, LPVOID out);
HBRUSH CreateSolidBrush(COLORREF color);
// The rectangle's right and bottom are exclusive. (A user-interface call
// on Windows, here because it only draws.)
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

// --- Bitmaps -----------------------------------------------------------------------

// 1, 4, 8, 16, 24 or 32 bits per pixel; BI_RGB, or BI_BITFIELDS for 16 and
// 32 bits and (this layer's own) for 24 bits with the masks of either byte
// order, red first (FFh, FF00h, FF0000h) or blue first. The pixels are
// zeroed; `*bits` receives them. File-mapping
// sections are not supported (`section` must be null).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// In the format of the DC: the desktop's for window and screen DCs, that of
// the selected bitmap for memory DCs (monochrome while none is selected).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Colour table of the DIB section selected into a memory DC (1 to 8 bits).
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
// With `bits` null: fills the header (and with BI_BITFIELDS the masks) for
// the bitmap, or for the format asked for when biBitCount is set. Otherwise
// converts scan lines into the format the header asks for.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
// Nearest-neighbour scaling; a negative width or height mirrors.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

// --- Palettes ------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* palette);
// The palette a DC had; null on failure.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// Maps the DC's palette into the system palette; returns how many system
// entries changed (always 0 on a true-colour desktop).
UINT RealizePalette(HDC dc);
BOOL UnrealizeObject(HGDIOBJ object);
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
// The simulated system palette: the twenty static colours at 0-9 and
// 246-255, the rest as the last realisation left them.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetSystemPaletteUse(HDC dc, UINT use);
UINT GetSystemPaletteUse(HDC dc);

// --- Text -------------------------------------------------------------------------

HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
// Characters are cp1252 bytes; (x, y) is the top left of the text cell.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
// `family` null: one call per family; otherwise one per style of it.
// Returns the last value the callback returned (1 when it was never called).
int EnumFontFamiliesA(HDC dc, LPCSTR family, FONTENUMPROCA callback, LPARAM data);

// --- Display settings ----------------------------------------------------------

// `mode` null puts the desktop's own mode back.
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);
// `device` must be null. Index ENUM_CURRENT_SETTINGS gives the mode in use,
// ENUM_REGISTRY_SETTINGS the desktop's own; others walk the mode list.
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD index, DEVMODEA* mode);

namespace platform {
// What ChangeDisplaySettingsA did so far in this process: modes set and
// desktop restores (test calls not counted). Tests compare before and after.
struct DisplaySettingsCalls {
    int changes = 0;
    int restores = 0;
};
DisplaySettingsCalls DisplaySettingsCallCount();
} // namespace platform
