// A test whose graphics library runs on a 32-bit memory desktop, with the
// registry and the working folder in a folder of its own: driver files the
// test writes there are the ones the library finds. The library is reset
// and the working folder given back after each test.
#pragma once

#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/driver.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testsupport {

class DriverFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseMemoryDesktopWithRegistryIn(dir_.Path().string(), 32);
        was_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
    }
    void TearDown() override {
        GDL_resetLibrary();
        std::filesystem::current_path(was_);
    }
    TempDir dir_;

private:
    std::filesystem::path was_;
};

} // namespace testsupport
