// The engine's colour value: an RGB triple that turns itself into a device
// pixel. On direct-colour devices it packs with the context's pixel format; on
// palette devices it searches the nearest palette entry and remembers it, so
// asking again for the same colour costs one distance computation.
#pragma once

#include <cstdint>

#include "foundation/TObject.h"

struct GdlDeviceContext;

class TColor : public TObject {
public:
    TColor(uint8_t red = 0, uint8_t green = 0, uint8_t blue = 0);
    TColor(const TColor& other);
    TColor& operator=(const TColor& other);
    ~TColor() override = default;

    // Stores the channels; the cache stays and is checked by the next GetPixel.
    void SetRGB(uint8_t red, uint8_t green, uint8_t blue);
    // Device pixel of this colour on `dc`; 0 for no context.
    uint32_t GetPixel(const GdlDeviceContext* dc);
    // A colour near this one that still looks different on `dc`.
    TColor GetAltColor(const GdlDeviceContext* dc);

    uint8_t Red() const { return red_; }
    uint8_t Green() const { return green_; }
    uint8_t Blue() const { return blue_; }
    // The four colour bytes as one word 0x00RRGGBB.
    uint32_t Value() const { return uint32_t(red_) << 16 | uint32_t(green_) << 8 | blue_; }
    int32_t CachedIndex() const { return cachedIndex_; }
    int32_t CachedDistance() const { return cachedDistance_; }

    // The fifty default colours of the user-interface controls (index 0..49);
    // index out of range gives entry 0.
    static const TColor& Default(int32_t index);
    // The twenty standard colours (0 black .. 19 white).
    static const TColor& Standard(int32_t index);

private:
    uint8_t blue_;
    uint8_t green_;
    uint8_t red_;
    uint8_t reserved_ = 0;
    int32_t cachedIndex_ = 0;
    int32_t cachedDistance_ = kNothingCached;

    static constexpr int32_t kNothingCached = 32767;
};
