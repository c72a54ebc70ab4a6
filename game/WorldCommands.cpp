// Camera, way network, music and sound, debug output, random numbers, night
// vision, brightness, the click lock and the menu.
#include "WorldCommands.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TRoom.h"

#include "platform/Kernel.h"

#include <algorithm>
#include <cstdint>

GameWorld* CommandWorld() {
    return FromMainState() ? App().World() : nullptr;
}

TRoom* CommandWorldRoom() {
    return FromMainState() ? CurrentRoom() : nullptr;
}

namespace {

float FloatParam(int n) {
    return float(NumberParam(n));
}

// A point of three arguments from `first`, read z, y, x: the notes of a
// missing one name the positions in that order.
Point3D PointParam(int first) {
    Point3D p;
    p.z = FloatParam(first + 2);
    p.y = FloatParam(first + 1);
    p.x = FloatParam(first);
    return p;
}

// A camera setting that takes one number; the room is redrawn with it.
void CameraNumber(void (*apply)(Camera3D& camera, float value)) {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    apply(room->GetCamera(), FloatParam(1));
    room->Refresh();
}

} // namespace

// --- Camera -------------------------------------------------------------------------

void CameraSetPosition() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    room->GetCamera().SetPosition(PointParam(1));
    room->Refresh();
}

void CameraSetRotation() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    const Point3D angles = PointParam(1);
    room->GetCamera().SetRotation(angles.x, angles.y, angles.z);
    room->Refresh();
}

void CameraSetDistance() {
    CameraNumber([](Camera3D& c, float v) { c.SetDistance(v); });
}

void CameraSetBaseScale() {
    CameraNumber([](Camera3D& c, float v) { c.SetBaseScale(v); });
}

void CameraSetOriginalDistance() {
    CameraNumber([](Camera3D& c, float v) { c.originalDistance = v; });
}

// Takes effect with the next redraw that something else causes.
void CameraSetScaleAdjust() {
    if (TRoom* room = CommandWorldRoom()) room->GetCamera().SetScaleAdjust(FloatParam(1));
}

// --- Way network ----------------------------------------------------------------------

void PathAddLine() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    const Point3D a = PointParam(1);
    const Point3D b = PointParam(4);
    room->GetWayGraph().AddLine(a, b);
}

void PathReset() {
    if (TRoom* room = CommandWorldRoom()) room->GetWayGraph().Reset();
}

// The cost of the route between two points; nil when there is none. The
// route is only read.
void PathGetCost() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    const Point3D from = PointParam(1);
    const Point3D to = PointParam(4);
    WalkPath* route = room->GetWayFinder().FindPath(from, to);
    if (!route) {
        lua_pushnil();
        return;
    }
    lua_pushnumber(route->cost);
    delete route;
}

// The node commands read their arguments and change nothing: routes come
// from the lines alone.
void PathAddNode() {
    if (CommandWorldRoom()) PointParam(1);
}

void PathRemNode() {
    if (CommandWorldRoom()) IntParam(1);
}

void PathNodeNeighbor() {
    if (!CommandWorldRoom()) return;
    IntParam(1);
    IntParam(2);
}

void PathFindNode() {
    if (CommandWorldRoom()) PointParam(1);
}

// --- Sound and music ------------------------------------------------------------------

// Reads the name and whether a second value is given; plays nothing.
void SoundPlay() {
    if (!CommandWorldRoom()) return;
    StringParam(1);
    FlagParam(2);
}

void MusicPlay() {
    if (TRoom* room = CommandWorldRoom()) room->PlayMusic();
}

void MusicStop() {
    if (TRoom* room = CommandWorldRoom()) room->StopMusic();
}

// The sound takes its volume unsigned: -1 would play at full volume.
void MusicSetVolume() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    const int32_t volume = std::clamp<int32_t>(IntParam(1), 0, 127);
    room->Music().SetVolume(uint32_t(volume));
}

// --- Debug ------------------------------------------------------------------------------

void DebugWriteString() {
    if (!CommandWorldRoom()) return;
    OutputDebugStringA(StringParam(1));
    OutputDebugStringA("\n");
}

void DebugWriteLabel() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    const char* text = StringParam(1);
    room->DebugLabel().SetText(text ? text : "");
}

// --- Engine -----------------------------------------------------------------------------

// low + a draw below high - low + 1; low itself when that count is not
// between 1 and 2^32 - 1 (reversed bounds, or a range the source cannot
// draw from).
void EngineRandom() {
    if (!CommandWorldRoom()) return;
    const int32_t low = IntParam(1);
    const int32_t high = IntParam(2);
    const int64_t count = int64_t(high) - int64_t(low) + 1;
    int64_t result = low;
    if (count >= 1 && count <= int64_t(UINT32_MAX))
        result += Statics().random.Next(uint32_t(count));
    lua_pushnumber(double(result));
}

void EngineEnableNightVision() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    Statics().nightVision = 1;
    room->Refresh();
}

void EngineDisableNightVision() {
    TRoom* room = CommandWorldRoom();
    if (!room) return;
    Statics().nightVision = 0;
    room->Refresh();
}

// Limited to [0, 1]; anything that is not 0 or more (not a number included)
// gives 0.
void EngineSetObjectBrightness() {
    if (!CommandWorldRoom() || lua_lua2C(1) == LUA_NOOBJECT) return;
    const float b = FloatParam(1);
    SetGlobalBrightness(b >= 0.0f ? std::min(b, 1.0f) : 0.0f);
}

void EngineLocationSetBlocked() {
    if (TRoom* room = CommandWorldRoom()) room->SetBlocked(IntParam(1) != 0 ? 1 : 0);
}

void EngineGameMenuShow() {
    if (GameWorld* world = CommandWorld()) world->OpenGameMenu();
}
