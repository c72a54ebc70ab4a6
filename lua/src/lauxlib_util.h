// Small helpers shared by the standard libraries (string, math, io, debug).
// They use only the public interface of the interpreter.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "lauxlib.h"
#include "lua.h"

namespace luaaux {

// Converts a double to a C int the way the x86 truncating conversion does:
// values outside the int range (and NaN) give INT_MIN instead of undefined
// behaviour.
inline int toInt(double d) {
    if (!(d >= -2147483648.0 && d < 2147483648.0)) return INT32_MIN;
    return static_cast<int>(d);
}

// Truncating conversion to long with saturation, for positions and counts.
inline long toLong(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2e18) return INT64_MAX;
    if (d <= -9.2e18) return INT64_MIN;
    return static_cast<long>(d);
}

inline long checkLong(int n) {
    return toLong(luaL_check_number(n));
}
inline long optLong(int n, long def) {
    return toLong(luaL_opt_number(n, static_cast<double>(def)));
}

// Strings produced by the libraries are refused past this size, so that a
// runaway script ends in the memory error instead of exhausting the machine.
constexpr size_t kMaxStringSize = size_t{1} << 28;

// Raises the memory error when a result would be larger than
// kMaxStringSize; false (after the report) when the error could not unwind.
bool checkSize(size_t size);

inline void pushString(const std::string& s) {
    lua_pushlstring(s.data(), static_cast<long>(s.size()));
}

} // namespace luaaux
