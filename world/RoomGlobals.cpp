#include "RoomGlobals.h"

uint8_t Display555 = 0;
