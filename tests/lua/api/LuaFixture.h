// A bare interpreter state for the C interface tests, with the error
// handler and `print` routed into strings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" {
#include "lua.h"
#include "luadebug.h"
}

class LuaFixture : public ::testing::Test {
protected:
    static inline std::string errors;
    static inline std::string output;

    static void onError() {
        const char* m = lua_getstring(lua_getparam(1));
        errors += m ? m : "(null)";
        errors += "\n";
    }
    static void onPrint() {
        std::vector<lua_Object> args;
        for (int i = 1; lua_getparam(i) != LUA_NOOBJECT; i++)
            args.push_back(lua_getparam(i));
        for (size_t i = 0; i < args.size(); i++) {
            if (i > 0) output += "\t";
            lua_beginblock();
            lua_pushobject(args[i]);
            lua_callfunction(lua_getglobal("tostring"));
            const char* s = lua_getstring(lua_getresult(1));
            output += s ? s : "?";
            lua_endblock();
        }
        output += "\n";
    }

    void SetUp() override {
        errors.clear();
        output.clear();
        lua_state = nullptr;
        lua_open();
        lua_register("_ERRORMESSAGE", onError);
        lua_register("print", onPrint);
    }
    void TearDown() override {
        if (lua_state) lua_close();
    }

    int run(const char* chunk) { return lua_dostring(chunk); }

    double num(const char* global) {
        lua_beginblock();
        double d = lua_getnumber(lua_getglobal(global));
        lua_endblock();
        return d;
    }
    std::string str(const char* global) {
        lua_beginblock();
        const char* s = lua_getstring(lua_getglobal(global));
        std::string r = s ? s : "(null)";
        lua_endblock();
        return r;
    }
    bool isnil(const char* global) {
        lua_beginblock();
        bool r = lua_isnil(lua_getglobal(global));
        lua_endblock();
        return r;
    }
};
