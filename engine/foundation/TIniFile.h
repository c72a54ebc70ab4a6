// A settings resource: a plain ".ini" file or a CTF text, answering section
// and key queries through an in-memory profile over the loaded text.
#pragma once

#include "foundation/TCustTxt.h"
#include "foundation/TProfile.h"

#include <cstdint>

class TIniFile : public TCustTxt {
public:
    static constexpr int32_t kResultSize = 1024;

    TIniFile();
    explicit TIniFile(const char* name);
    ~TIniFile() override;

    int Load() override;
    // Lets go of the parser's hold on the text; the text stays loaded.
    int Release() override { return Detach(); }
    int Detach();
    // The first item of the value (up to ","), valid until the next call.
    const char* GetString(const char* section, const char* key, const char* fallback);
    int32_t GetInt(const char* section, const char* key, int32_t fallback);
    int FindSection(const char* name) { return parser_ ? parser_->FindSection(name) : 0; }
    int FindKey(const char* key) { return parser_ ? parser_->FindKey(key) : 0; }

private:
    int LoadPlain();

    TProfileText* parser_ = nullptr;
    char* result_ = nullptr;
};
