// Shared set-up of the game's suites: the memory host on virtual time, a
// folder of the test's own that is the program's folder (a one-room game is
// written there) and drive E (the developer options: the game starts without
// its menu unless a test asks for it), a caption of the test's
// own (a running copy is found machine-wide), and the message boxes as the
// record of what the scripts did: a script calls Error("text").
#pragma once

#include "GameApp.h"
#include "GameEntry.h"
#include "GameFixture.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "LuaScript.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Host.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gametest {

// The messages of the boxes shown so far that begin with `prefix` (a script
// error's report without its lines of active functions).
inline std::vector<std::string> Boxes(const std::string& prefix = "") {
    std::vector<std::string> texts;
    for (const platform::BoxRecord& box : platform::MessageBoxLog())
        if (box.text.compare(0, prefix.size(), prefix) == 0)
            texts.push_back(box.text.substr(0, box.text.find("\n\n")));
    return texts;
}

// The notes of the script host (missing parameters and scripts).
inline std::vector<std::string>& Notes() {
    static std::vector<std::string> notes;
    return notes;
}
inline void RecordNote(const char* text) {
    Notes().push_back(text);
}
// The notes of a one-line script that left out the arguments `positions`,
// in that order.
inline std::vector<std::string> MissingNotes(const std::vector<int>& positions) {
    std::vector<std::string> notes;
    for (int n : positions)
        notes.push_back("ScriptErr: Missing parameter " + std::to_string(n) + " at line 1");
    return notes;
}

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop(16);
        platform::ClearMessageBoxLog();
        platform::SetProgramPathForTests(dir.File("adventure").c_str());
        platform::MapDrive('E', dir.File("e").c_str());
        Notes().clear();
        // A test plays its game from the start; one that wants the menu
        // first says so.
        WriteDevOptions("[DEBUG]\r\n");
        fixture.appName = std::string("Adventure ") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fixture.className = "AdventureTest";
    }
    void TearDown() override {
        platform::UnmapAllDrives();
        platform::SetProgramPathForTests(nullptr);
    }

    void WriteGame() {
        std::string error;
        ASSERT_TRUE(tools::WriteGameFixture(dir.Path().string(), fixture, &error)) << error;
    }
    // The developer switches' file as written.
    void WriteDevFile(const std::string& text) { dir.Write("e/Adventuredev.ini", text); }
    // The switches of `text` ("[DEBUG]" and its lines): the game starts
    // without its menu unless `text` sets ShowGameMenu.
    void WriteDevOptions(std::string text) {
        const std::string section = "[DEBUG]\r\n";
        if (text.find("ShowGameMenu=") == std::string::npos && text.rfind(section, 0) == 0)
            text.insert(section.size(), "ShowGameMenu=0\r\n");
        WriteDevFile(text);
    }
    // The game up to its main loop, shown, its start run.
    void Start() {
        WriteGame();
        Statics().noteHook = &RecordNote;
        ASSERT_TRUE(GameSetUp());
        ASSERT_TRUE(App().IsStarted());
        App().Show();
        RunTicks(1);
    }

public:
    // A script run in the current world's main state.
    static bool Run(const std::string& text) {
        GameWorld* world = App().World();
        return world && world->MainState() && world->MainState()->RunString(text.c_str());
    }

    // What the running game stores in a save: its dialogs, inventory,
    // script values and night vision (the state a failed load must keep).
    static std::vector<uint8_t> SavedState() {
        std::vector<uint8_t> bytes;
        platform::ByteWriter out(bytes);
        GameWorld* world = App().World();
        EXPECT_TRUE(world && world->Save(out));
        return bytes;
    }

protected:
    static void Stop() {
        App().Close();
        App().Shutdown();
    }

    testsupport::TempDir dir;
    tools::GameFixture fixture;
};

} // namespace gametest
