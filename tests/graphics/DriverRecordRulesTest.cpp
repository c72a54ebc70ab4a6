// The drivers' headers and mode records: every record's pixel aspect is the
// one of its own size (1200 for 320x200 and 640x400, 600 for 320x400, 500
// for 320x480, 1371 for 640x350, 938 for 1280x1024, 2400 for 640x200,
// square elsewhere), the mode X records and the contexts of those modes
// included; every driver is named after its file, as the mode names show.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/driver.h"
#include "gdl/windc.h"
#include "platform/Adapter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t aspectOf(uint32_t width, uint32_t height) {
    const struct {
        uint32_t width, height, aspect;
    } odd[] = {{320, 200, 1200}, {640, 400, 1200},  {320, 400, 600}, {320, 480, 500},
               {640, 350, 1371}, {1280, 1024, 938}, {640, 200, 2400}};
    for (const auto& o : odd)
        if (o.width == width && o.height == height) return o.aspect;
    return 1000;
}

std::string field(const char* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

std::vector<const GdlDriverHeader*> everyHeader() {
    std::vector<const GdlDriverHeader*> out = {WINDC_header()};
    int32_t count = 0;
    const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
    for (int32_t i = 0; i < count; ++i)
        out.push_back(linked[i].header);
    return out;
}

TEST(DriverRecords, EveryRecordCarriesTheAspectOfItsOwnSize) {
    for (int32_t m = 0; m < 86; ++m) {
        const GdlModeRecord* r = DRV_modeRecord(m);
        ASSERT_NE(r, nullptr) << m;
        EXPECT_EQ(r->aspectRatio, aspectOf(r->maxX + 1, r->maxY + 1)) << "template " << m;
    }
    for (const GdlDriverHeader* h : everyHeader()) {
        ASSERT_NE(h, nullptr);
        const std::string name = field(h->fileName, sizeof h->fileName);
        for (int32_t i = 0; i < h->modeCount; ++i) {
            const GdlModeRecord& r = h->modes[i];
            EXPECT_EQ(r.aspectRatio, aspectOf(r.maxX + 1, r.maxY + 1))
                << name << " record " << i << ": " << r.maxX + 1 << "x" << r.maxY + 1;
        }
    }
}

TEST(DriverRecords, EveryDriverIsNamedAfterItsFile) {
    for (const GdlDriverHeader* h : everyHeader()) {
        const std::string file = field(h->fileName, sizeof h->fileName);
        EXPECT_EQ(field(h->driverName, sizeof h->driverName), file);
        EXPECT_EQ(file.size() > 4 ? file.substr(file.size() - 4) : "", ".DRV") << file;
    }
    EXPECT_EQ(field(WINDC_header()->driverName, 13), "WINDC.DRV");
}

class ModeXContexts : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    testsupport::TempDir folder_;
};

// The library's size table names modes 7 to 10 by other sizes; the contexts
// take the records' sizes and aspects, and the modes the driver's name.
TEST_F(ModeXContexts, TakeTheAspectOfTheRegistersSize) {
    const struct {
        int32_t mode;
        uint32_t height, aspect;
    } cases[] = {{7, 200, 1200}, {8, 240, 1000}, {9, 400, 600}, {10, 480, 500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_TRUE(platform::UseAdapter("vga"));
        testsupport::RegisterLinkedDrivers({"VGAX"});
        int32_t driver = -1, mode = c.mode;
        ASSERT_TRUE(GDL_init(&driver, &mode, "."));
        EXPECT_STREQ(GDL_modeDriverName(c.mode), "VGAX.DRV");
        GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
        ASSERT_NE(dc, nullptr);
        const GdlModeRecord& r = GDL_liveDC(dc)->mode;
        EXPECT_EQ(r.maxX + 1, 320u);
        EXPECT_EQ(r.maxY + 1, c.height);
        EXPECT_EQ(r.aspectRatio, c.aspect);
        GDL_exit();
    }
}

} // namespace
