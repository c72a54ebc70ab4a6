// Text drawn with fonts that went through the font files: the library's own
// format (bitmap and stroked) and Windows 2.x FNT, written by the tools'
// writers and read by the library's readers.
#include <array>
#include <memory>
#include <string>

#include "DrawTestRows.h"
#include "FntWriter.h"
#include "FontFileWriter.h"
#include "TempDir.h"
#include "TextTestFonts.h"
#include "gdl/memory.h"
#include "gdl/text.h"

namespace {

struct FontDeleter {
    void operator()(GdlFont* f) const { GDL_free(f); }
};
using FontPtr = std::unique_ptr<GdlFont, FontDeleter>;

constexpr int kW = 48, kH = 32;

// An 'F' of width 6 and height 7: a stem, a top bar and a middle bar.
const std::vector<uint8_t> kF = {0xFC, 0x80, 0x80, 0xF0, 0x80, 0x80, 0x80};

class TextFontFile : public LitCanvasTest<kW, kH> {
protected:
    testsupport::TempDir dir;
    FontPtr load(const std::vector<uint8_t>& file) {
        FontPtr f(GDL_loadFont(dir.Write("t.fnt", file).c_str()));
        EXPECT_TRUE(f) << GDL_lastResult();
        return f;
    }
    // Top-justified rows start one below y (b - ascent = -1 with descent = ascent - height).
    Pixels expectedF(int dir, int x, int y) {
        Pixels out;
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 8; ++c)
                if (kF[size_t(r)] & (0x80 >> c)) {
                    if (dir == 2) out.insert({x + c, y + 1 + r});
                    if (dir == 0) out.insert({x - c, y - 1 - r});
                }
        return out;
    }
};

TEST_F(TextFontFile, NativeBitmapFontDrawsItsGlyphs) {
    std::array<tools::NativeGlyph, 256> glyphs{};
    glyphs['F'] = {6, kF};
    FontPtr font = load(tools::WriteFontFile(tools::MakeBitmapFont("F", 7, 5, glyphs, false)));
    ASSERT_TRUE(font);
    for (int dir : {2, 0}) {
        clear();
        GdlTextSettings t = {0, 0, dir, 1, 1, 1, 1, 0, font.get()};
        GDL_setTextSettings(&t);
        GDL_drawStrAt(20, 12, "F");
        EXPECT_EQ(lit(), expectedF(dir, 20, 12)) << dir;
    }
    EXPECT_EQ(GDL_textWidth("FF"), 12);
}

TEST_F(TextFontFile, WindowsFntFontIsTransposedIntoRows) {
    tools::FntFont fnt;
    fnt.faceName = "F";
    fnt.ascent = 5;
    fnt.pixHeight = 7;
    fnt.firstChar = 'E';
    fnt.glyphs = {{6, std::vector<uint8_t>(7, 0)}, {6, kF}};
    FontPtr font = load(tools::WriteFnt(fnt));
    ASSERT_TRUE(font);
    GdlTextSettings t = {0, 0, 2, 1, 1, 1, 1, 0, font.get()};
    GDL_setTextSettings(&t);
    GDL_drawStrAt(3, 4, "F");
    EXPECT_EQ(lit(), expectedF(2, 3, 4));
}

TEST_F(TextFontFile, NativeStrokedFontDrawsItsStrokes) {
    tools::NativeFont n;
    n.name = "S";
    n.fontType = 1;
    n.fontHeight = 8;
    n.ascent = 6;
    n.descent = -2;
    n.maxWidth = 6;
    for (auto& o : n.glyphOffset)
        o = 0xFFFF;
    n.glyphOffset['Z'] = 0;
    n.charWidth['Z'] = 6;
    // Top bar, diagonal, bottom bar of a 'Z' 4 wide and 4 high.
    for (uint16_t w : {DRV_makeStroke(0, 4, true), DRV_makeStroke(4, 4, false),
                       DRV_makeStroke(0, 0, false), DRV_makeStroke(4, 0, false), uint16_t(0)}) {
        n.glyphData.push_back(uint8_t(w));
        n.glyphData.push_back(uint8_t(w >> 8));
    }
    FontPtr font = load(tools::WriteFontFile(n));
    ASSERT_TRUE(font);
    GdlTextSettings t = {0, 3, 2, 1, 1, 1, 1, 0, font.get()};
    GDL_setTextSettings(&t);
    GDL_drawStrAt(10, 20, "Z");
    Pixels expect;
    for (int i = 0; i <= 4; ++i) {
        expect.insert({10 + i, 16});
        expect.insert({10 + i, 20});
        expect.insert({10 + i, 20 - i}); // from the top right down to the origin
    }
    EXPECT_EQ(lit(), expect);
}

} // namespace
