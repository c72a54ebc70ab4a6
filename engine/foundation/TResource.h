// The base of every named media resource: a swap file that knows a name (a
// key of the resource index) and a folder (the section the key stands in),
// turns them into a path on demand, keeps the path until the index changes,
// and loads its data through the handle cache or a loader of its format part.
// Loads are counted; while any is outstanding the path and data stay put.
#pragma once

#include "foundation/TString.h"
#include "foundation/TSwpFile.h"

#include <cstdint>

// The format of a loaded record.
enum TImageType : int32_t {
    kImageNone = 0,
    kImageFnt = 1,
    kImageBmp = 2,
    kImageCur = 3,
    kImageIco = 4,
    kImagePcx = 5,
    kImageJpeg = 6,
};

class TResource : public TSwpFile {
public:
    TResource();
    explicit TResource(const char* name);
    ~TResource() override;
    // The plain deletion, since every format derives from a resource through
    // a virtual base (see TNamedObj). A resource resolves until its last
    // destructor; the cache releases resources, no handler reaches them.
    using TObject::operator delete;
    using TObject::operator new;

    void SetName(const char* name);
    // An explicit path; the resource then has no name and keeps this path.
    void SetPath(const char* path);
    void* GetData() const { return data_; }
    const char* GetName() const { return resName_.c_str(); }
    const char* GetPath();
    bool HasData() const { return data_ != nullptr; }
    const char* GetFolder() const { return folder_.c_str(); }
    int32_t LoadCount() const { return loadCount_; }
    void SetCacheable(int on) { cacheable_ = on; }
    void SetChanged(bool on) { Invalidate(on); }

    // Resolves the path when the index changed or the name did; nothing
    // while loaded. The result of the resolution, the load count, or 0.
    uint32_t Update() override;
    bool IsDirty() override;
    virtual int Open();
    virtual int Close();
    virtual int Load();
    virtual int Release();
    // Frees the data at once, whatever the count.
    void ForceRelease();

    // The text after the last dot of the path, by which the picture, font
    // and cursor parts choose their reader; null for an empty path, and null
    // after reporting error 50 (for `source`, at `line`) when there is no dot.
    const char* PathExtension(const char* source, int32_t line) const;
    // The text after the last dot of the file name in `path` (a dot in a
    // folder's name does not count), or null.
    static const char* ExtensionOf(const char* path);

    // Makes every resource resolve its path again on its next use.
    static void InvalidatePaths();
    static uint32_t PathGeneration();

protected:
    TString folder_;
    TString resName_;
    void* data_ = nullptr;
    int32_t cacheable_ = 1;
    int32_t cached_ = 0;
    int32_t loadCount_ = 0;
    int32_t imageType_ = kImageNone;
    uint32_t generation_ = 0;
};
