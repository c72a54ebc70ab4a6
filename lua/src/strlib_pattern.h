// Pattern matching shared by the string library (strfind, gsub) and the
// read patterns of the io library (single character classes).
#pragma once

#include <cstddef>

namespace luapat {

constexpr int kMaxCaptures = 32;

struct Capture {
    const char* init;
    long len; // kUnfinished while the capture is still open
};
constexpr long kUnfinished = -1;

struct MatchState {
    const char* srcInit;
    const char* srcEnd;
    const char* patEnd;
    int level = 0;       // number of captures opened so far
    int depth = 0;       // recursion depth of match, bounded to protect the C stack
    bool failed = false; // a pattern error was reported (outside Lua only)
    Capture capture[kMaxCaptures];
};

// End of the single character class starting at p (one past it).
// Raises the malformed-pattern errors (null if the error returns).
const char* classEnd(const char* p, const char* pend);

// Whether byte c belongs to the class [p, ep).
bool singleMatch(int c, const char* p, const char* ep);

// Matches pattern [p, ms.patEnd) at s; returns the end of the match or null.
const char* match(MatchState& ms, const char* s, const char* p);

// Text of capture i (0-based) of a successful match; raises
// "invalid capture index" or "unfinished capture" as appropriate.
void captureText(const MatchState& ms, int i, const char** text, long* len);

// The byte every match must start with, when the pattern (without its
// anchor) begins with a plain character that is not optional; else -1.
// Lets a search skip to the candidate positions.
int leadingLiteral(const char* p, const char* pend);

// Plain substring search over the whole subject, zero bytes included.
const char* findPlain(const char* s, size_t ls, const char* p, size_t lp);

// Whether a pattern has any magic character (else strfind may search plainly).
bool hasSpecials(const char* p, size_t lp);

} // namespace luapat
