// The VBE/AF loader on driver files from the writer: the search order, every
// status with its message, images whose fields do not hold together, the
// mappings made once, drivers older than 2.0, the banked-only case, the
// bank routine's buffer, and the driver held by the \\.\GDLHELP device.
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "VbeafWriter.h"

#include "gdl/driver.h"
#include "gdl/fsdirect.h"
#include "gdl/memory.h"
#include "gdl/vbeaf.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/DeviceIo.h"
#include "platform/File.h"
#include "platform/Vbe.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace vb = platform::vbeaf;

void put32(std::vector<uint8_t>& image, uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        image[at + uint32_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t get32(const uint8_t* image, uint32_t at) {
    return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
           uint32_t(image[at + 3]) << 24;
}

void recordBox(const char* text, const char* caption, uint32_t) {
    std::fprintf(stderr, "[%s|%s]", caption, text);
}

class VbeafLoader : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(dir_.Path().string(), 32);
        was_ = std::filesystem::current_path();
        std::filesystem::create_directories(dir_.Path() / "here");
        std::filesystem::current_path(dir_.Path() / "here");
        unsetenv("VBEAF_PATH");
        Card("accel");
    }
    void TearDown() override {
        GDL_resetLibrary(); // the loader and the Windows layer with it
        GDL_resetMemoryFuncs();
        GDL_setFatalBoxHook(nullptr);
        std::filesystem::current_path(was_);
        unsetenv("VBEAF_PATH");
        platform::UnmapAllDrives();
    }
    // The adapter changes only while the library is down.
    void Card(const char* name) {
        GDL_resetLibrary();
        ASSERT_TRUE(platform::UseAdapter(name));
        GDL_initWindows();
    }
    void Card(const platform::AdapterPersonality& p) {
        GDL_resetLibrary();
        platform::UseAdapter(p);
        GDL_initWindows();
    }
    // The file in a folder under the test's own (created), or in the
    // current folder for "here".
    std::string Put(const std::string& folder, const std::vector<uint8_t>& image) {
        return dir_.Write(folder + "/VBEAF.DRV", image);
    }
    std::string Folder(const std::string& name) const { return (dir_.Path() / name).string(); }
    testsupport::TempDir dir_;
    std::filesystem::path was_;
};

std::vector<uint8_t> imageOf(uint32_t memoryKB) {
    tools::VbeafOptions o;
    o.memoryKB = memoryKB;
    return tools::WriteVbeaf(o);
}

TEST_F(VbeafLoader, EnsureBackslashAddsOneOnlyWhenMissing) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"c:\\drv", "c:\\drv\\"}, {"c:\\drv\\", "c:\\drv\\"}, {"", "\\"}, {".", ".\\"}};
    for (const auto& c : cases) {
        char path[32];
        std::strcpy(path, c.in);
        GDL_ensureBackslash(path, sizeof path);
        EXPECT_STREQ(path, c.out);
    }
    char full[3] = "ab"; // no room: unchanged, never past the buffer
    GDL_ensureBackslash(full, sizeof full);
    EXPECT_STREQ(full, "ab");
}

TEST_F(VbeafLoader, SearchOrderFirstThatOpensWins) {
    // Each place's file tells itself apart by its memory field.
    struct Case {
        bool c, env, here;
        bool envBackslash;
        uint32_t expectKB; // 0: none found
    };
    const Case cases[] = {
        {true, true, true, false, 1024},  {false, true, true, false, 2048},
        {false, true, true, true, 2048},  {false, false, true, false, 4096},
        {false, true, false, true, 2048}, {false, false, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.c) + std::to_string(c.env) + std::to_string(c.here) +
                     std::to_string(c.envBackslash));
        std::filesystem::remove_all(dir_.Path() / "c");
        std::filesystem::remove_all(dir_.Path() / "env");
        std::filesystem::remove(dir_.Path() / "here" / "VBEAF.DRV");
        if (c.c) Put("c", imageOf(1024));
        if (c.env) Put("env", imageOf(2048));
        if (c.here) Put("here", imageOf(4096));
        std::filesystem::create_directories(dir_.Path() / "c");
        platform::MapDrive('c', Folder("c").c_str());
        const std::string env = Folder("env") + (c.envBackslash ? "\\" : "");
        setenv("VBEAF_PATH", env.c_str(), 1);
        AF_resetLoader();
        GdlVbeafDriver* d = AF_loadDriver(".");
        if (!c.expectKB) {
            EXPECT_EQ(d, nullptr);
            EXPECT_EQ(AF_getStatus(), AF_STATUS_NOT_FOUND);
            continue;
        }
        ASSERT_NE(d, nullptr) << AF_getStatus();
        EXPECT_TRUE(d->direct);
        EXPECT_EQ(get32(d->image, vb::kMemoryKB), c.expectKB);
        EXPECT_EQ(AF_getStatus(), AF_STATUS_OK);
    }
}

TEST_F(VbeafLoader, ImagesThatDoNotHoldTogetherAreCorrupt) {
    const std::vector<uint8_t> good = tools::WriteVbeaf({});
    const uint32_t size = uint32_t(good.size());
    struct Case {
        const char* what;
        uint32_t at; // a field to set (0: none)
        uint32_t value;
        size_t cut; // bytes kept (0: all)
    };
    const uint32_t list = get32(good.data(), vb::kModeList);
    const Case cases[] = {
        {"shorter than its last field", 0, 0, vb::kHeaderSize - 1},
        {"init entry outside", vb::kInitEntry, size, 0},
        {"first entry outside", vb::kFirstEntry2, 0xFFFFFFF0u, 0},
        {"mode list outside", vb::kModeList, size + 2, 0},
        {"mode list without its end", 0, 0, list + 4},
        {"bank routine past the end", vb::kBankLength, size, 0},
        {"bank routine offset outside", vb::kBankRoutine, 0xFFFFFFFFu, 0},
    };
    std::vector<std::vector<uint8_t>> images;
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        if (c.at) put32(image, c.at, c.value);
        if (c.cut) image.resize(c.cut);
        images.push_back(image);
    }
    // A signature that differs in any character, its NUL included.
    for (int i = 0; i < 10; ++i) {
        images.push_back(good);
        images.back()[size_t(i)] ^= 0x20;
    }
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i < std::size(cases) ? cases[i].what : "signature");
        Put("here", images[i]);
        EXPECT_EQ(AF_loadDriver("."), nullptr);
        EXPECT_EQ(AF_getStatus(), AF_STATUS_CORRUPT);
    }
}

TEST_F(VbeafLoader, EachStatusAndItsMessage) {
    struct Case {
        const char* what;
        const char* message; // null: silent
    };
    GDL_setFatalBoxHook(recordBox);
    std::vector<uint8_t> corrupt = tools::WriteVbeaf({});
    corrupt[0] = 'X';
    tools::VbeafOptions unmapped;
    unmapped.registerAddress[0] = 0x12340000;
    unmapped.registerLength[0] = 0x100;
    Put("here", corrupt);
    int32_t type = 0, driverType = 0;
    EXPECT_EXIT(ACCEL_loadVBEAF(&type, &driverType), ::testing::ExitedWithCode(1),
                "ACCEL.DRV driver file is corrupted!");
    Put("here", tools::WriteVbeaf(unmapped));
    EXPECT_EXIT(ACCEL_loadVBEAF(&type, &driverType), ::testing::ExitedWithCode(1),
                "Could not map physical memory for ACCEL.DRV!");
    Put("here", tools::WriteVbeaf({}));
    GDL_setMemoryFuncs([](size_t) -> void* { return nullptr; }, nullptr);
    EXPECT_EXIT(ACCEL_loadVBEAF(&type, &driverType), ::testing::ExitedWithCode(1),
                "Not enough memory to load ACCEL.DRV file!");
    GDL_resetMemoryFuncs();
}

TEST_F(VbeafLoader, RefusedAndMissingAreSilentAndTriedAgain) {
    int32_t type = 0, driverType = 0;
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 0); // nothing there: status 2
    EXPECT_EQ(AF_getStatus(), AF_STATUS_NOT_FOUND);
    // A foreign driver: its initialisation is not our accelerator's stub.
    tools::VbeafOptions foreign;
    foreign.accelerator = 0x12345678;
    Put("here", tools::WriteVbeaf(foreign));
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 0);
    EXPECT_EQ(AF_getStatus(), AF_STATUS_REFUSED);
    std::vector<uint8_t> code = tools::WriteVbeaf({});
    const uint32_t init = get32(code.data(), vb::kInitEntry);
    code[init] = 0x55; // push ebp: native code, never run
    Put("here", code);
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 0);
    EXPECT_EQ(AF_getStatus(), AF_STATUS_REFUSED);
    EXPECT_EQ(type, 0);
    Put("here", tools::WriteVbeaf({}));
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 1);
    EXPECT_EQ(type, GDL_TYPE_ACCEL_SVGA);
    EXPECT_EQ(driverType, GDL_TYPE_ACCEL_SVGA);
    std::filesystem::remove(dir_.Path() / "here" / "VBEAF.DRV");
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 1) << "the stored result";
}

TEST_F(VbeafLoader, EntriesMappingsAndCallbacksWrittenAndASecondLoadMapsNothing) {
    tools::VbeafOptions o;
    o.registerAddress[0] = 0xFEB00000;
    o.registerLength[0] = 0x1000;
    Put("here", tools::WriteVbeaf(o));
    GdlVbeafDriver* d = AF_loadDriver(".");
    ASSERT_NE(d, nullptr) << AF_getStatus();
    const uint8_t* image = d->image;
    EXPECT_NE(get32(image, vb::kIntCallback), 0u);
    EXPECT_NE(get32(image, vb::kFarCallCallback), 0u);
    EXPECT_NE(platform::VbeafAddressOf(get32(image, vb::kMappedRegisters)), nullptr);
    EXPECT_EQ(platform::VbeafAddressOf(get32(image, vb::kMappedLinear)),
              platform::AdapterVideoMemory().base);
    EXPECT_NE(platform::VbeafAddressOf(get32(image, vb::kMappedBank)), nullptr);
    EXPECT_NE(get32(image, vb::kDrawRect), vb::kEntryWanted) << "filled by the initialisation";
    const int32_t maps = AF_mappingsMade();
    EXPECT_EQ(maps, 3);
    ASSERT_NE(AF_loadDriver("."), nullptr);
    EXPECT_EQ(AF_mappingsMade(), maps);
}

TEST_F(VbeafLoader, OlderThan2GetsSelectorsAndIsNotDetected) {
    tools::VbeafOptions o;
    o.version = 0x100;
    std::vector<uint8_t> image = tools::WriteVbeaf(o);
    // A 1.x driver has no first entry: its field is not followed.
    put32(image, vb::kFirstEntry2, 0xFFFFFFF0u);
    Put("here", image);
    int32_t type = 0, driverType = 0;
    EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), 0);
    EXPECT_EQ(AF_getStatus(), AF_STATUS_OK);
    GdlVbeafDriver* d = ACCEL_driver();
    ASSERT_NE(d, nullptr) << "stays loaded";
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_NE(get32(d->image, vb::kSelectors + 4 * i), 0u) << i;
    EXPECT_EQ(type, 0);
}

TEST_F(VbeafLoader, WithoutLinearFramebufferOnlyAVirtualOneWithABankRoutine) {
    struct Case {
        const char* card;
        bool bankRoutine;
        int32_t detected;
    };
    const Case cases[] = {
        {"accel-banked", true, 1}, {"accel-banked", false, 0}, {"accel", true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + (c.bankRoutine ? " routine" : " none"));
        Card(c.card);
        tools::VbeafOptions o;
        o.linear = false;
        o.memoryKB = 2048;
        o.bankRoutine = c.bankRoutine;
        o.attributes = 0;
        Put("here", tools::WriteVbeaf(o));
        int32_t type = 0, driverType = 0;
        EXPECT_EQ(ACCEL_loadVBEAF(&type, &driverType), c.detected);
        EXPECT_EQ(ACCEL_virtualFramebuffer(), c.detected == 1);
        if (c.detected) {
            EXPECT_EQ(driverType, GDL_TYPE_SVGA) << "no acceleration attribute";
        }
    }
}

TEST_F(VbeafLoader, BankRoutineWrappedAndOneTooLongForTheBufferRefused) {
    std::vector<uint8_t> image = tools::WriteVbeaf({});
    const uint32_t at = get32(image.data(), vb::kBankRoutine);
    GdlVbeafDriver d{image.data(), image.size(), true};
    int32_t size = 0;
    const uint8_t* code = nullptr;
    ASSERT_EQ(AF_getBankFunc32(&d, &size, &code), 1);
    ASSERT_EQ(size, int32_t(vb::kStubSize + 5));
    const uint8_t prologue[4] = {0x53, 0x51, 0x89, 0xC2};
    EXPECT_EQ(std::memcmp(code, prologue, 4), 0);
    EXPECT_EQ(std::memcmp(code + 4, image.data() + at, vb::kStubSize - 1), 0);
    EXPECT_EQ(code[size - 2], 0x59);
    EXPECT_EQ(code[size - 1], 0x5B);
    // A routine of 60 bytes inside the image, but longer than the buffer takes.
    image.resize(image.size() + 60, 0x90);
    put32(image, vb::kBankRoutine, uint32_t(image.size() - 60));
    put32(image, vb::kBankLength, 60);
    d = {image.data(), image.size(), true};
    EXPECT_EQ(AF_getBankFunc32(&d, &size, &code), 0);
    put32(image, vb::kBankLength, 59);
    EXPECT_EQ(AF_getBankFunc32(&d, &size, &code), 1);
    EXPECT_EQ(size, 64);
}

TEST_F(VbeafLoader, TheDevicesDriverSetsModesThroughTheDevice) {
    platform::AdapterPersonality p = *platform::CurrentAdapter();
    p.accel.helper = true;
    p.accel.helperImage = tools::WriteVbeaf({});
    Card(p);
    GdlVbeafDriver* d = AF_loadDriver(".");
    ASSERT_NE(d, nullptr) << "no file: the device's driver";
    EXPECT_FALSE(d->direct);
    EXPECT_EQ(platform::OpenDeviceCount(), 1);
    // Its image is initialised: entries are handles.
    EXPECT_NE(get32(d->image, vb::kSetMode), vb::kEntryWanted);
    platform::VbeafClearCallLog();
    static int32_t bytesPerLine = 0;
    // 0x100: the default list's 640 x 480 x 8, linear.
    EXPECT_EQ(AF_callDriver(d, 0x4100, -1, -1, &bytesPerLine, 1, nullptr), 0);
    EXPECT_EQ(bytesPerLine, 640);
    EXPECT_EQ(platform::AdapterScanOut().width, 640);
    AF_exitDriver(d);
    const std::vector<platform::VbeafCall> log = platform::VbeafCallLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].slot, vb::kSetMode);
    EXPECT_EQ(log[0].args, (std::vector<int64_t>{0x4100, -1, -1, 1, 1, 0}));
    EXPECT_EQ(log[1].slot, vb::kRestoreTextMode);
    EXPECT_EQ(platform::VbeCurrentMode(), 0);
    AF_resetLoader();
    EXPECT_EQ(platform::OpenDeviceCount(), 0) << "CloseHandle closed it";
}

TEST_F(VbeafLoader, InterruptCallbackZeroExtendsTheResults) {
    platform::DpmiRegs r{};
    r.eax = 0xDEAD0F00; // get video mode; the high half is not passed
    AF_int86Callback(0x10, &r);
    EXPECT_EQ(r.eax >> 16, 0u);
    EXPECT_EQ(r.eax & 0xFF00, 0x5000u) << "80 columns";
}

} // namespace
