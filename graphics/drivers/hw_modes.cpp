// The mode records of the hardware drivers, generated from the library's
// mode numbering, and the table of drivers linked into the program.
#include <array>

#include "gdl/ddraw.h"
#include "gdl/fdib.h"
#include "gdl/vbeaf.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"

uint32_t DRV_aspectRatio(int32_t width, int32_t height) {
    struct Odd {
        int32_t width, height;
        uint32_t aspect;
    };
    static const Odd kOdd[] = {{320, 200, 1200}, {640, 400, 1200}, {320, 400, 600},
                               {320, 480, 500},  {640, 350, 1371}, {1280, 1024, 938},
                               {640, 200, 2400}};
    for (const Odd& o : kOdd)
        if (o.width == width && o.height == height) return o.aspect;
    return 1000;
}

namespace {

uint32_t maxColorOf(int32_t bits) {
    switch (bits) {
        case 4: return 15;
        case 8: return 255;
        case 15: return 32767;
        case 16: return 65535;
        case 24: return 0xFFFFFF;
        default: return 0xFFFFFFFFu;
    }
}

// BIOS mode numbers of the VGA modes; the VBE records carry 4F02h until
// detection replaces it; DirectDraw, DIB and OpenGL records carry 0.
uint32_t modeSetCodeOf(int32_t mode) {
    static const uint32_t kVga[] = {0x0D, 0x0E, 0x10, 0x12, 0x12, 0x4F02,
                                    0x13, 0x13, 0x13, 0x13, 0x13};
    return mode <= 10 ? kVga[mode] : 0;
}

std::array<GdlModeRecord, 86> build() {
    std::array<GdlModeRecord, 86> out{};
    for (int32_t m = 0; m < 86; ++m) {
        int32_t w = 0, h = 0, bits = 0;
        GDL_modeResolution(m, &w, &h, &bits);
        GdlModeRecord& r = out[size_t(m)];
        r.maxX = uint32_t(w - 1);
        r.maxY = uint32_t(h - 1);
        r.bitsPerPixel = uint32_t(bits);
        r.planes = bits == 4 ? 4 : 1;
        r.maxColor = maxColorOf(bits);
        r.aspectRatio = DRV_aspectRatio(w, h);
        r.modeNumber = modeSetCodeOf(m);
    }
    return out;
}

} // namespace

const GdlModeRecord* DRV_modeRecord(int32_t mode) {
    static const std::array<GdlModeRecord, 86> kRecords = build();
    return mode >= 0 && mode < 86 ? &kRecords[size_t(mode)] : nullptr;
}

const GdlLinkedDriver* GDL_linkedDrivers(int32_t* count) {
    static const GdlLinkedDriver kDrivers[] = {
        {"VGA4.DRV", VGA4_header()},         {"VGAX.DRV", VGAX_header()},
        {"VGA8.DRV", VGA8_header()},         {"SVGA4.DRV", SVGA_header(4)},
        {"SVGA8.DRV", SVGA_header(8)},       {"SVGA16.DRV", SVGA_header(16)},
        {"SVGA24.DRV", SVGA_header(24)},     {"SVGA32.DRV", SVGA_header(32)},
        {"FDIB8.DRV", FDIB_header(8)},       {"FDIB16.DRV", FDIB_header(16)},
        {"FDIB24.DRV", FDIB_header(24)},     {"FDIB32.DRV", FDIB_header(32)},
        {"DDRAW8.DRV", DDRAW_header(8)},     {"DDRAW16.DRV", DDRAW_header(16)},
        {"DDRAW24.DRV", DDRAW_header(24)},   {"DDRAW32.DRV", DDRAW_header(32)},
        {"LINEAR8.DRV", LINEAR_header(8)},   {"LINEAR16.DRV", LINEAR_header(16)},
        {"LINEAR24.DRV", LINEAR_header(24)}, {"LINEAR32.DRV", LINEAR_header(32)},
        {"ACCEL8.DRV", ACCEL_header(8)},     {"ACCEL16.DRV", ACCEL_header(16)},
        {"ACCEL24.DRV", ACCEL_header(24)},   {"ACCEL32.DRV", ACCEL_header(32)},
    };
    if (count) *count = int32_t(std::size(kDrivers));
    return kDrivers;
}
