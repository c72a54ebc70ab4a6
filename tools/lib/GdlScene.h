// A scene drawn through the graphics library's calls alone, for comparing
// back ends pixel by pixel: every primitive, each write mode and fill style,
// images of the context's own format and 1-bit ones, a save and restore of a
// rectangle, and text. It draws the same on any context of any depth, so a
// hardware back end's page can be checked against a memory context of its
// format.
#pragma once

#include "gdl/dc.h"
#include "gdl/font.h"

#include <cstdint>

namespace tools {

// Draws frame `frame` of the scene on `dc` (made current for it; the current
// context is put back). `font`, when given, is used for the text.
void DrawGdlScene(GdlDeviceContext* dc, int32_t frame, const GdlFont* font = nullptr);

} // namespace tools
