#include "foundation/TString.h"

#include "foundation/TError.h"

#include <cstring>

namespace {

const char kSource[] = "Source\\TString";

void ReportNoMemory(int line) {
    TError::Raise(9, nullptr, nullptr, kSource, line);
}

} // namespace

void TString::Allocate(int32_t capacity, int line) {
    capacity_ = capacity;
    buffer_ = static_cast<char*>(EngineAlloc(static_cast<size_t>(capacity)));
    if (buffer_)
        buffer_[0] = '\0';
    else
        ReportNoMemory(line); // capacity kept: the string just has no buffer
}

TString::TString() {
    Allocate(256, 46);
}

TString::TString(const char* text) {
    Allocate(256, 57);
    if (buffer_) *this = text;
}

TString::TString(const TString& other) : TObject() {
    Allocate(256, 68);
    if (buffer_) *this = other.buffer_;
}

TString::TString(int capacity) {
    if (capacity >= 2) Allocate(capacity, 79);
}

TString::~TString() {
    EngineFree(buffer_);
    buffer_ = nullptr;
    capacity_ = 0;
}

int32_t TString::Length() const {
    return buffer_ ? static_cast<int32_t>(std::strlen(buffer_)) : 0;
}

char* TString::CharAt(int32_t index) {
    if (buffer_ && index >= 0 && index < capacity_) return buffer_ + index;
    return &scratch_;
}

bool TString::Grow(int32_t capacity) {
    char* fresh = static_cast<char*>(EngineAlloc(static_cast<size_t>(capacity)));
    if (!fresh) {
        ReportNoMemory(147);
        return false;
    }
    if (buffer_) {
        size_t keep = std::strlen(buffer_);
        if (keep > static_cast<size_t>(capacity - 1)) keep = static_cast<size_t>(capacity - 1);
        std::memcpy(fresh, buffer_, keep);
        fresh[keep] = '\0';
    } else {
        fresh[0] = '\0';
    }
    EngineFree(buffer_);
    buffer_ = fresh;
    capacity_ = capacity;
    return true;
}

void TString::Resize(int32_t capacity) {
    if (capacity <= 0 || capacity == capacity_) return;
    Grow(capacity);
}

TString& TString::operator=(const char* text) {
    if (!text) {
        if (buffer_) buffer_[0] = '\0';
        return *this;
    }
    if (text == buffer_) return *this;
    size_t length = std::strlen(text);
    // A source inside our own buffer always fits it, so only outside texts
    // make it grow; memmove copes with the overlap.
    if (static_cast<size_t>(capacity_) < length + 1) Grow(static_cast<int32_t>(length + 1));
    if (!buffer_) return *this;
    size_t room = static_cast<size_t>(capacity_ - 1);
    if (length > room) length = room;
    std::memmove(buffer_, text, length);
    buffer_[length] = '\0';
    return *this;
}

TString& TString::operator=(const TString& other) {
    if (this == &other) return *this;
    if (!other.buffer_) {
        if (buffer_) buffer_[0] = '\0';
        return *this;
    }
    return *this = other.buffer_;
}

TString& TString::operator+=(const char* text) {
    if (!text) return *this;
    size_t added = std::strlen(text);
    size_t used = static_cast<size_t>(Length()) + 1;
    // Appending a string to itself: keep a copy of the source across the resize.
    TString* self = nullptr;
    if (buffer_ && text >= buffer_ && text < buffer_ + capacity_) {
        self = new TString(text);
        if (!self || !self->buffer_) {
            delete self;
            return *this;
        }
        text = self->buffer_;
    }
    size_t need = used + added;
    if (static_cast<size_t>(capacity_) < need) Grow(static_cast<int32_t>(need));
    if (buffer_) {
        size_t room = static_cast<size_t>(capacity_) - used;
        if (added > room) added = room;
        std::memcpy(buffer_ + used - 1, text, added);
        buffer_[used - 1 + added] = '\0';
        buffer_[capacity_ - 1] = '\0';
    }
    delete self;
    return *this;
}

TString& TString::operator+=(const TString& other) {
    return *this += other.buffer_;
}

TString& TString::operator+=(char c) {
    int32_t need = Length() + 2;
    if (need > capacity_) Grow(need + 10);
    if (buffer_ && need <= capacity_) {
        buffer_[need - 2] = c;
        buffer_[need - 1] = '\0';
    }
    return *this;
}

int TString::Replace(const char* find, const char* replacement) {
    if (capacity_ <= 0 || !buffer_ || !find || !replacement) return 0;
    const char* at = std::strstr(buffer_, find);
    if (!at) return 0;
    size_t findLength = std::strlen(find);
    size_t replLength = std::strlen(replacement);
    size_t before = static_cast<size_t>(at - buffer_);
    size_t after = std::strlen(at + findLength);
    // The new size keeps the old headroom; it always fits the new text, since
    // the old text fit the old capacity.
    size_t size = static_cast<size_t>(capacity_) - findLength + replLength;
    char* fresh = static_cast<char*>(EngineAlloc(size));
    if (!fresh) {
        ReportNoMemory(120);
        return 0;
    }
    std::memcpy(fresh, buffer_, before);
    std::memcpy(fresh + before, replacement, replLength);
    std::memcpy(fresh + before + replLength, at + findLength, after);
    fresh[before + replLength + after] = '\0';
    EngineFree(buffer_);
    buffer_ = fresh;
    capacity_ = static_cast<int32_t>(size);
    return 1;
}

bool TString::operator==(const char* text) const {
    if (!buffer_ || !text) return !buffer_ && !text;
    return std::strcmp(buffer_, text) == 0;
}

bool operator!=(const char* text, const TString& string) {
    return !(string == text);
}

TString operator+(const TString& a, const char* b) {
    TString result(a);
    result += b;
    return result;
}

TString operator+(const char* a, const TString& b) {
    TString result(a);
    result += b;
    return result;
}

bool EqualsNoCase(const char* a, const char* b) {
    auto lower = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
    };
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(*b)) return false;
    return *a == *b;
}
