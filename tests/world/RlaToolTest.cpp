// Runs the rla program: a container written byte by byte is dumped to the
// expected PAM pictures and listing; a PAM packed and dumped comes back at
// 5:6:5 precision.
#include "TempDir.h"

#include "platform/ByteStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string Rla() {
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "rla" / "rla").string();
}

int RunRla(const std::string& args) {
    const int status = std::system((Rla() + " " + args + " 2>/dev/null").c_str());
    return (status >> 8) & 0xFF;
}

std::string Text(const std::vector<unsigned char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<unsigned char> Pam(int w, int h, const std::vector<unsigned char>& rgba) {
    const std::string head = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<unsigned char> out(head.begin(), head.end());
    out.insert(out.end(), rgba.begin(), rgba.end());
    return out;
}

TEST(RlaTool, DumpsAContainerWrittenByteByByte) {
    std::vector<uint8_t> file;
    platform::ByteWriter w(file);
    // Frame at 0: a 3 x 2 sprite placed at (5, -6), reserved 9.
    w.U32(0x00010001);
    w.U32(8 + 8 + 2); // data size: two offsets, row 0 of 8 bytes, row 1 of 2
    w.S32(3);
    w.S32(2);
    w.U32(9);
    w.S32(5);
    w.S32(-6);
    w.U32(8);      // row 0 at 8 - 0
    w.U32(4 + 8);  // row 1 at 16 - 4
    w.U16(0x0201); // skip 1, two pixels
    w.U16(0xF800); // red
    w.U16(0x07E0); // an opaque pixel of the key colour stays opaque
    w.U16(0);
    w.U16(0); // row 1: transparent
    // The directory: group 0 with the frame and a -1, group 1 with a type-2 frame.
    const uint32_t typeTwo = static_cast<uint32_t>(file.size());
    w.U32(0x00010002);
    const size_t dir = file.size();
    w.U32(2);
    w.U32(2);
    w.S32(0);
    w.S32(-1);
    w.U32(1);
    w.U32(typeTwo);
    w.U32(static_cast<uint32_t>(file.size() - dir));

    testsupport::TempDir dir_;
    const std::string in = dir_.Write("Room.rla", file);
    ASSERT_EQ(RunRla("dump " + in + " " + dir_.File("out")), 0);
    EXPECT_EQ(Text(testsupport::TempDir::Read(dir_.File("out/directory.txt"))),
              "0 0 0 3 2 5 -6 9\n0 1 -1 null\n1 0 " + std::to_string(typeTwo) + " null\n");
    EXPECT_EQ(testsupport::TempDir::Read(dir_.File("out/g000_f000.pam")),
              Pam(3, 2, {0, 0, 0, 0, 248, 3, 0, 255, 0, 255, 0, 255, //
                         0, 0, 0, 0, 0,   0, 0, 0,   0, 0,   0, 0}));
    EXPECT_NE(RunRla("dump " + dir_.File("missing.rla") + " " + dir_.File("x")), 0);
}

TEST(RlaTool, PackThenDumpGivesThePictureAt565Precision) {
    testsupport::TempDir dir;
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 300 * 2; ++i) {
        const bool opaque = i % 300 < 280 && i % 7 != 3;
        rgba.insert(rgba.end(),
                    {static_cast<unsigned char>(i * 13), static_cast<unsigned char>(i * 7),
                     static_cast<unsigned char>(i), static_cast<unsigned char>(opaque ? 200 : 20)});
    }
    dir.Write("a.pam", Pam(300, 2, rgba));
    dir.Write("b.pam", Pam(1, 1, {0, 255, 0, 255}));
    ASSERT_EQ(RunRla("pack " + dir.File("x.rla") + " " + dir.File("a.pam") + " -g " +
                     dir.File("b.pam") + "@4,-2"),
              0);
    ASSERT_EQ(RunRla("dump " + dir.File("x.rla") + " " + dir.File("out")), 0);
    const auto back = testsupport::TempDir::Read(dir.File("out/g000_f000.pam"));
    const auto head = Pam(300, 2, {});
    ASSERT_EQ(back.size(), head.size() + rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned char* p = &back[head.size() + i];
        if (rgba[i + 3] < 128) {
            EXPECT_EQ(p[3], 0) << i;
            continue;
        }
        EXPECT_EQ(p[0], rgba[i] & 0xF8);
        EXPECT_EQ(p[1], (rgba[i + 1] & 0xFC) | 3);
        EXPECT_EQ(p[2], rgba[i + 2] & 0xF8);
        EXPECT_EQ(p[3], 255);
    }
    // Pure green is nudged off the key by blue 1 (widened to 8).
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("out/g001_f000.pam")),
              Pam(1, 1, {0, 255, 8, 255}));
    const std::string listing = Text(testsupport::TempDir::Read(dir.File("out/directory.txt")));
    EXPECT_NE(listing.find("\n1 0 "), std::string::npos);
    EXPECT_NE(listing.find(" 1 1 4 -2 0\n"), std::string::npos);
}

} // namespace
