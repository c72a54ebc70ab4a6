// replay SCRIPT [--game DIR] [--golden FILE] [--record] [--png DIR]: plays a
// replay script on a copy of the game's tree (the demo game beside the
// program by default) headless on virtual time, prints each checkpoint and
// compares them with the goldens (SCRIPT with ".golden" for its extension);
// --record writes the goldens instead, --png DIR each checkpoint's frame.
#include "ReplayGame.h"

#include "ui/TEngine.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

struct Arguments {
    std::string script, game, golden, png;
    bool record = false;
};

bool ReadArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool valued = word == "--game" || word == "--golden" || word == "--png";
        if (valued && i + 1 >= argc) return false;
        if (word == "--game")
            args.game = argv[++i];
        else if (word == "--golden")
            args.golden = argv[++i];
        else if (word == "--png")
            args.png = argv[++i];
        else if (word == "--record")
            args.record = true;
        else if (word.empty() || word[0] == '-' || !args.script.empty())
            return false;
        else
            args.script = word;
    }
    if (args.script.empty()) return false;
    if (args.game.empty())
        args.game = (fs::canonical("/proc/self/exe").parent_path() / "../../game").string();
    if (args.golden.empty()) args.golden = fs::path(args.script).replace_extension(".golden");
    return true;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// A folder of the run's own under the system's temporary folder.
std::string MakeRunFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        const fs::path folder = base / ("replay-" + std::to_string(random()));
        if (fs::create_directory(folder, error)) return folder.string();
    }
    return {};
}

bool WriteFrames(const testsupport::GameReplayResult& run, const std::string& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    for (size_t i = 0; i < run.checkpoints.size(); ++i) {
        const auto& checkpoint = run.checkpoints[i];
        char name[32];
        std::snprintf(name, sizeof name, "%03zu-", i + 1);
        const std::string path = folder + "/" + name + checkpoint.name + ".png";
        if (!platform::WriteFramePng(checkpoint.picture, path.c_str())) {
            std::fprintf(stderr, "replay: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

// Compares with or records the goldens; false when they differ or cannot be
// read or written.
bool Goldens(const testsupport::GameReplayResult& run, const Arguments& args) {
    if (args.record) {
        std::ofstream out(args.golden, std::ios::binary);
        for (const auto& checkpoint : run.checkpoints)
            out << testsupport::FormatCheckpoint(checkpoint) << "\n";
        if (!out) std::fprintf(stderr, "replay: cannot write %s\n", args.golden.c_str());
        return bool(out);
    }
    std::string golden;
    if (!ReadFile(args.golden, golden)) {
        std::fprintf(stderr, "replay: no goldens in %s (--record writes them)\n",
                     args.golden.c_str());
        return false;
    }
    const auto differences = testsupport::CompareCheckpoints(run.checkpoints, golden);
    for (const std::string& difference : differences)
        std::fprintf(stderr, "replay: %s\n", difference.c_str());
    return differences.empty();
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!ReadArguments(argc, argv, args)) {
        std::fprintf(stderr, "usage: replay SCRIPT [--game DIR] [--golden FILE] [--record] "
                             "[--png DIR]\n");
        return 2;
    }
    std::string text, error;
    std::vector<testsupport::ReplayStep> steps;
    if (!ReadFile(args.script, text)) {
        std::fprintf(stderr, "replay: cannot read %s\n", args.script.c_str());
        return 1;
    }
    if (!testsupport::ParseReplay(text, &steps, &error)) {
        std::fprintf(stderr, "replay: %s: %s\n", args.script.c_str(), error.c_str());
        return 1;
    }
    const std::string folder = MakeRunFolder();
    if (folder.empty() || !testsupport::CopyGameTree(args.game, folder, &error)) {
        std::fprintf(stderr, "replay: %s\n",
                     folder.empty() ? "no temporary folder" : error.c_str());
        return 1;
    }
    const auto began = std::chrono::steady_clock::now();
    testsupport::GameReplayResult run;
    {
        TEngine engine;
        run = testsupport::ReplayGame(steps, folder, !args.png.empty());
    }
    const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - began);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    for (const auto& checkpoint : run.checkpoints)
        std::printf("%s\n", testsupport::FormatCheckpoint(checkpoint).c_str());
    bool ok = run.failure.empty();
    if (!ok) std::fprintf(stderr, "replay: failed: %s\n", run.failure.c_str());
    // A failed run's frames show where it went wrong.
    if (!args.png.empty() && !WriteFrames(run, args.png)) ok = false;
    if (ok) ok = Goldens(run, args);
    std::printf("replay: %zu checkpoints, %u ms of game time in %lld ms: %s\n",
                run.checkpoints.size(), run.elapsed, static_cast<long long>(real.count()),
                ok ? (args.record ? "recorded" : "ok") : "FAILED");
    return ok ? 0 : 1;
}
