// Every float of the world that becomes an integer (script numbers, angles,
// projected coordinates) goes through here, so no value reaches the undefined
// float-to-int conversion of C++.
#pragma once

#include <cstdint>

// Truncates toward zero; values beyond the int32 range saturate, NaN gives 0.
int32_t FloatToInt32(float value);
// The same for the interpreter's numbers, which are doubles: a script's
// 2.9999999 stays 2, as a float would round it to 3 first.
int32_t DoubleToInt32(double value);
