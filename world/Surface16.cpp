#include "Surface16.h"

#include "foundation/TError.h"

Surface16::Surface16(int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return;
    pixels =
        static_cast<uint8_t*>(EngineAlloc(2 * static_cast<size_t>(w) * static_cast<size_t>(h)));
    if (!pixels) {
        TError::Raise(9, nullptr, nullptr, "Int\\All\\Source\\Surface16", 1);
        return;
    }
    width = w;
    height = h;
    pitch = 2 * w;
    owned_ = true;
}

Surface16::~Surface16() {
    Release();
}

void Surface16::Release() {
    if (owned_) EngineFree(pixels);
    owned_ = false;
    pixels = nullptr;
    width = height = pitch = 0;
}

void Surface16::Attach(int32_t w, int32_t h, void* buffer, int32_t rowPitch) {
    Release();
    if (!buffer || w < 0 || h < 0) return;
    width = w;
    height = h;
    pitch = rowPitch;
    pixels = static_cast<uint8_t*>(buffer);
}

void Surface16::Fill(uint16_t p) {
    for (int32_t row = 0; row < height; ++row)
        for (int32_t col = 0; col < width; ++col)
            SetPixel(col, row, p);
}
