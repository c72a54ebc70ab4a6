#include "foundation/TSectTxt.h"

#include <cstring>

TSectTxt::TSectTxt() : section_("") {}
TSectTxt::TSectTxt(const char* name) : TCustTxt(name), section_("") {}
TSectTxt::~TSectTxt() {
    delete result_;
}

const char* TSectTxt::GetSection() {
    if (section_ == "" || !section_.c_str() || !text_) return nullptr;
    const char* want = section_.c_str();
    size_t wantLength = std::strlen(want);
    const char* end = text_ + textLength_;
    const char* body = nullptr;
    // Each '[' opens a candidate header up to the next ']'; the name must
    // match byte for byte and in length.
    const char* p = text_;
    while (!body) {
        while (p < end && *p != '[')
            ++p;
        if (p == end) break;
        const char* close = p + 1;
        while (close < end && *close != ']')
            ++close;
        if (close == end) break;
        if (static_cast<size_t>(close - p - 1) == wantLength &&
            std::memcmp(p + 1, want, wantLength) == 0)
            body = close + 1;
        p = close + 1;
    }
    if (!body || body == end || *body == '[') return nullptr;
    while (body < end && (*body == '\r' || *body == '\n'))
        ++body;
    const char* stop = body;
    while (stop < end && *stop != '[')
        ++stop;
    while (stop > body && (stop[-1] == ' ' || stop[-1] == '\r' || stop[-1] == '\n'))
        --stop;
    delete result_;
    result_ = nullptr;
    size_t length = static_cast<size_t>(stop - body);
    if (length == 0) return nullptr;
    result_ = new TString(static_cast<int>(length + 1));
    if (!result_ || !result_->CharAt(0) || result_->MaxLength() < static_cast<int32_t>(length))
        return nullptr;
    char* out = result_->CharAt(0);
    std::memcpy(out, body, length);
    out[length] = 0;
    return out;
}
