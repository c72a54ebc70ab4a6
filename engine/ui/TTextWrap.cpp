// Word wrap of TText: the hyphenating wrap (soft hyphens, forced breaks,
// blanks collapsed) and the plain wrap (source CR LF kept), both bounded by
// the destination's size and always terminated.
#include "ui/TText.h"

#include <cstring>

namespace {

uint8_t At(const char* p) {
    return static_cast<uint8_t>(*p);
}

bool EndsText(uint8_t c) {
    return c == 0 || c == TText::kCutOff;
}

bool IsBlankLike(uint8_t c) {
    return c == ' ' || c == '\r' || c == '\n';
}

// The destination: `size` bytes, the last of them kept for the terminator.
struct Output {
    char* text;
    int32_t size;
    int32_t used = 0;

    int32_t Left() const { return size - used; }
    void Put(uint8_t c) { text[used++] = static_cast<char>(c); }
    void Terminate() { text[used] = 0; }
};

// Copies a hyphenated line: soft hyphens and removed breaks dropped, blank
// runs written as one blank but never at the line's start or right after a
// dropped soft hyphen. Stops when one byte is left; returns where it stopped.
const char* CopyHyphenatedLine(Output& out, const char* from, const char* to) {
    bool blankWritten = true;
    for (; from < to; ++from) {
        if (out.Left() <= 1) break;
        const uint8_t c = At(from);
        if (c == TText::kHardBreak || c == TText::kSoftHyphen) {
            if (c == TText::kSoftHyphen) blankWritten = true;
        } else if (c == TText::kCaretMark) {
            out.Put(c);
        } else if (IsBlankLike(c)) {
            if (!blankWritten) out.Put(' ');
            blankWritten = true;
        } else {
            out.Put(c);
            blankWritten = false;
        }
    }
    return from;
}

} // namespace

void TText::WrapText(char* destination, const char* source, int32_t size, int32_t width) {
    if (Embossed()) width -= 2;
    if (!destination || !source || size < 1 || width < 1) return;
    destination[0] = 0;
    if (textStyle_ & tsHyphenate) {
        WrapHyphenating(destination, source, size, width);
    } else if (textStyle_ & tsWrap) {
        WrapPlain(destination, source, size, width);
    } else {
        // A bounded copy that pads with zeros and keeps its last byte for
        // the terminator.
        std::strncpy(destination, source, size_t(size - 1));
        destination[size - 1] = 0;
    }
}

void TText::WrapHyphenating(char* destination, const char* source, int32_t size, int32_t width) {
    Output out{destination, size};
    const int32_t hyphenWidth = Width('-');
    const char* p = source;
    while (IsBlankLike(At(p)))
        ++p;
    const char* lineStart = p;
    const char* breakAt = p;
    const char* resume = p; // the first character after the break character
    bool hyphen = false;
    uint8_t previous = 0;
    int32_t used = 0;
    for (;; ++p) {
        const uint8_t c = At(p);
        const bool end = EndsText(c);
        if (c == kCaretMark) {
            continue;
        } else if (IsBlankLike(c)) {
            if (previous == ' ' || previous == kSoftHyphen) continue;
            used += Kerning(previous, ' ') + Width(' ');
            hyphen = false;
            previous = ' ';
            breakAt = p;
            resume = p + 1;
        } else if (end || c == kHardBreak) {
            breakAt = p;
            resume = p + 1;
            hyphen = false;
            used = width + 1;
        } else if (c == kKeptBreak) {
            breakAt = resume = p + 1; // the break stays on its line
            hyphen = false;
            used = width + 1;
        } else if (c == kSoftHyphen) {
            if (used + hyphenWidth <= width) {
                hyphen = true;
                previous = c;
                breakAt = p;
                resume = p + 1;
            } else {
                used += hyphenWidth; // breaks at the earlier break point
            }
        } else {
            used += Kerning(previous, c) + Width(c);
            previous = c;
        }
        // A word wider than the line is never split: it waits for a break.
        if (used <= width || lineStart == breakAt) {
            if (end) break;
            continue;
        }
        lineStart = CopyHyphenatedLine(out, lineStart, breakAt);
        // A copy cut short by a full destination places nothing more, and
        // leaving the line start behind would scan the same words forever.
        if (end || lineStart != breakAt) break;
        if (hyphen && out.Left() > 1) out.Put('-');
        if (out.Left() > 1) out.Put('\r');
        if (out.Left() > 1) out.Put('\n');
        hyphen = false;
        used = 0;
        previous = ' ';
        p = resume - 1;
    }
    out.Terminate();
}

void TText::WrapPlain(char* destination, const char* source, int32_t size, int32_t width) {
    Output out{destination, size};
    const char* lineStart = source;
    const char* breakAt = source;
    bool blankBreak = false;
    uint8_t previous = 0;
    int32_t used = 0;
    for (const char* p = source;; ++p) {
        const uint8_t c = At(p);
        const bool end = EndsText(c);
        if (c == kCaretMark) {
            continue;
        } else if (end || c == '\r') {
            breakAt = p;
            if (c == '\r') blankBreak = false;
            used = width + 1;
        } else if (c == ' ') {
            used += Kerning(previous, c) + Width(c);
            breakAt = p;
            blankBreak = true;
            previous = c;
        } else {
            used += Kerning(previous, c) + Width(c);
            previous = c;
        }
        if (used <= width || lineStart == breakAt) {
            if (end) break;
            continue;
        }
        for (; lineStart < breakAt && out.Left() > 3; ++lineStart)
            out.Put(At(lineStart));
        used = 0;
        if (end) break;
        // Scanning resumes after the break point. A blank becomes CR LF; a
        // source CR starts the next line, which copies it with its LF.
        p = breakAt;
        if (blankBreak) {
            if (out.Left() > 3) {
                out.Put('\r');
                out.Put('\n');
            }
            ++breakAt;
        }
        lineStart = breakAt;
        blankBreak = false;
        previous = 0;
    }
    out.Terminate();
}
