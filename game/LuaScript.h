// One interpreter state and the one way the game talks to it: opened with the
// io and string libraries and line information, its errors shown to the
// player in a "Script Error!" box, host functions registered as globals or in
// script tables, files and strings run, functions called. Every operation
// makes its own state current for its span and gives the caller's back.
//
// Scripts are data: each entry from the host gives the interpreter an
// instruction budget, so an endless loop ends in one error box instead of a
// frozen game.
#pragma once

#include "lua.h"

#include <cstdint>

class LuaScript {
public:
    // The instructions one entry from the host may run.
    static constexpr long kInstructionBudget = 50000000;
    // The budget in force, process-wide like the current state (a fuzzer
    // lowers it to get through endless loops quickly).
    static inline long instructionBudget = kInstructionBudget;
    // The error report's limits: one line, and the whole (with terminators).
    static constexpr int kLineLimit = 500;
    static constexpr int kReportLimit = 4016;

    struct Pair {
        const char* name;
        lua_CFunction function;
    };

    LuaScript();
    ~LuaScript();
    LuaScript(const LuaScript&) = delete;
    LuaScript& operator=(const LuaScript&) = delete;

    void Close();
    bool IsOpen() const { return state_ != nullptr; }
    lua_State* State() const { return state_; }

    // The event tables (1 Game, 2 Map) found missing and reported already.
    uint32_t reportedTables = 0;

    // 1 ok, 0 failed (the error hook has reported why).
    int RunFile(const char* path);
    int RunString(const char* text);
    // Calls `function` (of this state) with what is pushed; its results are
    // read with lua_lua2C. 1 ok, 0 failed or no state.
    int Call(lua_Object function);

    void RegisterGlobalFunction(lua_CFunction function, const char* name);
    // table[name] = function; a table that is not there yet is made.
    void RegisterTableFunction(const char* table, lua_CFunction function, const char* name);
    // Every pair up to the first without a name or a function.
    void RegisterTable(const char* table, const Pair* pairs);

    // table[key] = value, on the current state; nothing without either.
    static void SetTableNumber(lua_Object table, const char* key, int32_t value);
    // Whether parameter `n` of the running host function exists; a missing
    // one is noted (never shown to the player) and reads as nil.
    static bool CheckParam(int n);
    // The error hook (_ERRORMESSAGE and the scripts' Error): message first,
    // then one "Src:" line per active function, in one box.
    static void OnError();
    // The report OnError shows for `message`, from the running functions.
    static void ComposeReport(const char* message, char* report);
    // A note of the host: the debug output and the statics' hook.
    static void Note(const char* text);
    // The script host's include(name): runs int\all\scripts\NAME of the base
    // folder in the calling state; a missing file is noted and the script
    // goes on.
    static void Include();

private:
    lua_State* state_ = nullptr;
};

// Makes a state current for a scope and gives the previous one back.
class LuaStateScope {
public:
    explicit LuaStateScope(lua_State* state);
    ~LuaStateScope();
    LuaStateScope(const LuaStateScope&) = delete;
    LuaStateScope& operator=(const LuaStateScope&) = delete;

private:
    lua_State* previous_;
};
