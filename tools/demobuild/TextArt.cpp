// Fonts and cursors drawn as text in demo/art/: "glyph CODE LABEL" or
// "cursor NAME HOTX HOTY" starts a picture, its rows follow ("#" ink, "o"
// white, "." nothing) up to a blank line; ";" starts a comment line.
#include "AlbumWriter.h"
#include "Art.h"
#include "Builder.h"
#include "FntWriter.h"
#include "IconWriter.h"

#include <algorithm>
#include <sstream>

namespace demo {

namespace {

struct ArtPicture {
    std::string kind; // "glyph" or "cursor"
    std::string name;
    int32_t code = 0, hotX = 0, hotY = 0;
    std::vector<std::string> rows;
    int32_t Width() const {
        size_t w = 0;
        for (const std::string& r : rows)
            w = std::max(w, r.size());
        return int32_t(w);
    }
    char At(int32_t x, int32_t y) const {
        return y < int32_t(rows.size()) && x < int32_t(rows[size_t(y)].size())
                   ? rows[size_t(y)][size_t(x)]
                   : '.';
    }
};

bool ParseArt(const std::string& text, std::vector<ArtPicture>* out, std::string* error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    ArtPicture* current = nullptr;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            current = nullptr;
            continue;
        }
        if (line[0] == ';') continue;
        if (line.find_first_not_of("#o.") == std::string::npos) {
            if (!current) {
                *error =
                    "art line " + std::to_string(number) + ": rows without a glyph or cursor line";
                return false;
            }
            current->rows.push_back(line);
            continue;
        }
        std::istringstream words(line);
        ArtPicture p;
        words >> p.kind;
        bool ok = true;
        if (p.kind == "glyph")
            ok = bool(words >> p.code) && p.code >= 32 && p.code <= 255;
        else if (p.kind == "cursor")
            ok = bool(words >> p.name >> p.hotX >> p.hotY);
        else
            ok = false;
        if (!ok) {
            *error = "art line " + std::to_string(number) +
                     ": expected \"glyph CODE\" or \"cursor NAME X Y\"";
            return false;
        }
        out->push_back(p);
        current = &out->back();
    }
    return true;
}

bool ReadArt(Builder& b, const Asset& a, std::vector<ArtPicture>* out) {
    std::string text, error;
    if (!b.ReadSource(a, a.Get("art"), &text)) return false;
    if (!ParseArt(text, out, &error)) return b.Fail(a, a.Get("art") + ": " + error);
    return true;
}

// A monochrome 32 x 32 cursor: AND mask 1 where nothing is drawn, colour
// index 1 for white.
std::vector<uint8_t> Cursor(const ArtPicture& p) {
    tools::IconImage im;
    im.bitCount = 1;
    im.palette = {{0, 0, 0}, {255, 255, 255}};
    im.pixels.assign(32 * 4, 0);
    im.andMask.assign(32 * 4, 0);
    im.hotX = uint16_t(p.hotX);
    im.hotY = uint16_t(p.hotY);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const char c = p.At(x, y);
            const uint8_t bit = uint8_t(0x80 >> (x & 7));
            if (c == '.') im.andMask[size_t(y * 4 + x / 8)] |= bit;
            if (c == 'o') im.pixels[size_t(y * 4 + x / 8)] |= bit;
        }
    return tools::WriteCur({im});
}

constexpr int32_t kGlyphRows = 10; // one row of space above 7 rows and 2 of descent

const ArtPicture* FindGlyph(const std::vector<ArtPicture>& art, int32_t code) {
    for (const ArtPicture& p : art)
        if (p.kind == "glyph" && p.code == code) return &p;
    return nullptr;
}

bool Ink(const ArtPicture* g, int32_t x, int32_t y, int32_t scale) {
    return g && y / scale >= 1 && g->At(x / scale, y / scale - 1) == '#';
}

std::vector<uint8_t> Fnt(const std::vector<ArtPicture>& art, int32_t scale,
                         const std::string& face) {
    tools::FntFont font;
    font.faceName = face;
    font.pixHeight = uint16_t(kGlyphRows * scale);
    font.ascent = uint16_t(8 * scale);
    font.firstChar = 32;
    font.defaultChar = '?' - 32;
    for (int32_t code = 32; code <= 255; ++code) {
        const ArtPicture* g = FindGlyph(art, code);
        tools::FntGlyph out;
        out.width = ((g ? g->Width() : 0) + 1) * scale;
        const int32_t columns = (out.width + 7) / 8;
        out.rows.assign(size_t(columns * font.pixHeight), 0);
        for (int32_t y = 0; y < font.pixHeight; ++y)
            for (int32_t x = 0; x < out.width; ++x)
                if (Ink(g, x, y, scale))
                    out.rows[size_t(y * columns + x / 8)] |= uint8_t(0x80 >> (x & 7));
        font.glyphs.push_back(out);
    }
    return tools::WriteFnt(font);
}

// A pixel font: one sub-font per ink, each the same glyph pictures drawn in
// its own palette index (index 0 is the paper, the key the text is drawn
// over), so a sub-font can set a line apart by its colour alone.
std::vector<uint8_t> Pxf(const std::vector<ArtPicture>& art, int32_t scale,
                         const std::vector<Colour>& inks, std::string* error) {
    tools::AlbumPlan plan;
    plan.bitsPerPixel = 8;
    plan.palette = {0, 0, 0};
    for (const Colour& ink : inks)
        plan.palette.insert(plan.palette.end(), {ink.r, ink.g, ink.b});
    int32_t widest = 0;
    for (const ArtPicture& p : art)
        if (p.kind == "glyph") widest = std::max(widest, (p.Width() + 1) * scale);
    std::vector<tools::GlyphTable> tables;
    for (size_t n = 0; n < inks.size(); ++n) {
        tools::GlyphTable table;
        table.map.fill(255);
        tools::AlbumEntry entry{uint16_t((widest + 3) & ~3), uint16_t(kGlyphRows * scale), {}, 0};
        for (const ArtPicture& p : art) {
            if (p.kind != "glyph" || entry.frames.size() >= 255) continue;
            std::vector<uint8_t> frame(size_t(entry.width) * entry.height, 0);
            for (int32_t y = 0; y < entry.height; ++y)
                for (int32_t x = 0; x < entry.width; ++x)
                    if (Ink(&p, x, y, scale)) frame[size_t(y * entry.width + x)] = uint8_t(n + 1);
            table.map[size_t(p.code)] = uint8_t(entry.frames.size());
            table.width[entry.frames.size()] = uint16_t((p.Width() + 1) * scale);
            entry.frames.push_back(frame);
        }
        plan.entries.push_back(entry);
        tables.push_back(table);
    }
    return tools::WritePixelFont(plan, tables, false, error);
}

// "RRGGBB,RRGGBB,...": the inks of a pixel font's sub-fonts; false when one
// is no colour, is the paper's black or there are none or too many.
bool ParseInks(const std::string& text, std::vector<Colour>* out) {
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        Colour ink;
        if (!ParseColour(item, &ink) || (ink.r == 0 && ink.g == 0 && ink.b == 0)) return false;
        out->push_back(ink);
    }
    return !out->empty() && out->size() <= 8;
}

} // namespace

bool GenerateCursor(Builder& b, const Asset& a) {
    std::vector<ArtPicture> art;
    if (!ReadArt(b, a, &art)) return false;
    for (const ArtPicture& p : art)
        if (p.kind == "cursor" && p.name == a.Get("name")) {
            if (p.Width() > 32 || p.rows.size() > 32 || p.hotX < 0 || p.hotY < 0 || p.hotX > 31 ||
                p.hotY > 31)
                return b.Fail(a, "a cursor is at most 32 x 32 with its hot spot inside");
            return b.Emit(a, Cursor(p));
        }
    return b.Fail(a, "no cursor \"" + a.Get("name") + "\" in " + a.Get("art"));
}

bool GenerateFont(Builder& b, const Asset& a) {
    std::vector<ArtPicture> art;
    if (!ReadArt(b, a, &art)) return false;
    bool ok = true;
    const int32_t scale = a.Int("scale", 1, &ok);
    if (!ok || scale < 1 || scale > 4) return b.Fail(a, "scale is 1 to 4");
    for (const ArtPicture& p : art)
        if (p.kind == "glyph" && (p.rows.size() > 9 || p.Width() > 12))
            return b.Fail(a, "glyph " + std::to_string(p.code) + " is larger than 12 x 9");
    const bool pxf = a.path.size() > 4 && a.path.compare(a.path.size() - 4, 4, ".pxf") == 0;
    std::string error;
    std::vector<Colour> inks;
    if (pxf && !ParseInks(a.Get("inks", "FFFFFF"), &inks))
        return b.Fail(a, "inks are 1 to 8 colours RRGGBB, none of them black (the paper)");
    const std::vector<uint8_t> bytes =
        pxf ? Pxf(art, scale, inks, &error) : Fnt(art, scale, a.Get("face", "Demo"));
    if (bytes.empty()) return b.Fail(a, error);
    return b.Emit(a, bytes);
}

} // namespace demo
