// The built-in adapters, as data: memory, DirectDraw capabilities and modes.
#include "platform/DirectDraw.h"

#include "AdapterInternal.h"
#include "Personalities.h"

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
    return all;
}

} // namespace

const std::vector<AdapterPersonality>& BuiltinPersonalities() {
    static const std::vector<AdapterPersonality> all = build();
    return all;
}

} // namespace platform::adapter
