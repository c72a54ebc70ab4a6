#include "foundation/TCustTxt.h"

#include "foundation/TError.h"
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"
#include "platform/ByteStream.h"

#include <cstring>

namespace {
const char kSource[] = "Source\\TCustTxt";
}

TCustTxt::TCustTxt() {
    folder_ = "Text";
}
TCustTxt::TCustTxt(const char* name) : TResource(name) {
    folder_ = "Text";
}

TCustTxt::~TCustTxt() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        Unload();
    }
    FreeText(); // also a text read without counting (plain ini files)
}

void TCustTxt::FreeText() {
    EngineFree(text_);
    text_ = nullptr;
    textLength_ = 0;
}

int TCustTxt::Unload() {
    if (--loadCount_ < 1) {
        loadCount_ = 0;
        FreeText();
    }
    return 1;
}

int TCustTxt::LoadFailed(int32_t code, const char* message, int32_t line, uint8_t* body) {
    TError::Raise(code, message, nullptr, kSource, line);
    EngineFree(body);
    if (open_) TSwpFile::Close();
    // A failed load leaves no text, and no count that would claim one.
    --loadCount_;
    return 0;
}

int TCustTxt::Load() {
    Update();
    if (++loadCount_ >= 2) return 1;
    if (fileName_ == "" || !fileName_.c_str()) {
        --loadCount_;
        return 0;
    }
    FreeText(); // a text read without counting (a plain ini file) goes first
    const char* name = fileName_.c_str();
    if (!TSwpFile::Open(1)) return LoadFailed(56, name, 99, nullptr);
    if (Read(header_, kHeaderSize) != kHeaderSize) return LoadFailed(54, name, 105, nullptr);
    platform::ByteReader header(header_, kHeaderSize);
    uint8_t packing = header.U8();
    uint32_t length = header.U32(); // unaligned in the header: read byte by byte
    int32_t bodySize = size_ - kHeaderSize;
    // A stored text cannot be longer than the file; a length past any buffer
    // and an unknown packing are corrupt headers too.
    if (packing > kLzw16 || (packing == kStored && length > static_cast<uint32_t>(bodySize)) ||
        length > 0x7ffffffeu)
        return LoadFailed(54, name, 105, nullptr);
    uint8_t* body = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(bodySize) + 1));
    if (!body) return LoadFailed(9, "alloc encode field", 115, nullptr);
    int32_t got = bodySize > 0 ? Read(body, bodySize) : 0;
    if (got < 0) got = 0;
    // No code yields more than a dictionary's worth of bytes, so a header
    // that claims more than the body can unpack to gets no block for it.
    uint64_t codes = packing == kLzw ? uint64_t(got) * 8 / 9 : uint64_t(got) / 2;
    uint64_t most = codes * (packing == kLzw ? 4098u : 65538u) + 1;
    if (packing != kStored && length > most) length = static_cast<uint32_t>(most);
    text_ = static_cast<char*>(EngineAlloc(static_cast<size_t>(length) + 1));
    if (!text_) return LoadFailed(9, "alloc decode field", 124, body);
    int32_t written = static_cast<int32_t>(length);
    if (packing == kStored) {
        if (written > got) written = got;
        std::memcpy(text_, body, static_cast<size_t>(written));
    } else if (packing == kLzw) {
        TLzwCodec().Decode(body, got, reinterpret_cast<uint8_t*>(text_), &written);
    } else {
        TLzw16Codec().Decode(body, got, reinterpret_cast<uint8_t*>(text_), &written);
    }
    text_[written] = 0;
    textLength_ = written;
    EngineFree(body);
    TSwpFile::Close();
    return 1;
}
