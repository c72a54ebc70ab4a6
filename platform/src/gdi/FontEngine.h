// Fonts for GDI text: the usual Windows faces mapped onto the Liberation
// fonts, found through fontconfig and rendered through FreeType as
// one-bit glyphs, as Windows drew text without smoothing.
#pragma once

#include "platform/Gdi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::gdi {

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int averageWidth = 0;
    int maxWidth = 0;
    int emPixels = 0;
    bool fixedPitch = false;
    bool trueType = true;
};

// A one-bit glyph: `rows` rows of `pitch` bytes, leftmost pixel in bit 7.
struct Glyph {
    const uint8_t* bits = nullptr;
    int width = 0;
    int rows = 0;
    int pitch = 0;
    int left = 0; // offset of the bitmap from the pen
    int top = 0;  // rows of the bitmap above the baseline
    int advance = 0;
};

// A face at a pixel size, ready to measure and draw. Valid until the next
// call into the engine; use under the GDI lock.
class SizedFont {
public:
    bool Ok() const { return face_ != nullptr; }
    const FontMetrics& Metrics() const { return metrics_; }
    // Renders the cp1252 character `ch`; false leaves `out` empty.
    bool Render(uint8_t ch, Glyph* out);
    int Advance(uint8_t ch);

private:
    friend SizedFont OpenFont(const LOGFONTA& log);
    void* face_ = nullptr;
    FontMetrics metrics_;
};

SizedFont OpenFont(const LOGFONTA& log);

// One family (or one style of a family) as the enumeration reports it.
struct FamilyInfo {
    std::string face;  // the name programs use ("Arial")
    std::string style; // "Regular", "Bold", ...
    int weight = FW_NORMAL;
    bool italic = false;
    bool fixedPitch = false;
    bool serif = false;
    bool outline = true;
};

// Families in name order, or the styles of one family; empty without fonts.
std::vector<FamilyInfo> ListFamilies(const char* family);

} // namespace platform::gdi
