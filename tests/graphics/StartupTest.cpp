// Library start-up, driver registration, detection, the mode table and the
// result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestDriver.h"
#include "gdl/driver.h"
#include "gdl/result.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        GDL_exit();
        GDL_unregisterAllDrivers();
        GDL_lastResult();
    }
    void TearDown() override {
        GDL_exit();
        GDL_unregisterAllDrivers();
    }
};

TEST_F(StartupTest, ResultTextsCoverEveryCodeAndNothingElse) {
    struct Case {
        int32_t code;
        const char* text;
    } cases[] = {
        {0, "No error"},
        {-2, "Graphics hardware not detected"},
        {-17, "Invalid device context"},
        {-27, "GDL_endRegion() was not called"},
        {-31, "Invalid pixel format for memory DC"},
        {-32, "NONE"},
        {1, "NONE"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(GDL_errorText(c.code), c.text) << c.code;
    for (int32_t code = 0; code >= -31; --code)
        EXPECT_STRNE(GDL_errorText(code), "NONE");
}

// Each code of the range has a text of its own, so a report names its fault;
// the text a failing call leaves is the one for its code.
TEST_F(StartupTest, EachResultCodeHasItsOwnText) {
    std::set<std::string> seen;
    for (int32_t code = GDL_OK; code >= GDL_INVALID_PIXEL_FORMAT; --code) {
        const std::string text = GDL_errorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), ' ') << code;
        EXPECT_TRUE(seen.insert(text).second) << code << " repeats \"" << text << "\"";
    }
    GdlDriverHeader header = testdrv::makeHeader("NOSUCH.DRV", 0, false);
    GDL_registerDriver("NOSUCH.DRV", &header);
    EXPECT_STREQ(GDL_errorText(GDL_lastResult()), "Invalid graphics driver name");
}

// The driver table's names follow the driver indexes' own names: a table out
// of step with the indexes would register a driver in another's place.
TEST_F(StartupTest, DriverNamesFollowTheIndexesAndPlaceRegisteredDrivers) {
#define DRIVER(index)                                                                              \
    { index, #index }
    const struct {
        int32_t index;
        const char* constant;
    } drivers[] = {
        DRIVER(GDL_PACK1),    DRIVER(GDL_PACK4),    DRIVER(GDL_PACK8),   DRIVER(GDL_PACK16),
        DRIVER(GDL_PACK24),   DRIVER(GDL_PACK32),   DRIVER(GDL_VGA4),    DRIVER(GDL_VGAX),
        DRIVER(GDL_VGA8),     DRIVER(GDL_SVGA4),    DRIVER(GDL_SVGA8),   DRIVER(GDL_SVGA16),
        DRIVER(GDL_SVGA24),   DRIVER(GDL_SVGA32),   DRIVER(GDL_FDIB8),   DRIVER(GDL_FDIB16),
        DRIVER(GDL_FDIB24),   DRIVER(GDL_FDIB32),   DRIVER(GDL_LINEAR8), DRIVER(GDL_LINEAR16),
        DRIVER(GDL_LINEAR24), DRIVER(GDL_LINEAR32), DRIVER(GDL_ACCEL8),  DRIVER(GDL_ACCEL16),
        DRIVER(GDL_ACCEL24),  DRIVER(GDL_ACCEL32),  DRIVER(GDL_DDRAW8),  DRIVER(GDL_DDRAW16),
        DRIVER(GDL_DDRAW24),  DRIVER(GDL_DDRAW32),  DRIVER(GDL_OPENGL),  DRIVER(GDL_FSOGL8),
        DRIVER(GDL_FSOGL16),  DRIVER(GDL_FSOGL24),  DRIVER(GDL_FSOGL32),
    };
#undef DRIVER
    ASSERT_EQ(std::size(drivers), size_t(GDL_DRIVER_COUNT));
    for (const auto& d : drivers) {
        const std::string name = std::string(d.constant + 4) + ".DRV"; // past "GDL_"
        EXPECT_STREQ(GDL_driverTableName(d.index), name.c_str()) << d.constant;
        GdlDriverHeader header = testdrv::makeHeader(name.c_str(), 0, false);
        EXPECT_EQ(GDL_registerDriver(name.c_str(), &header), GDL_OK) << name;
        EXPECT_EQ(GDL_driverHeader(d.index), &header) << name;
        GDL_unregisterAllDrivers();
    }
}

TEST_F(StartupTest, LastResultReadsAndClears) {
    GDL_setResult(GDL_INVALID_DC);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DC);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
}

TEST_F(StartupTest, RegistrationChecksNameSignatureAndVersion) {
    GdlDriverHeader good = testdrv::makeHeader("PACK8.DRV", 0, false);
    EXPECT_EQ(GDL_registerDriver("PACK8.DRV", &good), GDL_OK);
    EXPECT_EQ(GDL_registerDriver("PACK8.DRV", &good), GDL_OK); // twice is fine
    EXPECT_EQ(GDL_driverHeader(GDL_PACK8), &good);

    EXPECT_EQ(GDL_registerDriver("NOSUCH.DRV", &good), GDL_INVALID_DRIVER_NAME);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DRIVER_NAME);
    EXPECT_EQ(GDL_registerDriver("pack8.drv", &good), GDL_INVALID_DRIVER_NAME); // case matters

    // The header's file name must be the table name.
    EXPECT_EQ(GDL_registerDriver("PACK16.DRV", &good), GDL_DRIVER_CORRUPTED);
    GdlDriverHeader badSig = good;
    badSig.signature[0] = 'r';
    EXPECT_EQ(GDL_registerDriver("PACK8.DRV", &badSig), GDL_DRIVER_CORRUPTED);
    GdlDriverHeader v21 = good;
    v21.minorVersion = 1;
    EXPECT_EQ(GDL_registerDriver("PACK8.DRV", &v21), GDL_INVALID_VERSION);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_VERSION);
    EXPECT_EQ(GDL_registerDriver("PACK8.DRV", nullptr), GDL_DRIVER_CORRUPTED);

    GDL_unregisterAllDrivers();
    EXPECT_EQ(GDL_driverHeader(GDL_PACK8), nullptr);
}

TEST_F(StartupTest, DriverTableKeepsItsOrder) {
    EXPECT_STREQ(GDL_driverTableName(0), "PACK1.DRV");
    EXPECT_STREQ(GDL_driverTableName(GDL_VGA8), "VGA8.DRV");
    EXPECT_STREQ(GDL_driverTableName(28), "DDRAW24.DRV");
    EXPECT_STREQ(GDL_driverTableName(34), "FSOGL32.DRV");
    EXPECT_EQ(GDL_driverTableName(35), nullptr);
}

TEST_F(StartupTest, ModeSizesAndNames) {
    struct Case {
        int32_t mode, w, h, bits;
        const char* name;
    } cases[] = {
        {0, 320, 200, 4, "320 x 200 VGA 16 color"},
        {5, 800, 600, 4, "800 x 600 SVGA 16 color"},
        {7, 320, 240, 8, "320 x 240 VGAX 256 color"},
        {10, 320, 200, 8, "320 x 200 VGA 256 color"},
        {11, 320, 200, 8, "320 x 200 SVGA 256 color"},
        {45, 400, 300, 16, "400 x 300 SVGA 64k color"},
        {71, 320, 200, 32, "320 x 200 SVGA 4G color"},
        {85, 1600, 1200, 32, "1600 x 1200 SVGA 4G color"},
    };
    for (const Case& c : cases) {
        int32_t w = 0, h = 0, b = 0;
        ASSERT_TRUE(GDL_modeResolution(c.mode, &w, &h, &b)) << c.mode;
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(b, c.bits);
        EXPECT_STREQ(GDL_modeName(c.mode), c.name);
    }
    int32_t w = 7, h = 7, b = 7;
    EXPECT_FALSE(GDL_modeResolution(86, &w, &h, &b));
    EXPECT_FALSE(GDL_modeResolution(87, &w, &h, &b));
    EXPECT_FALSE(GDL_modeResolution(-1, &w, &h, &b));
    EXPECT_EQ(w + h + b, 21); // outputs untouched
    EXPECT_STREQ(GDL_driverTypeName(6), "Unaccelerated DirectDraw");
}

// Every mode's name says its own size and colour count, worked out from its
// resolution; the five runs of the numbering from mode 11 on repeat one list
// of sizes at rising depths, each size once per run.
TEST_F(StartupTest, EveryModeNameSaysItsResolution) {
    auto colours = [](int32_t bits) {
        const uint64_t n = uint64_t(1) << bits;
        if (n >= (uint64_t(1) << 30)) return std::to_string(n >> 30) + "G";
        if (n >= (uint64_t(1) << 20)) return std::to_string(n >> 20) + "m";
        if (n >= (uint64_t(1) << 10)) return std::to_string(n >> 10) + "k";
        return std::to_string(n);
    };
    constexpr int32_t kRunStart = 11, kRunLength = 15;
    std::set<std::pair<int32_t, int32_t>> runSizes[5];
    for (int32_t mode = 0; mode < GDL_MODE_DESKTOP; ++mode) {
        int32_t w = 0, h = 0, bits = 0;
        ASSERT_TRUE(GDL_modeResolution(mode, &w, &h, &bits)) << mode;
        const std::string name = GDL_modeName(mode);
        const std::string size = std::to_string(w) + " x " + std::to_string(h) + " ";
        EXPECT_EQ(name.rfind(size, 0), 0u) << mode << ": " << name;
        EXPECT_TRUE(name.ends_with(" " + colours(bits) + " color")) << mode << ": " << name;
        if (mode < kRunStart) continue;
        const int32_t run = (mode - kRunStart) / kRunLength;
        EXPECT_TRUE(name.find(" SVGA ") != std::string::npos) << mode << ": " << name;
        EXPECT_TRUE(runSizes[run].insert({w, h}).second) << mode;
        if (run > 0) {
            int32_t w0 = 0, h0 = 0, bits0 = 0;
            GDL_modeResolution(mode - kRunLength, &w0, &h0, &bits0);
            EXPECT_EQ(std::pair(w, h), std::pair(w0, h0)) << mode;
            EXPECT_GT(bits, bits0) << mode;
        }
    }
    for (int mode : {-1, 86, 87, 200}) {
        EXPECT_EQ(GDL_modePageCount(mode), mode == 86 ? 0 : -1) << mode;
        EXPECT_STREQ(GDL_modeDriverName(mode), "Invalid graphics mode");
    }
}

TEST_F(StartupTest, InitWithoutDetectedHardwareFailsWithMinus2) {
    testdrv::registerMemoryDrivers(); // memory drivers have no detect entry
    int32_t driver = -1, mode = -1;
    EXPECT_FALSE(GDL_init(&driver, &mode, "lib"));
    EXPECT_EQ(driver, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_NOT_DETECTED);
    EXPECT_FALSE(GDL_isStarted());
}

TEST_F(StartupTest, DetectionFillsTheModeTableAndSuggestsAMode) {
    ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
    int32_t driver = -1, mode = -1;
    GDL_detectDrivers(&driver, &mode);
    EXPECT_EQ(driver, 1);
    EXPECT_EQ(mode, 71);
    const GDLModeEntry* table = GDL_modeTable();
    for (int32_t m = 0; m < GDL_MODE_COUNT; ++m) {
        bool served = m == 11 || m == 71;
        EXPECT_EQ(int32_t(table[m].driver), served ? int32_t(GDL_VGA8) : int32_t(GDL_NO_DRIVER))
            << m;
        EXPECT_EQ(GDL_modePageCount(m), served ? 1 : 0);
    }
    EXPECT_EQ(GDL_modePageCount(87), -1);
    EXPECT_STREQ(GDL_modeDriverName(71), "VGA8.DRV");
    EXPECT_STREQ(GDL_modeDriverName(12), "Invalid graphics mode");
    EXPECT_STREQ(GDL_modeDriverName(87), "Invalid graphics mode");
    GDL_unregisterAllDrivers();
    EXPECT_STREQ(GDL_modeDriverName(71), "Invalid graphics mode");

    // A wanted type below the driver's finds nothing.
    ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
    driver = 0;
    mode = -1;
    GDL_detectDrivers(&driver, &mode);
    EXPECT_EQ(driver, 0);
    EXPECT_EQ(GDL_modeTable()[71].driver, GDL_NO_DRIVER);
}

TEST_F(StartupTest, InitChangesModeAndExitAllowsAnotherInit) {
    ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
    int32_t driver = -1, mode = 11;
    ASSERT_TRUE(GDL_init(&driver, &mode, "C:\\gdl"));
    EXPECT_TRUE(GDL_isStarted());
    EXPECT_EQ(GDL_currentMode(), 11);
    EXPECT_EQ(GDL_selectedDriverType(), 1);
    EXPECT_STREQ(GDL_libraryDirectory(), "C:\\gdl");
    ASSERT_NE(GDL_scratchBuffer(), nullptr);
    GDL_exit();
    EXPECT_FALSE(GDL_isStarted());
    driver = -1;
    mode = -1;
    EXPECT_TRUE(GDL_init(&driver, &mode, nullptr));
    EXPECT_EQ(mode, 71);
}

TEST_F(StartupTest, ChangeDisplayMode) {
    EXPECT_TRUE(GDL_changeDisplayMode(GDL_MODE_DESKTOP)); // needs no driver
    EXPECT_FALSE(GDL_changeDisplayMode(12));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_MODE);
    EXPECT_FALSE(GDL_changeDisplayMode(87));
    EXPECT_FALSE(GDL_changeDisplayMode(-1));
    ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
    int32_t driver = -1, mode = -1;
    GDL_detectDrivers(&driver, &mode);
    EXPECT_TRUE(GDL_changeDisplayMode(11));
    EXPECT_EQ(GDL_currentMode(), 11);
}

void recordBox(const char* text, const char* caption, uint32_t style) {
    std::fprintf(stderr, "[%s|%s|%u]", caption, text, style);
}

TEST_F(StartupTest, NestedInitIsFatal) {
    ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
    int32_t driver = -1, mode = -1;
    ASSERT_TRUE(GDL_init(&driver, &mode, nullptr));
    GDL_setFatalBoxHook(recordBox);
    EXPECT_EXIT(GDL_init(&driver, &mode, nullptr), ::testing::ExitedWithCode(1),
                "\\[GDL Fatal Error!\\|Nested call to GDL_init!\\|48\\]");
    GDL_setFatalBoxHook(nullptr);
}

TEST_F(StartupTest, SmallQueries) {
    EXPECT_EQ(GDL_getTicksPerSecond(), 1000);
    GDL_beep();
}

} // namespace
