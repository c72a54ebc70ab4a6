// The demo's scripts on the stand-in commands of demo/check: they run to the
// end, use every acting command, name only resources and texts the indexes
// hold, and walk only where the floor is drawn.
#include "DemoCheck.h"
#include "TempDir.h"

#include "Camera3D.h"
#include "RleSprite16.h"
#include "RlaStdioStream.h"
#include "TRlaFile.h"
#include "foundation/TCache.h"
#include "foundation/TFileCtl.h"
#include "foundation/TSectTxt.h"
#include "media/resources/TMetaImg.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

using namespace demotest;

namespace {

const char* kScripts[] = {"main.scr", "rooms/common.scr", "rooms/cabin.scr", "rooms/shore.scr",
                          "init/dialogs.scr"};

// Table.Name of every command the stand-in offers; with `acting`, without the
// names that are the empty function in the game.
std::vector<std::string> Vocabulary(bool acting) {
    const std::string stub = testsupport::ReadTextFile(Source("check/stub.lua"));
    const size_t begin = stub.find("StubVocabulary = {"), end = stub.find("StubPending =");
    std::vector<std::string> out;
    std::string table;
    for (const std::string& line : Split(stub.substr(begin, end - begin), '\n')) {
        const size_t eq = line.find(" = {");
        if (eq != std::string::npos && line.find("StubVocabulary") == std::string::npos)
            table = line.substr(line.find_first_not_of(' '), eq - line.find_first_not_of(' '));
        for (size_t q = line.find('"'); q != std::string::npos; q = line.find('"', q + 1)) {
            const size_t close = line.find('"', q + 1);
            const std::string name = line.substr(q + 1, close - q - 1);
            q = close;
            if (name[0] == '=' && acting) continue;
            out.push_back(table + "." + (name[0] == '=' ? name.substr(1) : name));
        }
    }
    return out;
}

std::vector<const Record*> Calls(const std::string& name) {
    std::vector<const Record*> out;
    for (const Record& r : RunCheck().records)
        if (r.kind == "CALL" && !r.fields.empty() && r.fields[0] == name) out.push_back(&r);
    return out;
}

} // namespace

TEST(DemoScripts, RunToTheEndOnTheStandInCommands) {
    const CheckRun& run = RunCheck();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("CHECK DONE"), std::string::npos) << run.output;
    for (const Record& r : run.records)
        EXPECT_TRUE(r.kind == "CALL" || r.kind == "DIALOG" || r.kind == "PHRASE" ||
                    r.kind == "CHECK DONE")
            << r.kind << " " << (r.fields.empty() ? "" : r.fields[0]);
    // Both rooms are entered, saved and loaded on the way.
    EXPECT_GE(Calls("Engine.EnterRoom").size(), 2u);
    EXPECT_FALSE(Calls("SaveGame.WriteString").empty());
    EXPECT_FALSE(Calls("SaveGame.ReadString").empty());
}

// The check must catch what would break the game: each case spoils a copy of
// the scripts.
TEST(DemoScripts, CheckCatchesBrokenScripts) {
    struct Case {
        const char* file;
        const char* from;
        const char* to;
        const char* says;
    } cases[] = {
        {"rooms/cabin.scr", "Engine.SetRoomImage(0)", "Engine.SetRoomImag(0)",
         "UNKNOWN\tEngine.SetRoomImag"},
        {"rooms/shore.scr", "Sky.SetImage(0)", "Skies.SetImage(0)", "UNSET\tSkies"},
        {"main.scr", "function main()", "function main()\n  for i = 1, 2 do end", "FAIL\tmain.scr"},
        {"rooms/cabin.scr", "Say(\"LOOK_DOOR_LOCKED\")", "Say(\"LOOK_DOOR_LOCK\")",
         "UNDECLARED\t\"LOOK_DOOR_LOCK"},
        {"init/dialogs.scr", "Dialog(\"radio\")", "Dialog(\"radio\"", "FAIL\tinit/dialogs.scr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        testsupport::TempDir dir;
        const std::string copy = dir.File("demo");
        std::filesystem::copy(DEMO_SOURCE, copy, std::filesystem::copy_options::recursive);
        const std::string file = Cat({copy, "/scripts/", c.file});
        std::string text = testsupport::ReadTextFile(file);
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, std::strlen(c.from), c.to);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        const CheckRun run = RunCheckIn(copy);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output.substr(0, 2000);
        EXPECT_EQ(run.output.find("CHECK DONE"), std::string::npos);
    }
}

TEST(DemoScripts, UseEveryActingCommand) {
    std::string sources;
    for (const char* s : kScripts)
        sources += testsupport::ReadTextFile(Source(Cat({"scripts/", s})));
    const std::vector<std::string> names = Vocabulary(true);
    ASSERT_GT(names.size(), 90u);
    for (const std::string& name : names)
        EXPECT_NE(sources.find(name + "("), std::string::npos) << name << " is never used";
}

namespace {

struct RoomRecord {
    Camera3D camera;
    std::vector<Point3D> nodes;
};

float Number(const Record* r, size_t i) {
    return i < r->fields.size() ? std::strtof(r->fields[i].c_str(), nullptr) : 0.0f;
}

// The camera and way lines each room's script set, as the commands record them.
std::map<std::string, RoomRecord> RoomsAsRecorded() {
    std::map<std::string, RoomRecord> rooms;
    RoomRecord* room = nullptr;
    for (const Record& r : RunCheck().records) {
        if (r.kind != "CALL" || r.fields.empty()) continue;
        const std::string& name = r.fields[0];
        if (name == "Engine.EnterRoom") {
            room = &rooms[Text(r.fields.at(1))];
            *room = RoomRecord{};
        }
        if (!room) continue;
        Camera3D& c = room->camera;
        if (name == "Camera.SetPosition")
            c.SetPosition({Number(&r, 1), Number(&r, 2), Number(&r, 3)});
        if (name == "Camera.SetRotation")
            c.SetRotation(Number(&r, 1), Number(&r, 2), Number(&r, 3));
        if (name == "Camera.SetDistance") c.SetDistance(Number(&r, 1));
        if (name == "Camera.SetBaseScale") c.SetBaseScale(Number(&r, 1));
        if (name == "Camera.SetScaleAdjust") c.SetScaleAdjust(Number(&r, 1));
        if (name == "Camera.SetOriginalDistance") c.originalDistance = Number(&r, 1);
        if (name == "Path.Reset") room->nodes.clear();
        if (name == "Path.AddLine") {
            room->nodes.push_back({Number(&r, 1), Number(&r, 2), Number(&r, 3)});
            room->nodes.push_back({Number(&r, 4), Number(&r, 5), Number(&r, 6)});
        }
    }
    return rooms;
}

} // namespace

TEST(DemoScripts, EveryWayNodeProjectsOntoOpaqueFloor) {
    const auto rooms = RoomsAsRecorded();
    ASSERT_EQ(rooms.size(), 2u);
    for (const char* index : {"resource.ini", "resource_de.ini"}) {
        TFileCtl::SetRootPath(DEMO_TREE);
        TFileCtl::SetProfile(Tree(index).c_str());
        for (const auto& [name, room] : rooms) {
            SCOPED_TRACE(Cat({index, " ", name}));
            ASSERT_GE(room.nodes.size(), 4u);
            TString path;
            ASSERT_TRUE(TFileCtl::GetPath("Pictures", ("rla" + name + "Back").c_str(), path));
            RlaStdioStream stream;
            TRlaFile back;
            ASSERT_TRUE(stream.Open(path.c_str(), "rb") && back.Open(&stream));
            ASSERT_GT(back.FrameCount(0), 0);
            for (int32_t f = 0; f < back.FrameCount(0); ++f) {
                auto* sprite = dynamic_cast<RleSprite16*>(back.GetFrame(0, f));
                ASSERT_NE(sprite, nullptr);
                for (Point3D p : room.nodes) {
                    const Point3D at = p;
                    room.camera.Transform(p);
                    ASSERT_GT(p.z, 0.0f);
                    room.camera.Project(p);
                    const int32_t x = int32_t(std::lround(p.x)) - sprite->x;
                    const int32_t y = int32_t(std::lround(p.y)) - sprite->y;
                    EXPECT_TRUE(x >= 0 && y >= 0 && x < 800 && y < 600 && sprite->IsOpaqueAt(x, y))
                        << "node (" << at.x << ", " << at.y << ", " << at.z << ") frame " << f
                        << " at " << x << ", " << y;
                }
            }
        }
    }
}

namespace {

// Entries of an album key and the frames of one entry; 0 when it does not load.
int32_t AlbumEntries(const char* key) {
    TMetaImg album(key);
    album.Update();
    return album.GetKind() == TMetaImg::kAlbum && album.IsLoaded() ? album.EntryCount() : 0;
}

int32_t AlbumFrames(const char* key, int32_t entry) {
    TMetaImg album(key);
    album.Update();
    return album.IsLoaded() ? album.GetFrameCount(entry) : 0;
}

std::string RoomOf(const std::vector<Record>& records, const Record* call) {
    std::string room;
    for (const Record& r : records) {
        if (&r == call) break;
        if (r.kind == "CALL" && r.fields[0] == "Engine.EnterRoom") room = Text(r.fields.at(1));
    }
    return room;
}

} // namespace

TEST(DemoScripts, NamesOnlyWhatBothIndexesHold) {
    const std::vector<Record>& records = RunCheck().records;
    for (const char* index : {"resource.ini", "resource_de.ini"}) {
        SCOPED_TRACE(index);
        TFileCtl::SetRootPath(DEMO_TREE);
        TFileCtl::SetProfile(Tree(index).c_str());
        TCache::Global().Start();
        // Hints: elements in their room's text, actors, items and places in txtHint.
        for (const char* show : {"Engine.ShowObject", "Engine.ShowZone"})
            for (const Record* r : Calls(show))
                EXPECT_TRUE(HasSection("txt" + RoomOf(records, r), Text(r->fields.at(2))))
                    << Text(r->fields.at(2));
        for (const Record* r : Calls("Engine.ShowActor")) {
            char name[16];
            std::snprintf(name, sizeof name, "Actor%02d", std::atoi(r->fields.at(3).c_str()));
            EXPECT_TRUE(HasSection("txtHint", name)) << name;
        }
        for (const Record* r : Calls("Engine.AddInventoryItem"))
            EXPECT_TRUE(HasSection("txtHint", Text(r->fields.at(2))));
        for (const Record* r : Calls("Engine.CreateMapEntry"))
            EXPECT_TRUE(HasSection("txtHint", "Map" + Text(r->fields.at(2))));
        // Every phrase has its text; all but one have speech.
        TString found;
        ASSERT_TRUE(TFileCtl::GetPath("Main", "PathDialog", found));
        std::string speech = found.c_str();
        std::replace(speech.begin(), speech.end(), '\\', '/');
        int32_t silent = 0, phrases = 0;
        for (const Record& r : records) {
            if (r.kind != "PHRASE") continue;
            ++phrases;
            EXPECT_TRUE(HasSection("txtDialoge", Text(r.fields.at(0)))) << r.fields.at(0);
            silent += !std::filesystem::exists(Cat({speech, Text(r.fields.at(0)), ".wav"}));
        }
        EXPECT_GT(phrases, 10);
        EXPECT_EQ(silent, 1);
        // Sounds, music and cursors the scripts name are keys of the index.
        const std::pair<const char*, size_t> waves[] = {
            {"Engine.PlaySound", 1}, {"Engine.ActorAddWalkSound", 2}, {"Engine.EnterRoom", 2}};
        for (const auto& [call, field] : waves)
            for (const Record* r : Calls(call)) {
                if (r->fields.size() <= field) continue; // a room without music
                const std::string wave = Text(r->fields[field]);
                EXPECT_TRUE(TFileCtl::HasKey("Waves", wave.c_str())) << wave;
            }
        for (const Record* r : Calls("Cursor.Create"))
            EXPECT_TRUE(TFileCtl::HasKey("Cursors", Text(r->fields.at(1)).c_str()));
        for (const char* section :
             {"SHUTDOWN", "GAME_NEW_WARNING", "GAME_OVERWRITE_WARNING", "GAME_SAVE_FAILED",
              "GAME_LOAD_WRONG_VERSION", "GAME_LOAD_FAILED", "STDERROR_CAPTION", "STDQUEST_CANCEL",
              "STDQUEST_OK", "STDQUEST_YES", "STDQUEST_NO"})
            EXPECT_TRUE(HasSection("txtMain", section)) << section;
        // The error texts the game's start reads, "0" up to the first gap.
        TString errors;
        ASSERT_TRUE(TFileCtl::GetPath("Config", "error", errors));
        TSectTxt table;
        table.SetPath(errors.c_str());
        ASSERT_TRUE(table.Load());
        int32_t codes = 0;
        for (;; ++codes) {
            table.SetSection(std::to_string(codes).c_str());
            if (!table.GetSection()) break;
        }
        table.Unload();
        EXPECT_GE(codes, 64) << "the engine's codes 0 to 63 each have a text";
        // Albums are (frame, entry) to the game: an entry per item id with its
        // normal and lit frames, an entry per speaker, the five panels.
        for (const Record* r : Calls("Engine.AddInventoryItem")) {
            const int32_t id = std::atoi(r->fields.at(3).c_str());
            EXPECT_GT(AlbumEntries("albInventory"), id);
            EXPECT_GE(AlbumFrames("albInventory", id), 2);
        }
        for (const Record& r : records) {
            if (r.kind != "PHRASE") continue;
            EXPECT_GT(AlbumEntries("albSpeechAnims"), std::atoi(r.fields.at(1).c_str()));
        }
        EXPECT_EQ(AlbumEntries("albPanels"), 5);
    }
}
