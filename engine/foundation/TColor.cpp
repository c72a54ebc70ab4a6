// Colour records: packing for direct-colour devices, the cached nearest-entry
// search for palette devices, and the default colour tables.
#include "foundation/TColor.h"

#include <cstdlib>

#include "gdl/dc.h"
#include "gdl/pixelformat.h"

namespace {

int32_t distance(const GdlPaletteEntry& e, uint8_t r, uint8_t g, uint8_t b) {
    return std::abs(int32_t(e.red) - r) + std::abs(int32_t(e.green) - g) +
           std::abs(int32_t(e.blue) - b);
}

bool directColor(const GdlDeviceContext* dc) {
    return dc->mode.maxColor > 255;
}

// Entries searched on a palette device: 0 up to the maximum colour value
// minus 1 (so at 8 bits entry 255 is never chosen), never past the table.
int32_t searchCount(const GdlDeviceContext* dc) {
    uint32_t n = dc->mode.maxColor;
    return int32_t(n > 256 ? 256 : n);
}

} // namespace

TColor::TColor(uint8_t red, uint8_t green, uint8_t blue) : blue_(blue), green_(green), red_(red) {}

TColor::TColor(const TColor& other)
    : TObject(), blue_(other.blue_), green_(other.green_), red_(other.red_),
      cachedIndex_(other.cachedIndex_), cachedDistance_(other.cachedDistance_) {}

TColor& TColor::operator=(const TColor& other) {
    blue_ = other.blue_;
    green_ = other.green_;
    red_ = other.red_;
    reserved_ = 0;
    cachedIndex_ = other.cachedIndex_;
    cachedDistance_ = other.cachedDistance_;
    return *this;
}

void TColor::SetRGB(uint8_t red, uint8_t green, uint8_t blue) {
    red_ = red;
    green_ = green;
    blue_ = blue;
    reserved_ = 0;
}

uint32_t TColor::GetPixel(const GdlDeviceContext* dc) {
    if (!dc) return 0;
    if (directColor(dc)) return GDL_packColor(&dc->format, red_, green_, blue_);
    const GdlPaletteEntry* palette = dc->palette;
    if (!palette) return 0;
    if (cachedIndex_ >= 0 && cachedIndex_ < 256 &&
        distance(palette[cachedIndex_], red_, green_, blue_) == cachedDistance_)
        return uint32_t(cachedIndex_);
    cachedDistance_ = kNothingCached;
    cachedIndex_ = 0;
    int32_t count = searchCount(dc);
    for (int32_t i = 0; i < count; ++i) {
        int32_t d = distance(palette[i], red_, green_, blue_);
        if (d < cachedDistance_) {
            cachedDistance_ = d;
            cachedIndex_ = i;
        }
    }
    return uint32_t(cachedIndex_);
}

TColor TColor::GetAltColor(const GdlDeviceContext* dc) {
    if (!dc || directColor(dc) || !dc->palette) {
        // Each channel's lowest bit that the device keeps: inverting bit 0 of
        // a 5-bit channel is lost in the packing, and the "different" colour
        // would draw as the same pixel.
        auto lowest = [&](int32_t adjust) {
            return uint8_t(1u << (dc && directColor(dc) && adjust > 0 && adjust < 8 ? adjust : 0));
        };
        TColor alt(red_ ^ lowest(dc ? dc->format.redAdjust : 0),
                   green_ ^ lowest(dc ? dc->format.greenAdjust : 0),
                   blue_ ^ lowest(dc ? dc->format.blueAdjust : 0));
        alt.cachedIndex_ = cachedIndex_;
        alt.cachedDistance_ = cachedDistance_;
        return alt;
    }
    const GdlPaletteEntry* palette = dc->palette;
    const GdlPaletteEntry& mapped = palette[GetPixel(dc) & 0xFF];
    const GdlPaletteEntry* best = nullptr;
    int32_t bestDistance = kNothingCached;
    int32_t count = searchCount(dc);
    for (int32_t i = 0; i < count; ++i) {
        const GdlPaletteEntry& e = palette[i];
        bool same = e.red == mapped.red && e.green == mapped.green && e.blue == mapped.blue;
        int32_t d = distance(e, red_, green_, blue_);
        if (d < bestDistance && !same) {
            bestDistance = d;
            best = &e;
        }
    }
    if (!best) best = &mapped;
    return TColor(best->red, best->green, best->blue);
}

// --- Default tables ---------------------------------------------------------------

namespace {

struct Standard {
    uint8_t r, g, b;
};

enum : uint8_t {
    Black,
    Maroon,
    DarkGreen,
    Olive,
    Navy,
    Purple,
    Teal,
    Silver,
    PaleGreen,
    PaleBlue,
    Cream,
    MediumGrey,
    Grey,
    Red,
    Green,
    Yellow,
    Blue,
    Magenta,
    Cyan,
    White,
};

const Standard kStandard[20] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

const uint8_t kDefaults[50] = {
    Black, Black,  Purple, Silver, Navy,   Black,  Grey,   White,  White,  Silver,
    Grey,  Black,  Black,  Silver, Silver, White,  Navy,   Grey,   White,  White,
    Black, Silver, Black,  Grey,   Grey,   Black,  Silver, Silver, Black,  Black,
    Grey,  Red,    Red,    Black,  Black,  White,  Black,  Black,  Silver, Black,
    Grey,  White,  White,  Black,  Black,  Silver, Black,  Black,  Cream,  Green,
};

struct Tables {
    TColor standard[20];
    TColor defaults[50];
    Tables() {
        for (int i = 0; i < 20; ++i)
            standard[i].SetRGB(kStandard[i].r, kStandard[i].g, kStandard[i].b);
        for (int i = 0; i < 50; ++i)
            defaults[i] = standard[kDefaults[i]];
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

const TColor& TColor::Default(int32_t index) {
    if (index < 0 || index >= 50) index = 0;
    return tables().defaults[index];
}

const TColor& TColor::Standard(int32_t index) {
    if (index < 0 || index >= 20) index = 0;
    return tables().standard[index];
}
