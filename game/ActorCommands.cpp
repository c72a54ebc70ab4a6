#include "ElementCommands.h"

#include "ElementHandle.h"
#include "ScriptAnimList.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "TActor.h"
#include "TRoom.h"

namespace {
// Parameter 1 as an actor of the room the commands act on.
TActor* Actor() {
    return CommandRoom() ? dynamic_cast<TActor*>(ElementParam(1)) : nullptr;
}

// The point of parameters first .. first + 2, read z, y, x.
Point3D PointParam(int first) {
    const auto z = float(NumberParam(first + 2));
    const auto y = float(NumberParam(first + 1));
    const auto x = float(NumberParam(first));
    return {x, y, z};
}

bool Given(int n) {
    const lua_Object value = lua_lua2C(n);
    return value != LUA_NOOBJECT && !lua_isnil(value);
}

// The end action of parameter n replaces the one held; nil or none leaves none.
void TakeEndAction(int32_t& field, int n) {
    ScriptUnref(field);
    if (Given(n)) ScriptRef(field, lua_lua2C(n));
}

bool Walking(const TActor& actor) {
    return actor.GetWalker() || actor.GetState() == TActor::asWalking ||
           actor.GetState() == TActor::asRunning;
}
} // namespace

void EngineActorWalkTo() {
    TActor* actor = Actor();
    if (!actor) return;
    const Point3D to = PointParam(2);
    WalkPath* route = CommandRoom()->GetWayFinder().FindPath(*actor->GetPosition(), to);
    if (route) {
        // The walk releases the end action held so far.
        actor->WalkTo(route);
        TakeEndAction(actor->walkEndAction, 5);
        return;
    }
    // Nowhere to go: the script hears at once that the walk is over, and
    // the end action of a walk under way stays. The call may end the room.
    if (!Given(5)) return;
    int32_t once = -1;
    ScriptRef(once, lua_lua2C(5));
    ScriptCallRefOnce(once);
}

void EngineActorWalkPath() {
    TActor* actor = Actor();
    if (!actor) return;
    const Point3D from = PointParam(2);
    const Point3D to = PointParam(5);
    if (Walking(*actor)) return;
    if (WalkPath* route = CommandRoom()->GetWayFinder().FindPath(from, to)) actor->WalkTo(route);
}

void EngineActorCancelWalk() {
    if (TActor* actor = Actor()) actor->CancelWalk(1);
}

void EngineActorSetSpeed() {
    if (TActor* actor = Actor()) actor->speed = float(NumberParam(2));
}

void EngineActorClearAnim() {
    if (TActor* actor = Actor()) actor->ClearAnim(IntParam(2));
}

void EngineActorAddAnim() {
    TActor* actor = Actor();
    if (!actor) return;
    const int32_t list = IntParam(2);
    ActorAnimRecord record = EmptyAnimRecord();
    for (int k = 0; k < 6; ++k) {
        // Each sector in a block of its own: what it reads goes with it.
        lua_beginblock();
        const lua_Object sector = lua_lua2C(3 + k);
        const lua_Object inner = TableField(sector, 1);
        if (inner != LUA_NOOBJECT && lua_istable(inner))
            ScriptReadAnimList(inner, record.entries[k]);
        lua_endblock();
    }
    actor->AddAnim(list, record);
}

void EnginePlayActorAnim() {
    TActor* actor = Actor();
    if (!actor) return;
    const lua_Object directions = ObjectParam(2);
    ActorAnimRecord record = EmptyAnimRecord();
    // The directions are keyed from 0, one per facing sector.
    for (int k = 0; k < 6; ++k) {
        const lua_Object entry = TableField(directions, k);
        if (entry != LUA_NOOBJECT && lua_istable(entry))
            ScriptReadAnimList(entry, record.entries[k]);
    }
    actor->PlayAnim(record);
    TakeEndAction(actor->animEndAction, 3);
}

void EngineActorClearWalkSound() {
    if (TActor* actor = Actor()) actor->ClearWalkSounds();
}

void EngineActorAddWalkSound() {
    TActor* actor = Actor();
    if (!actor) return;
    if (const char* name = StringParam(2)) actor->AddWalkSound(name);
}

void EngineActorLookAt() {
    TActor* actor = Actor();
    if (!actor) return;
    const uint32_t flags = actor->GetElementFlags();
    if (lua_lua2C(4) == LUA_NOOBJECT) {
        actor->SetElementFlags(flags & ~uint32_t(TRoomElement::efLookAt));
        return;
    }
    actor->LookAt(PointParam(2));
    actor->SetElementFlags(actor->GetElementFlags() | TRoomElement::efLookAt);
}
