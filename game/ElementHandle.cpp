#include "ElementHandle.h"

#include "LuaScript.h"
#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TRoom.h"
#include "TRoomElement.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TRef.h"

#include <cstdint>

TRoom* CommandRoom() {
    return FromMainState() ? CurrentRoom() : nullptr;
}

void PushElement(TRoomElement* element) {
    const uint64_t serial = element ? element->Serial() : 0;
    lua_pushusertag(reinterpret_cast<void*>(uintptr_t(serial)), 0);
}

TRoomElement* ElementOf(lua_Object handle) {
    if (handle == LUA_NOOBJECT || !lua_isuserdata(handle) || lua_tag(handle) != 0) return nullptr;
    const uint64_t serial = uint64_t(uintptr_t(lua_getuserdata(handle)));
    const TRef<TRoomElement> ref = TRef<TRoomElement>::FromSerial(serial);
    TRoomElement* element = ref.Get();
    TRoom* room = CurrentRoom();
    if (!element || !room || IsQueuedForDeletion(element) || !room->HasElement(ref)) return nullptr;
    return element;
}

TRoomElement* ElementParam(int n) {
    if (!LuaScript::CheckParam(n)) return nullptr;
    return ElementOf(lua_lua2C(n));
}
