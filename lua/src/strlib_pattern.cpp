// The pattern matcher: classes, sets, repetitions, captures, back-references
// and balanced runs. A backtracking matcher whose recursion depth is bounded,
// so that a long pattern ends in an error rather than a stack overflow.
#include "strlib_pattern.h"

#include <cctype>
#include <cstring>

#include "lauxlib_util.h"

namespace luapat {
namespace {

constexpr char kEsc = '%';
constexpr int kMaxDepth = 1000;

// Raises a pattern error. Under Lua this does not return; when a host runs
// the library outside any protected call it does, and the match then fails
// without reading past the pattern.
void fail(const char* msg) {
    luaL_verror("%s", msg);
}

bool matchClass(int c, int cl) {
    bool res;
    // Class letters are ASCII: folding with 0x20 avoids a locale call per byte.
    const int lower = (cl >= 'A' && cl <= 'Z') ? cl | 0x20 : cl;
    switch (lower) {
        case 'a': res = std::isalpha(c) != 0; break;
        case 'c': res = std::iscntrl(c) != 0; break;
        case 'd': res = std::isdigit(c) != 0; break;
        case 'l': res = std::islower(c) != 0; break;
        case 'p': res = std::ispunct(c) != 0; break;
        case 's': res = std::isspace(c) != 0; break;
        case 'u': res = std::isupper(c) != 0; break;
        case 'w': res = std::isalnum(c) != 0; break;
        case 'x': res = std::isxdigit(c) != 0; break;
        case 'z': res = c == 0; break;
        default: return cl == c; // %y stands for y itself
    }
    if (cl >= 'A' && cl <= 'Z') res = !res;
    return res;
}

// p points at '[', ec at the closing ']'.
bool matchSet(int c, const char* p, const char* ec) {
    bool sig = true;
    if (p[1] == '^') {
        sig = false;
        p++;
    }
    while (++p < ec) {
        if (*p == kEsc) {
            p++;
            if (matchClass(c, static_cast<unsigned char>(*p))) return sig;
        } else if (p[1] == '-' && p + 2 < ec) {
            p += 2;
            if (static_cast<unsigned char>(p[-2]) <= c && c <= static_cast<unsigned char>(*p))
                return sig;
        } else if (static_cast<unsigned char>(*p) == c) {
            return sig;
        }
    }
    return !sig;
}

struct DepthGuard {
    MatchState& ms;
    explicit DepthGuard(MatchState& m) : ms(m) {
        if (++ms.depth > kMaxDepth) {
            fail("pattern too complex");
            ms.failed = true;
        }
    }
    ~DepthGuard() { ms.depth--; }
};

const char* maxExpand(MatchState& ms, const char* s, const char* p, const char* ep) {
    long i = 0;
    while (s + i < ms.srcEnd && singleMatch(static_cast<unsigned char>(s[i]), p, ep))
        i++;
    // Longest first, giving back one character at a time.
    while (i >= 0) {
        if (const char* res = match(ms, s + i, ep + 1)) return res;
        i--;
    }
    return nullptr;
}

const char* minExpand(MatchState& ms, const char* s, const char* p, const char* ep) {
    for (;;) {
        if (const char* res = match(ms, s, ep + 1)) return res;
        if (s < ms.srcEnd && singleMatch(static_cast<unsigned char>(*s), p, ep))
            s++;
        else
            return nullptr;
    }
}

const char* startCapture(MatchState& ms, const char* s, const char* p) {
    if (ms.level >= kMaxCaptures) {
        fail("too many captures");
        return nullptr;
    }
    ms.capture[ms.level].init = s;
    ms.capture[ms.level].len = kUnfinished;
    ms.level++;
    const char* res = match(ms, s, p);
    if (res == nullptr) ms.level--;
    return res;
}

const char* endCapture(MatchState& ms, const char* s, const char* p) {
    int l = -1;
    for (int i = ms.level - 1; i >= 0; i--)
        if (ms.capture[i].len == kUnfinished) {
            l = i;
            break;
        }
    if (l < 0) {
        fail("invalid pattern capture");
        return nullptr;
    }
    ms.capture[l].len = s - ms.capture[l].init;
    const char* res = match(ms, s, p);
    if (res == nullptr) ms.capture[l].len = kUnfinished;
    return res;
}

const char* matchBalance(MatchState& ms, const char* s, const char* p) {
    // p points at the two delimiters after "%b".
    if (p + 1 >= ms.patEnd) {
        fail("unbalanced pattern");
        return nullptr;
    }
    if (s >= ms.srcEnd || *s != *p) return nullptr;
    const char open = p[0], close = p[1];
    int depth = 1;
    while (++s < ms.srcEnd) {
        if (*s == close) {
            if (--depth == 0) return s + 1;
        } else if (*s == open) {
            depth++;
        }
    }
    return nullptr;
}

const char* matchBackref(MatchState& ms, const char* s, int digit) {
    int l = digit - '1';
    if (l < 0 || l >= ms.level || ms.capture[l].len == kUnfinished) {
        fail("invalid capture index");
        return nullptr;
    }
    size_t len = static_cast<size_t>(ms.capture[l].len);
    if (static_cast<size_t>(ms.srcEnd - s) >= len && std::memcmp(ms.capture[l].init, s, len) == 0)
        return s + len;
    return nullptr;
}

} // namespace

namespace {

const char* missingBracket() {
    fail("incorrect pattern (missing `]')");
    return nullptr;
}

} // namespace

const char* classEnd(const char* p, const char* pend) {
    char c = *p++;
    if (c == kEsc) {
        if (p >= pend) {
            fail("incorrect pattern (ends with `%')");
            return nullptr;
        }
        return p + 1;
    }
    if (c == '[') {
        if (p < pend && *p == '^') p++;
        // The first character of a set stands for itself, even ']'.
        do {
            if (p >= pend) return missingBracket();
            c = *p++;
            if (c == kEsc) {
                if (p >= pend) return missingBracket();
                p++;
            }
            if (p >= pend) return missingBracket();
        } while (*p != ']');
        return p + 1;
    }
    return p;
}

bool singleMatch(int c, const char* p, const char* ep) {
    switch (*p) {
        case '.': return true;
        case kEsc: return matchClass(c, static_cast<unsigned char>(p[1]));
        case '[': return matchSet(c, p, ep - 1);
        default: return static_cast<unsigned char>(*p) == c;
    }
}

int leadingLiteral(const char* p, const char* pend) {
    if (p >= pend || std::strchr("^$*+?.([%-)", *p) != nullptr) return -1;
    if (p + 1 < pend && (p[1] == '*' || p[1] == '?' || p[1] == '-')) return -1;
    return static_cast<unsigned char>(*p);
}

const char* match(MatchState& ms, const char* s, const char* p) {
    DepthGuard guard(ms);
    if (ms.failed) return nullptr;
    for (;;) {
        if (p == ms.patEnd) return s;
        switch (*p) {
            case '(': return startCapture(ms, s, p + 1);
            case ')': return endCapture(ms, s, p + 1);
            case kEsc:
                if (p + 1 < ms.patEnd && p[1] == 'b') {
                    s = matchBalance(ms, s, p + 2);
                    if (s == nullptr) return nullptr;
                    p += 4;
                    continue;
                }
                if (p + 1 < ms.patEnd && std::isdigit(static_cast<unsigned char>(p[1]))) {
                    s = matchBackref(ms, s, p[1]);
                    if (s == nullptr) return nullptr;
                    p += 2;
                    continue;
                }
                break;
            case '$':
                if (p + 1 == ms.patEnd) return s == ms.srcEnd ? s : nullptr;
                break;
            default: break;
        }
        const char* ep = classEnd(p, ms.patEnd);
        if (ep == nullptr) {
            ms.failed = true;
            return nullptr;
        }
        bool m = s < ms.srcEnd && singleMatch(static_cast<unsigned char>(*s), p, ep);
        if (ep < ms.patEnd) {
            switch (*ep) {
                case '?':
                    if (m) {
                        if (const char* res = match(ms, s + 1, ep + 1)) return res;
                    }
                    p = ep + 1;
                    continue;
                case '*': return maxExpand(ms, s, p, ep);
                case '+': return m ? maxExpand(ms, s + 1, p, ep) : nullptr;
                case '-': return minExpand(ms, s, p, ep);
                default: break;
            }
        }
        if (!m) return nullptr;
        s++;
        p = ep;
    }
}

void captureText(const MatchState& ms, int i, const char** text, long* len) {
    *text = "";
    *len = 0;
    if (i < 0 || i >= ms.level) return fail("invalid capture index");
    if (ms.capture[i].len == kUnfinished) return fail("unfinished capture");
    *text = ms.capture[i].init;
    *len = ms.capture[i].len;
}

const char* findPlain(const char* s, size_t ls, const char* p, size_t lp) {
    if (lp == 0) return s;
    if (lp > ls) return nullptr;
    const char* last = s + (ls - lp);
    for (const char* q = s; q <= last; q++) {
        q = static_cast<const char*>(std::memchr(q, *p, static_cast<size_t>(last - q) + 1));
        if (q == nullptr) return nullptr;
        if (std::memcmp(q + 1, p + 1, lp - 1) == 0) return q;
    }
    return nullptr;
}

bool hasSpecials(const char* p, size_t lp) {
    for (size_t i = 0; i < lp; i++)
        if (std::strchr("^$*+?.([%-", p[i]) != nullptr && p[i] != '\0') return true;
    return false;
}

} // namespace luapat
