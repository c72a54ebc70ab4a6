// Fixture of the drawing tests: an 8-bit memory context of the test driver,
// current and cleared, with helpers that read its pixels straight from memory.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "TestDriver.h"

class CanvasTest : public ::testing::Test {
public:
    static constexpr int kW = 40, kH = 30;
    GdlDeviceContext* dc = nullptr;

    void SetUp() override {
        testdrv::restartWithMemoryDrivers();
        dc = GDL_createMemoryDC(kW, kH, 8, nullptr);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
        GDL_setColor(1);
    }
    void TearDown() override {
        EXPECT_EQ(testdrv::offSurfaceWrites(), 0);
        GDL_exit();
    }

public:
    uint32_t at(int x, int y) const { return testdrv::readPixel(&GDL_stateBlock, x, y); }
    // Device pixels of a value.
    std::set<std::pair<int, int>> pixelsOf(uint32_t value) const {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (at(x, y) == value) out.insert({x, y});
        return out;
    }
    int count(uint32_t value) const { return int(pixelsOf(value).size()); }
    void clear() {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                testdrv::writePixel(&GDL_stateBlock, x, y, 0);
    }
};
