// The drawing surface of a graphic over a device context: its colours, keep
// flag and rectangle, and the operations the display and cursor devices use.
#pragma once

#include "foundation/TColor.h"
#include "foundation/TNamedObj.h"
#include "foundation/TRectLst.h"
#include "gdl/dc.h"

#include <cstdint>

class TCanvas : public TNamedObj {
public:
    TCanvas();
    ~TCanvas() override;

    GdlDeviceContext* GetDevice() const { return dc_; }
    bool HasDevice() const { return dc_ != nullptr; }
    const TRectArea& Rect() const { return rect_; }
    bool GetKeep() const { return keep_; }
    void SetKeep(bool keep) { keep_ = keep; }
    TColor& GetColor3() { return color3_; }
    void SetForeColor(const TColor& c) { fore_ = c; }
    void SetBackColor(const TColor& c) { back_ = c; }
    void SetWriteMode(int32_t mode) { writeMode_ = mode; }

    // A memory context from the display for the rectangle; kept by Resize
    // while it still covers it.
    bool CreateDevice(const TRectArea& rect);
    bool ResizeDevice(const TRectArea& rect);
    void ReleaseDevice();
    // Makes the canvas's context current with its colours; Deselect puts the
    // previous one back.
    bool Select();
    void Deselect();
    // Set bits in the fore colour, 8 x bytesPerLine wide.
    void PutMonoImage(int32_t x, int32_t y, int32_t bytesPerLine, int32_t rows,
                      const uint8_t* bits);
    // Fills the whole canvas with the back colour.
    void Clear();
    // Hands the canvas to the display at its position, clipped to `clip`.
    void Present(const TRectArea& clip);
    // Copies the canvas to a Windows DC at (x, y).
    bool CopyToDC(HDC dc, int32_t x, int32_t y);

private:
    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* previous_ = nullptr;
    TRectArea rect_{0, 0, 0, 0};
    TColor fore_;
    TColor back_;
    TColor color3_;
    int32_t writeMode_ = 0;
    bool keep_ = false;
    bool selected_ = false;
};
