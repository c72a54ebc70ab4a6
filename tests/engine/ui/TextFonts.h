// Fonts of the text tests, written by the tools' writers into a temporary
// folder: a pixel font (PXF) whose glyphs are solid blocks one column
// narrower than their advance, with one kerning pair, and a library bitmap
// font without pairs. Widths (PXF): unmapped characters and the blank 3,
// letters 4, 'W' 6, 'i' and '.' 2, '-' 3, '|' 1, '&' 5, 'T' 5, 'o' 4;
// 'T' then 'o' moves the 'o' 2 to the left. Every glyph is 8 high.
#pragma once

#include "AlbumWriter.h"
#include "FontFileWriter.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "media/resources/TMetaFnt.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace uitest {

constexpr int32_t kGlyphHeight = 8;
constexpr int32_t kTWithO = -2;

struct PxfGlyph {
    uint8_t glyph;
    uint16_t width;
    std::vector<uint8_t> chars;
};

inline std::vector<uint8_t> LetterChars() {
    std::vector<uint8_t> out;
    for (int c = 'a'; c <= 'z'; ++c)
        if (c != 'i' && c != 'o') out.push_back(uint8_t(c));
    for (int c = 'A'; c <= 'Z'; ++c)
        if (c != 'W' && c != 'T') out.push_back(uint8_t(c));
    return out;
}

inline std::vector<uint8_t> PixelFontBytes() {
    const std::vector<PxfGlyph> glyphs = {
        {0, 3, {' '}}, {1, 4, LetterChars()}, {2, 6, {'W'}},  {3, 2, {'i'}},
        {4, 2, {'.'}}, {5, 3, {'-'}},         {6, 1, {'|'}},  {7, 5, {'&'}},
        {8, 5, {'T'}}, {9, 4, {'o'}},         {10, 2, {'!'}},
    };
    tools::AlbumPlan plan;
    plan.bitsPerPixel = 8;
    plan.palette = {0, 0, 0, 255, 255, 255};
    tools::AlbumEntry entry{8, uint16_t(kGlyphHeight), {}, 0};
    tools::GlyphTable table;
    for (const PxfGlyph& g : glyphs) {
        std::vector<uint8_t> frame(8 * kGlyphHeight, 0);
        const int filled = g.glyph == 0 ? 0 : g.width > 1 ? g.width - 1 : 1;
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < filled; ++x)
                frame[size_t(y * 8 + x)] = 1;
        if (entry.frames.size() <= g.glyph) entry.frames.resize(g.glyph + 1u);
        entry.frames[g.glyph] = frame;
        table.width[g.glyph] = g.width;
        for (uint8_t c : g.chars)
            table.map[c] = g.glyph;
    }
    table.kerning.assign(65536, 0);
    table.kerning[8 * 256 + 9] = int8_t(kTWithO);
    plan.entries = {entry};
    std::string error;
    std::vector<uint8_t> bytes = tools::WritePixelFont(plan, {table}, false, &error);
    EXPECT_EQ(error, "");
    return bytes;
}

// A library bitmap font 7 high (ascent 6): blank 3 wide, letters 4 (a full
// block of 3 columns), '&' 5; no kerning.
inline std::vector<uint8_t> LibraryFontBytes() {
    std::array<tools::NativeGlyph, 256> glyphs{};
    glyphs[' '] = {3, std::vector<uint8_t>(7, 0)};
    for (uint8_t c : LetterChars())
        glyphs[c] = {4, std::vector<uint8_t>(7, 0xE0)};
    glyphs['&'] = {5, std::vector<uint8_t>(7, 0xF0)};
    return tools::WriteFontFile(tools::MakeBitmapFont("Lib", 7, 6, glyphs, false));
}

// The fonts of one test; files are read through the handle cache.
struct TextFonts {
    testsupport::TempDir dir;
    std::unique_ptr<TMetaFnt> pixel;
    std::unique_ptr<TMetaFnt> library;
    TextFonts() {
        if (!TCache::Global().IsStarted()) TCache::Global().Start();
        pixel = std::make_unique<TMetaFnt>("", 0);
        pixel->SetPath(dir.Write("text.pxf", PixelFontBytes()).c_str());
        library = std::make_unique<TMetaFnt>("", 0);
        library->SetPath(dir.Write("text.fnt", LibraryFontBytes()).c_str());
    }
    ~TextFonts() {
        pixel.reset();
        library.reset();
    }
};

} // namespace uitest
