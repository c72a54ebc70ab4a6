// How every script command reads its arguments (numbered from 1): each is
// checked first (a missing one is noted, never shown), then read; a missing
// or unreadable number is 0, a string null. Integers are truncated toward
// zero, saturating at the 32-bit range.
#pragma once

#include "lua.h"

#include <cstdint>

double NumberParam(int n);
int32_t IntParam(int n);
const char* StringParam(int n);
// The parameter as an interpreter object, LUA_NOOBJECT when missing.
lua_Object ObjectParam(int n);
// An optional flag: absent or any non-nil value is true, only nil false.
bool FlagParam(int n);
