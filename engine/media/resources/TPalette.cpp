#include "media/resources/TPalette.h"

#include "foundation/TError.h"
#include "foundation/TFileCtl.h"

namespace {
const char kSource[] = "Source\\TPalette";
}

TPalette::TPalette(const char* name) : resName_(name ? name : "") {
    fileName_ = "";
}

TPalette::~TPalette() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        Release();
    }
}

void TPalette::SetName(const char* name) {
    if (!name || resName_ == name) return;
    resName_ = name;
    Invalidate(true);
}

uint32_t TPalette::Update() {
    if (!(flags_ & kDirty) || IsOpened() || loadCount_ > 0) return 0;
    flags_ &= ~kDirty;
    return static_cast<uint32_t>(TFileCtl::GetPath("Palette", resName_.c_str(), fileName_));
}

int TPalette::Load() {
    Update();
    if (++loadCount_ > 1) return table_ != nullptr;
    fileData_ = OpenBuffer(0, 0);
    if (!fileData_) return 0;
    // A shorter file would leave colours to whatever follows it in memory.
    if (GetSize() < kFileSize) {
        TError::Raise(55, nullptr, fileName_.c_str(), kSource, 74);
        return 0;
    }
    table_ = static_cast<GdlPaletteEntry*>(EngineAlloc(256 * sizeof(GdlPaletteEntry)));
    if (!table_) {
        TError::Raise(9, nullptr, nullptr, kSource, 80);
        return 0;
    }
    for (int i = 0; i < 256; ++i)
        table_[i] = {fileData_[3 * i + 2], fileData_[3 * i + 1], fileData_[3 * i], 0};
    return 1;
}

void TPalette::Release() {
    if (--loadCount_ > 0) return;
    loadCount_ = 0;
    if (fileData_) CloseBuffer();
    EngineFree(table_);
    fileData_ = nullptr;
    table_ = nullptr;
}
