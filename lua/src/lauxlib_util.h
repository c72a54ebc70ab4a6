// Small helpers shared by the standard libraries (string, math, io, debug).
// They use only the public interface of the interpreter.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "castnumber.h"
#include "lauxlib.h"
#include "lua.h"

namespace luaaux {

// The libraries' integer arguments follow the interpreter's one rule.
using lua32::castint;
using lua32::castlong;

inline long checkLong(int n) {
    return castlong(luaL_check_number(n));
}
inline long optLong(int n, long def) {
    return castlong(luaL_opt_number(n, static_cast<double>(def)));
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
