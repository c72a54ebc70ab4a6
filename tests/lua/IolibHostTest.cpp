// The io library opens every named file through the host's file-open hook,
// so that a host can map the names its scripts use.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lua.h"
#include "luahost.h"
#include "lualib.h"

namespace {

std::vector<std::string> opened;
std::string lastError;

// Only "virtual:data" exists; it is an anonymous temporary file.
FILE* mapNames(const char* name, const char* mode) {
    opened.push_back(std::string(name) + " " + mode);
    if (std::string(name) == "virtual:data") return std::tmpfile();
    return nullptr;
}

void recordError() {
    const char* m = lua_getstring(lua_getparam(1));
    lastError = m != nullptr ? m : "(null)";
}

class IolibHost : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        previous = lua_setfileopenhook(mapNames);
        lua_open();
        lua_iolibopen();
        lua_strlibopen();
        lua_register("_ERRORMESSAGE", recordError);
    }
    void TearDown() override {
        lua_close();
        lua_setfileopenhook(previous);
    }
    std::string global(const char* name) {
        lua_beginblock();
        const char* s = lua_getstring(lua_getglobal(name));
        std::string out = s != nullptr ? s : "nil";
        lua_endblock();
        return out;
    }
    lua_FileOpenHook previous = nullptr;
};

TEST_F(IolibHost, NamedFilesGoThroughTheHook) {
    ASSERT_EQ(lua_dostring("f = openfile('virtual:data', 'w+')\n"
                           "write(f, 'hello ', 42)\n"
                           "seek(f, 'set')\n"
                           "r = read(f, '*a')\n"
                           "closefile(f)\n"
                           "a, b = readfrom('missing.txt')\n"
                           "c = writeto('elsewhere/out.txt')\n"
                           "d = appendto('log.txt')\n"),
              0);
    EXPECT_EQ(global("r"), "hello 42");
    EXPECT_EQ(global("a"), "nil");
    EXPECT_EQ(global("c"), "nil");
    EXPECT_EQ(global("d"), "nil");
    const std::vector<std::string> expected = {"virtual:data w+", "missing.txt r",
                                               "elsewhere/out.txt w", "log.txt a"};
    EXPECT_EQ(opened, expected);
}

TEST_F(IolibHost, ClosingTheStateClosesOpenFiles) {
    // A file left open is closed by its handle's gc method when the state
    // closes; the host sees no error and no leak (checked under ASan).
    ASSERT_EQ(lua_dostring("f = openfile('virtual:data', 'w') write(f, 'pending')"), 0);
    EXPECT_EQ(lastError, "");
}

TEST_F(IolibHost, ErrorsInsideLibraryFunctionsReachTheHandler) {
    EXPECT_NE(lua_dostring("closefile(12)"), 0);
    EXPECT_EQ(lastError, "bad argument #1 to function `closefile' (invalid file handle)");
    EXPECT_NE(lua_dostring("strfind('a', '[a')"), 0);
    EXPECT_EQ(lastError, "incorrect pattern (missing `]')");
}

} // namespace
