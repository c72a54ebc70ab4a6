// The scripts' side of a save game: the functions SaveGame.* through which
// SaveTheGame and LoadGame store their own values, and the calls of those two
// globals. The "file" is a memory buffer, open only while one of the two
// runs; outside it the functions touch nothing and reads give 0, nil or "".
#pragma once

#include "platform/ByteStream.h"

void SaveGameWriteNumber();
void SaveGameReadBool();
void SaveGameReadNumber();
void SaveGameWriteFloat();
void SaveGameReadFloat();
void SaveGameWriteString();
void SaveGameReadString();

// Calls the main state's SaveTheGame (LoadGame) with `file` open. 1 when the
// function exists, ran without a script error and no transfer came short.
int ScriptSaveTheGame(platform::ByteWriter& file);
int ScriptLoadGame(platform::ByteReader& file);

// Calls the main state's SysInventoryAddItem(id), which puts a loaded item
// back into the inventory.
void ScriptInventoryAddItem(int32_t id);
