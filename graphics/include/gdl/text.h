// Text output of the current context: the text settings (justification,
// direction, scale, spacing, font), measuring characters and strings, font
// metrics, the underline position, and drawing a string with a stroked or a
// bitmap font. Coordinates are viewport coordinates.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/font.h"

enum GdlTextDirection : int32_t {
    GDL_TEXT_RIGHT_TO_LEFT = 0, // glyphs turned by 180 degrees
    GDL_TEXT_UP = 1,            // turned a quarter counter-clockwise
    GDL_TEXT_LEFT_TO_RIGHT = 2,
    GDL_TEXT_DOWN = 3, // turned a quarter clockwise
};

enum GdlFontType : int16_t {
    GDL_FONT_NONE = 0, // accepted, draws nothing
    GDL_FONT_STROKED = 1,
    GDL_FONT_FIXED = 2,
    GDL_FONT_PROPORTIONAL = 3,
};

// The seven metrics: max width, cell width, font height, ascent, descent,
// leading, last metric.
struct GdlFontMetrics {
    int32_t maxWidth;
    int32_t cellWidth;
    int32_t fontHeight;
    int32_t ascent;
    int32_t descent;
    int32_t leading;
    int32_t lastMetric;
};

void GDL_setTextSettings(const GdlTextSettings* settings);
bool GDL_useFont(const GdlFont* font);
void GDL_setTextDirection(int32_t direction);
const GdlFont* GDL_getFont();
int32_t GDL_textHeight();
int32_t GDL_charWidth(uint8_t c);
int32_t GDL_textWidth(const char* text);
void GDL_fontMetrics(GdlFontMetrics* out);
void GDL_underlineLocation(int32_t* x, int32_t* y, const char* text);
void GDL_drawStrAt(int32_t x, int32_t y, const char* text);

// Stroked glyphs through GDL_line, clipped (device coordinates of the origin).
void GDL_drawClippedStrokes(int32_t x, int32_t y, const uint16_t* list, int32_t xMultiplier,
                            int32_t yMultiplier, int32_t xDivisor, int32_t yDivisor);
