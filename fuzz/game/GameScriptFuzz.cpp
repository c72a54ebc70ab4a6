// Hostile scripts in a running game: each input is played in a fresh world
// of the one-room test game on the memory host and virtual time. The first
// bytes are calls of the scripts' commands (every name of the vocabulary,
// include, Error and a few host actions: a new game, a close request or a
// log-off query from inside a script, events, end actions, nested loop
// steps) with hostile arguments (huge, negative and NaN numbers, long and odd
// strings, tables, functions, live and stale element handles), with ticks of
// the main loop between them; the rest of the input runs as script text.
// Nothing may crash, hang or touch memory it does not own; the game goes on
// or ends through its own path.
#include "GameApp.h"
#include "GameEntry.h"
#include "GameFixture.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "LuaScript.h"
#include "MemoryDesktop.h"
#include "ScriptCommands.h"
#include "ScriptEvents.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "ElementHandle.h"
#include "TActor.h"

#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/User.h"
#include "luahost.h"
#include "media/devices/TDispDev.h"
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

// Globals of the io library that would reach the console, the file system
// or other processes, or end the process: gone from every main state.
const char* const kMainScript = R"(
execute = nil exit = nil remove = nil rename = nil tmpname = nil
writeto = nil appendto = nil readfrom = nil read = nil write = nil
openfile = nil closefile = nil seek = nil flush = nil debug = nil
setlocale = nil dofile = nil print = nil

Game = {} Map = {} P = {} H = {}
function Act() Engine.HideActor(H[1]) Engine.EnterRoom('Hall') end
function Game.DoTickAction() if OnTick then OnTick() end end
function Game.DoMapAction(v) if OnEvent then OnEvent(v) end end
function Game.DoAction(e) if OnEvent then OnEvent(e) end end
function Game.DoUseItem(e, i) if OnEvent then OnEvent(e, i) end end
function Map.DoShow() if OnEvent then return OnEvent() end end
function main()
  Engine.EnterRoom('Hall')
  H[1] = Engine.ShowActor(P, 'x', 0)
end
)";

// The arguments the calls choose from, as script expressions.
const char* const kValues[] = {"nil",
                               "0",
                               "1",
                               "-1",
                               "7",
                               "123",
                               "0.9999999",
                               "2.9999999",
                               "-2.5",
                               "2147483647",
                               "2147483648",
                               "-2147483649",
                               "1e300",
                               "-1e300",
                               "(0/0)",
                               "(1/0)",
                               "''",
                               "'Hall'",
                               "'Gone'",
                               "'step'",
                               "'main.scr'",
                               "'init/dialogs.scr'",
                               "strrep('A', 300)",
                               "strrep('B', 5000)",
                               "'%s%n%d'",
                               "'..\\\\..\\\\x'",
                               "' 12 '",
                               "'0x10'",
                               "{}",
                               "P",
                               "function() end",
                               "Act",
                               "Host",
                               "H[1]",
                               "H[2]",
                               "H[3]",
                               "H[4]",
                               "Engine",
                               "Error",
                               "{1, 50, 1e9, -1e9, 0, 1e300, -(0/0), 0}",
                               "{{5, 120, 0, 0, 0, 0, 0, -1}}",
                               "{[0] = {2, 10}, [5] = {1e300, 1e300, 0, 0, 0, 0, 0, 1e-300}}"};

// Script functions besides the vocabulary.
const char* const kExtras[] = {"Error", "include", "Host", "Act", "main"};

// --- What a script may ask of the host besides its commands ----------------------------

void NewGameNow() {
    App().OpenMenu();
    App().NewGame();
}

void Host() {
    GameWorld* world = App().World();
    const int32_t op = IntParam(1);
    switch (uint32_t(op) % 8) {
        case 0: NewGameNow(); break;
        case 1:
            PostMessageA(TDispDev::Global().GetWindow(),
                         (IntParam(2) & 1) ? WM_QUERYENDSESSION : WM_CLOSE, 0, 0);
            break;
        case 2: {
            int32_t first = -1, second = -1;
            ScriptRef(first, ObjectParam(2));
            ScriptRef(second, ObjectParam(3));
            ScriptCallGameEvent("Game", "DoUseItem", first, second);
            ScriptUnref(first);
            ScriptUnref(second);
            break;
        }
        case 3:
            if (world) world->DoShow();
            break;
        case 4: {
            int32_t value = -1;
            ScriptRef(value, ObjectParam(2));
            if (world) world->DoMapAction(value);
            ScriptUnref(value);
            break;
        }
        case 5:
            if (world && world->OpenGameMenu() == 0) world->CloseGameMenu();
            break;
        case 6:
            if (auto* actor = dynamic_cast<TActor*>(ElementParam(2))) {
                ScriptRef(actor->walkEndAction, ObjectParam(3));
                ScriptCallRefOnce(actor->walkEndAction);
            }
            break;
        default: RunTicks(IntParam(2) & 15); break;
    }
}

// --- The game the inputs play in --------------------------------------------------------

class FuzzGame;
FuzzGame& TheGame();

class FuzzGame {
public:
    FuzzGame() {
        char folder[] = "/tmp/fuzz_game.XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        folder_ = folder;
        tools::GameFixture fixture;
        fixture.appName = "Fuzz game " + std::to_string(getpid());
        fixture.className = "FuzzGame";
        fixture.mainScript = kMainScript;
        std::string error;
        if (!tools::WriteGameFixture(folder_, fixture, &error)) std::abort();
        LuaScript::instructionBudget = 200000;
    }

    // A fresh world for the input: a new game, or a new start where the last
    // input ended the game or left it in a menu.
    void Fresh() {
        if (engine_ && Playing()) {
            NewGameNow();
            RunTicks(1);
            if (Playing()) return;
        }
        Restart();
    }

    static bool Playing() {
        GameApp& app = App();
        return app.IsStarted() && app.IsEnabled() && app.IsVisible() && app.World() &&
               app.World()->MainState() && app.MenuCount() == 0 && app.MenuFlag() == 0;
    }

    // Runs `text` in the current world's main state, kept to a small memory.
    static void Run(const std::string& text) {
        GameWorld* world = App().World();
        if (text.empty() || !world || !world->MainState()) return;
        LuaScript& main = *world->MainState();
        {
            LuaStateScope scope(main.State());
            lua_setmemorylimit(size_t{32} << 20);
        }
        main.RegisterGlobalFunction(&Host, "Host");
        // FUZZ_SHOW=1 writes each script out, to read what an input does.
        if (std::getenv("FUZZ_SHOW")) std::fprintf(stderr, "--- script\n%s\n", text.c_str());
        main.RunString(text.c_str());
    }

    void Stop() {
        if (!engine_) return;
        App().Close();
        App().Shutdown();
        engine_.reset();
    }

private:
    void Restart() {
        Stop();
        engine_ = std::make_unique<TEngine>(
            platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        testsupport::UseMemoryDesktop(16);
        platform::SetProgramPathForTests((folder_ + "/adventure").c_str());
        if (!GameSetUp() || !App().IsStarted()) std::abort();
        App().Show();
        RunTicks(1);
        // The engine goes at exit, and with it what the graphics library
        // holds; registered after the engine's own statics, it runs first.
        static const bool once = std::atexit([] { TheGame().Stop(); }) == 0;
        (void)once;
    }

    std::string folder_;
    std::unique_ptr<TEngine> engine_;
};

FuzzGame& TheGame() {
    static FuzzGame* game = new FuzzGame;
    return *game;
}

// The names a call may use: the vocabulary, then the extras.
const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const ScriptCommand& c : ScriptCommands())
            all.push_back(c.table ? std::string(c.table) + "." + c.name : c.name);
        for (const char* extra : kExtras)
            all.push_back(extra);
        return all;
    }();
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 14) return 0;
    FuzzGame& game = TheGame();
    game.Fresh();
    platform::ClearMessageBoxLog();
    size_t at = 0;
    const int calls = size ? data[at++] % 24 : 0;
    std::string chunk;
    for (int i = 0; i < calls && at + 2 <= size; ++i) {
        const std::string& name = Names()[data[at++] % Names().size()];
        const uint8_t flags = data[at++];
        std::string call = (flags & 8) ? "H[" + std::to_string(1 + (flags >> 6)) + "] = " : "";
        call += name + "(";
        for (int a = 0; a < (flags & 7) && at < size; ++a)
            call += std::string(a ? ", " : "") + kValues[data[at++] % std::size(kValues)];
        chunk += call + ")\n";
        if (flags & 16) {
            FuzzGame::Run(chunk);
            chunk.clear();
            RunTicks((flags >> 5) * 3);
        }
    }
    FuzzGame::Run(chunk);
    FuzzGame::Run(std::string(reinterpret_cast<const char*>(data + at), size - at));
    RunTicks(3);
    return 0;
}
