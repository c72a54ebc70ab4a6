// Draws an actor's frame, scaled to the actor's rectangle and smoothed at its
// edges, into the actor's canvas: the keyed smoothing blit for 5:5:5 and 5:6:5
// frames, except that a pixel whose five taps are all keyed comes out in the
// output's key colour instead of the background. The canvas thus keeps its
// transparent areas keyed and its transparent copy shows the room through
// them, while the frame's edges arrive blended with the room behind them.
//
// The arguments are those of TCanvasBlit::BlitKeyed: the canvas's pixels,
// the frame buffer and its layout, the canvas's pitch and size, the actor's
// size, the canvas's depth, the actor's place on screen (where the room
// behind it is read) and the place in the canvas. Frames of 24 or 32 bits
// draw nothing.
#pragma once

#include <cstdint>

void BlitSprite16(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                  int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                  int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth, int32_t x,
                  int32_t y, int32_t dstX, int32_t dstY);
