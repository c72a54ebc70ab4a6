// Random drawing calls at every depth: the input picks a small surface, a
// second context, a bitmap and a font, then a run of calls (primitives, shapes,
// span lists, text, blits, stretches, keyed and transparent copies, bitmaps,
// monochrome images) under random clips, viewports, pens, fill styles and
// write modes. The sanitizers catch any write or read outside the surfaces.
// One input in eight draws on a DirectDraw screen of the simulated adapter
// instead (with an off-screen context or a memory one beside it), its video
// memory write-protected outside locks, so a stray write faults too; one in
// eight draws its text and monochrome images on an OpenGL screen through Mesa;
// one in eight draws on a planar VGA screen, whose window faults on a plain
// store; one in eight on a banked VESA screen, drawn through the 64 KB bank
// window of a card with 4, 16 or 64 KB granularity.
#include "LinkedDrivers.h"
#include "VbeafWriter.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/font.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "gdl/opengl.h"
#include "gdl/text.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/OpenGL.h"
#include "platform/File.h"
#include "platform/Host.h"

namespace {

// Reads the input as a stream of choices; past its end every choice is 0.
class Choices {
public:
    Choices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }
    int32_t in(int32_t lo, int32_t hi) { // inclusive
        return lo + int32_t(byte() % uint32_t(hi - lo + 1));
    }
    // Mostly near the surface; now and then any value at all.
    int32_t coord(int32_t extent) {
        uint8_t b = byte();
        if (b >= 248) return int32_t(word());
        if (b >= 240) return in(-40000, 40000) * (b - 239);
        return int32_t(b % uint32_t(extent + 17)) - 8;
    }
    int32_t fixed(int32_t extent) {
        return int32_t((uint32_t(coord(extent)) << 16) + uint32_t(byte()) * 256u - 0x8000u);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct Depth {
    int32_t bits;
    const GdlPixelFormat* format;
};
const Depth kDepths[] = {
    {1, nullptr},
    {4, nullptr},
    {8, nullptr},
    {15, &GDL_pixelFormat555},
    {16, &GDL_pixelFormat565},
    {24, &GDL_pixelFormatRGB},
    {24, &GDL_pixelFormatBGR},
    {32, &GDL_pixelFormatARGB},
    {32, &GDL_pixelFormatRGBA},
};

// A bitmap record over vectors the fuzzer owns.
struct Picture {
    GdlBitmap bitmap{};
    std::vector<uint8_t> pixels;
    std::vector<GdlPaletteEntry> palette;
    GdlPixelFormat format{};

    void make(Choices& in) {
        const Depth& d = kDepths[in.in(0, 8)];
        bitmap.width = in.in(1, 24);
        bitmap.height = in.in(1, 24);
        bitmap.bitsPerPixel = d.bits;
        const int32_t cell = d.bits == 15 ? 16 : d.bits;
        bitmap.bytesPerLine = (bitmap.width * cell + 31) / 32 * 4;
        pixels.resize(size_t(bitmap.bytesPerLine) * size_t(bitmap.height));
        for (auto& p : pixels)
            p = in.byte();
        bitmap.surface = pixels.data();
        if (d.bits <= 8 && in.byte() & 1) {
            palette.resize(256);
            for (auto& e : palette)
                e = {in.byte(), in.byte(), in.byte(), 0};
            bitmap.palette = palette.data();
        }
        if (d.format) {
            format = *d.format;
            bitmap.pixelFormat = &format;
        }
    }
};

// A proportional bitmap font with random glyphs for a few characters.
struct Font {
    GdlFont font{};
    std::vector<uint8_t> data;

    void make(Choices& in) {
        font.fontType = int16_t(in.in(2, 3));
        font.fontHeight = int16_t(in.in(1, 12));
        font.ascent = int16_t(in.in(0, font.fontHeight));
        font.descent = int16_t(font.ascent - font.fontHeight);
        font.maxWidth = 16;
        font.cellWidth = int16_t(in.in(0, 16));
        for (auto& o : font.glyphOffset)
            o = 0xFFFF;
        for (int c : {0, int('A'), int('B'), int(' ')}) {
            font.glyphOffset[c] = uint16_t(data.size());
            font.bitWidth[c] = uint8_t(8 * in.in(0, 2));
            font.charWidth[c] = uint8_t(in.in(0, 16));
            for (int i = 0; i < font.fontHeight * font.bitWidth[c] / 8; ++i)
                data.push_back(in.byte());
        }
        data.push_back(0); // a glyph block is never empty
        font.glyphData = data.data();
        font.glyphBytes = uint32_t(data.size());
    }
};

void setAttributes(Choices& in, GdlDeviceContext* dc, int32_t w, int32_t h) {
    switch (in.in(0, 9)) {
        case 0: GDL_setViewportCurrent(in.coord(w), in.coord(h), in.coord(w), in.coord(h)); break;
        case 1: GDL_setClipRectCurrent(in.coord(w), in.coord(h), in.coord(w), in.coord(h)); break;
        case 2: GDL_setClipMode(dc, in.byte() & 1); break;
        case 3: GDL_setPenSize(in.in(0, 6), in.in(0, 6)); break;
        case 4: GDL_setFillStyle(in.in(0, 4)); break;
        case 5: GDL_setWriteMode(in.in(0, 3)); break;
        case 6: GDL_setPenStyle(in.in(0, 1)); break;
        case 7:
            GDL_setLineStyle(in.word());
            GDL_setLineStylePos(in.byte());
            break;
        case 8: {
            uint8_t mono[8];
            uint32_t colors[64];
            for (auto& m : mono)
                m = in.byte();
            for (auto& c : colors)
                c = in.word();
            GDL_setMonoPattern(mono);
            GDL_setColorPattern(colors);
            break;
        }
        default:
            GDL_setColor(in.word());
            GDL_setBackColor(in.word());
            break;
    }
}

void drawShape(Choices& in, int32_t w, int32_t h) {
    const int32_t a = in.coord(w), b = in.coord(h), c = in.coord(w), d = in.coord(h);
    switch (in.in(0, 11)) {
        case 0: GDL_line(a, b, c, d); break;
        case 1: GDL_lineFX(in.fixed(w), in.fixed(h), in.fixed(w), in.fixed(h)); break;
        case 2: GDL_rect(a, b, c, d); break;
        case 3: GDL_fillRect(a, b, c, d); break;
        case 4: GDL_drawBevel(a, b, c, d, in.in(0, 2), in.in(0, 5)); break;
        case 5:
            GDL_putPixel(a, b);
            GDL_getPixel(c, d);
            break;
        case 6: GDL_ellipse(a, b, c, d); break;
        case 7: GDL_fillEllipse(a, b, c, d); break;
        case 8: GDL_ellipseArc(a, b, c, d, in.coord(360), in.coord(360)); break;
        case 9: GDL_fillEllipseArc(a, b, c, d, in.coord(360), in.coord(360)); break;
        default: {
            std::vector<int32_t> points(size_t(2 * in.in(0, 12)));
            for (size_t i = 0; i < points.size(); i += 2) {
                points[i] = in.fixed(w);
                points[i + 1] = in.fixed(h);
            }
            const int32_t n = int32_t(points.size() / 2);
            if (in.byte() & 1)
                GDL_fillPolygon(n, points.data(), 8);
            else
                GDL_fillConvexPolygon(n, points.data(), 8);
        }
    }
}

void drawSpans(Choices& in, int32_t w, int32_t h) {
    std::vector<GdlSpan16> list(size_t(in.in(0, 40)));
    for (auto& s : list)
        s = {int16_t(in.coord(w)), int16_t(in.coord(w))};
    GDL_drawSpans(in.coord(h), int32_t(list.size()), list.data());
}

void drawText(Choices& in, Font& font, int32_t w, int32_t h) {
    GdlTextSettings t{};
    t.horizJustify = in.in(0, 2);
    t.vertJustify = in.in(0, 3);
    t.direction = in.in(0, 3);
    t.xMultiplier = in.in(1, 3);
    t.yMultiplier = in.in(1, 3);
    t.xDivisor = in.in(1, 3);
    t.yDivisor = in.in(1, 3);
    t.spacing = in.in(-2, 4);
    t.font = &font.font;
    GDL_setTextSettings(&t);
    GDL_useFont(&font.font);
    char text[8] = {};
    for (int i = 0; i < 7; ++i)
        text[i] = "AB Z\x80"[in.in(0, 5)];
    GDL_drawStrAt(in.coord(w), in.coord(h), text);
}

void drawMono(Choices& in, GdlDeviceContext* dc, int32_t x, int32_t y) {
    const int32_t bytesPerLine = in.in(1, 4), rows = in.in(1, 12);
    std::vector<uint8_t> bits(size_t(bytesPerLine * rows));
    for (auto& v : bits)
        v = in.byte();
    GDL_drawMonoImage(dc, x, y, bytesPerLine, rows, bits.data());
}

void copy(Choices& in, GdlDeviceContext* dc, GdlDeviceContext* other, Picture& pic, int32_t w,
          int32_t h) {
    const int32_t a = in.coord(w), b = in.coord(h), c = in.coord(w), d = in.coord(h);
    const int32_t x = in.coord(w), y = in.coord(h);
    GdlDeviceContext* src = in.byte() & 1 ? other : dc;
    switch (in.in(0, 8)) {
        case 0: GDL_bitBlt(dc, src, a, b, c, d, x, y, in.in(0, 3)); break;
        case 1: GDL_stretchBlt(dc, other, a, b, c, d, x, y, in.coord(w), in.coord(h)); break;
        case 2: GDL_transBlt(dc, other, a, b, c, d, x, y, in.word(), in.byte() & 1); break;
        case 3: GDL_putBitmap(dc, x, y, &pic.bitmap, in.in(0, 3)); break;
        case 4: GDL_putBitmapTransparent(dc, x, y, &pic.bitmap, in.word(), in.byte() & 1); break;
        case 5:
            GDL_putBitmapTransparentSection(dc, a, b, c, d, x, y, &pic.bitmap, in.word(),
                                            in.byte() & 1);
            break;
        case 6: GDL_stretchBitmap(dc, a, b, c, d, &pic.bitmap); break;
        case 7: GDL_bitBlt(other, dc, a, b, c, d, x, y, in.in(0, 3)); break;
        default: drawMono(in, dc, x, y);
    }
}

void registerDrivers() {
    testsupport::RegisterLinkedDrivers();
}

// The memory host once; the adapter's personality changes only when another
// one is asked for.
void useAdapter(const char* name = "ddraw-4mb") {
    static bool host = false;
    static std::string current;
    if (!host) {
        platform::UseHost(platform::HostKind::Memory);
        host = true;
    }
    if (current != name) {
        platform::UseAdapter(name);
        current = name;
    }
}

// A 320 x 200 DirectDraw screen of one or two pages at one of the depths.
GdlDeviceContext* directDrawScreen(Choices& in) {
    useAdapter();
    static const int32_t kModes[] = {11, 41, 56, 71}; // 320 x 200 at 8, 16, 24, 32 bits
    int32_t driver = -1, mode = kModes[in.in(0, 3)];
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    GdlDeviceContext* dc = GDL_createDisplayDCPages(in.in(1, 2));
    platform::SetAdapterWriteProtect(dc != nullptr);
    return dc;
}

// A screen of the VGA's planar drivers: 16 colours (0 to 4) or mode X (7 to
// 10), whose window
// faults on a plain store, so a renderer that misses the access calls shows.
GdlDeviceContext* vgaScreen(Choices& in, int32_t* w, int32_t* h) {
    useAdapter("vga");
    int32_t driver = -1, mode = in.in(0, 8);
    if (mode > 4) mode += 2;
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    GdlDeviceContext* dc = GDL_createDisplayDCPages(in.in(1, 2));
    if (dc) {
        *w = int32_t(GDL_liveDC(dc)->mode.maxX) + 1;
        *h = int32_t(GDL_liveDC(dc)->mode.maxY) + 1;
    }
    return dc;
}

// A 320 x 240 screen of the banked SVGA drivers alone at one of the depths,
// on a card whose window moves in steps of 4 KB (a read/write pair), 16 KB or
// 64 KB; its rows reach past one bank (four at 32 bits), and at 24 bits pixels
// straddle the window's end.
GdlDeviceContext* bankedScreen(Choices& in) {
    static const char* const kCards[] = {"vbe12", "vbe20-vlf", "vbe30"};
    useAdapter(kCards[in.in(0, 2)]);
    testsupport::RegisterLinkedDrivers({"SVGA"});
    static const int32_t kModes[] = {12, 27, 42, 57, 72}; // 320 x 240 at 8 to 32 bits
    int32_t driver = -1, mode = kModes[in.in(0, 4)];
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    return GDL_createDisplayDCPages(in.in(1, 2));
}

// A 640 x 480 screen of the ACCEL drivers at one of the depths, drawn by the
// simulated accelerator and the software renderers between its calls; its
// driver with or without the direct-access pair, or without the stippled
// line and the 1-bit image entry (its image field set instead).
GdlDeviceContext* accelScreen(Choices& in) {
    static std::string folders[3];
    const int kind = in.in(0, 2);
    if (folders[kind].empty()) {
        char pattern[] = "/tmp/fuzz-vbeaf-XXXXXX";
        if (!mkdtemp(pattern)) return nullptr;
        folders[kind] = pattern;
        tools::VbeafOptions o;
        if (kind == 1) o.absent = {platform::vbeaf::kEnableDirect, platform::vbeaf::kDisableDirect};
        if (kind == 2) {
            o.absent.assign(std::begin(tools::kStippleEntries), std::end(tools::kStippleEntries));
            o.absent.push_back(platform::vbeaf::kPutMonoImage);
            o.monoImageField = 1;
        }
        const std::vector<uint8_t> image = tools::WriteVbeaf(o);
        FILE* f = std::fopen((folders[kind] + "/VBEAF.DRV").c_str(), "wb");
        if (!f) return nullptr;
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    // The loader keeps the driver it found until the library is reset.
    AF_resetLoader();
    setenv("VBEAF_PATH", folders[kind].c_str(), 1);
    useAdapter("accel");
    static const int32_t kBits[] = {8, 16, 24, 32};
    int32_t driver = -1, mode = testsupport::ModeOf(640, 480, kBits[in.in(0, 3)]);
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    return GDL_createDisplayDCPages(in.in(1, 2));
}

// A 640 x 480 OpenGL screen over one Mesa context kept for the run (null
// without Mesa): its 1-bit images and text are drawn by GL.
GdlDeviceContext* openGlScreen() {
    static platform::GlContext* context = nullptr;
    static GdlGlEntries entries{};
    useAdapter();
    setenv("ADV_GL", "accelerated", 1);
    GDL_registerDriver("OPENGL.DRV", OPENGL_header());
    int32_t driver = -1, mode = 79; // 640 x 480 x 32
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    if (!context) {
        context = platform::CreateGlContext(640, 480);
        if (!context) return nullptr;
        const platform::GlEntries& p = *platform::GlContextEntries();
        entries.color3ub = p.color3ub;
        entries.drawBuffer = p.drawBuffer;
        entries.getIntegerv = p.getIntegerv;
        entries.pixelStorei = p.pixelStorei;
        entries.rasterPos2i = p.rasterPos2i;
        entries.bitmap = p.bitmap;
        entries.makeCurrent = [](HDC, void* c) {
            return platform::MakeGlContextCurrent(static_cast<platform::GlContext*>(c)) ? 1 : 0;
        };
    }
    GDL_glUseLibrary(&entries, nullptr, nullptr);
    GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
    if (dc) {
        GDL_glSetContext(dc, context, 1);
        GDL_glMakeCurrent(dc);
    }
    return dc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    registerDrivers();
    Choices in(data, size);
    const int32_t screen = in.in(0, 7);
    const bool directDraw = screen == 0, openGl = screen == 1, vga = screen == 2,
               banked = screen == 3, accel = screen == 4;
    const Depth& depth = kDepths[in.in(0, 8)];
    const Depth& otherDepth = in.byte() & 1 ? depth : kDepths[in.in(0, 8)];
    int32_t w = in.in(1, 40), h = in.in(1, 30);
    GdlDeviceContext* dc = nullptr;
    GdlDeviceContext* other = nullptr;
    if (openGl) {
        dc = openGlScreen();
        w = 640;
        h = 480;
    } else if (vga) {
        dc = vgaScreen(in, &w, &h);
    } else if (banked) {
        dc = bankedScreen(in);
        w = 320;
        h = 240;
    } else if (accel) {
        dc = accelScreen(in);
        w = 640;
        h = 480;
        other = dc && (in.byte() & 1) ? GDL_createOffscreenDC(dc) : nullptr;
    } else if (directDraw) {
        dc = directDrawScreen(in);
        w = 320;
        h = 200;
        other = dc && (in.byte() & 1) ? GDL_createOffscreenDC(dc) : nullptr;
    } else {
        dc = GDL_createMemoryDC(w, h, depth.bits, depth.format);
    }
    if (!other)
        other = GDL_createMemoryDC(in.in(1, 40), in.in(1, 30), otherDepth.bits, otherDepth.format);
    Picture pic;
    pic.make(in);
    Font font;
    font.make(in);
    if (dc && other) {
        GDL_selectCurrentDC(dc);
        GDL_setPaletteCheck(in.byte() & 1);
        for (int step = 0; step < 64 && !in.done(); ++step) {
            // OpenGL draws 1-bit images and text; nothing else has a GL path.
            if (openGl) {
                switch (in.in(0, 2)) {
                    case 0: setAttributes(in, dc, w, h); break;
                    case 1: drawText(in, font, w, h); break;
                    default: drawMono(in, dc, in.coord(w), in.coord(h)); break;
                }
                continue;
            }
            switch (in.in(0, 5)) {
                case 0: setAttributes(in, dc, w, h); break;
                case 1:
                case 2: drawShape(in, w, h); break;
                case 3: drawSpans(in, w, h); break;
                case 4: drawText(in, font, w, h); break;
                default: copy(in, dc, other, pic, w, h); break;
            }
        }
    }
    platform::SetAdapterWriteProtect(false);
    GDL_exit();
    GDL_lastResult();
    return 0;
}
