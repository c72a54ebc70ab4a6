// The scripts' cursors: made once per name into the world's list, and shown
// by the room or one of its elements.
#include "ElementHandle.h"
#include "GameWorld.h"
#include "ScriptParams.h"
#include "WorldCommands.h"

#include "TRoom.h"

#include "media/resources/TCursorRes.h"

namespace {
// The cursor of the first entry of that name in the world's list, or null.
TMetaCur* NamedScriptCursor(GameWorld& world, const char* name) {
    return world.Cursors().Find(name);
}
} // namespace

// A name already in the list keeps its first cursor and hot spot.
void CursorCreate() {
    GameWorld* world = CommandWorld();
    if (!world) return;
    const char* name = StringParam(1);
    if (!name || NamedScriptCursor(*world, name)) return;
    auto* cursor = new TMetaCur;
    if (!cursor) return;
    // The name is the key of the resource index the cursor's file is found
    // by. The hot spot lives in the loaded record, so the cursor stays
    // loaded while it exists: a reload from the file would forget it.
    cursor->SetName(name);
    cursor->Reload(0);
    cursor->Load();
    if (lua_lua2C(3) != LUA_NOOBJECT) {
        const int32_t y = IntParam(3);
        const int32_t x = IntParam(2);
        cursor->SetHotSpot(TPoint(x, y));
    }
    world->Cursors().Add(name, cursor);
}

void EngineSetRoomCursor() {
    GameWorld* world = CommandWorld();
    if (!world) return;
    if (TMetaCur* cursor = NamedScriptCursor(*world, StringParam(1)))
        world->RoomView().SetCursor(cursor);
}

void EngineSetLayerCursor() {
    GameWorld* world = CommandWorld();
    if (!world) return;
    TRoomElement* element = ElementParam(1);
    TMetaCur* cursor = NamedScriptCursor(*world, StringParam(2));
    if (element && cursor) element->SetCursor(cursor);
}
