// The VBE/AF loader on fuzzed driver files: either a writer-made image
// patched by the input (offset, byte pairs), so that the fuzzer starts from
// drivers that load, or the input whole. Loading, the bank routine and the
// accelerator's mode information and mode set must stay inside the image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "VbeafWriter.h"
#include "gdl/driver.h"
#include "gdl/vbeaf.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/ByteStream.h"
#include "platform/Vbeaf.h"

namespace {

namespace vb = platform::vbeaf;

std::vector<uint8_t> seed(int which) {
    tools::VbeafOptions o;
    switch (which % 4) {
        case 1: o.version = 0x100; break;
        case 2: o.linear = false, o.memoryKB = 2048; break;
        case 3:
            o.registerAddress[0] = 0xFEB00000, o.registerLength[0] = 0x100;
            o.absent = {vb::kEnableDirect, vb::kDisableDirect};
            break;
        default: break;
    }
    return tools::WriteVbeaf(o);
}

std::vector<uint8_t> imageOf(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    if (data[0] & 1) return std::vector<uint8_t>(data + 1, data + size);
    std::vector<uint8_t> image = seed(data[0] >> 1);
    for (size_t i = 1; i + 3 <= size; i += 3) {
        const size_t at = size_t(data[i] | data[i + 1] << 8);
        if (at < image.size()) image[at] = data[i + 2];
    }
    return image;
}

void exercise(GdlVbeafDriver* d) {
    int32_t routine = 0;
    const uint8_t* code = nullptr;
    (void)AF_getBankFunc32(d, &routine, &code);
    platform::ByteReader list(d->image, d->size);
    list.Seek(vb::kModeList);
    const uint32_t at = list.U32();
    if (!list.Seek(at)) return;
    for (int n = 0; n < 8; ++n) {
        const uint16_t mode = list.U16();
        if (!list.Ok() || mode == 0xFFFF) break;
        platform::AfModeInfo info{};
        if (platform::VbeafCallEntry(d->image, d->size, vb::kGetModeInfo,
                                     {mode, reinterpret_cast<intptr_t>(&info)}) == 0 &&
            n == 0) {
            int32_t bytesPerLine = 0;
            AF_callDriver(d, mode | 0x4000, -1, -1, &bytesPerLine, 2, nullptr);
            platform::VbeafCallEntry(d->image, d->size, vb::kDrawRect, {1, 0, 0, 64, 64});
            platform::VbeafCallEntry(d->image, d->size, vb::kWaitIdle, {});
            AF_exitDriver(d);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true);
        const std::filesystem::path p =
            std::filesystem::temp_directory_path() / ("fuzz_vbeaf." + std::to_string(getpid()));
        std::filesystem::create_directories(p);
        std::filesystem::current_path(p);
        return p.string();
    }();
    GDL_resetLibrary();
    if (!platform::UseAdapter("accel")) return 0;
    GDL_initWindows();
    const std::vector<uint8_t> image = imageOf(data, size);
    if (FILE* f = std::fopen("VBEAF.DRV", "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    if (GdlVbeafDriver* d = AF_loadDriver(".")) exercise(d);
    GDL_resetLibrary();
    return 0;
}
