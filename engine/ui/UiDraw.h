// Drawing steps shared by the stock controls: the dotted focus outline, the
// three-dimensional button face and lines drawn with a pen and a pattern.
// Each works on a selected canvas and leaves it without an attribute record.
#pragma once

#include "drawing/TCanvas.h"

#include <cstdint>

// Every other pixel of a line.
constexpr uint16_t kDottedLine = 0xAAAA;
constexpr uint16_t kSolidLine = 0xFFFF;

// The focus outline: a one-pixel frame in entry 12 with the dotted pattern.
void DrawDottedFrame(TCanvas& canvas, const TRectArea& rect);
// The face of a push button: filled in entry 27 (pressed) or 26, an outer
// bevel in entries 10 and 11 and an inner one in entries 8 and 10, raised
// or sunken. Returns the rectangle inside the outer bevel (empty: all 0).
TRectArea DrawButtonFace(TCanvas& canvas, const TRectArea& rect, bool pressed);
// A line in the canvas's fore colour with a square pen of `pen` pixels.
void DrawPenLine(TCanvas& canvas, int32_t pen, uint16_t pattern, int32_t x1, int32_t y1, int32_t x2,
                 int32_t y2);
