// Room elements and actors reach the scripts as userdata (tag 0) holding the
// element's serial, never its address: a handle resolves only while its
// element is alive and in the current room, so a hidden or deleted element's
// handle finds nothing, even when a new element took its address.
#pragma once

#include "lua.h"

class TRoom;
class TRoomElement;

// The room the commands act on: the current room, only for calls from the
// current game's main state.
TRoom* CommandRoom();

// Pushes the element's handle (a null element gives the null handle).
void PushElement(TRoomElement* element);
// The element of parameter `n`, or null.
TRoomElement* ElementParam(int n);
// The element a handle value names, or null.
TRoomElement* ElementOf(lua_Object handle);
