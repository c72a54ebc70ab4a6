// The string library: strlen, strsub, strlower, strupper, strrep, strbyte
// (also ascii), strchar, format, strfind and gsub.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "lauxlib_util.h"
#include "lualib.h"
#include "strlib_pattern.h"

using luaaux::checkLong;
using luaaux::optLong;
using luaaux::pushString;

namespace {

struct Str {
    const char* s;
    long len;
};

Str checkStr(int n) {
    Str r;
    r.s = luaL_check_lstr(n, &r.len);
    return r;
}

// Converts a possibly negative position into a 1-based one.
long position(long pos, long len) {
    return pos >= 0 ? pos : len + pos + 1;
}

void str_len() {
    lua_pushnumber(static_cast<double>(checkStr(1).len));
}

void str_sub() {
    Str s = checkStr(1);
    long start = position(checkLong(2), s.len);
    long end = position(optLong(3, -1), s.len);
    if (start < 1) start = 1;
    if (end > s.len) end = s.len;
    if (start <= end)
        lua_pushlstring(s.s + start - 1, end - start + 1);
    else
        lua_pushstring("");
}

template <int (*Convert)(int)> void str_case() {
    Str s = checkStr(1);
    std::string out(s.s, static_cast<size_t>(s.len));
    for (char& c : out)
        c = static_cast<char>(Convert(static_cast<unsigned char>(c)));
    pushString(out);
}

void str_rep() {
    Str s = checkStr(1);
    long n = checkLong(2);
    std::string out;
    if (n > 0 && s.len > 0) {
        if (static_cast<unsigned long>(n) >
            luaaux::kMaxStringSize / static_cast<unsigned long>(s.len))
            lua_error("not enough memory");
        out.reserve(static_cast<size_t>(s.len) * static_cast<size_t>(n));
        for (long i = 0; i < n; i++)
            out.append(s.s, static_cast<size_t>(s.len));
    }
    pushString(out);
}

void str_byte() {
    Str s = checkStr(1);
    long pos = position(optLong(2, 1), s.len);
    luaL_arg_check(pos >= 1 && pos <= s.len, 2, "out of range");
    lua_pushnumber(static_cast<unsigned char>(s.s[pos - 1]));
}

void str_char() {
    std::string out;
    for (int i = 1; lua_getparam(i) != LUA_NOOBJECT; i++) {
        double c = luaL_check_number(i);
        luaL_arg_check(c >= 0 && c <= 255 && c == static_cast<double>(static_cast<int>(c)), i,
                       "invalid value");
        out.push_back(static_cast<char>(static_cast<int>(c)));
    }
    pushString(out);
}

// ---------------------------------------------------------------------------
// strfind and gsub

void pushCaptures(const luapat::MatchState& ms) {
    for (int i = 0; i < ms.level; i++) {
        const char* text;
        long len;
        luapat::captureText(ms, i, &text, &len);
        lua_pushlstring(text, len);
    }
}

void str_find() {
    Str s = checkStr(1);
    Str p = checkStr(2);
    long init = position(optLong(3, 1), s.len);
    luaL_arg_check(init >= 1 && init <= s.len + 1, 3, "out of range");
    const char* start = s.s + init - 1;
    const size_t rest = static_cast<size_t>(s.len - (init - 1));
    if (lua_getparam(4) != LUA_NOOBJECT || !luapat::hasSpecials(p.s, static_cast<size_t>(p.len))) {
        const char* at = luapat::findPlain(start, rest, p.s, static_cast<size_t>(p.len));
        if (at == nullptr) {
            lua_pushnil();
            return;
        }
        lua_pushnumber(static_cast<double>(at - s.s + 1));
        lua_pushnumber(static_cast<double>(at - s.s + p.len));
        return;
    }
    luapat::MatchState ms;
    ms.srcInit = s.s;
    ms.srcEnd = s.s + s.len;
    ms.patEnd = p.s + p.len;
    const char* pat = p.s;
    const bool anchor = *pat == '^';
    if (anchor) pat++;
    const int lead = anchor ? -1 : luapat::leadingLiteral(pat, ms.patEnd);
    const char* s1 = start;
    do {
        if (lead >= 0) {
            s1 = static_cast<const char*>(
                std::memchr(s1, lead, static_cast<size_t>(ms.srcEnd - s1)));
            if (s1 == nullptr) break;
        }
        ms.level = 0;
        ms.depth = 0;
        if (const char* e = luapat::match(ms, s1, pat)) {
            lua_pushnumber(static_cast<double>(s1 - s.s + 1));
            lua_pushnumber(static_cast<double>(e - s.s));
            pushCaptures(ms);
            return;
        }
    } while (s1++ < ms.srcEnd && !anchor);
    lua_pushnil();
}

void appendChecked(std::string& out, const char* s, size_t len) {
    if (luaaux::checkSize(out.size() + len)) out.append(s, len);
}

void addStringReplacement(std::string& out, const luapat::MatchState& ms, Str repl) {
    for (long i = 0; i < repl.len; i++) {
        char c = repl.s[i];
        if (c == '%' && i + 1 < repl.len) {
            c = repl.s[++i];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                const char* text;
                long len;
                luapat::captureText(ms, c - '1', &text, &len);
                appendChecked(out, text, static_cast<size_t>(len));
                continue;
            }
        }
        appendChecked(out, &c, 1);
    }
}

void addFunctionReplacement(std::string& out, const luapat::MatchState& ms, lua_Object fn) {
    lua_beginblock();
    pushCaptures(ms);
    // The handler has already reported an error inside the function; pass it
    // on silently to the caller's protected call.
    if (lua_callfunction(fn) != 0) lua_error(nullptr);
    lua_Object res = lua_getresult(1);
    if (lua_isstring(res))
        appendChecked(out, lua_getstring(res), static_cast<size_t>(lua_strlen(res)));
    lua_endblock();
}

void str_gsub() {
    Str src = checkStr(1);
    Str p = checkStr(2);
    lua_Object replObj = lua_getparam(3);
    const bool replIsFunction = lua_isfunction(replObj);
    luaL_arg_check(replIsFunction || lua_isstring(replObj), 3, "string or function expected");
    Str repl{nullptr, 0};
    if (!replIsFunction) repl = checkStr(3);
    const long maxRepl = optLong(4, src.len + 1);

    luapat::MatchState ms;
    ms.srcInit = src.s;
    ms.srcEnd = src.s + src.len;
    ms.patEnd = p.s + p.len;
    const char* pat = p.s;
    const bool anchor = p.len > 0 && *pat == '^';
    if (anchor) pat++;
    const int lead = anchor ? -1 : luapat::leadingLiteral(pat, ms.patEnd);
    const char* s = src.s;
    long n = 0;
    std::string out;
    while (n < maxRepl) {
        if (lead >= 0) {
            // No match can start before the next occurrence of the leading byte.
            const char* next =
                static_cast<const char*>(std::memchr(s, lead, static_cast<size_t>(ms.srcEnd - s)));
            if (next == nullptr) break;
            appendChecked(out, s, static_cast<size_t>(next - s));
            s = next;
        }
        ms.level = 0;
        ms.depth = 0;
        const char* e = luapat::match(ms, s, pat);
        if (e != nullptr) {
            n++;
            if (replIsFunction)
                addFunctionReplacement(out, ms, replObj);
            else
                addStringReplacement(out, ms, repl);
        }
        if (e != nullptr && e > s) {
            s = e;
        } else if (s < ms.srcEnd) {
            appendChecked(out, s++, 1);
        } else {
            break;
        }
        if (anchor) break;
    }
    appendChecked(out, s, static_cast<size_t>(ms.srcEnd - s));
    pushString(out);
    lua_pushnumber(static_cast<double>(n));
}

// ---------------------------------------------------------------------------
// format

void addQuoted(std::string& out, Str s) {
    out.push_back('"');
    for (long i = 0; i < s.len; i++) {
        char c = s.s[i];
        if (c == '"' || c == '\\' || c == '\n') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\0') {
            out.append("\\000");
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    luaaux::checkSize(out.size());
}

// The unsigned conversions see the number the way a 64-bit truncation
// followed by a 32-bit cut would.
unsigned toUnsigned(double d) {
    if (!(d > -9.2e18 && d < 9.2e18)) return 0;
    return static_cast<unsigned>(static_cast<unsigned long long>(static_cast<long long>(d)));
}

template <typename T> void appendFormatted(std::string& out, const char* spec, T value) {
    int n = std::snprintf(nullptr, 0, spec, value);
    if (n <= 0) return;
    if (!luaaux::checkSize(out.size() + static_cast<size_t>(n))) return;
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(n) + 1);
    std::snprintf(out.data() + old, static_cast<size_t>(n) + 1, spec, value);
    out.resize(old + static_cast<size_t>(n));
}

void invalidOption() {
    luaL_verror("%s", "invalid option in `format'");
}

void str_format() {
    Str fmt = checkStr(1);
    const char* f = fmt.s;
    const char* fend = fmt.s + fmt.len;
    int arg = 1; // parameter used last; the format itself is parameter 1
    std::string out;
    while (f < fend) {
        if (*f != '%') {
            out.push_back(*f++);
            continue;
        }
        f++;
        if (f < fend && *f == '%') {
            out.push_back(*f++);
            continue;
        }
        // An argument selector "d$" picks argument d; the next plain directive
        // then takes the one after it.
        if (f + 1 < fend && *f >= '1' && *f <= '9' && f[1] == '$') {
            arg = *f - '0' + 1;
            f += 2;
        } else {
            arg++;
        }
        std::string spec = "%";
        int flags = 0;
        while (f < fend && std::strchr("-+ #0", *f) != nullptr && *f != '\0') {
            if (++flags > 5) luaL_verror("%s", "invalid format (repeated flags)");
            spec.push_back(*f++);
        }
        for (int part = 0; part < 2; part++) {
            if (part == 1) {
                if (f >= fend || *f != '.') break;
                spec.push_back(*f++);
            }
            int digits = 0;
            while (f < fend && std::isdigit(static_cast<unsigned char>(*f))) {
                if (++digits > 2) luaL_verror("%s", "invalid format (width or precision too long)");
                spec.push_back(*f++);
            }
        }
        if (f >= fend) {
            invalidOption();
            return; // only a host calling this outside Lua gets here
        }
        const char conv = *f++;
        switch (conv) {
            case 'c':
            case 'd':
            case 'i':
                spec.push_back(conv);
                appendFormatted(out, spec.c_str(), luaaux::castint(luaL_check_number(arg)));
                break;
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                spec.push_back(conv);
                appendFormatted(out, spec.c_str(), toUnsigned(luaL_check_number(arg)));
                break;
            case 'e':
            case 'E':
            case 'f':
            case 'g':
            case 'G':
                spec.push_back(conv);
                appendFormatted(out, spec.c_str(), luaL_check_number(arg));
                break;
            case 's':
                spec.push_back(conv);
                // Like C, the string ends at its first zero byte.
                appendFormatted(out, spec.c_str(), luaL_check_string(arg));
                break;
            case 'q': addQuoted(out, checkStr(arg)); break;
            default: invalidOption(); return;
        }
    }
    pushString(out);
}

int toLowerChar(int c) {
    return std::tolower(c);
}
int toUpperChar(int c) {
    return std::toupper(c);
}

const luaL_reg kStrLib[] = {
    {"strlen", str_len},
    {"strsub", str_sub},
    {"strlower", str_case<toLowerChar>},
    {"strupper", str_case<toUpperChar>},
    {"strrep", str_rep},
    {"strbyte", str_byte},
    {"ascii", str_byte},
    {"strchar", str_char},
    {"format", str_format},
    {"strfind", str_find},
    {"gsub", str_gsub},
};

} // namespace

extern "C" void lua_strlibopen(void) {
    lua_open();
    luaL_openlib(kStrLib, static_cast<int>(sizeof kStrLib / sizeof kStrLib[0]));
}
