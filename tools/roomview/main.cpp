// roomview: shows a room in an 800 x 600 window before any script exists.
// The room is loaded by its keys from the resource index; a scene file
// places objects, zones, way lines and actors, one per line:
//
//   object NAME GROUP X Y [local]   frame group of the room's objects at (X, Y)
//   zone NAME X Y W H               a click zone (outlined with --zones)
//   line X1 Y1 Z1 X2 Y2 Z2          a walkable line of the way graph
//   actor NUMBER X Y Z IDLE WALK    actor NUMBER at (X, Y, Z) with an idle and
//                                   a walk group; the first actor is the player
//   sky INDEX                       the sky picture (-1 hides the sky)
//   # ...                           a comment
//
// A click on the background walks the player to the nearest way point; G
// shows and hides the way graph; the close button ends the program.
//
//   roomview INDEX ROOM SCENE [--zones] [--filter] [--graph]
//            [--ticks N --png FILE [--click X,Y]]
//
// --zones outlines the zones, --filter draws actors filtered, --graph shows
// the way graph from the start. --ticks N --png FILE runs headless on virtual
// time for N ticks, after a left click at (X, Y) when given, and writes the
// last frame; without a display it runs so for 20 ticks and writes nothing.
// A missing index, an unknown room or a background that cannot be read is
// reported and fails (exit code 1).
#include "CommandLine.h"
#include "DesktopHost.h"
#include "GameServices.h"
#include "RoomPaths.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoom.h"

#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/devices/TDispDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"
#include "ui/TEngine.h"
#include "ui/TWinApp.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct Options {
    std::string index, room, scene, png;
    long ticks = -1;
    int clickX = -1, clickY = -1;
    bool graph = false;
    bool zones = false;
    bool filter = false;
};

bool Parse(int argc, char** argv, Options& o) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--zones") {
            o.zones = true;
        } else if (a == "--filter") {
            o.filter = true;
        } else if (a == "--ticks" && i + 1 < argc) {
            int64_t ticks = 0;
            if (!tools::ParseOptionNumber("roomview", "--ticks", argv[++i], 0, INT32_MAX, &ticks))
                return false;
            o.ticks = long(ticks);
        } else if (a == "--click" && i + 1 < argc) {
            if (!tools::ParsePoint(argv[++i], 0, 32767, &o.clickX, &o.clickY)) return false;
        } else if (a == "--graph") {
            o.graph = true;
        } else if (a == "--png" && i + 1 < argc) {
            o.png = argv[++i];
        } else if (positional < 3 && a.compare(0, 2, "--") != 0) {
            (positional == 0 ? o.index : positional == 1 ? o.room : o.scene) = a;
            ++positional;
        } else {
            return false;
        }
    }
    return positional == 3 && (o.png.empty() || o.ticks >= 0);
}

// The viewer's game: no scripts, the developer options it was asked for.
class ViewerGame : public SilentGame {
public:
    ViewerGame(bool zones, bool filter) : zones_(zones), filter_(filter) {}
    int32_t Filtering() override { return filter_; }
    int32_t ShowZones() override { return zones_; }

private:
    bool zones_, filter_;
};

// G toggles the way graph; every key goes on to the room afterwards.
struct GraphKey : TObject {
    int OnKey(TObject*, TEvent* event) {
        if (event && (event->KeyChar() | 0x20) == 'g') {
            WayGraphView& view = room->GetWayGraphView();
            view.SetVisible(!view.IsVisible());
            view.Invalidate(true);
            room->Invalidate(true);
        }
        return 0;
    }
    TRoom* room = nullptr;
};

// Counts the ticks the loop hands the application; they go on to the room.
struct TickCount : TObject {
    int OnTick(TObject*, TEvent*) {
        ++ticks;
        return 0;
    }
    long ticks = 0;
};

// More loop steps than one tick's events and frame take.
constexpr long kStepsPerTick = 100;

ActorAnimRecord AllDirections(int32_t group) {
    ActorAnimRecord r;
    for (AnimEntry& e : r.entries) {
        e.group = group;
        e.interval = 100;
        e.pauseMin = e.pauseMax = 100;
    }
    return r;
}

// One scene line into the room; false for a line it cannot read.
bool PlaceLine(TRoom& room, const std::string& line) {
    std::istringstream in(line);
    std::string kind, name;
    if (!(in >> kind) || kind[0] == '#') return true;
    if (kind == "object") {
        int32_t group = 0, x = 0, y = 0;
        std::string local;
        if (!(in >> name >> group >> x >> y)) return false;
        in >> local;
        TRlaFile& source = local == "local" ? room.LocalItems() : room.Objects();
        if (source.FrameCount(group) <= 0)
            std::fprintf(stderr, "roomview: object %s: no pictures in group %d of the room's %s\n",
                         name.c_str(), group, local == "local" ? "local items" : "objects");
        auto* o = static_cast<TAnimObject*>(room.CreateElement(0, name.c_str(), 0));
        if (!o) return false;
        o->SetSource(&source);
        AnimEntry* e = o->MakeEntry();
        if (!e) return false;
        e->group = group;
        e->x = x;
        e->y = y;
        o->SetImage(group, 0);
        return true;
    }
    if (kind == "zone") {
        int32_t x = 0, y = 0, w = 0, h = 0;
        if (!(in >> name >> x >> y >> w >> h)) return false;
        TRoomElement* zone = room.CreateElement(2, name.c_str(), 0);
        if (zone) zone->SetRect(x, y, w, h);
        return zone != nullptr;
    }
    if (kind == "line") {
        Point3D a, b;
        if (!(in >> a.x >> a.y >> a.z >> b.x >> b.y >> b.z)) return false;
        room.GetWayGraph().AddLine(a, b);
        return true;
    }
    if (kind == "actor") {
        int32_t number = 0, idle = 0, walk = 0;
        Point3D p;
        if (!(in >> number >> p.x >> p.y >> p.z >> idle >> walk)) return false;
        TActor* actor = room.ShowActor(-1, number);
        if (!actor) {
            std::fprintf(stderr, "roomview: no pictures for actor %d\n", number);
            return true;
        }
        actor->AddAnim(TActor::alIdle, AllDirections(idle));
        actor->AddAnim(TActor::alWalk, AllDirections(walk));
        actor->SetPosition(p);
        if (room.GetPlayerActor() == -1) room.SetPlayerActor(number);
        return true;
    }
    if (kind == "sky") {
        int32_t index = 0;
        if (!(in >> index)) return false;
        room.GetSky().SetVisible(index >= 0);
        if (index >= 0) room.GetSky().SetImage(index);
        return true;
    }
    return false;
}

// A scene is text: a byte below the space other than a tab or a line end
// means some other file was given.
bool IsText(const std::string& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}

// Unreadable lines are reported (a few of them, shown safely) and skipped; a
// file that is no text, or where no line is a scene line, fails.
bool LoadScene(TRoom& room, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "roomview: cannot read %s\n", path.c_str());
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    if (!IsText(bytes)) {
        std::fprintf(stderr, "roomview: %s is no scene: not a text file\n", path.c_str());
        return false;
    }
    constexpr int kShown = 5;
    int placed = 0, refused = 0;
    std::istringstream lines(bytes);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (PlaceLine(room, line)) {
            placed += first != std::string::npos && line[first] != '#';
        } else if (++refused <= kShown) {
            std::fprintf(stderr, "roomview: %s:%d: cannot read \"%s\"\n", path.c_str(), number,
                         tools::Printable(line).c_str());
        }
    }
    if (refused > kShown)
        std::fprintf(stderr, "roomview: %s: %d more lines cannot be read\n", path.c_str(),
                     refused - kShown);
    if (refused > 0 && placed == 0) {
        std::fprintf(stderr, "roomview: %s is no scene: none of its lines places anything\n",
                     path.c_str());
        return false;
    }
    return true;
}

// A room whose pictures did not load would only draw black: says which key
// or file failed. The background is required; objects and local items only
// where the index names them.
bool CheckPictures(TRoom& room, const Options& o) {
    const struct {
        const char* suffix;
        TRlaFile& file;
        bool required;
    } containers[] = {{"Back", room.Background(), true},
                      {"ObjAni", room.Objects(), false},
                      {"LocItem", room.LocalItems(), false}};
    bool ok = true;
    for (const auto& c : containers) {
        const std::string key = "rla" + o.room + c.suffix;
        TString path;
        if (!ResourceFile("Pictures", key.c_str(), path)) {
            if (c.required)
                std::fprintf(stderr, "roomview: no room %s: %s has no key %s in [Pictures]\n",
                             o.room.c_str(), o.index.c_str(), key.c_str());
            ok = ok && !c.required;
            continue;
        }
        const std::string shown = tools::DisplayPath(path.c_str());
        if (c.file.GetState() != TRlaFile::Reading) {
            std::fprintf(stderr, "roomview: %s: %s is missing or no picture container\n",
                         key.c_str(), shown.c_str());
            ok = false;
        } else if (c.required && !c.file.GetFrame(0, 0)) {
            std::fprintf(stderr, "roomview: %s: %s: its first picture cannot be read\n",
                         key.c_str(), shown.c_str());
            ok = false;
        }
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: roomview INDEX ROOM SCENE [--zones] [--filter] [--graph] "
                             "[--ticks N --png FILE [--click X,Y]]\n");
        return 2;
    }
    std::error_code error;
    const std::filesystem::path index = std::filesystem::absolute(options.index, error);
    if (!std::filesystem::is_regular_file(index, error)) {
        std::fprintf(stderr, "roomview: cannot read the resource index %s\n",
                     options.index.c_str());
        return 1;
    }
    bool headless = !options.png.empty();
    if (headless)
        platform::UseHost(platform::HostKind::Memory);
    else if (!tools::OnDesktop("roomview", "loading the room headless for 20 ticks"))
        headless = true;
    if (headless) platform::ClockUseVirtual(true, 1000);
    if (options.ticks < 0) options.ticks = 20;
    ViewerGame game(options.zones, options.filter);
    SetGameServices(&game);
    int result = 0;
    {
        TWinApp app;
        app.SetPaths((index.parent_path() / "roomview").string().c_str());
        TFileCtl::SetProfile(index.string().c_str());
        TFileCtl::ReadBasePath();
        TDispDev& display = TDispDev::Global();
        display.SetClassName("RoomView");
        display.SetTitle("roomview");
        display.SetDriverFlags(TDispDev::fWindowed | TDispDev::fDirtyRect);
        display.SetMode(800, 600, 16);
        app.SetFreq(20);
        app.Start();
        if (!app.IsStarted()) {
            std::fprintf(stderr, "roomview: the display did not open\n");
            SetGameServices(nullptr);
            return 1;
        }
        app.SetRect(0, 0, 800, 600);
        auto room = std::make_unique<TRoom>();
        room->Init(&app);
        room->EnterRoom(options.room.c_str(), nullptr);
        GraphKey key;
        key.room = room.get();
        app.Add<GraphKey, &GraphKey::OnKey>(evKeyDown, &key);
        if (!CheckPictures(*room, options) || !LoadScene(*room, options.scene)) result = 1;
        room->SortElements(1);
        if (options.graph) room->GetWayGraphView().SetVisible(true);
        if (result == 0 && headless) {
            TickCount count;
            app.Add<TickCount, &TickCount::OnTick>(evTick, &count);
            app.Show();
            if (options.clickX >= 0) {
                HWND window = display.GetWindow();
                platform::InjectMouseMove(window, options.clickX, options.clickY);
                for (bool down : {true, false})
                    platform::InjectMouseButton(window, platform::MouseButton::Left, down,
                                                options.clickX, options.clickY);
            }
            // An idle step waits on the virtual clock for the next tick; the
            // last tick's frame is painted before the loop runs idle again.
            for (long guard = 0;
                 count.ticks < options.ticks && guard / kStepsPerTick <= options.ticks; ++guard)
                app.ModalStep();
            for (long guard = 0; guard < kStepsPerTick && app.ModalStep(); ++guard) {
            }
            const platform::Frame frame = platform::PresentedFrame(display.GetWindow());
            if (!options.png.empty() && !platform::WriteFramePng(frame, options.png.c_str())) {
                std::fprintf(stderr, "roomview: cannot write %s\n", options.png.c_str());
                result = 1;
            }
        } else if (result == 0) {
            app.ShowModal();
        }
        room.reset();
        app.Stop();
    }
    SetGameServices(nullptr);
    return result;
}
