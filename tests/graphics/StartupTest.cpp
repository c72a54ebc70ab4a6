// Library start-up, driver registration, detection, the mode table and the
// result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

// Every result text and every driver-table name, in the table's order.
TEST_F(StartupTest, EveryResultTextAndDriverName) {
    const char* const texts[32] = {
        "No error",
        "Graphics driver has not been installed",
        "Graphics hardware not detected",
        "Couldn't find graphics driver",
        "Graphics driver file corrupted",
        "Not enough memory to load graphics driver",
        "Invalid mode for selected driver",
        "Invalid driver number",
        "General graphics error",
        "Invalid graphics driver name",
        "Not enough memory to perform operation",
        "Selected graphics mode not supported",
        "Invalid font data",
        "Font file corrupted",
        "Couldn't find font file",
        "Incorrect version for driver file",
        "Invalid device type for operation",
        "Invalid device context",
        "Invalid cursor file",
        "Cursor file was not found",
        "Invalid icon file",
        "Icon file was not found",
        "Invalid bitmap file",
        "Bitmap file was not found",
        "Invalid error number",
        "Zbuffer allocation is too large",
        "Only Windows 2.x font files supported",
        "GDL_endRegion() was not called",
        "Double buffering is not available",
        "OffscreenDC's require hardware bitBlt support",
        "No available Offscreen display memory",
        "Invalid pixel format for memory DC",
    };
    for (int32_t i = 0; i < 32; ++i)
        EXPECT_STREQ(GDL_errorText(-i), texts[i]) << -i;
    const char* const names[35] = {
        "PACK1.DRV",   "PACK4.DRV",    "PACK8.DRV",    "PACK16.DRV",   "PACK24.DRV",  "PACK32.DRV",
        "VGA4.DRV",    "VGAX.DRV",     "VGA8.DRV",     "SVGA4.DRV",    "SVGA8.DRV",   "SVGA16.DRV",
        "SVGA24.DRV",  "SVGA32.DRV",   "FDIB8.DRV",    "FDIB16.DRV",   "FDIB24.DRV",  "FDIB32.DRV",
        "LINEAR8.DRV", "LINEAR16.DRV", "LINEAR24.DRV", "LINEAR32.DRV", "ACCEL8.DRV",  "ACCEL16.DRV",
        "ACCEL24.DRV", "ACCEL32.DRV",  "DDRAW8.DRV",   "DDRAW16.DRV",  "DDRAW24.DRV", "DDRAW32.DRV",
        "OPENGL.DRV",  "FSOGL8.DRV",   "FSOGL16.DRV",  "FSOGL24.DRV",  "FSOGL32.DRV",
    };
    for (int32_t i = 0; i < 35; ++i)
        EXPECT_STREQ(GDL_driverTableName(i), names[i]) << i;
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

// Every mode's size, depth and name from the numbering: six 16-colour modes,
// five 256-colour VGA modes, then five runs of the same fifteen sizes at 8,
// 15, 16, 24 and 32 bits.
TEST_F(StartupTest, EveryModeOfTheNumbering) {
    const int sizes[15][2] = {{320, 200},  {320, 240},  {320, 400},  {320, 480},   {400, 300},
                              {512, 384},  {640, 350},  {640, 400},  {640, 480},   {800, 600},
                              {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200}};
    const int sixteen[6][2] = {{320, 200}, {640, 200}, {640, 350},
                               {640, 400}, {640, 480}, {800, 600}};
    const int vga[5][2] = {{320, 200}, {320, 240}, {320, 400}, {320, 480}, {320, 200}};
    const int runBits[5] = {8, 15, 16, 24, 32};
    const char* runWords[5] = {"SVGA 256 color", "SVGA 32k color", "SVGA 64k color",
                               "SVGA 16m color", "SVGA 4G color"};
    for (int mode = 0; mode <= 85; ++mode) {
        int w, h, bits;
        std::string word;
        if (mode <= 5) {
            w = sixteen[mode][0], h = sixteen[mode][1], bits = 4;
            word = mode == 5 ? "SVGA 16 color" : "VGA 16 color";
        } else if (mode <= 10) {
            w = vga[mode - 6][0], h = vga[mode - 6][1], bits = 8;
            word = mode == 10 ? "VGA 256 color" : "VGAX 256 color";
        } else {
            w = sizes[(mode - 11) % 15][0], h = sizes[(mode - 11) % 15][1];
            bits = runBits[(mode - 11) / 15];
            word = runWords[(mode - 11) / 15];
        }
        int32_t gw = 0, gh = 0, gb = 0;
        ASSERT_TRUE(GDL_modeResolution(mode, &gw, &gh, &gb)) << mode;
        EXPECT_EQ((std::vector<int>{gw, gh, gb}), (std::vector<int>{w, h, bits})) << mode;
        EXPECT_EQ(std::string(GDL_modeName(mode)),
                  std::to_string(w) + " x " + std::to_string(h) + " " + word);
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
