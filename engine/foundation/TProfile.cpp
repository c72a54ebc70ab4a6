#include "foundation/TProfile.h"

#include "foundation/TError.h"
#include "platform/File.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kSource[] = "Source\\TProfile";

bool LineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

} // namespace

TProfile::~TProfile() {
    Forget();
}

void TProfile::Forget() {
    if (ownsText_) EngineFree(text_);
    text_ = nullptr;
    ownsText_ = false;
    length_ = capacity_ = 0;
    body_ = sectionStart_ = keyStart_ = valueStart_ = valueCursor_ = nullptr;
    scanOffset_ = 0;
    profileFlags_ &= ~kModified;
}

int TProfile::Open() {
    Forget();
    if (!TFile::Open(kRead)) return 0;
    int32_t size = GetSize();
    char* block = static_cast<char*>(EngineAlloc(static_cast<size_t>(size) + kSpare));
    if (!block) {
        TFile::Close();
        TError::Raise(9, nullptr, nullptr, kSource, 37);
        return 0;
    }
    errno = 0;
    if (Read(block, size) != size) {
        std::string text = platform::ErrorText(errno);
        TFile::Close();
        EngineFree(block);
        TError::Raise(4, text.c_str(), fileName_.c_str(), kSource, 48);
        return 0;
    }
    TFile::Close();
    text_ = block;
    ownsText_ = true;
    length_ = size;
    capacity_ = size + kSpare;
    body_ = text_;
    return 1;
}

int TProfile::Close() {
    int result = 1;
    if (text_ && IsModified()) {
        if (TFile::Open(kWrite)) {
            Write(text_, length_);
            TFile::Close();
        } else {
            result = 0;
        }
    }
    Forget();
    return result;
}

int TProfile::FindSection(const char* name) {
    if (!text_ || !name) return 0;
    size_t n = std::strlen(name);
    const char* end = End();
    for (char* p = text_; p < end; ++p) {
        if (*p != '[') continue;
        char* q = p + 1;
        if (static_cast<size_t>(end - q) <= n || std::memcmp(q, name, n) != 0 || q[n] != ']')
            continue;
        char* body = q + n + 1;
        while (body < end && *body != '\n')
            ++body;
        if (body < end) ++body;
        body_ = body;
        scanOffset_ = static_cast<int32_t>(body - text_);
        sectionStart_ = p;
        return 1;
    }
    return 0;
}

int TProfile::FindKey(const char* key) {
    // A failed search leaves no current value behind, so a write that follows
    // it cannot land on the value of a key found earlier.
    valueStart_ = nullptr;
    valueCursor_ = nullptr;
    if (!text_ || !key) return 0;
    size_t n = std::strlen(key);
    const char* end = End();
    char* p = body_ ? body_ : text_;
    while (p < end) {
        while (p < end && *p == ' ')
            ++p;
        if (static_cast<size_t>(end - p) >= n && std::memcmp(p, key, n) == 0) {
            char* q = p + n;
            while (q < end && *q == ' ')
                ++q;
            if (q < end && *q == '=') {
                keyStart_ = p;
                valueStart_ = q + 1;
                valueCursor_ = nullptr;
                return 1;
            }
            valueStart_ = nullptr;
        }
        while (p < end && !LineEnd(*p) && *p != '[')
            ++p;
        while (p < end && LineEnd(*p))
            ++p;
        if (p < end && *p == '[') break;
    }
    return 0;
}

int TProfile::ReadString(char* buffer, int32_t size) {
    if (!valueStart_ || !text_) return 0;
    const char* end = End();
    char* p = valueCursor_ ? valueCursor_ : valueStart_;
    while (p < end && *p == ' ')
        ++p;
    int32_t n = 0;
    while (p < end && *p != ',' && !LineEnd(*p) && n < size - 1) {
        if (buffer) buffer[n] = *p;
        ++n;
        ++p;
    }
    if (buffer && size > 0) buffer[n] = '\0';
    while (p < end && *p != ',' && !LineEnd(*p))
        ++p; // the rest of a cut item
    if (p < end && *p == ',') ++p;
    valueCursor_ = p;
    return 1;
}

int TProfile::ReadInt(int32_t* out) {
    if (!valueStart_ || !text_) return 0;
    const char* end = End();
    char* p = valueCursor_ ? valueCursor_ : valueStart_;
    while (p < end && *p == ' ')
        ++p;
    if (p >= end || LineEnd(*p)) return 0;
    char token[32];
    int n = 0;
    while (p < end && *p != ',' && *p != ' ' && !LineEnd(*p)) {
        if (n < 31) token[n++] = *p; // a longer item is read by its first 31 characters
        ++p;
    }
    token[n] = '\0';
    while (p < end && *p == ' ')
        ++p;
    if (p < end && *p == ',') ++p;
    valueCursor_ = p;
    if (n == 0) return 0;

    int32_t value;
    if (token[1] != 'x') {
        long v = std::strtol(token, nullptr, 10);
        value = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
    } else {
        // Each digit weighs the power of 16 of its place; 32-bit arithmetic, so
        // digits beyond the eighth from the end drop out. A non-digit counts -1.
        static const char kDigits[] = "0123456789ABCDEF";
        uint32_t sum = 0;
        for (int i = 2; i < n; ++i) {
            char c =
                token[i] >= 'a' && token[i] <= 'z' ? static_cast<char>(token[i] - 32) : token[i];
            const char* at = c ? std::strchr(kDigits, c) : nullptr;
            int32_t digit = at ? static_cast<int32_t>(at - kDigits) : -1;
            sum = sum * 16 + static_cast<uint32_t>(digit);
        }
        value = static_cast<int32_t>(sum);
    }
    if (out) *out = value;
    return 1;
}

void TProfile::OldValue(char*& from, char*& to) const {
    const char* end = End();
    from = valueStart_;
    while (from < end && *from == ' ')
        ++from;
    to = from;
    while (to < end && !LineEnd(*to))
        ++to;
}

int TProfile::Replace(const char* text) {
    char* from;
    char* to;
    OldValue(from, to);
    int32_t oldLength = static_cast<int32_t>(to - from);
    size_t wanted = std::strlen(text);
    if (wanted > static_cast<size_t>(capacity_)) return 0;
    int32_t newLength = static_cast<int32_t>(wanted);
    if (newLength > oldLength && length_ - oldLength + newLength > capacity_) return 0;
    std::memmove(from + newLength, to, static_cast<size_t>(End() - to));
    std::memcpy(from, text, static_cast<size_t>(newLength));
    length_ += newLength - oldLength;
    profileFlags_ |= kModified;
    return 1;
}

int TProfile::WriteString(const char* text) {
    if (!valueStart_ || !text_) return 0;
    return Replace(text ? text : "");
}

int TProfile::WriteInt(int32_t value) {
    if (!valueStart_ || !text_) return 0;
    char* from;
    char* to;
    OldValue(from, to);
    char text[32];
    if (to - from >= 2 && from[1] == 'x')
        std::snprintf(text, sizeof text, "%c%c%x", from[0], from[1], static_cast<uint32_t>(value));
    else
        std::snprintf(text, sizeof text, "%d", value);
    return Replace(text);
}

int TProfile::ReadBool(const char* key) {
    if (!FindKey(key)) return 0;
    char text[32];
    if (!ReadString(text, sizeof text)) return 0;
    return SameIgnoringCase(text, "1") || SameIgnoringCase(text, "TRUE") ||
           SameIgnoringCase(text, "YES");
}

int TProfile::WriteBool(const char* key, int on) {
    if (!FindKey(key)) return 0;
    return WriteString(on ? "Yes" : "No");
}

void TProfileText::SetText(char* text, int32_t length) {
    external_ = text;
    externalLength_ = length < 0 ? 0 : length;
}

int TProfileText::Attach() {
    if (!external_) return 0;
    Forget();
    text_ = external_;
    ownsText_ = false;
    length_ = externalLength_;
    // The text is the owner's block, of exactly its length: values may be
    // rewritten within it but never grow past it.
    capacity_ = externalLength_;
    body_ = text_;
    return 1;
}

int TProfileText::Detach() {
    Forget();
    return 1;
}
