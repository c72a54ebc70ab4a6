// The ACCEL drivers' mode records from the VBE/AF driver's mode information:
// the flags as a table of attributes, pages only with multi-buffering, the
// linear bit in the mode number, banked modes only with a virtual
// framebuffer, and the drivers' detection through the library.
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "VbeafWriter.h"

#include "gdl/driver.h"
#include "gdl/vbeaf.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class AccelModes : public testsupport::DriverFolderTest {
protected:
    // Loads a driver of `options` on `card` through the detection.
    bool Load(const char* card, const tools::VbeafOptions& options) {
        GDL_resetLibrary();
        if (!platform::UseAdapter(card)) return false;
        dir_.Write("VBEAF.DRV", tools::WriteVbeaf(options));
        int32_t type = 0, driverType = 0;
        return ACCEL_loadVBEAF(&type, &driverType) == 1;
    }
};

TEST_F(AccelModes, FlagsFromTheAttributes) {
    struct Case {
        uint16_t attributes;
        uint32_t driverAttributes;
        uint32_t flags;
        uint32_t maxPage;
    };
    const Case cases[] = {
        {0x0008, 0x10, 0x0003, 0}, // linear, version 2.0
        {0x0009, 0x10, 0x2003, 2}, // multi-buffered: its pages taken
        {0x0408, 0x10, 0x0007, 0},   {0x0208, 0x10, 0x000B, 0},   {0x0808, 0x10, 0x0013, 0},
        {0x1008, 0x10, 0x0023, 0},   {0x0008, 0x4010, 0x0083, 0}, // stereo connectors
        {0x0008, 0x8010, 0x0103, 0}, {0x0048, 0x10, 0x0203, 0},   // hardware cursor
        {0x0018, 0x10, 0x0403, 0},                                // accelerated
        {0x000A, 0x10, 0x4003, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        tools::VbeafOptions o;
        o.attributes = c.driverAttributes;
        o.modes = {{0x120, 640, 480, 16, 3, c.attributes}};
        ASSERT_TRUE(Load("accel", o));
        GdlModeRecord r{};
        r.maxX = 639, r.maxY = 479, r.bitsPerPixel = 16;
        GDLModeEntry table[GDL_MODE_COUNT]{};
        ACCEL_addMode(table, 40, 23, &r);
        EXPECT_EQ(table[40].driver, 23);
        EXPECT_EQ(table[40].flags, c.flags);
        EXPECT_EQ(r.modeFlags, c.flags);
        EXPECT_EQ(r.maxPage, c.maxPage);
        EXPECT_EQ(table[40].pages, c.maxPage + 1);
        EXPECT_EQ(r.modeNumber, 0x4120u);
        EXPECT_EQ(r.bytesPerLine, 1280u);
        EXPECT_EQ(r.redSize, 5u);
        EXPECT_EQ(r.greenPosition, 5u);
    }
}

TEST_F(AccelModes, AbsentOrBankedWithoutVirtualFramebufferIsNotRegistered) {
    tools::VbeafOptions o;
    o.modes = {{0x120, 640, 480, 8, 1, 0x10}}; // banked only
    ASSERT_TRUE(Load("accel", o));
    GDLModeEntry table[GDL_MODE_COUNT]{};
    table[12].driver = GDL_NO_DRIVER;
    GdlModeRecord r{};
    r.maxX = 639, r.maxY = 479, r.bitsPerPixel = 8;
    ACCEL_addMode(table, 12, 22, &r);
    EXPECT_EQ(table[12].driver, GDL_NO_DRIVER);
    r.maxX = 799, r.maxY = 599; // no such mode
    ACCEL_addMode(table, 12, 22, &r);
    EXPECT_EQ(table[12].driver, GDL_NO_DRIVER);
    // A banked card with the virtual framebuffer: registered, not linear.
    o.linear = false;
    o.memoryKB = 2048;
    ASSERT_TRUE(Load("accel-banked", o));
    r = {};
    r.maxX = 639, r.maxY = 479, r.bitsPerPixel = 8;
    ACCEL_addMode(table, 12, 22, &r);
    EXPECT_EQ(table[12].driver, 22);
    EXPECT_EQ(r.modeNumber, 0x120u);
    EXPECT_EQ(r.redPosition, 16u) << "8 bits: the palette's channels";
}

TEST_F(AccelModes, DetectionOffersTheDriversModes) {
    ASSERT_TRUE(platform::UseAdapter("accel"));
    dir_.Write("VBEAF.DRV", tools::WriteVbeaf({}));
    testsupport::RegisterLinkedDrivers({"ACCEL"});
    int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = -1;
    GDL_detectDrivers(&driver, &mode);
    EXPECT_EQ(driver, GDL_TYPE_ACCEL_SVGA);
    const int32_t m = testsupport::ModeOf(800, 600, 16);
    ASSERT_GE(m, 0);
    EXPECT_STREQ(GDL_modeDriverName(m), "ACCEL16.DRV");
}

} // namespace
