// The string of engine and game: an owned, NUL-terminated buffer with an
// explicit capacity (terminator included). Three rules other code relies on:
// a string may have no buffer at all (it then equals only a null text, not
// ""), a copy into a string that cannot grow is cut to its capacity, and an
// index outside the buffer lands on a per-object scratch byte.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class TString : public TObject {
public:
    TString();                      // 256 bytes holding ""
    TString(const char* text);      // 256 bytes, then assigned (grows)
    TString(const TString& other);  // 256 bytes, then assigned
    explicit TString(int capacity); // below 2: no buffer
    ~TString() override;

    const char* c_str() const { return buffer_; }
    int32_t Length() const;
    int32_t MaxLength() const { return buffer_ ? capacity_ - 1 : -1; }
    int32_t Capacity() const { return capacity_; }
    char* CharAt(int32_t index);

    TString& operator=(const char* text);
    TString& operator=(const TString& other);
    TString& operator+=(const char* text);
    TString& operator+=(const TString& other);
    TString& operator+=(char c);

    void Resize(int32_t capacity);
    int Replace(const char* find, const char* replacement);

    bool operator==(const char* text) const;
    bool operator==(const TString& other) const { return *this == other.buffer_; }
    bool operator!=(const char* text) const { return !(*this == text); }
    bool operator!=(const TString& other) const { return !(*this == other); }

private:
    // Resizes to exactly `capacity`; false (error 9 reported, text unchanged)
    // when the new buffer cannot be had.
    bool Grow(int32_t capacity);
    void Allocate(int32_t capacity, int line);

    char* buffer_ = nullptr;
    int32_t capacity_ = 0;
    char scratch_ = 0;
};

bool operator!=(const char* text, const TString& string);
TString operator+(const TString& a, const char* b);
TString operator+(const char* a, const TString& b);

// Case-insensitive equality of two texts in the C locale (ASCII letters only),
// as file extensions and resource keys are compared.
bool EqualsNoCase(const char* a, const char* b);
