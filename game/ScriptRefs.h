// Script values kept across frames: locked references of the main state
// (the command pointer), signed 32-bit with -1 for none. While no main state
// runs, or a retired world goes, releasing only forgets: its references died
// with its state and the numbers mean nothing to the next one.
#pragma once

#include "lua.h"

#include <cstdint>

// Whether the running host function was called from the current game's main
// state (commands do nothing from any other).
bool FromMainState();
// Releases what `field` holds and stores a new reference to `object`
// (LUA_NOOBJECT: none).
void ScriptRef(int32_t& field, lua_Object object);
void ScriptUnref(int32_t& field);
// The referenced value in the main state, LUA_NOOBJECT for -1 or a value
// that is gone; the main state must be current.
lua_Object ScriptGetRef(int32_t reference);
// Calls the referenced function without arguments; the reference stays.
void ScriptCallRef(int32_t reference);
// Takes the reference out of `field` (-1 before the call, so the function may
// store a new one there), calls it without arguments and releases it.
void ScriptCallRefOnce(int32_t& field);
