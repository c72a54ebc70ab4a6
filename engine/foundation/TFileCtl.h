// Resource paths: every resource is known by a folder word and a name, never
// by a path. The resource profile ("resource.ini") turns the pair into a file:
// the folder is the section, the name the key, and the value the file,
// relative to the base folder given by the key `Path` of the section `Main`
// (itself relative to the program's folder unless it holds ':').
#pragma once

#include "foundation/TString.h"

#include <cstdint>

class TFileCtl {
public:
    // A new profile makes every resource resolve its path again.
    static void SetProfile(const char* name);
    static void SetRootPath(const char* dir);
    static const char* GetProfile();
    static const char* GetRootPath();
    static const char* GetBasePath();
    static void ReadBasePath();

    // Joins `dir` and `rel` with '\', climbing ".." and skipping "."; paths
    // of any length (a game installed deep in a folder tree). Both null: a
    // string without text.
    static TString JoinPath(const char* dir, const char* rel);

    // Resolves the file of `key` in `section` into `out` (emptied first);
    // 1, or 0 (a missing entry is reported, an empty one is not).
    static int GetPath(const char* section, const char* key, TString& out);
    static int HasKey(const char* section, const char* key);

    static void InitCache();
    static void DoneCache();
};
