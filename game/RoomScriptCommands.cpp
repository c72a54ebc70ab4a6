// The room's seven commands of the table Engine: arguments read as every
// command reads them, then the room's own operation on the current room.
#include "ElementHandle.h"
#include "ScriptCommands.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoom.h"

void EngineEnterRoom() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const char* name = StringParam(1);
    const char* music = lua_lua2C(2) != LUA_NOOBJECT ? StringParam(2) : nullptr;
    room->EnterRoom(name, music);
}

void EngineFadeRoom() {
    if (TRoom* room = CommandRoom()) room->FadeRoom(IntParam(1));
}

void EngineShowActor() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const lua_Object table = ObjectParam(1);
    StringParam(2); // read, and not used
    const int32_t number = IntParam(3);
    int32_t reference = -1;
    if (table != LUA_NOOBJECT && !lua_isnil(table)) ScriptRef(reference, table);
    const int32_t before = room->ElementCount();
    TActor* actor = room->ShowActor(reference, number);
    if (actor) {
        PushElement(actor);
        return;
    }
    // No actor was made: the reference has no holder. An actor made without
    // its pictures holds it and gives nothing back.
    if (room->ElementCount() == before) {
        ScriptUnref(reference);
        PushElement(nullptr);
    }
}

void EngineHideActor() {
    TRoom* room = CommandRoom();
    if (!room) return;
    if (auto* actor = dynamic_cast<TActor*>(ElementParam(1))) room->HideActor(actor);
}

void EnginePlaySound() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const char* name = StringParam(1);
    const lua_Object loop = lua_lua2C(2);
    if (name) room->PlaySound(name, loop != LUA_NOOBJECT && !lua_isnil(loop));
}

void EngineStopSound() {
    TRoom* room = CommandRoom();
    if (!room) return;
    if (const char* name = StringParam(1)) room->StopSound(name);
}

void EngineSetObjectAnimEndAction() {
    TRoom* room = CommandRoom();
    if (!room) return;
    // Only animated objects hold an end action.
    auto* object = dynamic_cast<TAnimObject*>(ElementParam(1));
    if (!object) return;
    const lua_Object function = ObjectParam(2);
    int32_t reference = -1;
    if (function != LUA_NOOBJECT && lua_isfunction(function)) ScriptRef(reference, function);
    room->SetObjectAnimEndAction(object, reference);
}
