// The commands of the table Engine on the room's elements (objects, zones,
// layers, the room's picture and player) and on its actors, and the table Sky.
// Each reads its arguments as every command does and acts on the current
// room; a handle that names no element, or an element of the wrong kind,
// makes it do nothing.
#pragma once

// --- Room, objects, layers and zones (ElementCommands.cpp) ---
void EngineSetRoomImage();
void EngineSetPlayerActor();
void EngineShowObject();
void EngineHideObject();
void EngineShowZone();
void EngineHideZone();
void EngineSetZoneRect();
void EngineSetObjectSelectable();
void EngineSetObjectDepth();
void EngineSetObjectPosition();
void EngineGetObjectPosition();
void EngineLayerSetFlags();
void EngineLayerResetFlags();
void EngineStartObjectEffect();
void EngineStopObjectEffect();
void EngineSetObjectImage();
void EngineGetObjectImage();
void EngineGetObjectImageCount();
void EngineSetObjectAnim();
void EngineGetObjectAnim();
void EngineSetObjectAnimMode();
void EngineGetObjectAnimMode();
void SkySetImage();
void SkySetSpeed();

// --- Actors (ActorCommands.cpp) ---
void EngineActorWalkTo();
void EngineActorWalkPath();
void EngineActorCancelWalk();
void EngineActorSetSpeed();
void EngineActorClearAnim();
void EngineActorAddAnim();
void EnginePlayActorAnim();
void EngineActorClearWalkSound();
void EngineActorAddWalkSound();
void EngineActorLookAt();
