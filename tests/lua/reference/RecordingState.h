// The fixture both C interface suites start from: a fresh state per test
// whose error handler records every message it receives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" {
#include "lua.h"
}

namespace {

// What the error handler received, in order.
std::vector<std::string> messages;

void recordMessage() {
    const char* m = lua_getstring(lua_getparam(1));
    messages.push_back(m ? m : "<null>");
}

class RecordingState : public ::testing::Test {
protected:
    void SetUp() override {
        lua_state = nullptr;
        lua_open();
        messages.clear();
        lua_register("_ERRORMESSAGE", recordMessage);
    }
    void TearDown() override { lua_close(); }
};

} // namespace
