// A picture source of the tests: one 16-bit (5:6:5) picture filled by the
// test, handed out as the resource's data while locked; it counts locks and
// releases and can refuse the lock.
#pragma once

#include "foundation/TResource.h"
#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"
#include "media/resources/TPicture.h"

#include <cstdint>
#include <vector>

namespace uitest {

class FakePicture : public TResource, public TPicture {
public:
    FakePicture(int32_t width, int32_t height, uint16_t fill)
        : pixels_(size_t(width * height), fill) {
        bitmap_ = {width,   height,  16, width * 2, reinterpret_cast<uint8_t*>(pixels_.data()),
                   nullptr, &format_};
    }
    ~FakePicture() override { data_ = nullptr; }

    void Set(int32_t x, int32_t y, uint16_t value) {
        pixels_[size_t(y * bitmap_.width + x)] = value;
    }
    int Lock(int32_t, int32_t) override {
        ++locks;
        if (refuse) return 0;
        data_ = &bitmap_;
        return 1;
    }
    int Unlock() override {
        ++unlocks;
        data_ = nullptr;
        return 1;
    }
    int32_t GetWidthOf(int32_t, int32_t) override { return bitmap_.width; }
    int32_t GetWidth() override { return bitmap_.width; }
    int32_t GetHeightOf(int32_t, int32_t) override { return bitmap_.height; }
    int32_t GetHeight() override { return bitmap_.height; }

    int locks = 0, unlocks = 0;
    bool refuse = false;

private:
    std::vector<uint16_t> pixels_;
    GdlPixelFormat format_{31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
    GdlBitmap bitmap_{};
};

// 5:6:5 words of the colours the tests use.
constexpr uint16_t k565Red = 0xF800, k565Green = 0x07E0, k565Blue = 0x001F, k565White = 0xFFFF;

} // namespace uitest
