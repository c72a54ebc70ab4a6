// albconv pack: PAM frames into an ALB, or with glyph tables into a PXF.
#include "Albconv.h"

#include "CommandLine.h"
#include "AlbumWriter.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace albconv {
namespace {

struct Options {
    std::string out;
    uint8_t bits = 8;
    uint8_t packing = tools::kAlbumStored;
    std::string glyphs;
    std::vector<std::string> entries;
};

bool Fail(const std::string& message) {
    std::fprintf(stderr, "albconv: %s\n", message.c_str());
    return false;
}

bool ParseOptions(const std::vector<std::string>& args, Options* o) {
    static const std::map<std::string, uint8_t> kPackings = {{"stored", tools::kAlbumStored},
                                                             {"lzw", tools::kAlbumLzw},
                                                             {"skip", tools::kAlbumSkipFill},
                                                             {"rle", tools::kAlbumRunLength}};
    o->out = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        bool hasValue = i + 1 < args.size();
        if (args[i] == "-b" && hasValue) {
            int32_t bits = 0;
            if (!tools::ParseNumber(args[++i], 8, 24, &bits) ||
                (bits != 8 && bits != 16 && bits != 24))
                return Fail("bits must be 8, 16 or 24");
            o->bits = static_cast<uint8_t>(bits);
        } else if (args[i] == "-p" && hasValue) {
            auto it = kPackings.find(args[++i]);
            if (it == kPackings.end()) return Fail("packing must be stored, lzw, skip or rle");
            o->packing = it->second;
        } else if (args[i] == "-g" && hasValue) {
            o->glyphs = args[++i];
        } else {
            o->entries.push_back(args[i]);
        }
    }
    if (o->entries.empty()) return Fail("no entries given");
    return true;
}

// The frame's pixels in the album's depth; 8 bits index `palette`, which
// grows with each new colour.
bool Convert(const Image& image, uint8_t bits, std::vector<uint8_t>* palette,
             std::vector<uint8_t>* out) {
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
        uint8_t r = image.rgb[i], g = image.rgb[i + 1], b = image.rgb[i + 2];
        if (bits == 24) {
            out->insert(out->end(), {b, g, r});
        } else if (bits == 16) {
            uint16_t v = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
            out->insert(out->end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
        } else {
            size_t index = 0;
            while (index * 3 < palette->size() &&
                   !((*palette)[index * 3] == r && (*palette)[index * 3 + 1] == g &&
                     (*palette)[index * 3 + 2] == b))
                ++index;
            if (index == 256) return Fail("more than 256 colours for an 8-bit album");
            if (index * 3 == palette->size()) palette->insert(palette->end(), {r, g, b});
            out->push_back(static_cast<uint8_t>(index));
        }
    }
    return true;
}

bool ReadEntry(const std::string& list, const Options& o, tools::AlbumPlan* plan) {
    tools::AlbumEntry entry;
    std::stringstream names(list);
    std::string name;
    while (std::getline(names, name, ',')) {
        std::vector<uint8_t> bytes;
        Image image;
        std::string error;
        if (!ReadFile(name, &bytes)) return Fail("cannot read " + name);
        if (!ParsePam(bytes, &image, &error)) return Fail(name + ": " + error);
        if (entry.frames.empty()) {
            entry.width = static_cast<uint16_t>(image.width);
            entry.height = static_cast<uint16_t>(image.height);
        } else if (image.width != entry.width || image.height != entry.height) {
            return Fail(name + ": frames of one entry must share their size");
        }
        std::vector<uint8_t> pixels;
        if (!Convert(image, o.bits, &plan->palette, &pixels)) return false;
        entry.frames.push_back(std::move(pixels));
    }
    plan->entries.push_back(std::move(entry));
    return true;
}

// Lines as `albconv dump` writes them: "subfont S", "char C glyph G width W
// offset X", "kern C1 C2 K".
bool ReadGlyphs(const std::string& path, std::vector<tools::GlyphTable>* tables) {
    std::ifstream in(path);
    if (!in) return Fail("cannot read " + path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key, skip;
        words >> key;
        if (key == "subfont") {
            tables->emplace_back();
            continue;
        }
        if (tables->empty()) return Fail(path + ": a \"subfont\" line must come first");
        tools::GlyphTable& t = tables->back();
        int c = 0, g = 0, w = 0, x = 0, n = 0, k = 0;
        if (key == "char" && words >> c >> skip >> g >> skip >> w >> skip >> x && c >= 0 &&
            c < 256 && g >= 0 && g < 256) {
            t.map[c] = static_cast<uint8_t>(g);
            t.width[g] = static_cast<uint16_t>(w);
            t.offset[g] = static_cast<uint16_t>(x);
        } else if (key == "kern" && words >> c >> n >> k && c >= 0 && c < 256 && n >= 0 &&
                   n < 256) {
            if (t.kerning.empty()) t.kerning.assign(65536, 0);
            t.kerning[t.map[c] * 256 + t.map[n]] = static_cast<int8_t>(k);
        } else if (!key.empty()) {
            return Fail(path + ": cannot read \"" + line + "\"");
        }
    }
    return true;
}

} // namespace

int Pack(const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, &o)) return 2;
    tools::AlbumPlan plan;
    plan.bitsPerPixel = o.bits;
    plan.packing = o.packing;
    for (const std::string& entry : o.entries)
        if (!ReadEntry(entry, o, &plan)) return 1;
    bool pxf = o.out.size() > 4 && (o.out.substr(o.out.size() - 4) == ".pxf" ||
                                    o.out.substr(o.out.size() - 4) == ".PXF");
    std::vector<tools::GlyphTable> tables;
    if (pxf && !o.glyphs.empty() && !ReadGlyphs(o.glyphs, &tables)) return 1;
    if (pxf) tables.resize(plan.entries.size());
    std::string error;
    std::vector<uint8_t> bytes =
        pxf ? tools::WritePixelFont(plan, tables, false, &error) : tools::WriteAlbum(plan, &error);
    if (bytes.empty()) {
        Fail(o.out + ": " + error);
        return 1;
    }
    if (!WriteFile(o.out, std::string(bytes.begin(), bytes.end()))) {
        Fail("cannot write " + o.out);
        return 1;
    }
    return 0;
}

} // namespace albconv
