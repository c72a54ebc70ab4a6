// albconv: what the engine reads from albums and pixel fonts, as files.
//
//   albconv dump IN DIR        one PAM per frame (e000_f000.pam), album.txt
//                              (header and directory) and, for a PXF,
//                              glyphs.txt (per sub-font: character, glyph,
//                              width, offset; non-zero kerning pairs)
//   albconv palette IN OUT     "index red green blue" lines of an album's
//                              palette or of a palette file
//   albconv pack OUT [-b BITS] [-p PACKING] [-g GLYPHS] ENTRY...
//                              ENTRY: comma-separated PAM frames; OUT ending
//                              in .pxf takes glyph tables from GLYPHS
#include "Albconv.h"

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "gdl/pixelformat.h"
#include "media/resources/TPixFnt.h"
#include "platform/ByteStream.h"
#include "ui/TEngine.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace albconv {

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string PamText(const Image& image) {
    std::string text = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                       std::to_string(image.height) +
                       "\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    text.append(image.rgb.begin(), image.rgb.end());
    return text;
}

bool ParsePam(const std::vector<uint8_t>& bytes, Image* image, std::string* error) {
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos) {
        *error = "not a PAM file";
        return false;
    }
    std::istringstream header(text.substr(3, end - 3));
    std::string key;
    int depth = 0, maxval = 0;
    while (header >> key) {
        if (key == "WIDTH")
            header >> image->width;
        else if (key == "HEIGHT")
            header >> image->height;
        else if (key == "DEPTH")
            header >> depth;
        else if (key == "MAXVAL")
            header >> maxval;
        else if (key == "TUPLTYPE")
            header >> key;
    }
    size_t pixels = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    if (image->width <= 0 || image->height <= 0 || maxval != 255 || (depth != 1 && depth != 3) ||
        bytes.size() - (end + 7) < pixels * static_cast<size_t>(depth)) {
        *error = "unsupported or truncated PAM (8-bit RGB or grey expected)";
        return false;
    }
    image->rgb.clear();
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c)
            image->rgb.push_back(bytes[end + 7 + i * static_cast<size_t>(depth) +
                                       static_cast<size_t>(depth == 3 ? c : 0)]);
    return true;
}

} // namespace albconv

namespace {

using albconv::Image;

// A pixel font whose sub-font can be chosen.
class Font : public TPixFnt {
public:
    void Use(int32_t subFont) { subFont_ = subFont; }
    int32_t Glyph(int32_t c) { return GlyphOf(c); }
};

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    std::string t(suffix);
    if (s.size() < t.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - t.size() + i])) != t[i])
            return false;
    return true;
}

// The frame as RGB: 8 bits through the palette (unset entries black), more
// through the frame's pixel format.
Image FrameImage(const GdlBitmap& p) {
    Image image{p.width, p.height, {}};
    int32_t bytes = (p.bitsPerPixel + 1) / 8;
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* cell = p.surface + static_cast<size_t>(y) * p.bytesPerLine +
                                  static_cast<size_t>(x) * bytes;
            uint8_t r = 0, g = 0, b = 0;
            if (bytes == 1) {
                if (p.palette) {
                    r = p.palette[*cell].red;
                    g = p.palette[*cell].green;
                    b = p.palette[*cell].blue;
                }
            } else {
                uint32_t v = cell[0] | cell[1] << 8 | (bytes == 3 ? cell[2] << 16 : 0);
                GDL_unpackColor(p.pixelFormat, v, &r, &g, &b);
            }
            image.rgb.insert(image.rgb.end(), {r, g, b});
        }
    return image;
}

std::string AlbumText(TAlbum& album) {
    const uint8_t* h = album.Header();
    auto u16 = [](const uint8_t* p) { return platform::ByteReader(p, 2).U16(); };
    auto u32 = [](const uint8_t* p) { return platform::ByteReader(p, 4).U32(); };
    std::string text = "version " + std::to_string(u16(h)) + "\nentries " +
                       std::to_string(album.EntryCount()) + "\nbits " +
                       std::to_string(album.BitsPerPixel()) + "\npacking " + std::to_string(h[5]) +
                       "\npalette-offset " + std::to_string(u32(h + 6)) + "\npalette-bytes " +
                       std::to_string(u16(h + 10)) + "\noffset-table " +
                       std::to_string(u32(h + 12)) + " " + std::to_string(u16(h + 16)) + "\n";
    for (int32_t e = 0; e < album.EntryCount(); ++e) {
        const uint8_t* r = album.EntryRecord(e);
        text += "entry " + std::to_string(e) + " frames " + std::to_string(u16(r)) + " width " +
                std::to_string(u16(r + 2)) + " height " + std::to_string(u16(r + 4)) +
                " frame-bytes " + std::to_string(u32(r + 6)) + " data-bytes " +
                std::to_string(u32(r + 10)) + " kerning " + std::to_string(r[14]) + "\n";
    }
    return text;
}

std::string GlyphText(Font& font) {
    std::string text;
    for (int32_t s = 0; s < font.EntryCount() && s < TPixFnt::kMaxSubFonts; ++s) {
        font.Use(s);
        text += "subfont " + std::to_string(s) + "\n";
        for (int32_t c = 0; c < 256; ++c) {
            if (!font.IsCharDefined(c)) continue;
            int32_t width = 0, offset = 0;
            font.GetCharExtent(c, &width, &offset);
            text += "char " + std::to_string(c) + " glyph " + std::to_string(font.Glyph(c)) +
                    " width " + std::to_string(width) + " offset " + std::to_string(offset) + "\n";
        }
        for (int32_t c = 0; c < 256; ++c)
            for (int32_t n = 0; n < 256; ++n)
                if (font.IsCharDefined(c) && font.IsCharDefined(n))
                    if (int32_t k = font.GetKerning(c, n))
                        text += "kern " + std::to_string(c) + " " + std::to_string(n) + " " +
                                std::to_string(k) + "\n";
    }
    return text;
}

int Dump(const std::string& in, const std::string& dir) {
    Font font; // an album reader too; its glyph tables only for a PXF
    TAlbum plain;
    bool pxf = EndsWithNoCase(in, ".pxf");
    TAlbum& album = pxf ? static_cast<TAlbum&>(font) : plain;
    std::error_code ignored; // a folder that can't be made shows at the first write
    std::filesystem::create_directories(dir, ignored);
    album.SetPath(in.c_str());
    if (!album.IsLoaded()) {
        std::fprintf(stderr, "albconv: %s: not a readable %s\n", in.c_str(), pxf ? "PXF" : "album");
        return 1;
    }
    if (pxf) font.Load(0);
    for (int32_t e = 0; e < album.EntryCount(); ++e)
        for (int32_t f = 0; f < album.GetFrameCount(e); ++f) {
            if (!album.ReadPicture(f, e)) {
                std::fprintf(stderr, "albconv: %s: frame %d of entry %d unreadable\n", in.c_str(),
                             f, e);
                return 1;
            }
            char name[32];
            std::snprintf(name, sizeof name, "/e%03d_f%03d.pam", e, f);
            bool ok = albconv::WriteFile(dir + name, albconv::PamText(FrameImage(album.Picture())));
            album.FreePicture();
            if (!ok) {
                std::fprintf(stderr, "albconv: cannot write %s%s\n", dir.c_str(), name);
                return 1;
            }
        }
    bool ok = albconv::WriteFile(dir + "/album.txt", AlbumText(album));
    if (pxf) ok = ok && albconv::WriteFile(dir + "/glyphs.txt", GlyphText(font));
    if (pxf) font.Release();
    if (!ok) std::fprintf(stderr, "albconv: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}

int PaletteCommand(const std::string& in, const std::string& out) {
    // An album's palette through the reader; a palette file is 256 R, G, B
    // triples.
    std::vector<uint8_t> rgb;
    TAlbum album;
    if (EndsWithNoCase(in, ".alb") || EndsWithNoCase(in, ".pxf")) {
        album.SetPath(in.c_str());
        const GdlPaletteEntry* entries = album.IsLoaded() ? album.PaletteTable() : nullptr;
        for (int i = 0; entries && i < 256; ++i)
            rgb.insert(rgb.end(), {entries[i].red, entries[i].green, entries[i].blue});
    } else if (albconv::ReadFile(in, &rgb) && rgb.size() >= 768) {
        rgb.resize(768);
    } else {
        rgb.clear();
    }
    if (rgb.empty()) {
        std::fprintf(stderr, "albconv: %s: no palette\n", in.c_str());
        return 1;
    }
    std::string text;
    for (size_t i = 0; i < 256; ++i)
        text += std::to_string(i) + " " + std::to_string(rgb[3 * i]) + " " +
                std::to_string(rgb[3 * i + 1]) + " " + std::to_string(rgb[3 * i + 2]) + "\n";
    if (!albconv::WriteFile(out, text)) {
        std::fprintf(stderr, "albconv: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: albconv dump IN DIR\n"
                         "       albconv palette IN OUT\n"
                         "       albconv pack OUT [-b 8|16|24] [-p stored|lzw|skip|rle] "
                         "[-g GLYPHS.txt] ENTRY...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    TCache::Global().Start();
    int status = 2;
    if (args[0] == "dump" && args.size() == 3)
        status = Dump(args[1], args[2]);
    else if (args[0] == "palette" && args.size() == 3)
        status = PaletteCommand(args[1], args[2]);
    else if (args[0] == "pack" && args.size() >= 3)
        status = albconv::Pack({args.begin() + 1, args.end()});
    else
        status = Usage();
    TCache::Global().Stop();
    return status;
}
