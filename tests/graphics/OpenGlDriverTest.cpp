// The OpenGL driver: the hardware test over each ADV_GL branch and mode
// setting, the Windows 95 depth filter, the draw-buffer hook, the locked
// wrappers, the unload, and through Mesa the 1-bit images and bitmap-font
// text against PACK32's pixels at every clip, the unpack state kept.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "TextTestFonts.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/fdib.h"
#include "gdl/opengl.h"
#include "gdl/packed.h"
#include "gdl/text.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/OpenGL.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class OpenGlDriver : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32);
        GDL_resetLibrary(); // the hardware answer is kept for a run
        platform::UseAdapter("ddraw-4mb");
        const char* gl = std::getenv("ADV_GL");
        saved_ = gl ? gl : "";
        hadGl_ = gl != nullptr;
    }
    void TearDown() override {
        GDL_exit();
        GDL_glUseLibrary(nullptr, nullptr, nullptr);
        platform::SetSimulatedVersion(platform::kVersionWindows95);
        if (hadGl_)
            setenv("ADV_GL", saved_.c_str(), 1);
        else
            unsetenv("ADV_GL");
        unsetenv("XDG_CONFIG_HOME");
    }

    static bool MesaPresent() {
        unsetenv("ADV_GL");
        return platform::CurrentGlMode() != platform::GlMode::None;
    }

    // The library started with the OpenGL driver registered (the display
    // device never does) and `mode` chosen.
    static bool Start(int32_t mode) {
        GDL_unregisterAllDrivers();
        PACK_registerDrivers();
        GDL_registerDriver("OPENGL.DRV", OPENGL_header());
        int32_t driver = -1;
        return GDL_init(&driver, &mode, ".");
    }

    testsupport::TempDir folder_;
    std::string saved_;
    bool hadGl_ = false;
};

TEST_F(OpenGlDriver, HardwareTestForEachBranchAndSetting) {
    if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
    struct Case {
        const char* gl;
        int32_t setting;
        int32_t found;
        const char* adapter = "ddraw-4mb";
    };
    const Case cases[] = {
        {"accelerated", 0, 1},
        {"generic", 0, 0},
        {"none", 0, 0},                 // Mesa's software: no driver
        {"accelerated", 1, 0},          // accepted, never tested
        {"accelerated", 2, 0},          // refused
        {"accelerated", 0, 0, nullptr}, // no DirectDraw object
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.gl) + " " + std::to_string(c.setting) + " " +
                     (c.adapter ? c.adapter : "no adapter"));
        GDL_resetLibrary();
        platform::UseAdapter(c.adapter);
        setenv("ADV_GL", c.gl, 1);
        EXPECT_EQ(platform::ModuleExists("opengl32.dll"), std::strcmp(c.gl, "none") != 0);
        GDL_initWindowed(".");
        GDL_setOpenGLMode(c.setting);
        EXPECT_EQ(OPENGL_checkHardware(), c.found);
        GDL_exit();
    }
    // Once a run: the answer stays whatever the formats say later.
    GDL_resetLibrary();
    setenv("ADV_GL", "accelerated", 1);
    GDL_initWindowed(".");
    EXPECT_EQ(GDL_glDetectHardware(), 1);
    setenv("ADV_GL", "none", 1);
    EXPECT_EQ(GDL_glDetectHardware(), 1);
}

TEST_F(OpenGlDriver, Windows95OffersOnlyTheDesktopDepth) {
    if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
    setenv("ADV_GL", "accelerated", 1);
    struct Case {
        DWORD version;
        int32_t bits;
        bool offered;
    };
    const Case cases[] = {
        {platform::kVersionWindows95, 32, true},
        {platform::kVersionWindows95, 16, false},
        {platform::kVersionWindowsNT4, 16, true},
        {platform::kVersionWindowsNT4, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + " " + std::to_string(c.bits));
        GDL_resetLibrary();
        platform::SetSimulatedVersion(c.version);
        ASSERT_TRUE(Start(-1));
        const GDLModeEntry& e = GDL_modeTable()[testsupport::ModeOf(640, 480, c.bits)];
        EXPECT_EQ(e.driver == GDL_OPENGL, c.offered);
        if (c.offered) {
            EXPECT_EQ(e.pages, 1); // single-page DirectDraw modes
            EXPECT_EQ(e.flags, 0x800u);
        }
        GDL_exit();
    }
}

TEST_F(OpenGlDriver, UnloadEmptiesTheHandlesAndSetsTheVariable) {
    unsetenv("__GL_OVERRIDE_DISPATCH");
    GdlGlEntries none{};
    GDL_glUseLibrary(&none, nullptr, nullptr);
    GDL_glUnloadLibraries(); // nothing loaded: nothing set
    EXPECT_EQ(std::getenv("__GL_OVERRIDE_DISPATCH"), nullptr);
    EXPECT_NE(GDL_glEntries(), nullptr);
    GDL_glUseLibrary(&none, LoadLibraryA("gdi32.dll"), LoadLibraryA("user32.dll"));
    GDL_initWindowed(".");
    GDL_exit(); // the library's exit unloads
    EXPECT_EQ(GDL_glLibrary(0), nullptr);
    EXPECT_EQ(GDL_glLibrary(1), nullptr);
    EXPECT_EQ(GDL_glEntries(), nullptr);
    ASSERT_NE(std::getenv("__GL_OVERRIDE_DISPATCH"), nullptr);
    EXPECT_STREQ(std::getenv("__GL_OVERRIDE_DISPATCH"), "0");
    unsetenv("__GL_OVERRIDE_DISPATCH");
}

// --- A recording driver library ------------------------------------------------------

std::vector<std::string> g_log;
void recordBuffer(uint32_t b) {
    g_log.push_back("buffer " + std::to_string(b));
}
uint8_t g_frame[16];
uint8_t* recordBegin(int32_t back) {
    g_log.push_back("begin " + std::to_string(back));
    return g_frame;
}
void recordEnd() {
    g_log.push_back("end");
}
void recordPixel(int32_t x, int32_t) {
    g_log.push_back("pixel " + std::to_string(x));
}

// An OpenGL display context on an accelerated answer, with recording entries.
GdlDeviceContext* recordedScreen() {
    static GdlGlEntries entries{};
    entries.drawBuffer = recordBuffer;
    entries.beginAccess = recordBegin;
    entries.endAccess = recordEnd;
    GDL_glUseLibrary(&entries, nullptr, nullptr);
    GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
    if (screen) GDL_selectCurrentDC(screen);
    return screen;
}

TEST_F(OpenGlDriver, DrawBufferHookSelectsPagesAndEyes) {
    if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
    setenv("ADV_GL", "accelerated", 1);
    ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, 32)));
    GdlDeviceContext* screen = recordedScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GDL_liveDC(screen)->type, GDL_DC_OPENGL);
    struct Case {
        uint32_t before, buffer;
        int32_t page;
        uint32_t after;
    };
    // Kept as the page the buffer names (1028 front, 1029 back), whatever
    // eye; anything past 1024-1031 changes neither page nor buffer.
    const Case cases[] = {
        {1028, 1024, 0, 1028},      {1028, 1025, 0x8000, 1028}, {1028, 1026, 1, 1029},
        {1028, 1027, 0x8001, 1029}, {1029, 1028, 0, 1028},      {1028, 1029, 1, 1029},
        {1028, 1030, 0, 1028},      {1029, 1030, 1, 1029},      {1028, 1031, 0x8000, 1028},
        {1029, 1031, 0x8001, 1029}, {1029, 1024, 0, 1028},      {1029, 1025, 0x8000, 1028},
        {1029, 1023, 1, 1029},      {1028, 1032, 0, 1028},      {1029, 0, 1, 1029},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " " + std::to_string(c.buffer));
        GDL_glDrawBufferHook(c.before);
        g_log.clear();
        GDL_glDrawBufferHook(c.buffer);
        EXPECT_EQ(GDL_getActivePage(screen), c.page);
        EXPECT_EQ(uint32_t(GDL_glDrawBuffer(screen)), c.after);
        // Direct access asks for the front buffer (0) or the back one (1).
        GL_beginDirectAccess();
        GL_endDirectAccess();
        const std::vector<std::string> want = {"buffer " + std::to_string(c.buffer),
                                               c.after == 1028 ? "begin 0" : "begin 1", "end"};
        EXPECT_EQ(g_log, want);
    }
}

TEST_F(OpenGlDriver, LeavingRestoresTheDesktopOnce) {
    if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
    setenv("ADV_GL", "accelerated", 1);
    ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, 32)));
    GdlDeviceContext* screen = recordedScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    const platform::DisplaySettingsCalls before = platform::DisplaySettingsCallCount();
    GDL_destroyDC(screen);
    GDL_exit();
    const platform::DisplaySettingsCalls after = platform::DisplaySettingsCallCount();
    EXPECT_EQ(after.restores - before.restores, 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_FALSE(GDL_isFullScreenActive());
}

TEST_F(OpenGlDriver, LockedCallsBracketTheSavedRoutine) {
    if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
    setenv("ADV_GL", "accelerated", 1);
    ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, 32)));
    GdlDeviceContext* screen = recordedScreen();
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext& s = *GDL_liveDC(screen);
    s.v.putPixel = recordPixel;
    GL_installLockedCalls(&s);
    for (uint32_t buffer : {1028u, 1029u}) {
        GDL_glDrawBufferHook(buffer);
        g_log.clear();
        s.v.putPixel(7, 1);
        const std::vector<std::string> want = {std::string("begin ") + (buffer == 1028 ? "0" : "1"),
                                               "pixel 7", "end"};
        EXPECT_EQ(g_log, want);
        EXPECT_EQ(s.frameBase, g_frame); // the address the library gave
    }
}

// --- Through Mesa ---------------------------------------------------------------------

int32_t makeCurrent(HDC, void* context) {
    return platform::MakeGlContextCurrent(static_cast<platform::GlContext*>(context)) ? 1 : 0;
}

class OpenGlMesa : public OpenGlDriver {
protected:
    void SetUp() override {
        OpenGlDriver::SetUp();
        if (!MesaPresent()) GTEST_SKIP() << "no Mesa";
        setenv("ADV_GL", "accelerated", 1);
        ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, 32)));
        context_ = platform::CreateGlContext(640, 480);
        ASSERT_NE(context_, nullptr);
        const platform::GlEntries* p = platform::GlContextEntries();
        entries_.color3ub = p->color3ub;
        entries_.drawBuffer = p->drawBuffer;
        entries_.getIntegerv = p->getIntegerv;
        entries_.pixelStorei = p->pixelStorei;
        entries_.rasterPos2i = p->rasterPos2i;
        entries_.bitmap = p->bitmap;
        entries_.makeCurrent = makeCurrent;
        GDL_glUseLibrary(&entries_, nullptr, nullptr);
        screen_ = GDL_createDisplayDCPages(1);
        ASSERT_NE(screen_, nullptr);
        GDL_glSetContext(screen_, context_, 1);
        GDL_glMakeCurrent(screen_);
        format_ = GDL_liveDC(screen_)->format;
        memory_ = GDL_createMemoryDC(640, 480, 32, &format_);
        ASSERT_NE(memory_, nullptr);
    }
    void TearDown() override {
        GDL_exit();
        platform::DestroyGlContext(context_);
        OpenGlDriver::TearDown();
    }

    // Both contexts cleared to black, clipped alike, in one colour.
    void Prepare(const GdlRect& clip) {
        const platform::GlEntries* p = platform::GlContextEntries();
        platform::MakeGlContextCurrent(context_);
        p->clearColor(0, 0, 0, 1);
        p->clear(0x4000);
        for (GdlDeviceContext* dc : {screen_, memory_}) {
            GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
            if (dc == memory_) {
                GDL_setBackColor(0);
                GDL_clearDevice();
            }
            GDL_setClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
            GDL_setColor(0xFF8040);
            GDL_selectCurrentDC(previous);
        }
    }

    ::testing::AssertionResult SamePixels() {
        const platform::Frame f = platform::ReadGlFrame(context_);
        const GdlDeviceContext* m = GDL_liveDC(memory_);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                uint32_t want = 0;
                std::memcpy(&want, m->surface + size_t(y) * m->mode.bytesPerLine + size_t(x) * 4,
                            4);
                want &= 0xFFFFFF;
                const uint32_t have = f.pixels[size_t(y) * 640 + size_t(x)];
                if (have != want)
                    return ::testing::AssertionFailure() << "at " << x << ", " << y << " GL "
                                                         << std::hex << have << " PACK32 " << want;
            }
        return ::testing::AssertionSuccess();
    }

    platform::GlContext* context_ = nullptr;
    GdlGlEntries entries_{};
    GdlDeviceContext* screen_ = nullptr;
    GdlDeviceContext* memory_ = nullptr;
    GdlPixelFormat format_{};
};

// A pattern that tells every column and row apart.
std::vector<uint8_t> imageBits(int32_t bytesPerLine, int32_t rows) {
    std::vector<uint8_t> bits(size_t(bytesPerLine) * size_t(rows));
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = uint8_t((i * 37 + i / size_t(bytesPerLine) * 11) ^ 0x5A);
    return bits;
}

TEST_F(OpenGlMesa, MonoImagesEqualPack32AtEveryClip) {
    struct Case {
        const char* name;
        GdlRect clip;
        int32_t x, y, bytesPerLine, rows;
    };
    const Case cases[] = {
        {"inside", {0, 0, 640, 480}, 20, 30, 3, 10},
        {"clipped on every side", {13, 7, 35, 33}, 10, 5, 4, 40},
        {"left of and above the window", {0, 0, 640, 480}, -13, -6, 4, 20},
        {"past the scratch buffer", {0, 0, 640, 480}, 0, 0, 80, 480},
        {"past the scratch buffer, clipped", {3, 5, 637, 471}, -4, -2, 81, 490},
        {"all outside", {100, 100, 200, 200}, 300, 300, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(c.clip);
        const std::vector<uint8_t> bits = imageBits(c.bytesPerLine, c.rows);
        GDL_drawMonoImage(memory_, c.x, c.y, c.bytesPerLine, c.rows, bits.data());
        GDL_drawMonoImage(screen_, c.x, c.y, c.bytesPerLine, c.rows, bits.data());
        EXPECT_TRUE(SamePixels());
    }
}

TEST_F(OpenGlMesa, BitmapTextEqualsPack32AndKeepsTheUnpackState) {
    TestFont f;
    makeBitmapFont(f, GDL_FONT_PROPORTIONAL);
    const platform::GlEntries* p = platform::GlContextEntries();
    const int32_t before[6] = {1, 1, 7, 2, 3, 2};
    for (uint32_t i = 0; i < 6; ++i)
        p->pixelStorei(3312 + i, before[i]);
    for (const GdlRect& clip : {GdlRect{0, 0, 640, 480}, GdlRect{12, 10, 40, 13}}) {
        Prepare(clip);
        for (GdlDeviceContext* dc : {memory_, screen_}) {
            GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
            GDL_useFont(&f.font);
            GDL_drawStrAt(10, 10, "LL L0L");
            GDL_drawStrAt(-3, 20, "LLL");
            GDL_selectCurrentDC(previous);
        }
        EXPECT_TRUE(SamePixels());
    }
    GDL_drawMonoImage(screen_, 5, 5, 1, 1, imageBits(1, 1).data());
    platform::MakeGlContextCurrent(context_);
    for (uint32_t i = 0; i < 6; ++i) {
        int32_t value = -1;
        p->getIntegerv(3312 + i, &value);
        EXPECT_EQ(value, before[i]) << 3312 + i;
    }
}

TEST(OpenGlRows, ConverterPutsTheBottomRowFirstWithTheEdgesCut) {
    const uint8_t image[3 * 3] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xFF, 0xFF, 0xFF};
    uint8_t out[4] = {};
    DRV_monoRowsForGl(image, 3, 1, 2, 1, 2, 0x0F, 0xF0, out);
    const uint8_t want[4] = {0x0F, 0xF0, 0x05, 0x60};
    EXPECT_EQ(std::memcmp(out, want, 4), 0);
}

} // namespace
