// The drawing attributes of a canvas or control (write mode, fill style and
// patterns, pen style, line-style pattern, pen size), made the state of the
// current graphics context before each line or filled rectangle.
#pragma once

#include "media/resources/TCanvasFont.h"

#include <cstdint>

class TDrawAttr : public TCanvasAttr {
public:
    enum Fill : int32_t { kSolid = 0, kMono1 = 1, kMono2 = 2, kColour = 3 };

    TDrawAttr() = default;

    void SetPenSize(int32_t height, int32_t width) {
        penHeight_ = height;
        penWidth_ = width;
    }
    void SetLineStyle(int32_t penStyle, uint16_t pattern) {
        penStyle_ = penStyle;
        linePattern_ = pattern;
    }
    void SetFillStyle(int32_t style) { fillStyle_ = style; }
    void SetWriteMode(int32_t mode) { writeMode_ = mode; }
    void SetMonoPattern(const uint8_t* pattern) { monoPattern_ = pattern; }
    void SetColorPattern(const uint32_t* pattern) { colorPattern_ = pattern; }
    void Apply() const override;

    // The record of canvases without their own (built on first use:
    // canvases exist before the program's entry).
    static TDrawAttr& Default();

private:
    int32_t fillStyle_ = kSolid;
    int32_t penHeight_ = 1;
    int32_t penWidth_ = 1;
    int32_t writeMode_ = 0;
    int32_t penStyle_ = 1;
    uint16_t linePattern_ = 0xFFFF;
    const uint8_t* monoPattern_ = nullptr;
    const uint32_t* colorPattern_ = nullptr;
};
