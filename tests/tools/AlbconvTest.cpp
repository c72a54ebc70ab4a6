// Runs albconv on albums and pixel fonts made by the writers: the dumped
// frames and tables match the writer's sources, and packing a dump again
// dumps the same.
#include "AlbumWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Albconv() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "albconv" / "albconv")
        .string();
}

int RunAlbconv(const std::string& args) {
    int status = std::system((Albconv() + " " + args + " 2>/dev/null").c_str());
    return (status >> 8) & 0xFF;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Pam(int w, int h, const std::vector<uint8_t>& rgb) {
    std::string text = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                       "\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    return text + std::string(rgb.begin(), rgb.end());
}

class AlbconvTool : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return dir.Path().string() + "/" + name; }
    testsupport::TempDir dir;
};

TEST_F(AlbconvTool, DumpOfAPixelFontMatchesItsSourceAndPacksBackTheSame) {
    tools::AlbumPlan plan;
    plan.packing = tools::kAlbumRunLength;
    plan.palette = {0, 0, 0, 255, 255, 255, 10, 20, 30};
    tools::AlbumEntry e0{8, 2, {}, 0};
    e0.frames = {std::vector<uint8_t>(16, 1),
                 {0, 1, 1, 2, 2, 2, 0, 0, 1, 1, 1, 1, 0, 0, 2, 2},
                 std::vector<uint8_t>(16, 2)};
    tools::AlbumEntry e1{4, 1, {}, 0};
    e1.frames = {{2, 1, 0, 2}};
    plan.entries = {e0, e1};
    tools::GlyphTable t0, t1;
    t0.map['A'] = 1;
    t0.width[1] = 5;
    t0.offset[1] = 2;
    t0.map['B'] = 1;
    t0.kerning.assign(65536, 0);
    t0.kerning[1 * 256 + 1] = -2;
    std::string error;
    std::vector<uint8_t> font = tools::WritePixelFont(plan, {t0, t1}, false, &error);
    ASSERT_EQ(error, "");
    std::filesystem::create_directory(Path("out"));
    ASSERT_EQ(RunAlbconv("dump " + dir.Write("f.pxf", font) + " " + Path("out")), 0);

    const uint8_t rgb[3][3] = {{0, 0, 0}, {255, 255, 255}, {10, 20, 30}};
    auto expect = [&](const std::vector<uint8_t>& frame, int w, int h) {
        std::vector<uint8_t> out;
        for (uint8_t i : frame)
            out.insert(out.end(), rgb[i], rgb[i] + 3);
        return Pam(w, h, out);
    };
    EXPECT_EQ(Slurp(Path("out/e000_f000.pam")), expect(plan.entries[0].frames[0], 8, 2));
    EXPECT_EQ(Slurp(Path("out/e000_f002.pam")), expect(plan.entries[0].frames[2], 8, 2));
    EXPECT_EQ(Slurp(Path("out/e001_f000.pam")), expect(plan.entries[1].frames[0], 4, 1));
    std::string album = Slurp(Path("out/album.txt"));
    EXPECT_NE(album.find("entries 2\n"), std::string::npos) << album;
    EXPECT_NE(album.find("entry 0 frames 3 width 8 height 2"), std::string::npos) << album;
    std::string glyphs = Slurp(Path("out/glyphs.txt"));
    EXPECT_NE(glyphs.find("subfont 0\nchar 32 glyph 0 width 0 offset 0\n"), std::string::npos);
    EXPECT_NE(glyphs.find("char 65 glyph 1 width 5 offset 2\n"), std::string::npos) << glyphs;
    EXPECT_NE(glyphs.find("kern 65 66 -2\n"), std::string::npos) << glyphs;
    EXPECT_NE(glyphs.find("subfont 1\n"), std::string::npos);

    ASSERT_EQ(RunAlbconv("palette " + Path("f.pxf") + " " + Path("pal.txt")), 0);
    std::string pal = Slurp(Path("pal.txt"));
    EXPECT_EQ(pal.rfind("0 0 0 0\n1 255 255 255\n2 10 20 30\n3 0 0 0\n", 0), 0u) << pal;

    std::string frames = Path("out/e000_f000.pam") + "," + Path("out/e000_f001.pam") + "," +
                         Path("out/e000_f002.pam") + " " + Path("out/e001_f000.pam");
    ASSERT_EQ(
        RunAlbconv("pack " + Path("g.pxf") + " -p rle -g " + Path("out/glyphs.txt") + " " + frames),
        0);
    std::filesystem::create_directory(Path("again"));
    ASSERT_EQ(RunAlbconv("dump " + Path("g.pxf") + " " + Path("again")), 0);
    for (const char* name : {"e000_f000.pam", "e000_f001.pam", "e001_f000.pam", "glyphs.txt"})
        EXPECT_EQ(Slurp(Path("again/") + name), Slurp(Path("out/") + name)) << name;
}

TEST_F(AlbconvTool, DeeperAlbumsRoundTripAndBadInputFails) {
    for (int bits : {16, 24}) {
        SCOPED_TRACE(bits);
        std::vector<uint8_t> rgb;
        for (int i = 0; i < 8 * 3; ++i)
            rgb.insert(rgb.end(), {static_cast<uint8_t>(i * 8), static_cast<uint8_t>(255 - i * 4),
                                   static_cast<uint8_t>(i * 10)});
        std::string src = Path("src.pam");
        std::ofstream(src, std::ios::binary) << Pam(8, 3, rgb);
        std::string alb = Path("d" + std::to_string(bits) + ".alb");
        ASSERT_EQ(RunAlbconv("pack " + alb + " -b " + std::to_string(bits) + " -p lzw " + src), 0);
        std::string out = Path("d" + std::to_string(bits) + "/nested"); // dump makes it
        ASSERT_EQ(RunAlbconv("dump " + alb + " " + out), 0);
        std::string dumped = Slurp(out + "/e000_f000.pam");
        if (bits == 24)
            EXPECT_EQ(dumped, Pam(8, 3, rgb));
        else
            EXPECT_EQ(dumped.size(), Pam(8, 3, rgb).size());
    }
    EXPECT_NE(RunAlbconv("dump " + dir.Write("bad.alb", std::vector<uint8_t>(40, 1)) + " " +
                         dir.Path().string()),
              0);
    EXPECT_NE(RunAlbconv("pack " + Path("x.alb") + " " + Path("missing.pam")), 0);
    EXPECT_EQ(RunAlbconv("frobnicate"), 2);
}

} // namespace
