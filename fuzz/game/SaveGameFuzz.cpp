// Any bytes as a save game, loaded into a running game of the one-room test
// game through both phases: the check of the whole file, then the new world
// whose scripts read their block. A refused file leaves the running game as
// it was (what its SaveTheGame stores is the same); a loaded one saves and
// loads again to the same state.
#include "FuzzGameSession.h"
#include "GameApp.h"
#include "GameEntry.h"
#include "GameFixture.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "LuaScript.h"
#include "MemoryDesktop.h"

#include "foundation/TDeleteQueue.h"
#include "platform/ByteStream.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A story whose save holds every kind of value the scripts can store.
const char* const kMainScript = R"(
Game = {} Map = {}
N = 1 F = 0.5 B = 1 S = "hall"
function SaveTheGame()
  SaveGame.WriteNumber(N) SaveGame.WriteFloat(F)
  SaveGame.WriteBool(B) SaveGame.WriteString(S)
end
function LoadGame()
  N = SaveGame.ReadNumber() F = SaveGame.ReadFloat()
  B = SaveGame.ReadBool() S = SaveGame.ReadString()
end
function SysInventoryAddItem(id) Engine.AddInventoryItem({}, "item", id) end
function main() Engine.EnterRoom("Hall") end
)";

class FuzzGame {
public:
    static FuzzGame& Game() {
        static FuzzGame* game = new FuzzGame;
        return *game;
    }

    // A running game with its menu open, as the load page finds it.
    void Fresh() {
        if (session_.Running() && App().World() && App().MenuCount() == 1) return;
        session_.Restart();
        App().OpenMenu();
        static const bool once = std::atexit([] { Game().session_.Stop(); }) == 0;
        (void)once;
    }

    std::string SavePath() const { return session_.Folder() + "/game.sav"; }

private:
    FuzzGame() : session_("fuzz_save", kMainScript) {}

    FuzzGameSession session_;
};

// What the running game stores: dialogs, inventory, script values, flag.
std::vector<uint8_t> State() {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    GameWorld* world = App().World();
    if (!world || !world->Save(out)) std::abort();
    return bytes;
}

void Put(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    FuzzGame& game = FuzzGame::Game();
    game.Fresh();
    platform::ClearMessageBoxLog();
    const std::vector<uint8_t> before = State();
    Put(game.SavePath(), data, size);
    if (!App().LoadGame(game.SavePath().c_str())) {
        if (!App().World() || State() != before) std::abort(); // the game as it was
        DrainDeleteLater();
        return 0;
    }
    // Loaded: what it stores now saves and loads back to itself.
    const std::vector<uint8_t> loaded = State();
    std::vector<uint8_t> again;
    platform::ByteWriter out(again);
    out.S32(40);
    out.Bytes(loaded.data(), loaded.size());
    Put(game.SavePath(), again.data(), again.size());
    App().OpenMenu();
    if (!App().LoadGame(game.SavePath().c_str()) || State() != loaded) std::abort();
    App().OpenMenu();
    DrainDeleteLater();
    return 0;
}
