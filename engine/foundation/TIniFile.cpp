#include "foundation/TIniFile.h"

#include "foundation/TError.h"

#include <cstring>

namespace {
const char kSource[] = "Source\\TIniFile";
}

TIniFile::TIniFile() {
    folder_ = "Data";
}
TIniFile::TIniFile(const char* name) : TCustTxt(name) {
    folder_ = "Data";
}

TIniFile::~TIniFile() {
    Detach();
    EngineFree(result_);
    delete parser_;
}

int TIniFile::Detach() {
    if (parser_) parser_->Detach();
    return 1;
}

int TIniFile::LoadPlain() {
    const char* name = fileName_.c_str();
    if (!TSwpFile::Open(1)) {
        TError::Raise(56, name, nullptr, kSource, 130);
        return 0;
    }
    // The count is not used for plain files: each load reads the file anew.
    FreeText();
    int32_t size = size_ > 0 ? size_ : 0;
    text_ = static_cast<char*>(EngineAlloc(static_cast<size_t>(size) + 1));
    if (!text_) {
        TSwpFile::Close();
        TError::Raise(9, "alloc ini-file buffer", nullptr, kSource, 115);
        return 0;
    }
    int32_t got = size ? Read(text_, size) : 0;
    TSwpFile::Close();
    if (got < size) {
        FreeText();
        TError::Raise(55, name, nullptr, kSource, 121);
        return 0;
    }
    text_[size] = 0; // so that GetText hands out a proper string
    textLength_ = size;
    return 1;
}

int TIniFile::Load() {
    Update();
    const char* dot = std::strrchr(fileName_.c_str() ? fileName_.c_str() : "", '.');
    bool plain = dot && std::strcmp(dot, ".ini") == 0;
    // The old parser goes first: loading may free the text it reads.
    Detach();
    delete parser_;
    parser_ = nullptr;
    if (plain ? !LoadPlain() : !TCustTxt::Load()) return 0;
    parser_ = new TProfileText(fileName_.c_str());
    if (!parser_) {
        TError::Raise(9, nullptr, nullptr, kSource, 140);
        return 0;
    }
    // A plain file is taken whole; a CTF text up to its terminator.
    parser_->SetText(text_, plain ? textLength_ : static_cast<int32_t>(std::strlen(text_)));
    return parser_->Attach();
}

const char* TIniFile::GetString(const char* section, const char* key, const char* fallback) {
    if (!parser_ || !parser_->FindSection(section) || !parser_->FindKey(key)) return fallback;
    EngineFree(result_);
    result_ = static_cast<char*>(EngineAlloc(kResultSize));
    if (!result_) {
        TError::Raise(9, "alloc ini-file buffer", nullptr, kSource, 68);
        return fallback;
    }
    if (!parser_->ReadString(result_, kResultSize)) return fallback;
    return result_;
}

int32_t TIniFile::GetInt(const char* section, const char* key, int32_t fallback) {
    int32_t value = 0;
    if (!parser_ || !parser_->FindSection(section) || !parser_->FindKey(key) ||
        !parser_->ReadInt(&value))
        return fallback;
    return value;
}
