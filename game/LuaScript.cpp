#include "LuaScript.h"

#include "GameStatics.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TFileCtl.h"
#include "luadebug.h"
#include "luahost.h"
#include "lualib.h"
#include "platform/File.h"
#include "platform/Kernel.h"
#include "platform/User.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

FILE* OpenScript(const char* name, const char* mode) {
    return platform::OpenFile(name, mode);
}

// The host's way into the interpreter: the state current, nothing deleted
// while a script runs, and an instruction budget for the outermost entry
// into each state (an inner one, from a command, shares the outer budget).
class ScriptEntry {
public:
    explicit ScriptEntry(lua_State* state) : scope_(state), outer_(running_) {
        if (running_ != state) lua_setinstructionbudget(LuaScript::instructionBudget);
        running_ = state;
    }
    ~ScriptEntry() { running_ = outer_; }
    ScriptEntry(const ScriptEntry&) = delete;
    ScriptEntry& operator=(const ScriptEntry&) = delete;

private:
    static inline lua_State* running_ = nullptr;
    LuaStateScope scope_;
    TDeleteLaterHold hold_;
    lua_State* outer_;
};

// Appends `text` to the report while it has room (the last byte stays for the
// terminator).
void Append(char* report, const char* text) {
    const size_t used = std::strlen(report);
    if (used + 1 >= size_t(LuaScript::kReportLimit)) return;
    std::snprintf(report + used, size_t(LuaScript::kReportLimit) - used, "%s", text);
}

} // namespace

LuaStateScope::LuaStateScope(lua_State* state) : previous_(lua_setstate(state)) {}

LuaStateScope::~LuaStateScope() {
    lua_setstate(previous_);
}

LuaScript::LuaScript() {
    LuaStateScope scope(nullptr);
    lua_setfileopenhook(&OpenScript);
    lua_open();
    if (!lua_state) return;
    lua_iolibopen();
    lua_strlibopen();
    lua_setdebug(1);
    lua_register("_ERRORMESSAGE", &LuaScript::OnError);
    lua_register("Error", &LuaScript::OnError);
    state_ = lua_state;
}

LuaScript::~LuaScript() {
    Close();
}

void LuaScript::Close() {
    if (!state_) return;
    lua_State* const closing = state_;
    state_ = nullptr;
    lua_State* const previous = lua_setstate(closing);
    lua_close();
    // The caller gets its state back, unless it was this one: then none.
    lua_setstate(previous == closing ? nullptr : previous);
}

int LuaScript::RunFile(const char* path) {
    if (!state_ || !path) return 0;
    ScriptEntry entry(state_);
    return lua_dofile(path) == 0 ? 1 : 0;
}

int LuaScript::RunString(const char* text) {
    if (!state_ || !text) return 0;
    ScriptEntry entry(state_);
    return lua_dostring(text) == 0 ? 1 : 0;
}

int LuaScript::Call(lua_Object function) {
    if (!state_ || function == LUA_NOOBJECT) return 0;
    ScriptEntry entry(state_);
    return lua_callfunction(function) == 0 ? 1 : 0;
}

void LuaScript::RegisterGlobalFunction(lua_CFunction function, const char* name) {
    if (!state_ || !function || !name) return;
    LuaStateScope scope(state_);
    lua_pushcclosure(function, 0);
    lua_setglobal(name);
}

void LuaScript::RegisterTableFunction(const char* table, lua_CFunction function, const char* name) {
    if (!state_ || !table || !function || !name) return;
    LuaStateScope scope(state_);
    lua_beginblock();
    lua_Object target = lua_getglobal(table);
    if (lua_isnil(target)) {
        target = lua_createtable();
        lua_pushobject(target);
        lua_setglobal(table);
    }
    lua_pushobject(target);
    lua_pushstring(name);
    lua_pushcclosure(function, 0);
    lua_settable();
    lua_endblock();
}

void LuaScript::RegisterTable(const char* table, const Pair* pairs) {
    for (; pairs && pairs->name && pairs->function; ++pairs)
        RegisterTableFunction(table, pairs->function, pairs->name);
}

void LuaScript::SetTableNumber(lua_Object table, const char* key, int32_t value) {
    if (table == LUA_NOOBJECT || !key) return;
    lua_pushobject(table);
    lua_pushstring(key);
    lua_pushnumber(value);
    lua_settable();
}

bool LuaScript::CheckParam(int n) {
    if (lua_lua2C(n) != LUA_NOOBJECT) return true;
    const int line = lua_currentline(lua_stackedfunction(1));
    if (line != -1) {
        char text[300];
        std::snprintf(text, sizeof text, "ScriptErr: Missing parameter %d at line %d", n, line);
        Note(text);
    }
    return false;
}

void LuaScript::ComposeReport(const char* message, char* report) {
    report[0] = 0;
    char line[kLineLimit];
    std::snprintf(line, sizeof line, "%s", message ? message : "");
    Append(report, line);
    Append(report, "\n\n");
    for (int level = 0; std::strlen(report) + 1 < size_t(kReportLimit); ++level) {
        const lua_Function function = lua_stackedfunction(level);
        if (function == LUA_NOOBJECT) break;
        char* source = nullptr;
        int defined = -1;
        lua_funcinfo(function, &source, &defined);
        const int length = std::snprintf(line, sizeof line, "Src: %s  Line: %d  ExecLine: %d\n",
                                         source ? source : "?", defined, lua_currentline(function));
        // A line cut at its limit keeps its line end: the next starts a line.
        if (length >= int(sizeof line)) line[sizeof line - 2] = '\n';
        Append(report, line);
    }
}

void LuaScript::OnError() {
    const char* message = lua_getstring(lua_lua2C(1));
    char report[kReportLimit];
    ComposeReport(message, report);
    MessageBoxA(nullptr, report, "Script Error!", MB_OK);
}

void LuaScript::Note(const char* text) {
    // One note a line in the debug output, which runs on without one.
    OutputDebugStringA((std::string(text ? text : "") + "\n").c_str());
    if (TEngine::Current()) {
        if (void (*hook)(const char*) = Statics().noteHook) hook(text);
    }
}

void LuaScript::Include() {
    if (!CheckParam(1)) return;
    const char* name = lua_getstring(lua_lua2C(1));
    if (!name) return;
    const char* base = TFileCtl::GetBasePath();
    const std::string path =
        TFileCtl::JoinPath(base ? base : "", (std::string("int\\all\\scripts\\") + name).c_str())
            .c_str();
    if (lua_dofile(path.c_str()) != 0) Note(("Missing Scriptfile: " + path).c_str());
}
