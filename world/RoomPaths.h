// Paths of the room's picture files from the resource index, of any length.
#pragma once

#include "foundation/TString.h"

// The value of `key` in `section` of the resource index; false when the key
// is missing or empty (nothing is reported).
bool ResourceValue(const char* section, const char* key, TString& out);
// The file of a resource key: its value, taken relative to the base folder
// unless it holds a drive (':'); false when the key is missing or empty.
bool ResourceFile(const char* section, const char* key, TString& out);
// The folder of the global pictures: the key PathPicture of section Main, or
// the base folder followed by "int\all\pictures\".
TString GlobalPictureFolder();
// A file under the global picture folder.
TString GlobalPicture(const char* relative);
