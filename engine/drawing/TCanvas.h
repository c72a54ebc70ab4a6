// The drawing surface of a graphic: a device context bound to a rectangle and
// an owner, three colours, a write mode, a drawing-attribute record, a font,
// and the colour-mapping settings for images on 8-bit contexts. A canvas
// draws straight into the display's main context (direct) or into a memory
// context of its own (buffered) that the display presents later.
#pragma once

#include "drawing/TCanvasBlit.h"
#include "foundation/TColor.h"
#include "foundation/TNamedObj.h"
#include "foundation/TPoint.h"
#include "foundation/TRectLst.h"
#include "gdl/bitmap.h"
#include "gdl/dc.h"
#include "media/resources/TCanvasFont.h"

#include <cstdint>

class TCanvas : public TNamedObj, public TCanvasBlit {
public:
    // Modes: direct while the keep flag is clear, buffered, always direct.
    enum : uint32_t { kDirect = 0, kBuffered = 1, kAlwaysDirect = 2 };
    // ColorMapMode values.
    enum : uint32_t { kNearest = 1, kOrderedDither = 2, kErrorDiffusion = 3, kNoMapping = 4 };

    TCanvas();
    ~TCanvas() override;

    // --- Settings ---
    void SetForeColor(const TColor& c) { fore_ = c; }
    TColor& GetForeColor() { return fore_; }
    void SetBackColor(const TColor& c) { back_ = c; }
    TColor& GetBackColor() { return back_; }
    void SetColor3(const TColor& c) { color3_ = c; }
    TColor& GetColor3() { return color3_; }
    void SetWriteMode(uint32_t mode) { writeMode_ = mode; }
    void SetMapMode(uint32_t mode) { colorMapMode_ = mode; }
    uint32_t GetMapMode() const { return colorMapMode_; }
    void SetAutoAdjust(uint32_t adjust) { autoColorAdjust_ = adjust; }
    uint32_t GetAutoAdjust() const { return autoColorAdjust_; }
    void SetFont(TCanvasFont* font) { font_ = font; }
    TCanvasFont* GetFont() const { return font_; }
    // Null draws with the default record.
    void SetDrawAttr(TCanvasAttr* attr) { attr_ = attr; }
    uint32_t GetKeep() const { return keep_; }
    void SetKeep(uint32_t keep);
    uint32_t GetBuffered() const { return mode_; }
    // Direct modes are taken only when the display allows them.
    void SetBuffered(uint32_t mode);

    // --- Device ---
    GdlDeviceContext* GetDevice() const { return dc_; }
    bool HasDevice() const { return dc_ != nullptr; }
    HDC GetWinDC() const { return winDC_; }
    const TRectArea& Rect() const { return rect_; }
    // The screen rectangle of the owner the canvas is selected for.
    bool HasOwner() const { return hasOwner_; }
    const TRectArea& OwnerRect() const { return owner_; }
    // Between the owner's coordinates and the screen's, held in range.
    TRectArea OwnerToScreen(TRectArea r) const;
    TRectArea ScreenToOwner(TRectArea r) const;
    bool CreateDevice(const TRectArea& rect);
    bool ResizeDevice(const TRectArea& rect);
    void ReleaseDevice();
    void SetClipRect(const TRectArea& rect);
    void GetClipRect(TRectArea* out);

    // Makes the canvas's context current for drawing on behalf of an owner
    // at `ownerScreen` (null: none; a direct canvas then draws at its own
    // coordinates) and returns the context that was current; Deselect puts
    // it back.
    GdlDeviceContext* Select(const TRectArea* ownerScreen);
    void Deselect(GdlDeviceContext* previous);
    // The same without an owner, with the canvas's colours and write mode
    // set; the previous context is kept by the canvas.
    bool Select();
    void Deselect();

    // --- Output: lines, rectangles and text draw only while the context is
    // current; right and bottom are exclusive. ---
    void Clear();
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void FillRect(const TRectArea& r) { FillRect(r.left, r.top, r.right, r.bottom); }
    void FrameRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void FrameRect(const TRectArea& r) { FrameRect(r.left, r.top, r.right, r.bottom); }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Line(TPoint p1, TPoint p2);
    void DrawBevel(const TRectArea& rect, int32_t style, int32_t width);
    // Set bits in the fore colour, 8 x byteWidth wide.
    void PutMonoImage(int32_t x, int32_t y, int32_t byteWidth, int32_t height, const uint8_t* bits);
    void DrawChar(int32_t x, int32_t y, char ch);
    bool IsPixel(TPoint p, TColor color);

    // --- Images (a bitmap without palette is put with the display's) ---
    void PutImage(int32_t x, int32_t y, const GdlBitmap* bitmap);
    void PutImageTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap);
    void StretchImage(int32_t x, int32_t y, int32_t width, int32_t height, const GdlBitmap* bitmap);
    void DoPutSectionTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap,
                                 const TRectArea& rect);

    // --- Copies of the finished picture ---
    // Hands the canvas to the display at (x, y), clipped to `clip`.
    void Present(int32_t x, int32_t y, const TRectArea& clip);
    void Present(const TRectArea& clip) { Present(rect_.left, rect_.top, clip); }
    // Onto another context, transparently with the third colour while the
    // keep flag is set.
    void CopyToDC(int32_t x, int32_t y, const TRectArea& clip, GdlDeviceContext* target);
    // Onto a Windows DC at (x, y).
    bool CopyToDC(HDC dc, int32_t x, int32_t y);

    // A temporary bitmap in one block (record, pixel format, pixels); free
    // it with FreeBitmap. Null after reporting error 9.
    GdlBitmap* NewBitmap(int32_t width, int32_t height, int32_t depth);
    static void FreeBitmap(GdlBitmap* bitmap);

private:
    static GdlDeviceContext* MainDC();
    // Error 21 with the library's text when its last call failed (callers
    // clear the result before the call).
    static void ReportLibrary();
    bool IsCurrent() const;
    bool Direct() const { return mode_ == kDirect || mode_ == kAlwaysDirect; }
    TPoint ToOwner(int32_t x, int32_t y) const;
    TRectArea ToOwner(TRectArea r) const;
    void SetColors();
    void ApplyAttr();
    void DropContext();
    void TakeMemoryContext(const TRectArea& rect);
    void KeepWinDC();
    static GdlBitmap LendPalette(const GdlBitmap& bitmap);
    GdlDeviceContext* Scratch(int32_t width, int32_t height);

    void DoPutImage(int32_t x, int32_t y, const GdlBitmap* bitmap);
    void DoPutImageTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap);
    void DoStretchImage(int32_t x, int32_t y, int32_t width, int32_t height,
                        const GdlBitmap* bitmap);
    void PutTransparent(TPoint at, const GdlBitmap* bitmap, const TRectArea& section);
    void PutTransparentBuffered(TPoint at, const GdlBitmap* bitmap, const TRectArea& section,
                                uint32_t key);

    TColor fore_;
    TColor back_;
    TColor color3_;
    uint32_t keep_ = 0;
    uint32_t mode_ = kBuffered;
    TCanvasAttr* attr_ = nullptr;
    TCanvasFont* font_ = nullptr;
    uint32_t writeMode_ = 0;
    uint32_t colorMapMode_ = kNoMapping;
    uint32_t autoColorAdjust_ = 1;
    TRectArea rect_{0, 0, 0, 0};
    TRectArea owner_{0, 0, 0, 0};
    bool hasOwner_ = false;
    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* scratch_ = nullptr;
    HDC winDC_ = nullptr;
    GdlDeviceContext* previous_ = nullptr; // of the owner-less Select
    bool selected_ = false;
};
