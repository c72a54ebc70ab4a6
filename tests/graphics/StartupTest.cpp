// Library start-up, driver registration, detection, the mode table and the
// result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
