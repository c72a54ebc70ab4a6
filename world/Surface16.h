// A plain buffer of 16-bit pixels that sprites are drawn into: the room's
// screen page, the actors' scratch surface, the sky. A surface frees exactly
// the buffer it allocated; an attached buffer stays the caller's.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>
#include <cstring>

class Surface16 : public TObject {
public:
    Surface16() = default;
    Surface16(int32_t width, int32_t height); // error 9 and an empty surface on failure
    ~Surface16() override;
    Surface16(const Surface16&) = delete;
    Surface16& operator=(const Surface16&) = delete;

    // Takes the caller's buffer of `pitch` bytes per row; frees the surface's own.
    void Attach(int32_t width, int32_t height, void* pixels, int32_t pitch);

    uint8_t* PixelAddress(int32_t x, int32_t y) const {
        return pixels + static_cast<int64_t>(y) * pitch + 2 * static_cast<int64_t>(x);
    }
    uint16_t Pixel(int32_t x, int32_t y) const {
        uint16_t p;
        std::memcpy(&p, PixelAddress(x, y), 2);
        return p;
    }
    void SetPixel(int32_t x, int32_t y, uint16_t p) { std::memcpy(PixelAddress(x, y), &p, 2); }
    void Fill(uint16_t p);
    bool OwnsPixels() const { return owned_; }

    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    uint8_t* pixels = nullptr;

private:
    void Release();
    bool owned_ = false;
};
