// Writes a one-room game into a folder: the resource index, the
// configuration, the error texts, the shared texts, fonts and cursors the
// application keeps loaded, the room's RLA pictures, the player's pictures,
// a sound for the rooms (wavDrip) and the scripts. The default scripts enter the room, show a lamp
// in each anim mode and the player on a square of way lines, and print each event they receive; a
// test replaces them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

std::string DefaultDialogsScript();

struct GameFixture {
    // [Name] of the configuration: the window's caption and class.
    std::string appName = "Adventure Fixture";
    std::string className = "AdventureFixture";
    // int\all\scripts\main.scr and int\all\scripts\init\dialogs.scr; an
    // empty dialogs script is not written (the world then cannot be made).
    std::string mainScript;
    std::string dialogsScript = DefaultDialogsScript();
    bool writeDialogs = true;
    // Sections "0", "1" ... of the error texts ([Config] error).
    std::vector<std::string> errorTexts;
    // Sections of the dialog texts (txtDialoge) and of the main texts
    // (txtMain), besides the fixture's own.
    std::vector<std::pair<std::string, std::string>> dialogTexts;
    std::vector<std::pair<std::string, std::string>> mainTexts;
    // Speech files: a speech name and its wave's bytes, in the speech
    // folder (the base folder's Deu\All\Speech).
    std::vector<std::pair<std::string, std::vector<uint8_t>>> speeches;
    // An intro animation (aniIntro): five frames of 64 x 48 at ten a second.
    bool intro = false;
    // Settings resources named in [Data] of the index: a key and its ini
    // text, written as data\KEY.ini ("iniCredits" holds the credits).
    std::vector<std::pair<std::string, std::string>> settings;
    // Sections of the text resource txtCredits (written when there are any).
    std::vector<std::pair<std::string, std::string>> creditTexts;
    // Further files: a name relative to the folder, and its content.
    std::vector<std::pair<std::string, std::string>> extraFiles;
    // [Sound] of the configuration: waveOut on (speech and sounds play).
    bool sound = false;
    // [Options] of the configuration, its lines as written (no section when
    // empty): the player's switches and volumes. kAllOptions has every key.
    static constexpr const char* kAllOptions = "Filtering=Yes\r\nShadows=Yes\r\nHints=Yes\r\n"
                                               "DialogText=Yes\r\nMusicVolume=96\r\n"
                                               "SoundVolume=96\r\n";
    std::string options;
    // Scores of [Main] in the index, the save games' folder (relative to the
    // base folder "data" unless it has a drive); not written when empty.
    // The fixture makes data\saves.
    std::string scores = "saves\\";
    // The timer frequency and frame rate of the configuration.
    int freq = 20;
    int frameRate = 0;
};

// The fixture's dialog "chat" between the player and the keeper (actor 1):
// a choice of three questions, an answer, and a spoken farewell.
std::string DefaultDialogsScript();

// The main script of a fixture that enters its room, shows the lamps, the
// player and the keeper and prints every event it receives, one line each
// ("event DoTickAction").
std::string DefaultMainScript();

// The default story with more to try, as the gamefixture program writes it:
// the player starts with a key in the inventory (a click on the player opens
// it; a key taken from it follows the pointer), and the map (F2, or the task
// bar at the bottom left) offers two places that DoMapAction reports.
std::string FullMainScript();

// The credits that end the fixture game (iniCredits and txtCredits): three
// lines that scroll up once.
void AddDefaultCredits(GameFixture& fixture);

// Writes the game into `folder` (made when missing); false with the reason.
bool WriteGameFixture(const std::string& folder, const GameFixture& fixture, std::string* error);

} // namespace tools
