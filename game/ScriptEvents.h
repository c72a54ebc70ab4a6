// The game tells the scripts what happened by calling functions the scripts
// define in their tables Game and Map, in the main state.
#pragma once

#include <cstdint>

// Calls table.event with the values of up to two references (-1, or a value
// that is gone, passes nothing). 1 when it returned a first result that is
// not nil; 0 when it returned nothing or nil, or there is no such function.
// A missing table is reported once per main state, then finds nothing.
int32_t ScriptCallGameEvent(const char* table, const char* event, int32_t reference1,
                            int32_t reference2);
// Calls the global function `name` of the script state without arguments;
// nothing when it is not a function.
void ScriptCallGlobal(const char* name);
// Game.DoMapAction with the referenced value, when both exist.
void ScriptCallMapAction(int32_t reference);
