// The palette resource: a file of 256 R, G, B triples found in the section
// "Palette" of the resource index, turned into the 1024-byte table of
// entries blue, green, red, 0 that the display takes.
#pragma once

#include "foundation/TString.h"
#include "foundation/TSwpFile.h"
#include "gdl/pixelformat.h"

#include <cstdint>

class TPalette : public TSwpFile {
public:
    static constexpr int32_t kFileSize = 768;

    explicit TPalette(const char* name = nullptr);
    ~TPalette() override;

    // Resolves the path when changed, not open and not loaded.
    uint32_t Update() override;
    // 1 when the table is there (also when already loaded), else 0; every
    // Load is paired with a Release, successful or not.
    int Load();
    void Release();
    const GdlPaletteEntry* GetEntries() const { return table_; }
    void SetName(const char* name);

private:
    int32_t loadCount_ = 0;
    TString resName_;
    uint8_t* fileData_ = nullptr;
    GdlPaletteEntry* table_ = nullptr;
};
