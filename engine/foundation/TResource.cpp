#include "foundation/TResource.h"

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<uint32_t> pathGeneration{0};
}

void TResource::InvalidatePaths() {
    ++pathGeneration;
}
uint32_t TResource::PathGeneration() {
    return pathGeneration.load();
}

TResource::TResource() : folder_(""), resName_("") {
    fileName_ = "";
}

TResource::TResource(const char* name) : TResource() {
    if (name) resName_ = name;
}

TResource::~TResource() {
    ForceRelease();
}

const char* TResource::ExtensionOf(const char* path) {
    if (!path) return nullptr;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    const char* dot = std::strrchr(name, '.');
    return dot ? dot + 1 : nullptr;
}

const char* TResource::PathExtension(const char* source, int32_t line) const {
    const char* path = fileName_.c_str();
    if (!path || !*path) return nullptr;
    const char* dot = std::strrchr(path, '.');
    if (!dot) TError::Raise(50, "Missing file extension.", path, source, line);
    return dot ? dot + 1 : nullptr;
}

void TResource::SetName(const char* name) {
    if (loadCount_ != 0 || !name || resName_ == name) return;
    resName_ = name;
    SetChanged(true);
}

void TResource::SetPath(const char* path) {
    if (loadCount_ != 0 || !path) return;
    if (resName_ != "") {
        resName_ = "";
        SetChanged(true);
    }
    if (fileName_ != path) {
        fileName_ = path;
        SetChanged(true);
    }
}

const char* TResource::GetPath() {
    Update();
    return fileName_.c_str();
}

bool TResource::IsDirty() {
    if (pathGeneration.load() != generation_) return true;
    return (flags_ & kDirty) != 0;
}

uint32_t TResource::Update() {
    if (!IsDirty()) return 0;
    if (loadCount_ > 0) return static_cast<uint32_t>(loadCount_);
    generation_ = pathGeneration.load();
    flags_ &= ~kDirty;
    if (resName_ == "") return 0; // an explicit path stays as it is
    // A failed lookup leaves the path empty: the old file is not this name's.
    return static_cast<uint32_t>(TFileCtl::GetPath(folder_.c_str(), resName_.c_str(), fileName_));
}

int TResource::Open() {
    Update();
    if (fileName_ == "" || !fileName_.c_str()) return 0;
    TCache& cache = TCache::Global();
    if (cache.IsOn()) {
        int32_t slot = cacheable_
                           ? cache.Load(fileName_.c_str(), loader_, unloader_, 0, 2, cacheSlot_)
                           : cache.Find(fileName_.c_str(), 0, 0, cacheSlot_, RecordLoader());
        cacheSlot_ = slot;
        if (Cached()) {
            data_ = cache.GetData(slot);
            cache.AddRef(slot, 1);
            cached_ = 1;
            return 1;
        }
    }
    if (!loader_) return 0;
    data_ = loader_(fileName_.c_str());
    return data_ != nullptr;
}

int TResource::Close() {
    if (cached_) {
        TCache::Global().AddRef(cacheSlot_, 0);
        cached_ = 0;
        data_ = nullptr;
        return 1;
    }
    int result = 0;
    if (unloader_ && data_) {
        unloader_(data_);
        result = 1;
    }
    data_ = nullptr;
    return result;
}

int TResource::Load() {
    Update();
    if (++loadCount_ > 1) return 1;
    return Open();
}

int TResource::Release() {
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    return Close();
}

void TResource::ForceRelease() {
    if (loadCount_ <= 0) return;
    loadCount_ = 1;
    Release();
}
