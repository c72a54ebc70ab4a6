// Device contexts: the record through which everything is drawn, its routine
// vector with the nine render tables, and the current context. The library
// keeps a full working copy of the current context, the state block
// (GDL_stateBlock); drawing code reads and writes the copy, which is written
// back when another context becomes current.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdl/driver.h"
#include "gdl/pixelformat.h"
#include "platform/Types.h"

struct GdlDeviceContext;
struct GdlFont;

struct GdlRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One row of a span list: x1 .. x2 - 1.
struct GdlSpan16 {
    int16_t x1;
    int16_t x2;
};

// Arc span list row: up to two spans; 32767 means "no value".
struct GdlArcSpan {
    int16_t x1;
    int16_t x2;
    int16_t x3;
    int16_t x4;
};
constexpr int16_t GDL_NO_VALUE = 32767;

// Trapezoid state handed to slot 4: `count` rows from `row`, edges in 16.16.
struct GdlEdgeWalker {
    int32_t row;
    int32_t count;
    int32_t leftX;
    int32_t rightX;
    int32_t leftStep;
    int32_t rightStep;
};

// The edge walker with the values the shading and depth fillers step.
// Colours are 16.16 with the 8-bit channel value in the integer part;
// indexes 16.16. The depth is that of column x0 of the depth-slope table.
struct GdlShadeWalker {
    GdlEdgeWalker edge;   // first, so a GdlEdgeWalker* reaches the whole record
    int32_t depth;        // at the row start
    int32_t depthStepX;   // per pixel
    int32_t depthStepRow; // per row
    int32_t leftIndex, leftIndexStep, rightIndex, rightIndexStep;
    int32_t leftRed, leftGreen, leftBlue, rightRed, rightGreen, rightBlue;
    int32_t leftRedStep, leftGreenStep, leftBlueStep, rightRedStep, rightGreenStep, rightBlueStep;
};

// A region for slot 5: groups of rows, each a run of x pairs.
struct GdlRegionRow {
    int32_t y;
    int32_t count;
    const GdlSpan16* spans;
    const GdlRegionRow* next;
};

// Text settings (text output fills them in).
struct GdlTextSettings {
    int32_t horizJustify;
    int32_t vertJustify;
    int32_t direction;
    int32_t xMultiplier;
    int32_t yMultiplier;
    int32_t xDivisor;
    int32_t yDivisor;
    int32_t spacing;
    const GdlFont* font;
};

// Drawing attributes, restored as one block.
struct GdlAttributes {
    uint32_t color;
    uint32_t backColor;
    int32_t colorMapMode; // 0 indexed, 1 colours looked up in the palette table
    int32_t unusedWord1;  // 3
    int32_t unusedWord2;  // 0
    uint32_t unusedColor; // the default colour
    uint32_t bevelLight;
    uint32_t bevelDark;
    int32_t cpX;
    int32_t cpY;
    int32_t writeMode; // 0 replace, 1 AND, 2 OR, 3 XOR
    int32_t fillStyle; // 0 solid, 1 opaque pattern, 2 transparent pattern, 3 colour pattern
    int32_t penHeight; // height - 1 in a context; the count in a saved block
    int32_t penWidth;  // width - 1 in a context; the count in a saved block
    uint8_t monoPattern[8];
    uint32_t colorPattern[64];
    int32_t penStyle; // 0 solid, 1 styled
    uint32_t lineStyle;
    uint32_t lineStylePos;
    GdlRect viewport; // device coordinates
    int32_t viewportOriginX;
    int32_t viewportOriginY;
    GdlRect clipRect; // viewport coordinates
    int32_t clipOn;
    int32_t unusedWord3; // 2
    GdlTextSettings text;
};

// --- The routine vector ------------------------------------------------------
// Entries that take no context work on the state block.

typedef HDC (*GdlGetWinDCFunc)(GdlDeviceContext* dc);
typedef const GdlPaletteEntry* (*GdlDefaultPaletteFunc)();
typedef void (*GdlRealizePaletteFunc)(GdlDeviceContext* dc, const GdlPaletteEntry* palette,
                                      int32_t count, int32_t first, int32_t wait);
typedef void (*GdlSetColorFunc)(uint32_t color);
typedef void (*GdlApplyClipFunc)(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                                 int32_t bottom);
typedef void (*GdlAccessFunc)();
typedef uint32_t (*GdlGetPixelFunc)(int32_t x, int32_t y);
typedef void (*GdlPutPixelFunc)(int32_t x, int32_t y);
typedef void (*GdlGetRowFunc)(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest,
                              int32_t srcX, int32_t op);
typedef void (*GdlPutRowFunc)(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2,
                              const void* src, int32_t srcX, int32_t op);
typedef void (*GdlPutRowDoubledFunc)(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                                     const void* src);
typedef void (*GdlPutRowStretchedFunc)(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                                       const void* src, const uint32_t* repeatCounts);
typedef void (*GdlSetValueFunc)(int32_t value);
typedef void (*GdlSetMonoPatternFunc)(const uint8_t* pattern);   // 8 bytes
typedef void (*GdlSetColorPatternFunc)(const uint32_t* pattern); // 64 words
typedef void (*GdlPutRowKeyFunc)(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2,
                                 const void* src, uint32_t key);
typedef void (*GdlPutMonoImageFunc)(GdlDeviceContext* dc, int32_t x, int32_t y,
                                    int32_t bytesPerLine, int32_t height, const uint8_t* bits);
// (context, left, top, bytes per row, rows, AND mask, XOR mask, colour)
typedef void (*GdlDrawCursorFunc)(GdlDeviceContext* dc, int32_t left, int32_t top,
                                  int32_t bytesPerLine, int32_t height, const uint8_t* andMask,
                                  const uint8_t* xorMask, uint32_t color);
typedef int32_t (*GdlSaveRectSizeFunc)(GdlDeviceContext* dc, int32_t left, int32_t top,
                                       int32_t right, int32_t bottom);
typedef void (*GdlSaveRectFunc)(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                                int32_t bottom, void* buffer);
typedef void (*GdlRestoreRectFunc)(GdlDeviceContext* dc, const void* buffer);
// Device to memory: (left, top, right, bottom, memory x, memory y, op, memory, bytes per line).
typedef void (*GdlCopyToMemoryFunc)(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                    int32_t memX, int32_t memY, int32_t op, void* memory,
                                    int32_t bytesPerLine);
// Memory to device: (memory left, top, right, bottom, destination x, y, op, memory, bytes per
// line, the source context or null for a bitmap). Window-backed contexts copy
// from the source context's own Windows DC.
typedef void (*GdlCopyFromMemoryFunc)(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                      int32_t destX, int32_t destY, int32_t op, const void* memory,
                                      int32_t bytesPerLine, GdlDeviceContext* source);
typedef void (*GdlStretchFixedFunc)(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                                    int32_t top, int32_t right, int32_t bottom, int32_t destX,
                                    int32_t destY, const GdlPaletteEntry* palette,
                                    int32_t translate);
// The phases are the source column and row, within the whole stretch, of
// (left, top): the repeat pattern of the scales starts there, so a clipped
// stretch shows the pixels of the whole one.
typedef void (*GdlStretchFunc)(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                               int32_t top, int32_t right, int32_t bottom, int32_t destX,
                               int32_t destY, int32_t xScale, int32_t yScale,
                               const GdlPaletteEntry* palette, int32_t translate, int32_t xPhase,
                               int32_t yPhase);

// Render table entries (device coordinates, already offset and clipped).
typedef void (*GdlLineFunc)(int32_t x1, int32_t y1, int32_t x2, int32_t y2); // 16.16
typedef void (*GdlSpanFunc)(int32_t y, int32_t x1, int32_t x2);
typedef void (*GdlFillRectFunc)(int32_t left, int32_t top, int32_t right, int32_t bottom);
typedef void (*GdlSpanListFunc)(int32_t firstRow, int32_t count, const GdlSpan16* list);
typedef void (*GdlTrapezoidFunc)(GdlEdgeWalker* walker);
typedef void (*GdlRegionFunc)(int32_t x, int32_t y, const GdlRegionRow* region);
// Ellipse box: the ellipse touches columns left and right and rows top and bottom.
typedef void (*GdlEllipseFunc)(const GdlRect* box, int32_t flag);
typedef void (*GdlArcFunc)(const GdlRect* box, int32_t startAngle, int32_t endAngle, int32_t flag);

// Shaded lines: colour index c, or red, green and blue, in 16.16 per end.
typedef void (*GdlRampLineFunc)(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2,
                                int32_t c2);
typedef void (*GdlRgbLineFunc)(int32_t x1, int32_t y1, int32_t r1, int32_t g1, int32_t b1,
                               int32_t x2, int32_t y2, int32_t r2, int32_t g2, int32_t b2);
// Depth-tested lines: the same with a depth after each end's y.
typedef void (*GdlZLineFunc)(int32_t x1, int32_t y1, int32_t z1, int32_t x2, int32_t y2,
                             int32_t z2);
typedef void (*GdlZRampLineFunc)(int32_t x1, int32_t y1, int32_t z1, int32_t c1, int32_t x2,
                                 int32_t y2, int32_t z2, int32_t c2);
typedef void (*GdlZRgbLineFunc)(int32_t x1, int32_t y1, int32_t z1, int32_t r1, int32_t g1,
                                int32_t b1, int32_t x2, int32_t y2, int32_t z2, int32_t r2,
                                int32_t g2, int32_t b2);
// Shaded and depth-tested polygons take vertex records whose colour values come
// first (ramp: c, x, y; RGB: r, g, b, x, y; a z form adds z after y), all 16.16.
typedef void (*GdlShadedTriangleFunc)(const int32_t* a, const int32_t* b, const int32_t* c,
                                      int32_t xOffset, int32_t yOffset);
typedef void (*GdlShadedQuadFunc)(const int32_t* a, const int32_t* b, const int32_t* c,
                                  const int32_t* d, int32_t xOffset, int32_t yOffset);
typedef void (*GdlZTriangleFunc)(const int32_t* a, const int32_t* b, const int32_t* c,
                                 int32_t xOffset, int32_t yOffset, int32_t zOffset);
typedef void (*GdlZQuadFunc)(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                             int32_t xOffset, int32_t yOffset, int32_t zOffset);
typedef void (*GdlZClearFunc)(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t z);
typedef int32_t (*GdlMakeZBufferFunc)(GdlDeviceContext* dc, int32_t depth);

// One set of depth-tested entries (17); the vector holds the 16-bit and the
// 32-bit set and the active one, a copy of the set of the z-buffer's depth.
// Each `mapped` entry is the colour-map form of the entry before it.
struct GdlZSet {
    GdlZClearFunc zClear;
    GdlZLineFunc zLine;
    GdlZLineFunc zLineMapped;
    GdlZRampLineFunc zRampLine;
    GdlZRgbLineFunc zRgbLine;
    GdlZTriangleFunc zTriangle;
    GdlZTriangleFunc zTriangleMapped;
    GdlZTriangleFunc zRampTriangle;
    GdlZTriangleFunc zRgbTriangle;
    GdlZQuadFunc zQuad;
    GdlZQuadFunc zQuadMapped;
    GdlZQuadFunc zRampQuad;
    GdlZQuadFunc zRgbQuad;
    GdlTrapezoidFunc zTrapezoid;
    GdlTrapezoidFunc zTrapezoidMapped;
    GdlTrapezoidFunc zRampTrapezoid;
    GdlTrapezoidFunc zRgbTrapezoid;
};

struct GdlRenderTable {
    GdlLineFunc line;
    GdlSpanFunc span;
    GdlFillRectFunc fillRect;
    GdlSpanListFunc spanList;
    GdlTrapezoidFunc trapezoid;
    GdlRegionFunc region;
    GdlEllipseFunc ellipse;
    GdlEllipseFunc fillEllipse;
    GdlArcFunc ellipseArc;
    GdlArcFunc fillEllipseArc;
};

enum : int32_t { GDL_RENDER_TABLES = 9, GDL_RENDER_SLOTS = 10 };

// Higher primitives shared by all drivers.
typedef void (*GdlPolygonFunc)(int32_t count, const void* vertices, int32_t stride, int32_t xOffset,
                               int32_t yOffset);
typedef void (*GdlTriangleFunc)(const int32_t* a, const int32_t* b, const int32_t* c,
                                int32_t xOffset, int32_t yOffset);
typedef void (*GdlQuadFunc)(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                            int32_t xOffset, int32_t yOffset);
typedef void (*GdlArcCoordsFunc)(int32_t* coords); // six integers
typedef void (*GdlTransparentBltFunc)(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                                      int32_t top, int32_t right, int32_t bottom, int32_t destX,
                                      int32_t destY, int32_t op, uint32_t key);
// An off-screen context onto a display context: (destination, source,
// source rectangle, destination point, write mode).
typedef void (*GdlOffscreenBltFunc)(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                                    int32_t top, int32_t right, int32_t bottom, int32_t destX,
                                    int32_t destY, int32_t writeMode);
typedef void (*GdlCopyWithinFunc)(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                  int32_t destX, int32_t destY, int32_t op, int32_t downward);
typedef int32_t (*GdlScanFunc)(int32_t x, int32_t y, uint32_t color);
// Stroke list at device (x, y), unclipped, with the scale factors; returns the
// end of the list. Bitmap-font string at device (x, y).
typedef const uint16_t* (*GdlStrokeGlyphFunc)(int32_t x, int32_t y, const uint16_t* list,
                                              int32_t xMultiplier, int32_t yMultiplier,
                                              int32_t xDivisor, int32_t yDivisor);
typedef void (*GdlDrawStringFunc)(int32_t x, int32_t y, const char* text);
typedef void (*GdlTranslateImageFunc)(GdlDeviceContext* dc, int32_t left, int32_t top,
                                      int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                                      int32_t op, const void* surface, int32_t bytesPerLine,
                                      int32_t bits, const GdlPaletteEntry* palette,
                                      const GdlPixelFormat* format, GdlDeviceContext* source);

struct GdlRenderVector {
    GdlGetWinDCFunc getWinDC;
    GdlDefaultPaletteFunc defaultPalette;
    GdlRealizePaletteFunc realizePalette;
    GdlSetColorFunc setColor;
    GdlSetColorFunc setBackColor;
    GdlApplyClipFunc setClipRect;
    GdlAccessFunc beginDirectAccess;
    GdlAccessFunc endDirectAccess;
    GdlAccessFunc beginAccess;
    GdlGetPixelFunc getPixel;
    GdlPutPixelFunc putPixel;
    GdlAccessFunc endAccess;
    GdlGetRowFunc getRow;
    GdlPutRowFunc putRow;
    GdlPutRowDoubledFunc putRowDoubled;
    GdlPutRowStretchedFunc putRowStretched;
    GdlSetValueFunc setWriteMode;
    GdlSetValueFunc setFillStyle;
    GdlSetValueFunc setLineStyle;
    GdlSetValueFunc setLineStylePhase;
    GdlSetMonoPatternFunc setMonoPattern;
    GdlSetColorPatternFunc setColorPattern;
    GdlPutPixelFunc putDitheredPixel;
    GdlPutRowKeyFunc putRowSrcKey;
    GdlPutRowKeyFunc putRowDstKey;
    GdlPutMonoImageFunc putMonoImage;
    GdlDrawCursorFunc drawCursorImage;
    GdlSaveRectSizeFunc saveRectSize;
    GdlSaveRectFunc saveRect;
    GdlRestoreRectFunc restoreRect;
    GdlCopyToMemoryFunc copyToMemory;
    GdlCopyFromMemoryFunc copyFromMemory;
    GdlStretchFixedFunc blitRowDoubled;
    GdlStretchFixedFunc blitZoom2;
    GdlStretchFunc stretchBlit;
    GdlRenderTable current;
    GdlRenderTable tables[GDL_RENDER_TABLES];
    // Higher primitives.
    GdlLineFunc styledLine;
    GdlPolygonFunc polygon;
    GdlPolygonFunc convexPolygon;
    GdlTriangleFunc triangle;
    GdlQuadFunc quad;
    GdlArcCoordsFunc getArcCoords;
    GdlPutPixelFunc putPatternPixel; // one pattern-aware pixel (patterned outlines)
    GdlTranslateImageFunc translateImage;
    GdlTransparentBltFunc srcTransparentBlt;
    GdlTransparentBltFunc dstTransparentBlt;
    GdlCopyWithinFunc copyWithin;
    // An off-screen context's copies onto the display: plain and keyed.
    GdlOffscreenBltFunc offscreenBlt;
    GdlTransparentBltFunc offscreenSrcKeyBlt;
    GdlTransparentBltFunc offscreenDstKeyBlt;
    GdlScanFunc scanRightTo;
    GdlScanFunc scanLeftTo;
    GdlScanFunc scanRightWhile;
    GdlScanFunc scanLeftWhile;
    // Glyph routines of text output; null in a record no driver filled, and
    // text output then uses the library's own (DRV_strokeGlyph, DRV_drawString).
    GdlStrokeGlyphFunc strokeGlyph;
    GdlDrawStringFunc drawString;
    // Shading and depth: the z-buffer maker, the shaded lines, trapezoids and
    // their triangle and quadrilateral front ends, and the depth-tested sets.
    GdlMakeZBufferFunc makeZBuffer;
    GdlRampLineFunc rampLine;
    GdlRgbLineFunc rgbLine;
    GdlTrapezoidFunc rampTrapezoid;
    GdlTrapezoidFunc rgbTrapezoid;
    GdlShadedTriangleFunc rampTriangle;
    GdlShadedTriangleFunc rgbTriangle;
    GdlShadedQuadFunc rampQuad;
    GdlShadedQuadFunc rgbQuad;
    GdlZSet zActive; // what callers draw through; filled by makeZBuffer
    GdlZSet z16;
    GdlZSet z32;
};

// Context types.
enum GdlDCType : int32_t {
    GDL_DC_FULLSCREEN = 0,
    GDL_DC_FULLSCREEN_DIB = 1,
    GDL_DC_OPENGL = 2,
    GDL_DC_OPENGL_DRIVER = 3,
    GDL_DC_OFFSCREEN = 4,
    GDL_DC_OFFSCREEN_ACCEL = 5,
    GDL_DC_WINDOWED = 6,
    GDL_DC_MEMORY = 7,
};

enum : uint32_t {
    GDL_WIN_OWN_DC = 1,     // winDC was made by the library
    GDL_WIN_OWN_BITMAP = 2, // bitmap is the library's DIB section
};

enum : uint32_t {
    GDL_ACCESS_MASK = 3,  // low bits: 1 banked, 2 linear
    GDL_FLAG_ZBUFFER = 8, // the context has a z-buffer
    // The context shares memory it must not free: a caller's surface or the
    // first display context's, and a z-buffer it did not make. makeZBuffer
    // clears it; the surface's own memory is told by ownedMemory alone.
    GDL_FLAG_NOT_OWNED = 0x80000000u
};

struct GdlDeviceContext {
    GdlAttributes attr;
    // Surface.
    uint8_t* surface;  // first pixel of the active page
    void* ownedMemory; // freed when the context is destroyed (unless not owned)
    int32_t driverWord1;
    int32_t driverWord2;
    GdlModeRecord mode;
    GdlPixelFormat format;
    GdlPaletteEntry* palette; // 256 entries, allocated zeroed
    int32_t paletteWord;
    int32_t pageOffset;
    GdlRect bounds; // (0, 0, maxX + 1, maxY + 1)
    uint32_t flags;
    GdlDriverState* driverState;
    // Driver words.
    uint8_t* frameBase;
    int32_t frameStart;
    int32_t virtualWidth;
    int32_t virtualHeight;
    int32_t scrollX;
    int32_t scrollY;
    int32_t firstBank;
    // Windows handles.
    HDC winDC;
    HWND window;    // windowed contexts
    HBITMAP bitmap; // memory contexts with a DIB section
    HPALETTE winPalette;
    HDC shadowDC;
    uint32_t winFlags; // GDL_WIN_* : which Windows objects the library made
    // Renderer state.
    GdlShadeWalker walker; // the edge walker and the shading values it steps
    GdlRect clipFixed;     // clip in viewport coordinates, 16.16
    GdlRect viewportFixed; // viewport in device coordinates, 16.16
    int32_t packedDriver;  // 1 for the packed-pixel drivers
    uint32_t packedColor;
    uint32_t packedBackColor;
    GdlRect clipDevice;
    GdlRect clipDeviceFixed;
    int32_t genericTrapezoid; // forces the clipped per-span trapezoid path
    int32_t renderTable;      // index of the table copied into v.current
    int32_t arcCoords[6];
    int32_t type;     // GdlDCType
    int32_t hwWord1;  // 9000 from the hardware inits
    int32_t hwWord2;  // 7000 from the hardware inits
    void* driverData; // per-driver private data
    // Z-buffer (makeZBuffer): rows of zWidth cells of zDepth bits from the
    // bounds' top-left corner, then one more row, the depth-slope table (one
    // entry per device column, as wide as a cell).
    void* zBuffer;
    int32_t zDepth; // 16 or 32; 0 without a z-buffer
    int32_t zWidth; // cells a row
    void* zSlope;   // the extra last row
    GdlRenderVector v;
};

// The state block: a full copy of the current context, kept with the rest of
// the library's state (GDL_resetLibrary returns it to all zeros).
extern GdlDeviceContext& GDL_stateBlock;

// --- Contexts ------------------------------------------------------------------

GdlDeviceContext* GDL_selectCurrentDC(GdlDeviceContext* dc);
GdlDeviceContext* GDL_currentDC();
bool GDL_isCurrentDC(const GdlDeviceContext* dc);
// The record to work on for `dc`: the state block when it is current, else
// itself. Every entry that takes a context comes here, so this is where the
// thread check (named after the caller) sees the entries that work on a
// context other than the current one.
GdlDeviceContext* GDL_liveDC(GdlDeviceContext* dc, const char* entry = __builtin_FUNCTION());

GdlDeviceContext* GDL_createDisplayDC(int32_t virtualWidth, int32_t virtualHeight, int32_t pages,
                                      int32_t flag, int32_t refresh);
GdlDeviceContext* GDL_createDisplayDCPages(int32_t pages);
GdlDeviceContext* GDL_createMemoryDCEx(int32_t width, int32_t height, int32_t bits,
                                       const GdlPixelFormat* format, int32_t bytesPerLine,
                                       void* surface, HBITMAP bitmap);
GdlDeviceContext* GDL_createMemoryDC(int32_t width, int32_t height, int32_t bits,
                                     const GdlPixelFormat* format);
GdlDeviceContext* GDL_createWindowedDC(HWND window);
bool GDL_destroyDC(GdlDeviceContext* dc);
bool GDL_destroyDisplayDC(GdlDeviceContext* dc);
bool GDL_destroyOffscreenDC(GdlDeviceContext* dc);
bool GDL_destroyWindowedDC(GdlDeviceContext* dc);
bool GDL_destroyMemoryDC(GdlDeviceContext* dc);
// Destroys every context of one kind, list head first.
void GDL_destroyAllDisplayDCs();
void GDL_destroyAllOffscreenDCs();
void GDL_destroyAllWindowedDCs();
void GDL_destroyAllMemoryDCs();
int32_t GDL_contextCount(int32_t kind); // 0 display, 1 off-screen, 2 windowed, 3 memory

bool GDL_initDC(GdlDeviceContext* dc, const GdlDriverHeader* header, HWND window,
                int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t flag,
                int32_t refresh);
bool GDL_isWindowedDC(const GdlDeviceContext* dc);
int32_t GDL_surfaceAccess(const GdlDeviceContext* dc);
HDC GDL_getWinDC(GdlDeviceContext* dc);
void GDL_getPixelFormat(const GdlDeviceContext* dc, GdlPixelFormat* out);
// Packed driver headers that GDL_registerAllMemDrivers registers (set by the
// packed-pixel drivers); bits 1, 4, 8, 16, 24, 32.
void GDL_setMemoryDriverHeader(int32_t bits, const GdlDriverHeader* header);
// Header of the windowed driver (not one of the 35 table entries).
void GDL_setWindowedDriverHeader(const GdlDriverHeader* header);
// Surface of a memory context without one: a DIB section selected into a
// memory Windows DC (so GDI can draw on it), or zeroed plain memory when no
// section can be made or the rows are not laid out as a DIB's. Bytes per line
// are derived (4-byte aligned) when 0. False with -10.
bool GDL_createDIBSurface(GdlDeviceContext* dc);
// A new memory Windows DC with a DIB section of the context's size, depth
// and layout selected (masks from its pixel format, the default palette up
// to 8 bits); the caller owns both. Null for depths a section cannot hold.
HDC GDL_makeDIBSectionDC(const GdlDeviceContext* dc, HBITMAP* bitmap, void** bits);
// Releases what GDL_createDIBSurface made (or frees owned plain memory).
void GDL_destroyDIBSurface(GdlDeviceContext* dc);
// True for window-backed contexts (types 6, 2 and 3); type 3 alone.
bool GDL_isWindowBackedDC(const GdlDeviceContext* dc);
bool GDL_isDeviceKind3(const GdlDeviceContext* dc);

// Loads the default palette of the context's driver into its table (or the
// library's default palette when the driver has none).
void GDL_setDefaultPalette(GdlDeviceContext* dc);

// Moves a rectangle in bands that fit the scratch buffer: each band is read
// by `readBand` (context, left, band top, right, band bottom, buffer) and
// written by `writeBand` (context, destination x, band destination y, buffer,
// extra); bands run top down with `downward` set, else bottom up.
typedef void (*GdlReadBandFunc)(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                                int32_t bottom, uint8_t* buffer);
typedef void (*GdlWriteBandFunc)(GdlDeviceContext* dc, int32_t destX, int32_t destY,
                                 const uint8_t* buffer, intptr_t extra);
void DRV_convertInBands(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t destX, int32_t destY, int32_t downward,
                        int32_t bytesPerRow, intptr_t extra, GdlReadBandFunc readBand,
                        GdlWriteBandFunc writeBand);

// Colour conversion into a context (row by row through its putRow entry).
void GDL_translateImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t destX, int32_t destY, int32_t op,
                        const void* surface, int32_t bytesPerLine, int32_t bits,
                        const GdlPaletteEntry* palette, const GdlPixelFormat* format,
                        GdlDeviceContext* source = nullptr);
