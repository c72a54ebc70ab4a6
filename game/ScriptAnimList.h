// Animation lists from the scripts: a table {group, interval, shortest pause,
// longest pause, [5 unread], x, y, speed} fills one AnimEntry, an object's or
// one facing direction of an actor's record.
#pragma once

#include "AnimEntry.h"
#include "TActor.h"

#include "lua.h"

// Fills `entry` from `table` (nothing when it is no table). The frame starts
// at 0; an interval below 100 ms becomes 100; keys 6, 7 and 8 change the entry
// only when present; key 8 is a speed in percent (200: half size), and one
// that is 0 or below, or no number, gives 1.0.
void ScriptReadAnimList(lua_Object table, AnimEntry& entry);
// The value of `table[key]`, LUA_NOOBJECT when `table` is no table.
lua_Object TableField(lua_Object table, double key);
// A record whose every direction is empty (group -1, counters 0, scale 1.0).
ActorAnimRecord EmptyAnimRecord();
