// A test that draws through the graphics library started windowed on the
// memory host, with the packed drivers registered; the library ends after
// each test.
#pragma once

#include "gdl/driver.h"
#include "gdl/packed.h"
#include "gdl/windows.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

namespace testsupport {

class WindowedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseHost(platform::HostKind::Memory);
        ASSERT_TRUE(GDL_initWindowed("."));
        PACK_registerDrivers();
    }
    void TearDown() override { GDL_exit(); }
};

} // namespace testsupport
