// Row entries for the test driver as the packed drivers define them (the
// source x word is ignored; buffers start at the first pixel), and a fixture
// that makes memory contexts with them and the library's default blits,
// glyph routines and scans. Pixels are read straight from the surfaces.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <utility>

#include "TestDriver.h"
#include "gdl/blit.h"
#include "gdl/defaultdraw.h"
#include "gdl/shading.h"

namespace rows {

inline int32_t bytesOf(const GdlDeviceContext* dc) {
    return testdrv::storedBits(int32_t(dc->mode.bitsPerPixel)) / 8;
}

inline uint32_t load(const GdlDeviceContext* dc, const void* buffer, int32_t i) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer) + size_t(i) * size_t(bytesOf(dc));
    uint32_t v = 0;
    for (int32_t k = 0; k < bytesOf(dc); ++k)
        v |= uint32_t(p[k]) << (8 * k);
    return v;
}

inline void store(const GdlDeviceContext* dc, void* buffer, int32_t i, uint32_t v) {
    uint8_t* p = static_cast<uint8_t*>(buffer) + size_t(i) * size_t(bytesOf(dc));
    for (int32_t k = 0; k < bytesOf(dc); ++k)
        p[k] = uint8_t(v >> (8 * k));
}

inline bool onSurface(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    if (x >= 0 && y >= 0 && x <= int32_t(dc->mode.maxX) && y <= int32_t(dc->mode.maxY)) return true;
    ++testdrv::offSurfaceWrites();
    return false;
}

inline void write(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v, int32_t op) {
    if (onSurface(dc, x, y))
        testdrv::writePixel(dc, x, y, testdrv::combine(testdrv::readPixel(dc, x, y), v, op));
}

inline void getRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t,
                   int32_t op) {
    for (int32_t i = 0; i < x2 - x1; ++i)
        if (onSurface(dc, x1 + i, y))
            store(dc, dest, i,
                  testdrv::combine(load(dc, dest, i), testdrv::readPixel(dc, x1 + i, y), op));
}

inline void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                   int32_t, int32_t op) {
    for (int32_t i = 0; i < x2 - x1; ++i)
        write(dc, x1 + i, y, load(dc, src, i), op);
}

inline void putRowDoubled(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                          const void* src) {
    for (int32_t i = 0; i < count; ++i) {
        write(dc, x + 2 * i, y, load(dc, src, i), 0);
        write(dc, x + 2 * i + 1, y, load(dc, src, i), 0);
    }
}

inline void putRowStretched(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                            const void* src, const uint32_t* repeats) {
    for (int32_t i = 0; i < count; ++i)
        for (uint32_t k = 0; k < repeats[i]; ++k)
            write(dc, x++, y, load(dc, src, i), 0);
}

inline void putRowSrcKey(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                         uint32_t key) {
    for (int32_t i = 0; i < x2 - x1; ++i)
        if (load(dc, src, i) != key) write(dc, x1 + i, y, load(dc, src, i), 0);
}

inline void putRowDstKey(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                         uint32_t key) {
    for (int32_t i = 0; i < x2 - x1; ++i)
        if (onSurface(dc, x1 + i, y) && testdrv::readPixel(dc, x1 + i, y) == key)
            write(dc, x1 + i, y, load(dc, src, i), 0);
}

inline void install(GdlDeviceContext* dc) {
    dc = GDL_liveDC(dc);
    GdlRenderVector& v = dc->v;
    v.getRow = getRow;
    v.putRow = putRow;
    v.putRowDoubled = putRowDoubled;
    v.putRowStretched = putRowStretched;
    v.putRowSrcKey = putRowSrcKey;
    v.putRowDstKey = putRowDstKey;
    DRV_setDefaultBlits(dc);
    DRV_setWideLineSlots(dc);
    if (GDL_isCurrentDC(dc) || dc == &GDL_stateBlock) GDL_selectRenderTable();
}

} // namespace rows

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdrv::restartWithMemoryDrivers();
        GDL_setPaletteCheck(1);
    }
    void TearDown() override {
        EXPECT_EQ(testdrv::offSurfaceWrites(), 0);
        GDL_selectCurrentDC(nullptr);
        GDL_exit();
    }
    GdlDeviceContext* make(int32_t w, int32_t h, int32_t bits,
                           const GdlPixelFormat* format = nullptr) {
        GdlDeviceContext* dc = GDL_createMemoryDC(w, h, bits, format);
        EXPECT_NE(dc, nullptr);
        if (dc) rows::install(dc);
        return dc;
    }
    static uint32_t at(GdlDeviceContext* dc, int32_t x, int32_t y) {
        return testdrv::readPixel(GDL_liveDC(dc), x, y);
    }
    static void set(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v) {
        testdrv::writePixel(GDL_liveDC(dc), x, y, v);
    }
};

// A current 8-bit context of kW x kH drawing in colour 1, for the tests that
// compare the set of pixels a drawing lit.
template <int Width, int Height> class LitCanvasTest : public DrawTest {
protected:
    static constexpr int kW = Width, kH = Height;
    GdlDeviceContext* dc = nullptr;
    void SetUp() override {
        DrawTest::SetUp();
        dc = make(kW, kH, 8);
        GDL_selectCurrentDC(dc);
        GDL_setColor(1);
    }
    std::set<std::pair<int, int>> lit() {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (at(dc, x, y)) out.insert({x, y});
        return out;
    }
    void clear() {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                set(dc, x, y, 0);
    }
};
