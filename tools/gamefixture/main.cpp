// gamefixture: writes a one-room game into DIR (resource index,
// configuration, texts, fonts, cursors, the room's pictures, the player and
// scripts that enter the room, show a lamp in each anim mode, let the player
// walk where the room is clicked and print each event, a key in the
// inventory, a map of two places and the credits at the end). Copy
// build/game/adventure into DIR and run it there.
//
//   gamefixture DIR
#include "GameFixture.h"

#include <cstdio>
#include <string>

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
    std::printf("gamefixture: wrote a one-room game into %s; copy build/game/adventure there "
                "and run it\n",
                argv[1]);
    return 0;
}
