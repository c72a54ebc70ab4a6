#include "ReplayGame.h"

#include "SaveFileWriter.h"

#include "GameApp.h"
#include "GameEntry.h"
#include "GameStatics.h"
#include "GameWorld.h"

#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TFileCtl.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TCursorRes.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Kernel.h"
#include "platform/Sound.h"
#include "platform/User.h"
#include "ui/TFocusCtl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace testsupport {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kWorldWidth = 800, kWorldHeight = 600;
constexpr char kGameDrive = 'G';
constexpr const char* kProgramPath = "G:\\adventure";

// The environment a run changes, put back as it was when it ends.
class RunEnvironment {
public:
    explicit RunEnvironment(const std::string& folder) {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) runtime_ = runtime;
        // The window lock lives in the folder: a game running elsewhere is
        // no second start.
        std::error_code ignored;
        fs::create_directories(folder + "/run", ignored);
        setenv("XDG_RUNTIME_DIR", (folder + "/run").c_str(), 1);
        // The game sees itself on a drive of its own, as it would on its
        // own machine: the paths it shows (the overwrite question names the
        // file) are the same wherever the copy lies, and so are the frames.
        platform::MapDrive(kGameDrive, folder.c_str());
        platform::SetProgramPathForTests(kProgramPath);
    }
    ~RunEnvironment() {
        if (runtime_)
            setenv("XDG_RUNTIME_DIR", runtime_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        platform::SetProgramPathForTests(nullptr);
        platform::UnmapAllDrives();
    }

private:
    std::optional<std::string> runtime_;
};

// The script's dev lines as the developer switches' file on drive E.
void WriteDevOptions(const std::vector<ReplayStep>& steps, const std::string& folder) {
    std::string text = "[DEBUG]\r\n";
    bool any = false;
    for (const ReplayStep& step : steps)
        if (step.kind == ReplayStep::Kind::Dev) {
            text += step.name + "=" + std::to_string(step.value) + "\r\n";
            any = true;
        }
    if (!any) return;
    std::error_code ignored;
    fs::create_directories(folder + "/dev", ignored);
    std::ofstream(folder + "/dev/Adventuredev.ini", std::ios::binary) << text;
    platform::MapDrive('E', (folder + "/dev").c_str());
}

// The first record of the game's error log (its error and comment);
// empty while the log holds none.
std::string ErrorLogRecord() {
    const char* log = App().GetProtocolPath().c_str();
    const std::string path = log ? platform::MapPath(log, platform::PathUse::Read) : "";
    std::error_code error;
    if (path.empty() || fs::file_size(path, error) == 0 || error) return {};
    std::ifstream in(path);
    std::string record;
    for (std::string line; std::getline(in, line);) {
        const bool head = line.rfind("Error=", 0) == 0 || line.rfind("Warning=", 0) == 0;
        if (record.empty() ? head : line.rfind("Comment=", 0) == 0) record += " " + line;
        if (line.rfind("Comment=", 0) == 0 && !record.empty()) break;
    }
    return "error.log:" + (record.empty() ? std::string(" (no record)") : record);
}

// Ends the game's loops, nested ones too, as its own end does.
void EndGameLoops() {
    TEvent quit;
    quit.SetType(evQuit);
    App().TFocusCtl::HandleEvent(&App(), &quit);
}

bool PutFile(const ReplayStep& step, std::string* why);

ReplayTarget GameTarget() {
    ReplayTarget target;
    target.window = TDispDev::Global().GetWindow();
    // The 800 x 600 game sits in the middle of the window's client area.
    RECT client{};
    GetClientRect(target.window, &client);
    target.originX = (client.right - client.left - kWorldWidth) / 2;
    target.originY = (client.bottom - client.top - kWorldHeight) / 2;
    target.state = &GameStateWords;
    target.errorReport = &ErrorLogRecord;
    target.stop = &EndGameLoops;
    target.put = &PutFile;
    return target;
}

// The host folder of the game's saves; empty when it names none.
std::string SaveFolder() {
    TString scores;
    if (!TFileCtl::HasKey("Main", "Scores") || !TFileCtl::GetPath("Main", "Scores", scores))
        return {};
    return platform::MapPath(scores.c_str(), platform::PathUse::Read);
}

// The bytes of a put step's file: a save of the version before the game's
// (whole otherwise), or one that breaks off inside the dialog it names.
std::string PutBytes(const std::string& kind) {
    SaveFileWriter file;
    if (kind == "version39") {
        file.Version(39).DialogCount(1).Dialog("radio", 0, {}).Inventory().Flag(0);
        return file.Text();
    }
    file.Version().DialogCount(1).Name("radio");
    return file.Text().substr(0, file.Text().size() - 3);
}

bool PutFile(const ReplayStep& step, std::string* why) {
    const std::string folder = SaveFolder();
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) {
        *why = "the game has no save folder";
        return false;
    }
    std::ofstream out(folder + "/" + step.name, std::ios::binary);
    out << PutBytes(step.what);
    if (!out.flush()) *why = "cannot write " + step.name + " into the save folder";
    return bool(out);
}

// The files of the save folder with the hashes of their bytes, by name:
// " saves=NAME:HASH,..."; empty while the folder holds none.
std::string SaveFolderWords() {
    const std::string folder = SaveFolder();
    if (folder.empty()) return {};
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::string words;
    for (const std::string& name : names) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        char hash[24];
        std::snprintf(hash, sizeof hash, ":%08x", unsigned(HashBytes(bytes.data(), bytes.size())));
        words += (words.empty() ? " saves=" : ",") + name + hash;
    }
    return words;
}

} // namespace

namespace {
// The pointer's shape by its resource key: "-" for none or a shape of no key
// (an item's picture).
std::string CursorWord() {
    const TMetaCur* shape =
        TCursDev::Global().IsVisible() ? TCursDev::Global().GetCursorRes(2) : nullptr;
    const char* name = shape ? shape->GetName() : nullptr;
    return std::string(" cursor=") + (name && *name ? name : "-");
}
} // namespace

std::string GameStateWords() {
    GameApp& app = App();
    std::string words = "menu=" + std::to_string(app.MenuFlag()) +
                        " lang=" + std::to_string(Statics().language.Index()) + CursorWord();
    GameWorld* world = app.World();
    if (!world) return words + " world=none" + SaveFolderWords();
    const char* room = world->RoomView().GetName().c_str();
    const InventorySlot* held = world->HeldRecord();
    words += std::string(" room=") + (room && *room ? room : "-");
    words += " dialog=" + std::to_string(world->DialogRunning() ? 1 : 0);
    words += " map=" + std::to_string(world->MapVisible() ? 1 : 0);
    words += " inventory=" + std::to_string(world->InventoryView().IsVisible() ? 1 : 0);
    words += " held=" + (held ? std::to_string(held->id) : std::string("-"));
    return words + SaveFolderWords();
}

GameReplayResult ReplayGame(const std::vector<ReplayStep>& steps, const std::string& folder,
                            bool keepFrames, uint32_t graceMs) {
    GameReplayResult result;
    platform::UseHost(platform::HostKind::Memory);
    platform::ClockUseVirtual(true, 1000);
    platform::SetSoundSink(platform::SoundSinkChoice::Recording);
    platform::SetSoundRecording(true);
    RunEnvironment environment(folder);
    WriteDevOptions(steps, folder);
    // The pointer starts in the corner, wherever a run before in the same
    // process left it: the frames hold it.
    SetCursorPos(0, 0);
    if (!GameSetUp()) {
        result.failure = "another copy of the game runs";
        return result;
    }
    GameApp& app = App();
    if (!app.IsStarted()) {
        app.Shutdown();
        result.failure = "the display did not open";
        return result;
    }
    app.SetScriptedInput(true);
    ReplayDriver driver(steps, GameTarget());
    driver.KeepFrames(keepFrames);
    driver.SetGrace(graceMs);
    if (!driver.Start()) result.failure = "no replay timer";
    app.Show();
    while (result.failure.empty() && app.IsEnabled() && app.IsVisible() && !TError::Notify(0))
        app.ModalStep();
    driver.Finish();
    result.elapsed = driver.Elapsed();
    app.Close();
    app.Shutdown();
    result.checkpoints = driver.Checkpoints();
    if (result.failure.empty()) result.failure = driver.Failure();
    return result;
}

bool CopyGameTree(const std::string& from, const std::string& to, std::string* error) {
    std::error_code code;
    fs::create_directories(to, code);
    if (!code)
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
                 code);
    if (code && error) *error = "cannot copy " + from + " to " + to + ": " + code.message();
    return !code;
}

} // namespace testsupport
