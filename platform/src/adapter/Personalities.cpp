// The built-in adapters, as data: memory, DirectDraw capabilities and modes.
#include "platform/DirectDraw.h"
#include "platform/Vbeaf.h"

#include "AdapterInternal.h"
#include "Personalities.h"

#include <algorithm>

namespace platform::adapter {

namespace {

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{320, 200},  {320, 240},  {320, 400},  {320, 480},   {400, 300},
                           {512, 384},  {640, 350},  {640, 400},  {640, 480},   {800, 600},
                           {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200}};

struct Layout {
    int bits;
    uint32_t red, green, blue;
};
constexpr Layout k8 = {8, 0, 0, 0};
constexpr Layout k555 = {16, 0x7C00, 0x03E0, 0x001F};
constexpr Layout k565 = {16, 0xF800, 0x07E0, 0x001F};
constexpr Layout kRgb24 = {24, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr Layout kBgr24 = {24, 0x0000FF, 0x00FF00, 0xFF0000};
constexpr Layout kXrgb = {32, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr Layout kXbgr = {32, 0x0000FF, 0x00FF00, 0xFF0000};

int PitchOf(int width, int bits, int align) {
    const int bytes = width * (bits / 8);
    return (bytes + align - 1) / align * align;
}

std::vector<AdapterMode> everySize(std::initializer_list<Layout> layouts) {
    std::vector<AdapterMode> out;
    for (const Layout& l : layouts)
        for (const Size& s : kSizes)
            out.push_back({s.width, s.height, l.bits, l.red, l.green, l.blue, 0});
    return out;
}

AdapterPersonality make(const char* name, uint32_t memory, uint32_t caps, uint32_t ckeys,
                        std::vector<AdapterMode> modes) {
    AdapterPersonality p;
    p.name = name;
    p.videoMemory = memory;
    p.ddCaps = caps;
    p.ckeyCaps = ckeys;
    p.palCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
    // A card offers only the modes one page of which it can hold.
    for (const AdapterMode& m : modes)
        if (uint64_t(PitchOf(m.width, m.bits, p.pitchAlign)) * uint64_t(m.height) <= memory)
            p.modes.push_back(m);
    return p;
}

// --- VESA BIOS personalities -----------------------------------------------------------

// The published VBE numbers; every other size and depth gets an OEM number.
struct Published {
    int width, height, bits;
    uint16_t number;
};
constexpr Published kPublished[] = {
    {640, 400, 8, 0x100},    {640, 480, 8, 0x101},    {800, 600, 4, 0x102},
    {800, 600, 8, 0x103},    {1024, 768, 8, 0x105},   {1280, 1024, 8, 0x107},
    {320, 200, 15, 0x10D},   {320, 200, 16, 0x10E},   {320, 200, 24, 0x10F},
    {640, 480, 15, 0x110},   {640, 480, 16, 0x111},   {640, 480, 24, 0x112},
    {800, 600, 15, 0x113},   {800, 600, 16, 0x114},   {800, 600, 24, 0x115},
    {1024, 768, 15, 0x116},  {1024, 768, 16, 0x117},  {1024, 768, 24, 0x118},
    {1280, 1024, 15, 0x119}, {1280, 1024, 16, 0x11A}, {1280, 1024, 24, 0x11B},
};

// How a BIOS describes its deeper modes: direct colour as published, an old
// BIOS's bare packed-pixel entries, or 15 bits given as 16 with a 1-bit
// reserved field.
enum class VbeStyle { Direct, Packed, Reserved15 };

AdapterVbeMode vbeMode(uint16_t number, const Size& s, int bits, VbeStyle style) {
    AdapterVbeMode m;
    m.number = number;
    m.width = s.width;
    m.height = s.height;
    m.bits = bits;
    m.model = bits == 4 ? 3 : bits == 8 || style == VbeStyle::Packed ? 4 : 6;
    if (m.model != 6) return m;
    static const uint8_t k15[8] = {5, 10, 5, 5, 5, 0, 1, 15}, k16[8] = {5, 11, 6, 5, 5, 0, 0, 0},
                         k24[8] = {8, 16, 8, 8, 8, 0, 0, 0}, k32[8] = {8, 16, 8, 8, 8, 0, 8, 24};
    const uint8_t* f = bits == 15 ? k15 : bits == 16 ? k16 : bits == 24 ? k24 : k32;
    std::copy(f, f + 8, m.fields);
    if (bits == 15 && style == VbeStyle::Reserved15) m.bits = 16;
    return m;
}

std::vector<AdapterVbeMode> vbeModes(uint32_t memory, VbeStyle style, uint16_t attributes) {
    std::vector<AdapterVbeMode> out;
    uint16_t oem = 0x120;
    out.push_back(vbeMode(0x102, {800, 600}, 4, style));
    for (int bits : {8, 15, 16, 24, 32})
        for (const Size& s : kSizes) {
            if (uint64_t(PitchOf(s.width, bits == 15 ? 16 : bits, 8)) * uint64_t(s.height) > memory)
                continue;
            uint16_t number = 0;
            for (const Published& p : kPublished)
                if (p.width == s.width && p.height == s.height && p.bits == bits) number = p.number;
            out.push_back(vbeMode(number ? number : oem++, s, bits, style));
            AdapterVbeMode& m = out.back();
            m.attributes = attributes;
            if (s.width < 640 && s.height <= 400) m.attributes |= 0x0100; // double scan
            if (s.width >= 1024) m.attributes |= 0x0200;                  // interlaced
        }
    return out;
}

// A PLL that makes every 250 kHz from 12 to 250 MHz.
std::vector<uint32_t> pllClocks() {
    std::vector<uint32_t> out;
    for (uint32_t hz = 12000000; hz <= 250000000; hz += 250000)
        out.push_back(hz);
    return out;
}

AdapterPersonality vbeCard(const char* name, uint32_t memory, AdapterVbe vbe, VbeStyle style,
                           uint16_t attributes) {
    AdapterPersonality p = make(name, memory, 0, 0, {});
    vbe.modes = vbeModes(memory, style, vbe.version >= 0x0300 ? attributes : 0);
    if (vbe.version >= 0x0300) vbe.clocks = pllClocks();
    p.vbe = std::move(vbe);
    return p;
}

void addVbeCards(std::vector<AdapterPersonality>& all) {
    AdapterVbe v12;
    v12.version = 0x0102;
    v12.oem = "Meridian SuperVGA BIOS";
    v12.granularityKB = 4;
    v12.windowPair = true;
    v12.linear = false;
    all.push_back(vbeCard("vbe12", 1u << 20, v12, VbeStyle::Packed, 0));

    AdapterVbe v20;
    v20.version = 0x0200;
    v20.oem = "Meridian SuperVGA BIOS 2.0";
    v20.vendor = "Meridian Graphics";
    v20.product = "Meridian 2000";
    v20.revision = "Rev A";
    v20.capabilities = 0x01;
    v20.granularityKB = 16;
    v20.pmMemoryList = true;
    all.push_back(vbeCard("vbe20", 4u << 20, v20, VbeStyle::Reserved15, 0));

    // Claims 2.0 without a vendor pointer: taken as 1.02.
    AdapterVbe v20n = v20;
    v20n.vendorPointer = false;
    v20n.pmMemoryList = false;
    all.push_back(vbeCard("vbe20-novendor", 4u << 20, v20n, VbeStyle::Direct, 0));

    // Banked only, with the support library's virtual linear framebuffer.
    AdapterVbe vlf = v20;
    vlf.oem = "Quorvanta VESA VBE 2.0 Virtual Framebuffer";
    vlf.linear = false;
    vlf.pmMemoryList = false;
    all.push_back(vbeCard("vbe20-vlf", 2u << 20, vlf, VbeStyle::Direct, 0));
    all.back().linearWindow = true;

    AdapterVbe v30;
    v30.version = 0x0300;
    v30.oem = "NVidia Riva VBE 3.0 BIOS";
    v30.vendor = "NVidia Corporation";
    v30.product = "Riva";
    v30.revision = "3.0";
    v30.capabilities = 0x19;
    v30.pmMarker = true;
    all.push_back(vbeCard("vbe30", 8u << 20, v30, VbeStyle::Direct, 0x1C00));

    // NVidia but not Riva: its triple-buffer and stereo bits are not trusted.
    // 32 MB: more than the banked routines' 8-bit bank reaches.
    AdapterVbe nv = v30;
    nv.oem = "NVidia GeForce VBE 3.0 BIOS";
    nv.product = "GeForce";
    nv.windowPair = true;
    all.push_back(vbeCard("vbe30-nvidia", 32u << 20, nv, VbeStyle::Direct, 0x1C00));

    // The simulated VBE/AF accelerator on a VBE 3.0 card, and on a banked
    // card with the support library's virtual linear framebuffer.
    AdapterVbe av = v30;
    av.oem = "Quorvanta Accel VBE 3.0 BIOS";
    all.push_back(vbeCard("accel", 8u << 20, av, VbeStyle::Direct, 0x1C00));
    all.back().accel.id = vbeaf::kSimulatedAccelerator;
    all.push_back(vbeCard("accel-banked", 2u << 20, vlf, VbeStyle::Direct, 0));
    all.back().linearWindow = true;
    all.back().accel.id = vbeaf::kSimulatedAccelerator;
}

std::vector<AdapterPersonality> build() {
    const uint32_t blits = DDCAPS_BLT | DDCAPS_BLTCOLORFILL;
    const uint32_t keys = DDCKEYCAPS_SRCBLT | DDCKEYCAPS_DESTBLT;
    std::vector<AdapterPersonality> all;
    // A common accelerated card: 4 MB, 5:6:5, fills, blits and both keys;
    // its mode X mode is one DirectDraw callers skip.
    all.push_back(make("ddraw-4mb", 4u << 20, blits, keys, everySize({k8, k565, kRgb24, kXrgb})));
    all.back().modes.push_back({320, 240, 8, 0, 0, 0, DDSCAPS_MODEX});
    // A plain frame buffer: 2 MB, 5:5:5, no blitter.
    all.push_back(make("ddraw-2mb-555", 2u << 20, 0, 0, everySize({k8, k555, kRgb24, kXrgb})));
    // A 3D card with 8 MB and blue-first 24- and 32-bit layouts.
    all.push_back(make("ddraw-8mb-3d", 8u << 20, blits | DDCAPS_3D, keys,
                       everySize({k8, k565, kBgr24, kXbgr})));
    // A banked card of 1 MB.
    all.push_back(
        make("ddraw-1mb-banked", 1u << 20, DDCAPS_BANKSWITCHED, 0, everySize({k8, k565})));
    // VGA-only machines: no DirectDraw modes; a colour and a monochrome VGA,
    // an EGA, and a card with no VGA face at all.
    const struct {
        const char* name;
        AdapterVga vga;
    } kVgaOnly[] = {{"vga", AdapterVga::Colour},
                    {"vga-mono", AdapterVga::Mono},
                    {"ega", AdapterVga::Ega},
                    {"no-vga", AdapterVga::None}};
    for (const auto& v : kVgaOnly) {
        all.push_back(make(v.name, 256u << 10, 0, 0, {}));
        all.back().vga = v.vga;
    }
    addVbeCards(all);
    return all;
}

} // namespace

const std::vector<AdapterPersonality>& BuiltinPersonalities() {
    static const std::vector<AdapterPersonality> all = build();
    return all;
}

} // namespace platform::adapter
