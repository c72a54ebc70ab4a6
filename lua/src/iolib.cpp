// The io and operating-system library: file handles (userdata carrying the
// C FILE*, with one tag for open and one for closed files), the default
// files _INPUT and _OUTPUT, read patterns, and the stack-printing error
// handler that replaces the core's _ERRORMESSAGE.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>

#include "lauxlib_util.h"
#include "luadebug.h"
#include "luahost.h"
#include "lualib.h"
#include "strlib_pattern.h"

namespace {

// The functions that handle files are closures whose two upvalues are the
// tags of open and closed handles; the caller's arguments follow them.
constexpr int kUpvalues = 2;
int argn(int n) {
    return n + kUpvalues;
}
lua_Object arg(int n) {
    return lua_getparam(argn(n));
}

struct Tags {
    int open;
    int closed;
};

Tags tags() {
    return {static_cast<int>(lua_getnumber(lua_getparam(1))),
            static_cast<int>(lua_getnumber(lua_getparam(2)))};
}

// Files opened with popen must be closed with pclose.
std::set<FILE*>& pipes() {
    static std::set<FILE*> set;
    return set;
}

bool isStandard(FILE* f) {
    return f == stdin || f == stdout || f == stderr;
}

// Closes a file; the standard streams are only flushed, so that a host
// keeps its console after a script (or lua_close) closed the handle.
bool closeStream(FILE* f) {
    if (isStandard(f)) return std::fflush(f) == 0;
    auto it = pipes().find(f);
    if (it != pipes().end()) {
        pipes().erase(it);
        return pclose(f) != -1;
    }
    return std::fclose(f) == 0;
}

// The FILE* of an open handle; null when o is not a handle at all.
FILE* fileOf(lua_Object o, Tags t) {
    if (!lua_isuserdata(o)) return nullptr;
    int tag = lua_tag(o);
    if (tag == t.closed) luaL_verror("%s", "cannot access a closed file");
    if (tag != t.open) return nullptr;
    return static_cast<FILE*>(lua_getuserdata(o));
}

FILE* checkFile(int n, Tags t) {
    FILE* f = fileOf(arg(n), t);
    if (f == nullptr) luaL_argerror(argn(n), "invalid file handle");
    return f;
}

FILE* defaultFile(const char* global, Tags t) {
    FILE* f = fileOf(lua_getglobal(global), t);
    if (f == nullptr) luaL_verror("global variable `%s' is not a valid file handle", global);
    return f;
}

// The file a read or write works on: the handle at argument *first (which
// then moves past it), or the default file in the global.
FILE* streamArg(int* first, const char* global, Tags t) {
    FILE* f = fileOf(lua_getparam(*first), t);
    if (f == nullptr) return defaultFile(global, t);
    ++*first;
    return f;
}

void pushHandle(FILE* f, Tags t) {
    lua_pushusertag(f, t.open);
}

void markClosed(lua_Object handle, Tags t) {
    lua_pushobject(handle);
    lua_settag(t.closed);
}

// Success is a non-nil value; failure is nil, the system's message and errno.
void pushResult(bool ok) {
    if (ok) {
        lua_pushuserdata(nullptr);
        return;
    }
    int err = errno;
    lua_pushnil();
    lua_pushstring(std::strerror(err));
    lua_pushnumber(err);
}

void setDefault(const char* global, FILE* f, Tags t) {
    pushHandle(f, t);
    lua_setglobal(global);
}

// readfrom / writeto / appendto share one shape.
void redirect(const char* global, FILE* standard, const char* mode, bool allowReset) {
    Tags t = tags();
    lua_Object a = arg(1);
    if (a == LUA_NOOBJECT && allowReset) {
        lua_Object current = lua_getglobal(global);
        FILE* f = fileOf(current, t);
        if (f != nullptr && f != standard) {
            closeStream(f);
            markClosed(current, t);
        }
        setDefault(global, standard, t);
        pushHandle(standard, t);
        return;
    }
    if (FILE* f = fileOf(a, t)) {
        setDefault(global, f, t);
        pushHandle(f, t);
        return;
    }
    const char* name = luaL_check_string(argn(1));
    FILE* f;
    if (name[0] == '|') {
        std::fflush(nullptr);
        f = popen(name + 1, mode[0] == 'r' ? "r" : "w");
        if (f != nullptr) pipes().insert(f);
    } else {
        f = lua_openfile(name, mode);
    }
    if (f == nullptr) {
        pushResult(false);
        return;
    }
    setDefault(global, f, t);
    pushHandle(f, t);
}

void io_readfrom() {
    redirect("_INPUT", stdin, "r", true);
}
void io_writeto() {
    redirect("_OUTPUT", stdout, "w", true);
}
void io_appendto() {
    redirect("_OUTPUT", stdout, "a", false);
}

void io_openfile() {
    Tags t = tags();
    const char* name = luaL_check_string(argn(1));
    const char* mode = luaL_check_string(argn(2));
    FILE* f = lua_openfile(name, mode);
    if (f == nullptr) {
        pushResult(false);
        return;
    }
    pushHandle(f, t);
}

void io_closefile() {
    Tags t = tags();
    FILE* f = checkFile(1, t);
    lua_Object handle = arg(1);
    if (!closeStream(f)) {
        pushResult(false);
        return;
    }
    markClosed(handle, t);
}

// ---------------------------------------------------------------------------
// read

bool readLine(FILE* f, std::string& out) {
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n') {
        out.push_back(static_cast<char>(c));
        if (!luaaux::checkSize(out.size())) break;
    }
    return c == '\n' || !out.empty();
}

void readAll(FILE* f, std::string& out) {
    char buff[4096];
    size_t n;
    while ((n = std::fread(buff, 1, sizeof buff, f)) > 0) {
        if (!luaaux::checkSize(out.size() + n)) break;
        out.append(buff, n);
    }
}

// A read pattern: single character classes with ?, * or +, and skips in
// braces. Nothing is given back: one character of look-ahead at most.
bool readPattern(FILE* f, const char* p, const char* pend, std::string& out) {
    bool failed = false;
    int skip = 0;
    while (p < pend && !failed) {
        if (*p == '{') {
            skip++;
            p++;
            continue;
        }
        if (*p == '}') {
            if (skip == 0) luaL_verror("%s", "unbalanced braces in read pattern");
            skip--;
            p++;
            continue;
        }
        const char* ep = luapat::classEnd(p, pend);
        if (ep == nullptr) break; // malformed, reported outside any protected call
        const char quant = ep < pend ? *ep : '\0';
        auto fits = [&](int c) { return c != EOF && luapat::singleMatch(c, p, ep); };
        // false once the result is too large (reported outside any
        // protected call)
        auto keep = [&](int c) {
            if (skip == 0) {
                out.push_back(static_cast<char>(c));
                return luaaux::checkSize(out.size());
            }
            return true;
        };
        int c = std::getc(f);
        if (quant == '*' || quant == '+') {
            if (quant == '+' && !fits(c)) failed = true;
            while (fits(c) && keep(c))
                c = std::getc(f);
            std::ungetc(c, f);
            ep++;
        } else if (fits(c)) {
            keep(c);
            if (quant == '?') ep++;
        } else {
            std::ungetc(c, f);
            if (quant == '?')
                ep++;
            else
                failed = true;
        }
        p = ep;
    }
    return !(failed && out.empty());
}

// A word: white space skipped, then a run of anything else.
constexpr char kWord[] = "{%s*}%S+";

void io_read() {
    Tags t = tags();
    int first = argn(1);
    FILE* f = streamArg(&first, "_INPUT", t);
    const bool none = lua_getparam(first) == LUA_NOOBJECT;
    for (int i = first; none || lua_getparam(i) != LUA_NOOBJECT; i++) {
        long len = 2;
        const char* p = "*l";
        if (!none) p = luaL_check_lstr(i, &len);
        std::string out;
        bool ok;
        if (len >= 2 && p[0] == '*') {
            switch (p[1]) {
                case 'l': ok = readLine(f, out); break;
                case 'a':
                    readAll(f, out);
                    ok = true;
                    break;
                case 'w': ok = readPattern(f, kWord, kWord + sizeof kWord - 1, out); break;
                case 'n': {
                    double d;
                    if (std::fscanf(f, "%lf", &d) != 1) return;
                    lua_pushnumber(d);
                    if (none) return;
                    continue;
                }
                default: ok = false;
            }
        } else {
            ok = readPattern(f, p, p + len, out);
        }
        if (!ok) return; // a failing pattern gives no value and ends the call
        luaaux::pushString(out);
        if (none) return;
    }
}

// ---------------------------------------------------------------------------
// write, seek, flush

void io_write() {
    Tags t = tags();
    int first = argn(1);
    FILE* f = streamArg(&first, "_OUTPUT", t);
    bool ok = true;
    for (int i = first; lua_getparam(i) != LUA_NOOBJECT; i++) {
        long len;
        const char* s = luaL_check_lstr(i, &len);
        if (ok && std::fwrite(s, 1, static_cast<size_t>(len), f) != static_cast<size_t>(len))
            ok = false;
    }
    pushResult(ok);
}

void io_seek() {
    static const char* const kModes[] = {"set", "cur", "end", nullptr};
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    Tags t = tags();
    FILE* f = checkFile(1, t);
    int mode = luaL_findstring(luaL_opt_string(argn(2), "cur"), kModes);
    long offset = luaaux::optLong(argn(3), 0);
    luaL_arg_check(mode != -1, argn(2), "invalid mode");
    if (std::fseek(f, offset, kWhence[mode]) != 0) {
        pushResult(false);
        return;
    }
    lua_pushnumber(static_cast<double>(std::ftell(f)));
}

void io_flush() {
    Tags t = tags();
    FILE* f = nullptr;
    if (arg(1) != LUA_NOOBJECT) f = checkFile(1, t);
    pushResult(std::fflush(f) == 0);
}

// The gc method of open handles: a collected handle closes its file.
void io_gc() {
    lua_Object o = arg(1);
    if (lua_isuserdata(o)) {
        if (FILE* f = static_cast<FILE*>(lua_getuserdata(o))) closeStream(f);
    }
}

// ---------------------------------------------------------------------------
// Operating-system functions (plain functions, no upvalues)

void os_remove() {
    pushResult(std::remove(luaL_check_string(1)) == 0);
}

void os_rename() {
    pushResult(std::rename(luaL_check_string(1), luaL_check_string(2)) == 0);
}

void os_tmpname() {
    // A unique name: the file is made to reserve the name and removed again.
    char name[] = "/tmp/lua_XXXXXX";
    int fd = mkstemp(name);
    if (fd == -1) {
        pushResult(false);
        return;
    }
    if (FILE* f = fdopen(fd, "w")) std::fclose(f);
    std::remove(name);
    lua_pushstring(name);
}

void os_date() {
    const char* fmt = luaL_opt_string(1, "%c");
    std::time_t now = std::time(nullptr);
    std::tm* tm = std::localtime(&now);
    if (*fmt == '\0' || tm == nullptr) {
        lua_pushstring("");
        return;
    }
    std::string out(256, '\0');
    for (;;) {
        size_t n = std::strftime(out.data(), out.size(), fmt, tm);
        if (n > 0 || out.size() >= 65536) {
            out.resize(n);
            break;
        }
        out.resize(out.size() * 4);
    }
    luaaux::pushString(out);
}

void os_clock() {
    lua_pushnumber(static_cast<double>(std::clock()) / CLOCKS_PER_SEC);
}

void os_exit() {
    std::fflush(nullptr);
    std::exit(luaaux::castint(luaL_opt_number(1, 1)));
}

void os_getenv() {
    const char* v = std::getenv(luaL_check_string(1));
    if (v != nullptr)
        lua_pushstring(v);
    else
        lua_pushnil();
}

void os_execute() {
    std::fflush(nullptr);
    lua_pushnumber(std::system(luaL_check_string(1)));
}

void os_setlocale() {
    static const char* const kNames[] = {"all",     "collate", "ctype", "monetary",
                                         "numeric", "time",    nullptr};
    static const int kCategories[] = {LC_ALL,      LC_COLLATE, LC_CTYPE,
                                      LC_MONETARY, LC_NUMERIC, LC_TIME};
    const char* locale = luaL_check_string(1);
    int op = luaL_findstring(luaL_opt_string(2, "all"), kNames);
    luaL_arg_check(op != -1, 2, "invalid option");
    const char* res = std::setlocale(kCategories[op], locale);
    if (res != nullptr)
        lua_pushstring(res);
    else
        lua_pushnil();
}

void io_debug() {
    for (;;) {
        char line[1000];
        std::fputs("lua_debug> ", stderr);
        if (std::fgets(line, sizeof line, stdin) == nullptr || std::strcmp(line, "cont\n") == 0)
            return;
        lua_beginblock();
        lua_dostring(line);
        lua_endblock();
    }
}

// ---------------------------------------------------------------------------
// The error handler: the message followed by the active stack.

constexpr size_t kStackListLimit = 1350;

void appendFrame(std::string& out, lua_Function func) {
    char* name = nullptr;
    const char* kind = lua_getobjname(func, &name);
    char* source = nullptr;
    int linedefined = 0;
    lua_funcinfo(func, &source, &linedefined);
    const int line = lua_currentline(func);
    char chunk[100];
    luaL_chunkid(chunk, source, sizeof chunk);
    char at[40] = "";
    if (line > 0) std::snprintf(at, sizeof at, " at line %d", line);
    char buff[300];
    if (kind != nullptr && std::strcmp(kind, "global") == 0)
        std::snprintf(buff, sizeof buff, "  function `%.50s'%s [%s]\n", name, at, chunk);
    else if (kind != nullptr && std::strcmp(kind, "tag-method") == 0)
        std::snprintf(buff, sizeof buff, "  `%.50s' tag method%s [%s]\n", name, at, chunk);
    else if (linedefined == 0)
        std::snprintf(buff, sizeof buff, "  main of %s%s\n", chunk, at);
    else if (linedefined < 0)
        std::snprintf(buff, sizeof buff, "  (C code)\n");
    else
        std::snprintf(buff, sizeof buff, "  function <%d:%s>%s\n", linedefined, chunk, at);
    out += buff;
}

void io_errormessage() {
    const char* msg = lua_getstring(lua_getparam(1));
    if (msg == nullptr) msg = "(no message)";
    char head[300];
    std::snprintf(head, sizeof head, "lua error: %.200s\n", msg);
    std::string out = head;
    if (lua_stackedfunction(1) != LUA_NOOBJECT) out += "Active Stack:\n";
    for (int level = 1;; level++) {
        lua_Function func = lua_stackedfunction(level);
        if (func == LUA_NOOBJECT) break;
        if (out.size() > kStackListLimit) {
            out += "  ...\n";
            break;
        }
        appendFrame(out, func);
    }
    lua_Object alert = lua_rawgetglobal("_ALERT");
    if (lua_isfunction(alert)) {
        luaaux::pushString(out);
        lua_callfunction(alert);
    } else {
        std::fputs(out.c_str(), stderr);
    }
}

const luaL_reg kFileLib[] = {
    {"readfrom", io_readfrom}, {"writeto", io_writeto},     {"appendto", io_appendto},
    {"openfile", io_openfile}, {"closefile", io_closefile}, {"read", io_read},
    {"write", io_write},       {"seek", io_seek},           {"flush", io_flush},
};

const luaL_reg kSysLib[] = {
    {"remove", os_remove}, {"rename", os_rename},   {"tmpname", os_tmpname},
    {"date", os_date},     {"clock", os_clock},     {"exit", os_exit},
    {"getenv", os_getenv}, {"execute", os_execute}, {"setlocale", os_setlocale},
    {"debug", io_debug},
};

void pushClosure(lua_CFunction fn, Tags t) {
    lua_pushnumber(t.open);
    lua_pushnumber(t.closed);
    lua_pushcclosure(fn, kUpvalues);
}

} // namespace

extern "C" void lua_iolibopen(void) {
    lua_open();
    lua_beginblock();
    Tags t;
    t.open = lua_newtag();
    t.closed = lua_newtag();
    for (const luaL_reg& r : kFileLib) {
        pushClosure(r.func, t);
        lua_setglobal(r.name);
    }
    luaL_openlib(kSysLib, static_cast<int>(sizeof kSysLib / sizeof kSysLib[0]));
    setDefault("_STDIN", stdin, t);
    setDefault("_STDOUT", stdout, t);
    setDefault("_STDERR", stderr, t);
    setDefault("_INPUT", stdin, t);
    setDefault("_OUTPUT", stdout, t);
    pushClosure(io_gc, t);
    lua_settagmethod(t.open, "gc");
    lua_pushcfunction(io_errormessage);
    lua_setglobal("_ERRORMESSAGE");
    lua_endblock();
}
