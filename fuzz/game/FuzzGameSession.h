// The one-room test game the game's fuzzers play their inputs in: written
// once into a temporary folder with the fuzzer's main script (the game's
// menu switched off), and started (again) on the memory host and virtual
// time whenever the fuzzer needs a fresh game. The engine goes at exit, and with it what the
// graphics library holds: the fuzzer stops the session from an exit handler registered after the
// engine's own statics.
#pragma once

#include "GameApp.h"
#include "GameEntry.h"
#include "GameFixture.h"
#include "GameStatics.h"
#include "MemoryDesktop.h"

#include "platform/File.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class FuzzGameSession {
public:
    FuzzGameSession(const char* name, const char* mainScript) {
        std::string folder = std::string("/tmp/") + name + ".XXXXXX";
        if (!mkdtemp(folder.data())) std::abort();
        folder_ = folder;
        tools::GameFixture fixture;
        fixture.appName = std::string(name) + " " + std::to_string(getpid());
        fixture.className = name;
        fixture.mainScript = mainScript;
        std::string error;
        if (!tools::WriteGameFixture(folder_, fixture, &error)) std::abort();
        // The developer switches on drive E: the input plays in a game, not
        // in the menu the finished game starts with.
        if (mkdir((folder_ + "/dev").c_str(), 0700) != 0) std::abort();
        FILE* dev = std::fopen((folder_ + "/dev/Adventuredev.ini").c_str(), "wb");
        if (!dev) std::abort();
        std::fputs("[DEBUG]\r\nShowGameMenu=0\r\n", dev);
        std::fclose(dev);
    }

    const std::string& Folder() const { return folder_; }
    bool Running() const { return engine_ != nullptr; }

    // A new engine and the game started and shown in it.
    void Restart() {
        Stop();
        engine_ = std::make_unique<TEngine>(
            platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        testsupport::UseMemoryDesktop(16);
        platform::SetProgramPathForTests((folder_ + "/adventure").c_str());
        platform::MapDrive('E', (folder_ + "/dev").c_str());
        if (!GameSetUp() || !App().IsStarted()) std::abort();
        App().Show();
        RunTicks(1);
    }

    void Stop() {
        if (!engine_) return;
        App().Close();
        App().Shutdown();
        engine_.reset();
    }

private:
    std::string folder_;
    std::unique_ptr<TEngine> engine_;
};
