#include "ElementCommands.h"

#include "ElementHandle.h"
#include "ScriptAnimList.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "SpanEffect.h"
#include "TAnimObject.h"
#include "TRoom.h"

#include "foundation/TError.h"

namespace {
constexpr const char* kSource = "Int\\All\\Source\\ElementCommands";

// The element of parameter 1 in the room the commands act on.
TRoomElement* Element() {
    return CommandRoom() ? ElementParam(1) : nullptr;
}

// Parameter 1 as an animated object: an actor, a zone or a sound is none.
TAnimObject* Object() {
    return dynamic_cast<TAnimObject*>(Element());
}

// Creates an element of `type` bound to `table`; null when the room made none.
TRoomElement* ShowElement(TRoom& room, int32_t type, lua_Object table, const char* name,
                          int32_t depth) {
    TRoomElement* element = room.CreateElement(type, name, depth);
    if (element) ScriptRef(element->scriptRef, table);
    return element;
}

void ChangeFlags(bool set) {
    TRoomElement* element = Element();
    if (!element) return;
    const auto value = uint32_t(IntParam(2));
    const uint32_t flags = element->GetElementFlags();
    element->SetElementFlags(set ? flags | value : flags & ~value);
    element->Invalidate(true);
}
} // namespace

void EngineSetRoomImage() {
    if (TRoom* room = CommandRoom()) room->SetImage(IntParam(1));
}

void EngineSetPlayerActor() {
    TRoom* room = CommandRoom();
    if (!room) return;
    // The number is optional: no argument means no player.
    room->SetPlayerActor(lua_lua2C(1) == LUA_NOOBJECT ? -1 : IntParam(1));
}

void EngineShowObject() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const lua_Object table = ObjectParam(1);
    const char* name = StringParam(2);
    const int32_t depth = IntParam(3);
    TRoomElement* element = ShowElement(*room, TRoomElement::tyObject, table, name, depth);
    if (!element) return;
    // Local items draw from the room's own item pictures.
    lua_Object local = LUA_NOOBJECT;
    if (table != LUA_NOOBJECT && lua_istable(table)) {
        lua_pushobject(table);
        lua_pushstring("LocalItem");
        local = lua_gettable();
    }
    const bool fromLocal = local != LUA_NOOBJECT && !lua_isnil(local);
    element->SetSource(fromLocal ? &room->LocalItems() : &room->Objects());
    PushElement(element);
}

void EngineHideObject() {
    if (TRoomElement* element = Element()) CommandRoom()->RemoveElement(element);
}

void EngineShowZone() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const lua_Object table = ObjectParam(1);
    const char* name = StringParam(2);
    if (TRoomElement* zone = ShowElement(*room, TRoomElement::tyZone, table, name, 0))
        PushElement(zone);
}

void EngineHideZone() {
    EngineHideObject();
}

void EngineSetZoneRect() {
    auto* zone = dynamic_cast<TRoomZone*>(Element());
    if (!zone) return;
    const int32_t height = IntParam(5);
    const int32_t width = IntParam(4);
    const int32_t y = IntParam(3);
    const int32_t x = IntParam(2);
    zone->SetRect(x, y, width, height);
}

void EngineSetObjectSelectable() {
    TRoomElement* element = Element();
    if (!element) return;
    const uint32_t flags = element->GetElementFlags();
    element->SetElementFlags(FlagParam(2) ? flags | TRoomElement::efSelectable
                                          : flags & ~uint32_t(TRoomElement::efSelectable));
}

void EngineSetObjectDepth() {
    if (TRoomElement* element = Element()) element->SetDepth(IntParam(2));
}

void EngineSetObjectPosition() {
    TRoomElement* element = Element();
    if (!element) return;
    const auto z = float(NumberParam(4));
    const auto y = float(NumberParam(3));
    const auto x = float(NumberParam(2));
    element->SetPosition({x, y, z});
}

void EngineGetObjectPosition() {
    TRoomElement* element = Element();
    if (!element) return;
    const Point3D* p = element->GetPosition();
    lua_pushnumber(p->x);
    lua_pushnumber(p->y);
    lua_pushnumber(p->z);
}

void EngineLayerSetFlags() {
    ChangeFlags(true);
}

void EngineLayerResetFlags() {
    ChangeFlags(false);
}

void EngineStartObjectEffect() {
    TRoomElement* element = Element();
    if (!element) return;
    const int32_t kind = IntParam(2);
    const int32_t parameter = IntParam(3);
    if (kind != 1) return;
    auto* pulse = new SpanEffectPulse(parameter);
    if (!pulse) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return;
    }
    element->SetEffect(pulse, parameter);
    element->Invalidate(true);
}

void EngineStopObjectEffect() {
    TRoomElement* element = Element();
    if (!element) return;
    element->ClearEffect();
    element->Invalidate(true);
}

void EngineSetObjectImage() {
    TAnimObject* object = Object();
    const int32_t image = IntParam(2);
    // Without an animation list the object has no group to show a frame of.
    AnimEntry* entry = object ? object->GetEntry() : nullptr;
    if (!entry) return;
    entry->frame = image;
    object->SetImage(entry->group, image);
}

void EngineGetObjectImage() {
    TAnimObject* object = Object();
    const AnimEntry* entry = object ? object->GetEntry() : nullptr;
    lua_pushnumber(entry ? entry->frame : -1);
}

void EngineGetObjectImageCount() {
    TAnimObject* object = Object();
    lua_pushnumber(object ? object->GetImageCount() : 0);
}

void EngineSetObjectAnim() {
    TAnimObject* object = Object();
    if (!object) return;
    const lua_Object table = ObjectParam(2);
    AnimEntry* entry = object->MakeEntry();
    if (!entry) return;
    ScriptReadAnimList(table, *entry);
    const lua_Object endAction = lua_lua2C(6);
    if (endAction != LUA_NOOBJECT && !lua_isnil(endAction)) ScriptRef(object->endAction, endAction);
    if (entry->interval > 0) {
        object->Timer().SetInterval(float(entry->interval));
        object->Timer().SetFlags(TTimer::kEnabled, true);
    }
    object->SetImage(entry->group, entry->frame);
}

void EngineGetObjectAnim() {
    TAnimObject* object = Object();
    const AnimEntry* entry = object ? object->GetEntry() : nullptr;
    lua_pushnumber(entry ? entry->group : -1);
}

void EngineSetObjectAnimMode() {
    if (TAnimObject* object = Object()) object->SetAnimMode(IntParam(2));
}

void EngineGetObjectAnimMode() {
    if (TAnimObject* object = Object()) lua_pushnumber(object->GetAnimMode());
}

void SkySetImage() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const int32_t index = IntParam(1);
    TSkyLayer& sky = room->GetSky();
    if (index < 0) {
        sky.SetVisible(false);
        room->Invalidate(true);
        return;
    }
    sky.SetVisible(true);
    sky.SetImage(index);
    room->Invalidate(true);
}

void SkySetSpeed() {
    TRoom* room = CommandRoom();
    if (!room) return;
    const auto top = float(NumberParam(1));
    const auto bottom = float(NumberParam(2));
    room->GetSky().SetSpeed(top, bottom);
}
