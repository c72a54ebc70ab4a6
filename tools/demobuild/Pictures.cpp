// The picture and album generators: BMP, PCX and JPEG pictures of buttons,
// panels, symbols and the map, and the albums of panels, inventory items,
// speaker faces and scroll-bar parts.
#include "AlbumWriter.h"
#include "Art.h"
#include "BmpWriter.h"
#include "Builder.h"
#include "PcxWriter.h"

#include <cstdio>
#include <jpeglib.h>
#include <map>

namespace demo {

namespace {

std::string Extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    std::string e = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return e;
}

// A picture of at most 256 colours keeps them: its palette is its colours in
// the order they first appear.
bool ExactIndexes(const Canvas& c, std::vector<tools::Rgb>* palette, std::vector<uint8_t>* out) {
    std::map<uint32_t, uint8_t> index;
    palette->clear();
    out->clear();
    for (int32_t y = 0; y < c.Height(); ++y)
        for (int32_t x = 0; x < c.Width(); ++x) {
            const Colour p = c.At(x, y);
            const uint32_t key = uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
            auto found = index.find(key);
            if (found == index.end()) {
                if (palette->size() == 256) return false;
                found = index.emplace(key, uint8_t(palette->size())).first;
                palette->push_back({p.r, p.g, p.b});
            }
            out->push_back(found->second);
        }
    palette->resize(256, tools::Rgb{});
    return true;
}

// Else a 6 x 7 x 6 colour cube: every pixel to its nearest corner, so the
// same picture always gives the same indexes.
std::vector<uint8_t> CubeIndexes(const Canvas& c, std::vector<tools::Rgb>* palette) {
    palette->assign(256, tools::Rgb{});
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                (*palette)[size_t(r * 42 + g * 6 + b)] = {uint8_t(r * 51), uint8_t(g * 255 / 6),
                                                          uint8_t(b * 51)};
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < c.Height(); ++y)
        for (int32_t x = 0; x < c.Width(); ++x) {
            const Colour p = c.At(x, y);
            out.push_back(
                uint8_t((p.r + 25) / 51 * 42 + (p.g * 6 + 127) / 255 * 6 + (p.b + 25) / 51));
        }
    return out;
}

std::vector<uint8_t> Pcx(const Canvas& c) {
    tools::PcxImage image;
    image.width = c.Width();
    image.height = c.Height();
    if (!ExactIndexes(c, &image.tailPalette, &image.scanlines))
        image.scanlines = CubeIndexes(c, &image.tailPalette);
    const int32_t line = tools::PcxBytesPerPlaneLine(image);
    if (line != image.width) { // rows padded to an even length
        std::vector<uint8_t> padded;
        for (int32_t y = 0; y < image.height; ++y) {
            padded.insert(padded.end(), image.scanlines.begin() + y * image.width,
                          image.scanlines.begin() + (y + 1) * image.width);
            padded.resize(size_t(line) * size_t(y + 1), 0);
        }
        image.scanlines = padded;
    }
    return tools::WritePcx(image);
}

std::vector<uint8_t> Jpeg(const Canvas& c, int quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(c.Width());
    info.image_height = JDIMENSION(c.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_ISLOW; // integer transform: the same bytes everywhere
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::vector<uint8_t> rgb = c.Bytes24(false);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.data() + size_t(info.next_scanline) * c.Width() * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

bool Picture(const Asset& a, Canvas* out, std::string* error) {
    bool ok = true;
    const int32_t w = a.Int("w", 64, &ok), h = a.Int("h", 32, &ok);
    const uint32_t seed = uint32_t(a.Int("seed", 1, &ok));
    Colour base{90, 110, 140};
    if (!ok || w < 1 || h < 1 || w > 1024 || h > 768 ||
        (a.params.count("base") && !ParseColour(a.Get("base"), &base))) {
        *error = "w, h, seed are numbers (1 .. 1024 x 768) and base is RRGGBB";
        return false;
    }
    const std::string style = a.Get("style", "button");
    if (style == "button" || style == "panel")
        *out =
            ButtonFace(w, h, base, a.Get("label"), a.Get("state", "a")[0], seed, style == "panel");
    else if (style == "label")
        *out = Label(w, h, a.Get("label"), Colour{250, 240, 200});
    else if (style == "filepage")
        *out = FilePage(w, h, base, a.Get("label"));
    else if (style == "symbol")
        *out = Symbol(w, h, a.Get("shape"), base);
    else if (style == "map")
        *out = IslandMap(w, h, seed, a.Get("label", "ISLAND"));
    else {
        *error = "style is button, panel, label, filepage, symbol or map";
        return false;
    }
    return CheckKeyColour(*out, error);
}

} // namespace

bool GeneratePicture(Builder& b, const Asset& a) {
    Canvas c(1, 1);
    std::string error;
    if (!Picture(a, &c, &error)) return b.Fail(a, error);
    const std::string ext = Extension(a.path);
    if (ext == "pcx") return b.Emit(a, Pcx(c));
    if (ext == "jpg") return b.Emit(a, Jpeg(c, 85));
    if (ext != "bmp") return b.Fail(a, "pictures are .bmp, .pcx or .jpg");
    tools::BmpImage image;
    image.width = c.Width();
    image.height = c.Height();
    image.bitCount = 24;
    image.pixels = c.Bytes24(true);
    return b.Emit(a, tools::WriteBmp(image));
}

namespace {

using Entries = std::vector<std::vector<Canvas>>; // entry, then frame

Entries Panels() {
    const Colour ink{40, 50, 80};
    Canvas frame(640, 352, kClear);
    frame.Frame(0, 0, 640, 352, 6, Colour{120, 90, 50});
    frame.Frame(6, 6, 628, 340, 2, Colour{200, 170, 110});
    Entries e;
    e.push_back({frame});
    e.push_back({ButtonFace(600, 320, ink, "", 'a', 11)});
    e.push_back({ButtonFace(700, 100, ink, "", 'a', 12)});
    e.push_back({ButtonFace(776, 140, ink, "", 'a', 13)});
    e.push_back({ButtonFace(776, 210, ink, "", 'a', 14)});
    return e;
}

Entries Inventory() {
    Entries e;
    for (int32_t id = 0; id < 3; ++id)
        e.push_back({ItemPicture(56, 56, id, false), ItemPicture(56, 56, id, true)});
    return e;
}

// `ground` is the faces' background: the transparent key for the speakers'
// panel, an opaque colour for a player that draws its frames whole.
Entries Speakers(Colour ground) {
    const Colour skins[] = {{200, 200, 200}, {230, 180, 140}, {240, 240, 250}, {120, 130, 140}};
    Entries e;
    for (const Colour& skin : skins) {
        e.emplace_back();
        for (int32_t open = 0; open < 4; ++open)
            e.back().push_back(Face(32, 37, skin, open, ground));
    }
    return e;
}

// Entries are the parts, frames the looks (normal, pressed, pointer over,
// pressed with the pointer over, disabled). The file list's bar stands
// upright beside its 300-pixel list: 0 up, 2 down, 5 the thumb, 7 the track.
// The volume bars lie across the options page: 3 softer, 1 louder, 4 the
// thumb, 6 the track. A bar takes its track's size.
Entries ScrollParts() {
    const struct {
        int32_t w, h;
        char sign; // 't' a track
    } parts[] = {{24, 24, 'u'}, {28, 28, '+'}, {24, 24, 'd'},  {28, 28, '-'},
                 {16, 28, '|'}, {24, 32, '='}, {260, 28, 't'}, {24, 300, 't'}};
    Entries e;
    for (const auto& part : parts) {
        e.emplace_back();
        for (const char look : {'a', 'b', 'b', 'b', 'c'})
            e.back().push_back(part.sign == 't' ? ScrollTrack(part.w, part.h)
                                                : ScrollButton(part.w, part.h, part.sign, look));
    }
    return e;
}

} // namespace

bool GenerateAlbum(Builder& b, const Asset& a) {
    const std::string kind = a.Get("kind");
    Colour ground = kClear;
    if (a.params.count("ground") && !ParseColour(a.Get("ground"), &ground))
        return b.Fail(a, "ground is RRGGBB");
    Entries entries = kind == "panels"      ? Panels()
                      : kind == "inventory" ? Inventory()
                      : kind == "speakers"  ? Speakers(ground)
                      : kind == "scroll"    ? ScrollParts()
                                            : Entries{};
    if (entries.empty()) return b.Fail(a, "kind is panels, inventory, speakers or scroll");
    tools::AlbumPlan plan;
    plan.bitsPerPixel = 16;
    plan.packing = tools::kAlbumRunLength;
    std::string error;
    for (const auto& frames : entries) {
        const Canvas& first = frames.front();
        // The engine steps through album rows four pixels at a time.
        if (first.Width() % 4 != 0)
            return b.Fail(a, "album pictures need widths that are multiples of 4, not " +
                                 std::to_string(first.Width()));
        tools::AlbumEntry entry;
        entry.width = uint16_t(first.Width());
        entry.height = uint16_t(first.Height());
        for (const Canvas& f : frames) {
            if (!CheckKeyColour(f, &error)) return b.Fail(a, error);
            entry.frames.push_back(f.Pixels565());
        }
        plan.entries.push_back(entry);
    }
    const std::vector<uint8_t> bytes = tools::WriteAlbum(plan, &error);
    if (bytes.empty()) return b.Fail(a, error);
    return b.Emit(a, bytes);
}

} // namespace demo
