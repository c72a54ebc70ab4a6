// Numbers used as C integers (positions, counts, tags, exponents) convert
// as a C cast does on the processors scripts were written for: toward
// zero, and to the type's smallest value for NaN and for values outside
// its range, where the cast itself would be undefined.
#pragma once

#include <climits>

namespace lua32 {

inline int castint(double d) {
    if (!(d > double(INT_MIN) - 1 && d < -double(INT_MIN))) return INT_MIN;
    return static_cast<int>(d);
}

inline long castlong(double d) {
    if (!(d >= double(LONG_MIN) && d < -double(LONG_MIN))) return LONG_MIN;
    return static_cast<long>(d);
}

} // namespace lua32
