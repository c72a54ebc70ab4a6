#include "RoomGlobals.h"

uint8_t Display555 = 0;
TRoom* CurrentRoom = nullptr;
uint8_t InputLocked = 0;
uint8_t OrderDirty = 0;
