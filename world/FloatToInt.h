// Every float of the world that becomes an integer (script numbers, angles,
// projected coordinates) goes through here, so no value reaches the undefined
// float-to-int conversion of C++.
#pragma once

#include <cstdint>

// Truncates toward zero; values beyond the int32 range saturate, NaN gives 0.
int32_t FloatToInt32(float value);
