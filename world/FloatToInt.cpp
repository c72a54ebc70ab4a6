#include "FloatToInt.h"

#include <cmath>

int32_t FloatToInt32(float value) {
    if (std::isnan(value)) return 0;
    // 2^31 is exactly representable; everything below it truncates in range.
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t DoubleToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}
