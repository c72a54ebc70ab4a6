// gamefixture: writes a one-room game into DIR (resource index,
// configuration, texts, fonts, cursors, the room's pictures, the player and
// scripts that enter the room, show a lamp in each anim mode, let the player
// walk where the room is clicked and print each event, a key in the
// inventory, a map of two places and the credits at the end), and a save
// game of it, DIR/saves/fixture.sav, to look at with savdump. Copy
// build/game/adventure into DIR and run it there.
//
//   gamefixture DIR
#include "GameFixture.h"

#include "platform/ByteStream.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A save of the fixture's game: the dialog "chat" with its first question
// asked, the keeper's key in the first slot, an empty script block.
bool WriteFixtureSave(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    out.S32(40);
    out.S32(1);
    out.S32(5);
    out.Text("chat");
    out.U8(0);
    out.U16(1);
    out.S32(3);
    for (int32_t phrases : {3, 1, 1}) {
        out.U16(0);
        out.S32(phrases);
        for (int32_t p = 0; p < phrases; ++p)
            out.U16(p == 0 ? 1 : 0);
    }
    out.S32(30);
    for (int32_t slot = 0; slot < 30; ++slot)
        out.S32(slot == 0 ? 5 : -1);
    out.S32(0);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gamefixture DIR\n");
        return 2;
    }
    tools::GameFixture fixture;
    fixture.mainScript = tools::FullMainScript();
    tools::AddDefaultCredits(fixture);
    std::string error;
    if (!tools::WriteGameFixture(argv[1], fixture, &error)) {
        std::fprintf(stderr, "gamefixture: %s\n", error.c_str());
        return 1;
    }
    if (!WriteFixtureSave(std::filesystem::path(argv[1]) / "saves" / "fixture.sav")) {
        std::fprintf(stderr, "gamefixture: cannot write %s/saves/fixture.sav\n", argv[1]);
        return 1;
    }
    std::printf("gamefixture: wrote a one-room game into %s; copy build/game/adventure there "
                "and run it\n",
                argv[1]);
    return 0;
}
