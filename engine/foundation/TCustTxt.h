// A text resource from a CTF file (a 63-byte header, then the text stored or
// packed with LZW or LZW16), loaded into one NUL-terminated block shared by
// its users through the load count.
#pragma once

#include "foundation/TResource.h"

#include <cstdint>

class TCustTxt : public TResource {
public:
    static constexpr int32_t kHeaderSize = 63;
    enum Packing : uint8_t { kStored = 0, kLzw = 1, kLzw16 = 2 };

    TCustTxt();
    explicit TCustTxt(const char* name);
    ~TCustTxt() override;

    int Load() override;
    int Release() override { return Unload(); }
    int Unload();
    virtual const char* GetText() const { return text_; }
    int32_t TextLength() const { return textLength_; }

protected:
    void FreeText();
    // Reports `code` for this file, closes it and undoes the load.
    int LoadFailed(int32_t code, const char* message, int32_t line, uint8_t* body);

    char* text_ = nullptr;
    int32_t textLength_ = 0;
    uint8_t header_[kHeaderSize] = {};
};
