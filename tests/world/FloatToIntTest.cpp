// Script numbers become integers by truncation, saturating, NaN 0.
#include "FloatToInt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(DoubleToInt32, TruncatesAndSaturates) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{2.9999999, 2},
                 {-2.9999999, -2},
                 {0.5, 0},
                 {16777217.0, 16777217},
                 {2147483647.0, INT32_MAX},
                 {2147483647.9, INT32_MAX},
                 {1e300, INT32_MAX},
                 {-2147483648.0, INT32_MIN},
                 {-1e300, INT32_MIN},
                 {std::numeric_limits<double>::infinity(), INT32_MAX},
                 {std::nan(""), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(DoubleToInt32(c.in), c.out) << c.in;
}
