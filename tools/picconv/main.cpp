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

#include "CommandLine.h"
#include "PictureRgb.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using tools::PackedIndex;
using tools::Rgba;
using tools::UnpackBitmap;
using Picture = tools::RgbPicture;

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
        UnpackBitmap(bm, out);
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
            px = tools::PaletteColor(out->palette, index, bitsPerPlane * planes);
        }
    }
    return true;
}

void FromIcon(const GdlIcon& icon, Picture* out) {
    UnpackBitmap(icon.image, out);
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
        UnpackBitmap(*bitmap, out);
    GDL_free(bitmap);
    return ok;
}

// The reader takes a JPEG cut short as ending there and delivers what it
// decoded; this looks for the end-of-image marker after the first scan's
// header, where it can stand only as itself (entropy data stuff every 0xFF).
bool JpegHasEnd(const std::vector<uint8_t>& b) {
    size_t i = 2;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
    while (i + 1 < b.size()) {
        if (b[i] != 0xFF) return false;
        const uint8_t marker = b[i + 1];
        if (marker == 0xD9) return true;
        if (marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            i += marker == 0xFF ? 1 : 2; // fill byte, or a marker without a length
            continue;
        }
        if (i + 3 >= b.size()) return false;
        i += 2 + size_t(b[i + 2] << 8 | b[i + 3]);
        if (marker != 0xDA) continue;
        // Entropy-coded data run to the next marker that is no stuffing or
        // restart.
        while (i + 1 < b.size() &&
               !(b[i] == 0xFF && b[i + 1] != 0 && (b[i + 1] < 0xD0 || b[i + 1] > 0xD7)))
            ++i;
    }
    return false;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Usage() {
    std::fprintf(stderr, "usage: picconv [-c COLOURS] INPUT OUTPUT.pam [PALETTE.txt]\n"
                         "COLOURS: 0 true colour, 1 to 256 at most that many, -1 grey\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int32_t colours = 0;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-c") == 0 && i + 1 < argc) {
            if (!tools::ParseNumber(argv[++i], -1, 256, &colours)) return Usage();
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
    if (!WriteFile(args[1], tools::WritePam(pic))) {
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
    const std::string ext = Extension(args[0]);
    if ((ext == "jpg" || ext == "jpeg") && !JpegHasEnd(ReadFile(args[0]))) {
        // What the engine would show is written, but the file is damaged.
        std::fprintf(stderr,
                     "picconv: %s: truncated (no end-of-image marker); the rest of the picture "
                     "was left as the reader fills it\n",
                     args[0].c_str());
        return 1;
    }
    return 0;
}
