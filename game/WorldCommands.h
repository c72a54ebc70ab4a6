// The script commands on the world around the room's elements: camera, way
// network, music and sound, debug output, random numbers, night vision and
// brightness, the click lock and the menu (WorldCommands.cpp), the scripts'
// cursors (CursorCommands.cpp) and the inventory's records
// (InventoryCommands.cpp) and the map (MapCommands.cpp). Each does nothing unless called from the
// current game's main state.
#pragma once

class GameWorld;
class TRoom;

// The world and room the commands act on, or null.
GameWorld* CommandWorld();
TRoom* CommandWorldRoom();

void CameraSetPosition();
void CameraSetRotation();
void CameraSetDistance();
void CameraSetBaseScale();
void CameraSetOriginalDistance();
void CameraSetScaleAdjust();

void PathAddNode();
void PathRemNode();
void PathNodeNeighbor();
void PathAddLine();
void PathFindNode();
void PathReset();
void PathGetCost();

void SoundPlay();
void MusicPlay();
void MusicStop();
void MusicSetVolume();

void DebugWriteString();
void DebugWriteLabel();

void EngineRandom();
void EngineEnableNightVision();
void EngineDisableNightVision();
void EngineSetObjectBrightness();
void EngineLocationSetBlocked();
void EngineGameMenuShow();

void CursorCreate();
void EngineSetRoomCursor();
void EngineSetLayerCursor();

void EngineAddInventoryItem();
void EngineRemInventoryItem();
void EngineInventoryShow();
void EngineInventoryHide();

void EngineEnableMap();
void EngineDisableMap();
void EngineCreateMapEntry();
void EngineSetMapEntryEnabled();
void EngineSetMapEntryVisible();
