// FreeType faces found through fontconfig, sized the way GDI sizes fonts.
#include "FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <strings.h>

namespace platform::gdi {
namespace {

// The faces programs name, and what stands in for them here.
struct Substitute {
    const char* windows;
    const char* host;
};
constexpr Substitute kSubstitutes[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"System", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"MS Serif", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Fixedsys", "Liberation Mono"},
    {"Terminal", "Liberation Mono"},
};
// Listed by the enumeration under their Windows names.
constexpr const char* kListedAliases[] = {"Arial", "Courier New", "Times New Roman"};

const char* HostFamily(const char* face, BYTE pitchAndFamily) {
    if (face && *face) {
        for (const Substitute& s : kSubstitutes)
            if (strcasecmp(face, s.windows) == 0) return s.host;
        return face;
    }
    // No face: choose by pitch and family as GDI does.
    if ((pitchAndFamily & 0x03) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN)
        return "Liberation Mono";
    if ((pitchAndFamily & 0xF0) == FF_ROMAN) return "Liberation Serif";
    return "Liberation Sans";
}

// The cp1252 characters 0x80-0x9F in Unicode; 0 where cp1252 has none.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t Unicode(uint8_t ch) {
    if (ch >= 0x80 && ch < 0xA0) return kCp1252High[ch - 0x80];
    return ch;
}

struct Engine {
    FT_Library library = nullptr;
    bool fontconfigReady = false;
    std::map<std::pair<std::string, int>, FT_Face> faces;
    std::map<std::string, std::pair<std::string, int>> matches;

    Engine() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
        fontconfigReady = FcInit() == FcTrue;
        // Fontconfig keeps caches it only gives back in FcFini.
        if (fontconfigReady) std::atexit([] { FcFini(); });
    }

    // The file and face index fontconfig picks for a family and style.
    bool Match(const char* family, bool bold, bool italic, std::string* path, int* index) {
        const std::string key = std::string(family) + (bold ? "|b" : "|") + (italic ? "i" : "");
        auto it = matches.find(key);
        if (it == matches.end()) {
            std::pair<std::string, int> found{"", 0};
            if (fontconfigReady) {
                FcPattern* pattern = FcPatternCreate();
                FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
                FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
                FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
                FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
                FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
                FcDefaultSubstitute(pattern);
                FcResult result = FcResultNoMatch;
                FcPattern* match = FcFontMatch(nullptr, pattern, &result);
                FcChar8* file = nullptr;
                int faceIndex = 0;
                if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                    FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
                    found = {reinterpret_cast<const char*>(file), faceIndex};
                }
                if (match) FcPatternDestroy(match);
                FcPatternDestroy(pattern);
            }
            it = matches.emplace(key, found).first;
        }
        *path = it->second.first;
        *index = it->second.second;
        return !path->empty();
    }

    FT_Face Face(const std::string& path, int index) {
        auto key = std::make_pair(path, index);
        auto it = faces.find(key);
        if (it != faces.end()) return it->second;
        FT_Face face = nullptr;
        if (!library || FT_New_Face(library, path.c_str(), index, &face) != 0) face = nullptr;
        faces.emplace(key, face);
        return face;
    }
};

Engine& GetEngine() {
    static Engine* engine = new Engine; // lives as long as the program
    return *engine;
}

// Ascent and descent in font units, as Windows measures a TrueType cell.
void CellUnits(FT_Face face, long* ascent, long* descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else {
        *ascent = face->ascender;
        *descent = -face->descender;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM;
        *descent = 0;
    }
}

long Scale(long units, int pixels, long per) {
    return per > 0 ? std::lround(double(units) * pixels / double(per)) : 0;
}

} // namespace

SizedFont OpenFont(const LOGFONTA& log) {
    SizedFont font;
    Engine& engine = GetEngine();
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, log.lfFaceName, LF_FACESIZE);
    const char* family = HostFamily(face, log.lfPitchAndFamily);
    std::string path;
    int index = 0;
    const bool bold = log.lfWeight >= 600;
    if (!engine.Match(family, bold, log.lfItalic != 0, &path, &index)) return font;
    FT_Face f = engine.Face(path, index);
    if (!f || !FT_IS_SCALABLE(f) || f->units_per_EM == 0) return font;

    long a = 0, d = 0;
    CellUnits(f, &a, &d);
    // Negative heights give the character (em) height, positive ones the
    // whole cell; 0 asks for the default size.
    const long requested = log.lfHeight == 0 ? 16 : log.lfHeight;
    int em, ascent, descent;
    if (requested < 0) {
        em = static_cast<int>(std::min<long>(-requested, 2048));
        ascent = static_cast<int>(Scale(a, em, f->units_per_EM));
        descent = static_cast<int>(Scale(d, em, f->units_per_EM));
    } else {
        const int cell = static_cast<int>(std::min<long>(requested, 2048));
        em = std::max(1, static_cast<int>(Scale(f->units_per_EM, cell, a + d)));
        ascent = static_cast<int>(Scale(a, cell, a + d));
        descent = cell - ascent;
    }
    if (em <= 0 || FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em)) != 0) return font;

    FontMetrics& m = font.metrics_;
    m.emPixels = em;
    m.ascent = ascent;
    m.descent = descent;
    m.internalLeading = std::max(0, ascent + descent - em);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    m.averageWidth = static_cast<int>(
        Scale(os2 ? os2->xAvgCharWidth : f->max_advance_width / 2, em, f->units_per_EM));
    m.maxWidth = static_cast<int>(Scale(f->max_advance_width, em, f->units_per_EM));
    m.fixedPitch = FT_IS_FIXED_WIDTH(f);
    m.trueType = true;
    font.face_ = f;
    return font;
}

bool SizedFont::Render(uint8_t ch, Glyph* out) {
    *out = Glyph{};
    auto face = static_cast<FT_Face>(face_);
    if (!face) return false;
    const FT_UInt index = FT_Get_Char_Index(face, Unicode(ch));
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    out->advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO || slot->bitmap.pitch <= 0) {
        return slot->bitmap.rows == 0; // blanks have no bitmap
    }
    out->bits = slot->bitmap.buffer;
    out->width = static_cast<int>(slot->bitmap.width);
    out->rows = static_cast<int>(slot->bitmap.rows);
    out->pitch = slot->bitmap.pitch;
    out->left = slot->bitmap_left;
    out->top = slot->bitmap_top;
    return true;
}

int SizedFont::Advance(uint8_t ch) {
    auto face = static_cast<FT_Face>(face_);
    if (!face) return 0;
    const FT_UInt index = FT_Get_Char_Index(face, Unicode(ch));
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return 0;
    return static_cast<int>((face->glyph->advance.x + 32) >> 6);
}

std::vector<FamilyInfo> ListFamilies(const char* wanted) {
    std::vector<FamilyInfo> out;
    Engine& engine = GetEngine();
    if (!engine.fontconfigReady) return out;
    FcPattern* pattern = FcPatternCreate();
    const char* hostWanted = wanted ? HostFamily(wanted, 0) : nullptr;
    if (hostWanted)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(hostWanted));
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_SPACING, FC_OUTLINE, FC_WEIGHT, FC_SLANT, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::map<std::string, FamilyInfo> byName;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        FcChar8* family = nullptr;
        if (FcPatternGetString(p, FC_FAMILY, 0, &family) != FcResultMatch) continue;
        // Only exact family matches for a named family: fontconfig lists
        // every face whose family list mentions it.
        if (hostWanted && strcasecmp(reinterpret_cast<const char*>(family), hostWanted) != 0)
            continue;
        FamilyInfo info;
        info.face = reinterpret_cast<const char*>(family);
        FcChar8* style = nullptr;
        info.style = FcPatternGetString(p, FC_STYLE, 0, &style) == FcResultMatch
                         ? reinterpret_cast<const char*>(style)
                         : "Regular";
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, spacing = FC_PROPORTIONAL;
        FcBool outline = FcTrue;
        FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(p, FC_SLANT, 0, &slant);
        FcPatternGetInteger(p, FC_SPACING, 0, &spacing);
        FcPatternGetBool(p, FC_OUTLINE, 0, &outline);
        info.weight = weight >= FC_WEIGHT_BOLD ? FW_BOLD : FW_NORMAL;
        info.italic = slant != FC_SLANT_ROMAN;
        info.fixedPitch = spacing >= FC_MONO;
        info.outline = outline == FcTrue;
        info.serif = info.face.find("Serif") != std::string::npos &&
                     info.face.find("Sans") == std::string::npos;
        if (wanted) info.face = wanted;
        // A family is reported once, by its upright regular face when it has one.
        const std::string key = wanted ? info.style : info.face;
        auto it = byName.find(key);
        const bool better =
            it == byName.end() || (!info.italic && info.weight == FW_NORMAL &&
                                   (it->second.italic || it->second.weight != FW_NORMAL));
        if (better) byName[key] = info;
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);

    if (!wanted) {
        // The Windows faces, wherever their stand-ins are installed.
        for (const char* alias : kListedAliases) {
            auto it = byName.find(HostFamily(alias, 0));
            if (it == byName.end()) continue;
            FamilyInfo info = it->second;
            info.face = alias;
            byName.emplace(alias, info);
        }
    }
    for (auto& [name, info] : byName)
        out.push_back(info);
    return out;
}

} // namespace platform::gdi
