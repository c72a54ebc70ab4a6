// Settings texts of sections ("[Name]") and key lines ("Key = value"), read
// whole into memory with 1024 bytes to spare, scanned in place, rewritten in
// place and written back on Close when changed. Comparisons are byte for byte
// and case-sensitive; blanks are spaces. A value ends at CR or LF, so files
// with either line end read the same.
#pragma once

#include "foundation/TFile.h"

#include <cstdint>

class TProfile : public TFile {
public:
    static constexpr uint32_t kModified = 0x8000;
    static constexpr int32_t kSpare = 1024;

    TProfile() = default;
    explicit TProfile(const char* name) : TFile(name) {}
    ~TProfile() override;

    int Open();
    int Close();

    int FindSection(const char* name);
    int FindKey(const char* key);
    int ReadString(char* buffer, int32_t size);
    int ReadInt(int32_t* out);
    int ReadValues(int32_t* out) { return ReadInt(out); }
    int WriteString(const char* text);
    int WriteInt(int32_t value);
    int ReadBool(const char* key);
    int WriteBool(const char* key, int on);

    bool IsModified() const { return (profileFlags_ & kModified) != 0; }
    const char* Text() const { return text_; }
    int32_t TextLength() const { return length_; }

protected:
    void Forget();
    const char* End() const { return text_ + length_; }
    // The old value: from the first non-blank after "=" to the line end.
    void OldValue(char*& from, char*& to) const;
    int Replace(const char* text);

    uint32_t profileFlags_ = 0;
    char* text_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
    char* body_ = nullptr;
    int32_t scanOffset_ = 0;
    char* sectionStart_ = nullptr;
    char* keyStart_ = nullptr;
    char* valueStart_ = nullptr;
    char* valueCursor_ = nullptr;
    bool ownsText_ = false;
};

// The same scanner over a text another object owns.
class TProfileText : public TProfile {
public:
    TProfileText() = default;
    explicit TProfileText(const char* name) : TProfile(name) {}

    void SetText(char* text, int32_t length);
    int Attach();
    int Detach();

private:
    char* external_ = nullptr;
    int32_t externalLength_ = 0;
};
