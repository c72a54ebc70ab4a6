// The game's shared resource objects, one per row of the table in
// NamedResources.cpp, each named after the key under which the resource index
// gives its file. Built in the table's order (nothing is read then: a key is
// looked up on first load) and destroyed in the reverse order. Two keys name
// two objects each: fntDialog (font modes 0 and 1) and curClock (the one the
// application keeps loaded, and the one of the save and load pages).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TIniFile;
class TMetaCur;
class TMetaFnt;
class TSwpFile;
class TSectTxt;

class NamedResources {
public:
    NamedResources();
    ~NamedResources();
    NamedResources(const NamedResources&) = delete;
    NamedResources& operator=(const NamedResources&) = delete;

    int32_t Count() const { return int32_t(objects_.size()); }
    TSwpFile* At(int32_t index) const;
    const char* KeyAt(int32_t index) const;
    // The `nth` object (0 first) built with `key`; null when there is none.
    TSwpFile* Find(const char* key, int32_t nth = 0) const;

    TSectTxt* Text(const char* key) const;
    TIniFile* Ini(const char* key) const;
    TMetaCur* Cursor(const char* key, int32_t nth = 0) const;
    TMetaFnt* Font(const char* key, int32_t nth = 0) const;

    // Loads what the application keeps for the whole run, and lets it go
    // again (once: a second release finds nothing held).
    void LoadShared();
    void ReleaseShared();
    bool SharedLoaded() const { return sharedLoaded_; }

private:
    std::vector<std::unique_ptr<TSwpFile>> objects_;
    bool sharedLoaded_ = false;
};
