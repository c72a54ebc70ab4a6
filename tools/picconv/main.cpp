// picconv: reads a BMP, ICO, CUR, PCX or JPEG file through the graphics
// library's own readers and writes what they decoded as a PAM file (RGB, or
// RGB_ALPHA where the format has a mask) and the palette, if any, as text
// lines "index red green blue".
//
//   picconv [-c COLOURS] INPUT OUTPUT.pam [PALETTE.txt]
//
// COLOURS is the JPEG reader's colour argument: 0 true colour (default),
// N >= 1 quantised to at most N colours, -1 grey. Without PALETTE.txt the
// palette goes to OUTPUT.pam.txt.
#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

// What was decoded, in one form for every reader.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    bool hasAlpha = false;
    std::vector<Rgba> pixels;
    std::vector<GdlPaletteEntry> palette;
};

// Index of a pixel in a packed row (most significant bits leftmost).
uint32_t PackedIndex(const uint8_t* row, int32_t x, int32_t bits) {
    const int32_t bit = x * bits;
    const uint32_t byte = row[bit / 8];
    return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

Rgba FromPalette(const std::vector<GdlPaletteEntry>& palette, uint32_t index) {
    if (palette.empty()) {
        // No palette was stored: show the indexes as a grey ramp.
        uint8_t v = static_cast<uint8_t>(std::min<uint32_t>(index * 255 / 15, 255));
        return {v, v, v, 255};
    }
    if (index >= palette.size()) return {0, 0, 0, 255};
    const GdlPaletteEntry& e = palette[index];
    return {e.red, e.green, e.blue, 255};
}

uint32_t Cell(const uint8_t* p, int32_t bytes) {
    uint32_t v = 0;
    for (int32_t i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

void FromBitmap(const GdlBitmap& bm, Picture* out) {
    out->width = bm.width;
    out->height = bm.height;
    if (bm.palette && bm.bitsPerPixel <= 8)
        out->palette.assign(bm.palette, bm.palette + (size_t{1} << bm.bitsPerPixel));
    out->pixels.resize(static_cast<size_t>(bm.width) * bm.height);
    const int32_t cellBytes = (bm.bitsPerPixel + 7) / 8;
    for (int32_t y = 0; y < bm.height; ++y) {
        const uint8_t* row = bm.surface + static_cast<size_t>(y) * bm.bytesPerLine;
        for (int32_t x = 0; x < bm.width; ++x) {
            Rgba& px = out->pixels[static_cast<size_t>(y) * bm.width + x];
            if (bm.bitsPerPixel <= 8) {
                px = FromPalette(out->palette, PackedIndex(row, x, bm.bitsPerPixel));
            } else {
                px.a = 255;
                GDL_unpackColor(bm.pixelFormat, Cell(row + x * cellBytes, cellBytes), &px.r, &px.g,
                                &px.b);
            }
        }
    }
}

// PCX rows hold their planes one after the other; the record does not say how
// the bits split into planes, so the header tells.
bool FromPcx(const char* path, const GdlBitmap& bm, Picture* out) {
    uint8_t header[128];
    void* stream = GDL_openPCXFile(header, path);
    if (!stream) return false;
    GDL_fileHooks.close(stream);
    const int32_t bitsPerPlane = header[3];
    const int32_t planes = header[65];
    const int32_t planeBytes = header[66] | header[67] << 8;
    if (planes == 1) {
        FromBitmap(bm, out);
        return true;
    }
    out->width = bm.width;
    out->height = bm.height;
    if (bm.palette) out->palette.assign(bm.palette, bm.palette + (size_t{1} << bm.bitsPerPixel));
    out->pixels.resize(static_cast<size_t>(bm.width) * bm.height);
    for (int32_t y = 0; y < bm.height; ++y) {
        const uint8_t* row = bm.surface + static_cast<size_t>(y) * bm.bytesPerLine;
        for (int32_t x = 0; x < bm.width; ++x) {
            Rgba& px = out->pixels[static_cast<size_t>(y) * bm.width + x];
            if (bitsPerPlane == 8 && planes >= 3) {
                px = {row[x], row[planeBytes + x], row[2 * planeBytes + x], 255};
                continue;
            }
            uint32_t index = 0;
            for (int32_t p = 0; p < planes; ++p)
                index |= PackedIndex(row + p * planeBytes, x, bitsPerPlane) << (p * bitsPerPlane);
            px = FromPalette(out->palette, index);
        }
    }
    return true;
}

void FromIcon(const GdlIcon& icon, Picture* out) {
    FromBitmap(icon.image, out);
    out->hasAlpha = true;
    for (int32_t y = 0; y < out->height; ++y) {
        const uint8_t* mask = icon.andMask + static_cast<size_t>(y) * icon.andBytesPerLine;
        for (int32_t x = 0; x < out->width; ++x)
            out->pixels[static_cast<size_t>(y) * out->width + x].a =
                PackedIndex(mask, x, 1) ? 255 : 0;
    }
}

void FromCursor(const GdlCursor& cursor, Picture* out) {
    out->width = 32;
    out->height = 32;
    out->hasAlpha = true;
    out->pixels.resize(32 * 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const uint8_t v = PackedIndex(cursor.xorMask + y * 4, x, 1) ? 255 : 0;
            const uint8_t a = PackedIndex(cursor.andMask + y * 4, x, 1) ? 255 : 0;
            out->pixels[static_cast<size_t>(y) * 32 + x] = {v, v, v, a};
        }
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::vector<uint8_t> Pam(const Picture& pic) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.Text("P7\nWIDTH " + std::to_string(pic.width) + "\nHEIGHT " + std::to_string(pic.height) +
           "\nDEPTH " + (pic.hasAlpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
           (pic.hasAlpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n");
    for (const Rgba& px : pic.pixels) {
        w.U8(px.r);
        w.U8(px.g);
        w.U8(px.b);
        if (pic.hasAlpha) w.U8(px.a);
    }
    return out;
}

std::vector<uint8_t> PaletteText(const Picture& pic) {
    std::string text;
    for (size_t i = 0; i < pic.palette.size(); ++i) {
        const GdlPaletteEntry& e = pic.palette[i];
        text += std::to_string(i) + " " + std::to_string(e.red) + " " + std::to_string(e.green) +
                " " + std::to_string(e.blue) + "\n";
    }
    return {text.begin(), text.end()};
}

std::string Extension(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Reads the picture by its extension; false with the library's code set.
bool Load(const std::string& path, int32_t colours, Picture* out) {
    const std::string ext = Extension(path);
    const char* name = path.c_str();
    if (ext == "ico") {
        GdlIcon* icon = GDL_loadIcon(name, 1);
        if (!icon) return false;
        FromIcon(*icon, out);
        GDL_freeIcon(icon);
        return true;
    }
    if (ext == "cur") {
        GdlCursor* cursor = GDL_loadCursor(name);
        if (!cursor) return false;
        FromCursor(*cursor, out);
        GDL_unloadCursor(cursor);
        return true;
    }
    GdlBitmap* bitmap = nullptr;
    if (ext == "bmp")
        bitmap = GDL_loadBitmap(name, 1);
    else if (ext == "pcx")
        bitmap = GDL_loadPCX(name, 1);
    else if (ext == "jpg" || ext == "jpeg")
        bitmap = GDL_loadJPEG(name, colours);
    else {
        GDL_setResult(GDL_INVALID_BITMAP);
        return false;
    }
    if (!bitmap) return false;
    bool ok = true;
    if (ext == "pcx")
        ok = FromPcx(name, *bitmap, out);
    else
        FromBitmap(*bitmap, out);
    GDL_free(bitmap);
    return ok;
}

int Usage() {
    std::fprintf(stderr, "usage: picconv [-c COLOURS] INPUT OUTPUT.pam [PALETTE.txt]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int32_t colours = 0;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-c") == 0 && i + 1 < argc) {
            colours = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.size() < 2 || args.size() > 3) return Usage();

    Picture pic;
    GDL_lastResult();
    if (!Load(args[0], colours, &pic)) {
        int32_t code = GDL_lastResult();
        std::fprintf(stderr, "picconv: %s: %s\n", args[0].c_str(), GDL_errorText(code));
        return 1;
    }
    if (!WriteFile(args[1], Pam(pic))) {
        std::fprintf(stderr, "picconv: cannot write %s\n", args[1].c_str());
        return 1;
    }
    if (!pic.palette.empty()) {
        const std::string palettePath = args.size() == 3 ? args[2] : args[1] + ".txt";
        if (!WriteFile(palettePath, PaletteText(pic))) {
            std::fprintf(stderr, "picconv: cannot write %s\n", palettePath.c_str());
            return 1;
        }
    }
    return 0;
}
