#include "GameFixture.h"

#include "AlbumWriter.h"
#include "BmpWriter.h"
#include "CtfWriter.h"
#include "FontFileWriter.h"
#include "Glyphs5x7.h"
#include "IconWriter.h"
#include "RlaWriter.h"
#include "SectionWriter.h"
#include "WavWriter.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace tools {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRoom = "Hall";

// A picture of one colour.
RgbaImage Solid(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.rgba.resize(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        image.rgba[i] = r;
        image.rgba[i + 1] = g;
        image.rgba[i + 2] = b;
        image.rgba[i + 3] = 255;
    }
    return image;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Lower case is drawn in capitals; every glyph advances 6 pixels.
std::vector<uint8_t> FontBytes() {
    std::array<NativeGlyph, 256> glyphs{};
    glyphs[' '] = {6, std::vector<uint8_t>(8, 0)};
    for (const Glyph5x7& g : Glyphs5x7()) {
        NativeGlyph glyph{6, std::vector<uint8_t>(g.rows, g.rows + 7)};
        glyph.rows.push_back(0);
        glyphs[uint8_t(g.c)] = glyph;
        if (g.c >= 'A' && g.c <= 'Z') glyphs[uint8_t(g.c - 'A' + 'a')] = glyph;
    }
    return WriteFontFile(MakeBitmapFont("Fixture", 8, 7, glyphs, false));
}

// A monochrome 32 x 32 cursor: a filled square in the top left corner.
std::vector<uint8_t> CursorBytes() {
    IconImage image;
    image.bitCount = 1;
    image.palette = {{0, 0, 0}, {255, 255, 255}};
    image.pixels.assign(32 * 4, 0);
    image.andMask.assign(32 * 4, 0xFF);
    for (int y = 0; y < 12; ++y) {
        image.pixels[size_t(y) * 4] = 0xFF;
        image.andMask[size_t(y) * 4] = 0x00;
    }
    return WriteCur({image});
}

std::vector<uint8_t> Ctf(const std::vector<TextSection>& sections) {
    return WriteCtf(WriteSections(sections), CtfPacking::Stored);
}

std::vector<TextSection> Sections(std::vector<TextSection> sections,
                                  const std::vector<std::pair<std::string, std::string>>& more) {
    for (const auto& [name, text] : more)
        sections.push_back({name, text});
    return sections;
}

std::vector<TextSection> DialogTexts() {
    return {{"none", "-"},
            {"CHAT_WHO", "Who are you?"},
            {"CHAT_WHERE", "Where am I?"},
            {"CHAT_BYE", "Goodbye."},
            {"CHAT_ANSWER", "The keeper of this hall, and you are in it."},
            {"CHAT_FAREWELL", "Farewell, traveller."}};
}

// The keeper's spoken farewell: a second of a soft 220 Hz tone.
std::vector<uint8_t> Farewell() {
    std::vector<int16_t> samples(11025);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            int16_t(3000.0 * std::sin(2.0 * 3.14159265358979 * 220.0 * double(i) / 11025.0));
    return PcmWav16(1, 11025, samples);
}

// The game's messages and the boxes' caption and buttons.
std::vector<TextSection> MainTexts(const GameFixture& f) {
    return Sections({{"SHUTDOWN", "Quit the game?"},
                     {"STDERROR_CAPTION", "Error"},
                     {"STDQUEST_CANCEL", "Cancel"},
                     {"STDQUEST_OK", "OK"},
                     {"STDQUEST_YES", "Yes"},
                     {"STDQUEST_NO", "No"}},
                    f.mainTexts);
}

std::vector<uint8_t> RoomBack() {
    RlaWriter writer;
    writer.AddSprite(0, Solid(800, 600, 40, 60, 90));
    return writer.Finish();
}

// Group 0: one still picture; group 1: four frames of a lamp whose colour
// steps from dark to bright, so each anim mode shows its own order.
std::vector<uint8_t> RoomObjects() {
    RlaWriter writer;
    writer.AddSprite(0, Solid(64, 48, 200, 160, 40));
    for (int frame = 0; frame < 4; ++frame) {
        const auto level = uint8_t(60 + 60 * frame);
        writer.AddSprite(1, Solid(32, 32, level, level, 40));
    }
    return writer.Finish();
}

// The room's local items: one small picture.
std::vector<uint8_t> RoomLocalItems() {
    RlaWriter writer;
    writer.AddSprite(0, Solid(16, 16, 40, 200, 200));
    return writer.Finish();
}

// The player: an idle and a walk group of one frame each.
std::vector<uint8_t> PlayerPictures() {
    RlaWriter writer;
    writer.AddSprite(0, Solid(24, 60, 220, 40, 40), -12, -60);
    writer.AddSprite(1, Solid(24, 60, 240, 80, 80), -12, -60);
    return writer.Finish();
}

// A 16-bit album entry of one colour (5:6:5), `frames` frames.
AlbumEntry SolidEntry(uint16_t width, uint16_t height, uint16_t pixel, int frames = 1) {
    AlbumEntry entry;
    entry.width = width;
    entry.height = height;
    std::vector<uint8_t> frame(size_t(width) * height * 2);
    for (size_t i = 0; i < frame.size(); i += 2) {
        frame[i] = uint8_t(pixel);
        frame[i + 1] = uint8_t(pixel >> 8);
    }
    entry.frames.assign(size_t(frames), frame);
    return entry;
}

std::vector<uint8_t> Album16(std::vector<AlbumEntry> entries, std::string* error) {
    AlbumPlan plan;
    plan.bitsPerPixel = 16;
    plan.entries = std::move(entries);
    return WriteAlbum(plan, error);
}

// The dialog panels: entry 2 the speech panel, entries 3 to 5 the choice
// backgrounds of two to four lines (70 pixels each).
std::vector<uint8_t> Panels(std::string* error) {
    std::vector<AlbumEntry> entries = {SolidEntry(4, 4, 0x0010), SolidEntry(4, 4, 0x0010),
                                       SolidEntry(640, 100, 0x2104)};
    for (uint16_t lines = 2; lines <= 4; ++lines)
        entries.push_back(SolidEntry(780, uint16_t(70 * lines), 0x0841));
    return Album16(entries, error);
}

// The inventory's items: entry N for the item of id N, frame 0 its picture
// and frame 1 its highlighted picture, 44 x 40.
std::vector<uint8_t> Items(std::string* error) {
    std::vector<AlbumEntry> entries;
    for (uint16_t id = 0; id < 8; ++id)
        entries.push_back(SolidEntry(44, 40, uint16_t(0x0400 + id), 2));
    return Album16(entries, error);
}

// The pictures of the task bar and the map, each a one-picture album of one
// colour under int\all\pictures\screens.
struct ScreenPicture {
    const char* key;
    uint16_t width, height, pixel;
};
constexpr ScreenPicture kScreenPictures[] = {
    {"picPanel1", 108, 57, 0x4208},
    {"picPanel2", 108, 57, 0x4208},
    {"picGameBtnMap1a", 48, 48, 0x001F},
    {"picGameBtnMenu1a", 48, 48, 0x0600},
    {"picGameBtnMenu1b", 48, 48, 0x03E0},
    {"picGameBtnRepeatDialgo1a", 48, 44, 0xF800},
    {"picGameBtnRepeatDialgo1b", 48, 44, 0x7800},
    {"picGameBtnLanguage1a", 48, 44, 0xFFE0},
    {"picGameBtnLanguage1b", 48, 44, 0x7BE0},
    {"picGameBtnLanguage2a", 48, 44, 0xF81F},
    {"picGameBtnLanguage2b", 48, 44, 0x780F},
    // Large enough to hold the back button the map lays out at (570, 529).
    {"picMap", 680, 580, 0x2945},
    {"picMapExcavation", 40, 40, 0xA145},
    {"picMapBeach", 40, 40, 0xE71C},
    {"picMapBrackleCottage", 40, 40, 0x8410},
    {"picMapLightHouse", 40, 40, 0xFFFF},
    {"picMenuBtnGoBack1a", 60, 40, 0x0210},
    {"picMenuBtnGoBack1b", 60, 40, 0x0418},
};

// The speakers' faces: entry N for actor N; actor 1 has three frames.
std::vector<uint8_t> Faces(std::string* error) {
    return Album16({SolidEntry(32, 37, 0xF800), SolidEntry(32, 37, 0xFFE0, 3)}, error);
}

// An 8-bit picture of one colour (palette entry 1).
std::vector<uint8_t> SolidBmp(int32_t width, int32_t height, Rgb color) {
    BmpImage image;
    image.width = width;
    image.height = height;
    image.bitCount = 8;
    image.palette = {{0, 255, 0}, color};
    image.pixels.assign(size_t(width) * size_t(height), 1);
    return WriteBmp(image);
}

// The menu's scroll bars: entry by part (0 and 2 the file list's buttons, 5
// its thumb, 7 its track; 3 and 1 the volume bars' buttons, 4 their thumb, 6
// their track), a frame for each of the five states.
std::vector<uint8_t> ScrollBarParts(std::string* error) {
    const struct {
        uint16_t width, height;
    } parts[] = {{24, 24}, {20, 20}, {24, 24}, {20, 20}, {20, 20}, {24, 24}, {200, 20}, {24, 300}};
    std::vector<AlbumEntry> entries;
    for (const auto& part : parts)
        entries.push_back(SolidEntry(part.width, part.height, 0x7BEF, 5));
    return Album16(entries, error);
}

// The game menu's pages: one background and one button picture for all.
std::string MenuPictureIndex() {
    std::string index;
    for (const char* key : {"picMenu1", "picMenu2"})
        index += std::string(key) + "=menu\\back.bmp\r\n";
    const char* const buttons[] = {"picMenuQuestExit",
                                   "picMenuMusic",
                                   "picMenuSpeech",
                                   "picMenuBtnNew1a",
                                   "picMenuBtnNew1b",
                                   "picMenuBtnLoad1a",
                                   "picMenuBtnLoad1b",
                                   "picMenuBtnLoad2a",
                                   "picMenuBtnLoad2b",
                                   "picMenuBtnLoad2c",
                                   "picMenuBtnSave1a",
                                   "picMenuBtnSave1b",
                                   "picMenuBtnSave1c",
                                   "picMenuBtnSave2a",
                                   "picMenuBtnSave2b",
                                   "picMenuBtnSave2c",
                                   "picMenuBtnExit1a",
                                   "picMenuBtnExit1b",
                                   "picMenuBtnCancel1a",
                                   "picMenuBtnCancel1b",
                                   "picMenuBtnOptions1a",
                                   "picMenuBtnOptions1b",
                                   "picMenuBtnGoBack1a",
                                   "picMenuBtnGoBack1b",
                                   "picMenuBtnGoBack1c",
                                   "picMenuBtnGoBack2a",
                                   "picMenuBtnGoBack2b",
                                   "picMenuBtnYes1a",
                                   "picMenuBtnYes1b",
                                   "picMenuBtnNo1a",
                                   "picMenuBtnNo1b",
                                   "picMenuBtnFilterOn1a",
                                   "picMenuBtnFilterOn1b",
                                   "picMenuBtnFilterOff1a",
                                   "picMenuBtnFilterOff1b",
                                   "picMenuBtnMouseTextOn1a",
                                   "picMenuBtnMouseTextOn1b",
                                   "picMenuBtnMouseTextOff1a",
                                   "picMenuBtnMouseTextOff1b",
                                   "picMenuBtnDialogTextOn1a",
                                   "picMenuBtnDialogTextOn1b",
                                   "picMenuBtnDialogTextOff1a",
                                   "picMenuBtnDialogTextOff1b"};
    for (const char* key : buttons)
        index += std::string(key) + "=menu\\button.bmp\r\n";
    return index;
}

std::string Index(const GameFixture& f, bool errors) {
    std::string index = "[Main]\r\nPath=data\r\n";
    if (!f.scores.empty()) index += "Scores=" + f.scores + "\r\n";
    index += "[Config]\r\nconfig=game.ini\r\n";
    index += errors ? "error=errors.ctf\r\n" : "error=\r\n";
    index += "[Pictures]\r\n";
    index += std::string("rla") + kRoom + "Back=int\\all\\pictures\\rooms\\HallBack.rla\r\n";
    index += std::string("rla") + kRoom + "ObjAni=int\\all\\pictures\\rooms\\HallObj.rla\r\n";
    index += std::string("rla") + kRoom + "LocItem=int\\all\\pictures\\rooms\\HallLoc.rla\r\n";
    index += "albPanels=int\\all\\pictures\\global\\panels.alb\r\n";
    index += "albSpeechAnims=int\\all\\pictures\\global\\faces.alb\r\n";
    index += MenuPictureIndex();
    index += "picMenuScrollBar=int\\all\\pictures\\global\\scroll.alb\r\n";
    // The file list's icons and the message boxes' ones.
    for (const char* key : {"picFile", "picFolder", "picExec", "picError", "picQuest"})
        index += std::string(key) + "=menu\\icon.bmp\r\n";
    index += "albInventory=int\\all\\pictures\\global\\items.alb\r\n";
    for (const ScreenPicture& picture : kScreenPictures)
        index +=
            std::string(picture.key) + "=int\\all\\pictures\\screens\\" + picture.key + ".alb\r\n";
    if (f.intro) index += "[Animations]\r\naniIntro=int\\all\\video\\intro.alb\r\n";
    index += "[Fonts]\r\nfntMain=fonts\\main.fnt\r\nfntDialog=fonts\\main.fnt\r\n"
             "fntFileDialog=fonts\\main.fnt\r\n";
    index += "[Cursors]\r\n";
    for (const char* key :
         {"curArrow", "curClock", "curHand", "curExit", "curNoEntry", "curExitArrow"})
        index += std::string(key) + "=cursors\\pointer.cur\r\n";
    index += "[Text]\r\ntxtMain=text\\main.ctf\r\ntxtHint=text\\hint.ctf\r\n"
             "txtDialoge=text\\dialoge.ctf\r\n";
    if (!f.creditTexts.empty()) index += "txtCredits=text\\credits.ctf\r\n";
    // A sound for the scripts' rooms (Engine.PlaySound('wavDrip')).
    index += "[Waves]\r\nwavDrip=sounds\\drip.wav\r\n";
    index += "[Data]\r\niniKeys=data\\keys.ini\r\n";
    for (const auto& [key, text] : f.settings)
        index += key + "=data\\" + key + ".ini\r\n";
    return index;
}

std::string Configuration(const GameFixture& f) {
    return "[Display]\r\nuseWindowed=Yes\r\nuseDirtyRect=Yes\r\nResolution=800,600\r\n"
           "ColorDepth=16\r\nFrameRate=" +
           std::to_string(f.frameRate) + "\r\n[Timer]\r\nFreq=" + std::to_string(f.freq) +
           "\r\n[Name]\r\nAppName=" + f.appName + "\r\nClassName=" + f.className + "\r\n" +
           (f.sound ? "[Sound]\r\nuseWaveOut=Yes\r\n" : "") +
           (f.options.empty() ? "" : "[Options]\r\n" + f.options);
}

bool Put(const fs::path& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (out) return true;
    if (error) *error = "cannot write " + path.string();
    return false;
}

} // namespace

std::string DefaultDialogsScript() {
    return R"(-- The fixture's one conversation: the player (0) asks the keeper (1).
Dialog("chat")
Statement(1, 0, "CHAT_WHO", 2, 0, 0, "CHAT_WHERE", 2, 0, 0, "CHAT_BYE", 3, 0, 0)
Statement(2, 1, "CHAT_ANSWER", 1, 3, 0)
Statement(3, 1, "CHAT_FAREWELL", 0, 0, 0)
)";
}

std::string DefaultMainScript() {
    return R"(-- The fixture's story: one room, lamps in every anim mode, the player
-- walking where the room is clicked, the keeper to talk to, and every
-- event printed.
Game = {}
Map = {}
Player = {}
Keeper = {}

function Report(name, a, b)
    print("event " .. name)
end

function Game.DoMouseEnter(e) Report("DoMouseEnter") end
function Game.DoMouseLeave(e) Report("DoMouseLeave") end
function Game.DoRoomAction() Report("DoRoomAction") end
function Game.DoRoomExamine() Report("DoRoomExamine") end
function Game.DoAction(e)
    Report("DoAction")
    if e == Keeper then
        Dialog.Do("chat", 0, function() print("chat ended") end)
    end
end
function Game.DoExamine(e) Report("DoExamine") end
function Game.DoItemAction(i) Report("DoItemAction") end
function Game.DoUseItem(e, i) Report("DoUseItem") end
function Game.DoMapAction(v) Report("DoMapAction") end
function Game.DoTickAction() Report("DoTickAction") end
function Map.DoShow() Report("DoShow") end

-- A lamp in each anim mode, left to right: looping forward, looping
-- backward, once forward, once backward, stopped.
Lamps = {}
function ShowLamp(mode)
    local lamp = {}
    local handle = Engine.ShowObject(lamp, "Lamp" .. mode, 1)
    Engine.SetObjectAnim(handle, {1, 250, 0, 0, nil, 120 + 120 * mode, 80})
    Engine.SetObjectAnimMode(handle, mode)
    Lamps[mode] = handle
end

-- A square of way lines on the floor; a click walks the player to the
-- nearest way point.
function LayFloor()
    Path.AddLine(3, 0, 4, 7, 0, 4)
    Path.AddLine(7, 0, 4, 7, 0, 9)
    Path.AddLine(7, 0, 9, 3, 0, 9)
    Path.AddLine(3, 0, 9, 3, 0, 4)
end

function main()
    Engine.EnterRoom("Hall")
    local mode = 0
    while mode <= 4 do
        ShowLamp(mode)
        mode = mode + 1
    end
    LayFloor()
    PlayerHandle = Engine.ShowActor(Player, "player", 0)
    Engine.ActorAddAnim(PlayerHandle, 0, {{0}}, {{0}}, {{0}}, {{0}}, {{0}}, {{0}})
    Engine.ActorAddAnim(PlayerHandle, 2, {{1}}, {{1}}, {{1}}, {{1}}, {{1}}, {{1}})
    Engine.SetObjectPosition(PlayerHandle, 3, 0, 4)
    Engine.SetPlayerActor(0)
    KeeperHandle = Engine.ShowActor(Keeper, "keeper", 1)
    Engine.SetObjectPosition(KeeperHandle, 5, 0, 9)
    print("main: entered Hall, player shown")
end
)";
}

std::string FullMainScript() {
    return DefaultMainScript() + R"(
-- More to try: a key in the inventory and two places on the map.
Key = {}
Hall = {}
Garden = {}
StoryMain = main
function main()
    StoryMain()
    Engine.AddInventoryItem(Key, "key", 1)
    Engine.CreateMapEntry(Hall, "Hall", 0, 200, 180)
    Engine.CreateMapEntry(Garden, "Garden", 1, 420, 260)
end
function Game.DoMapAction(v)
    if v == Hall then print("event DoMapAction Hall") else print("event DoMapAction Garden") end
end
)";
}

void AddDefaultCredits(GameFixture& fixture) {
    std::string settings = "[Global]\r\nScrollspeed=20\r\nWait=500\r\nTextResource=txtCredits\r\n"
                           "Loop=no\r\nFontColorR=250\r\nFontColorG=230\r\nFontColorB=160\r\n"
                           "HAlign=Center\r\n";
    const char* lines[] = {"CREDITS_TITLE", "CREDITS_MADE", "CREDITS_THANKS"};
    for (int i = 0; i < 3; ++i)
        settings += "[Item" + std::to_string(i) + "]\r\nText=" + lines[i] +
                    "\r\nOffsetY=" + (i == 0 ? "200" : "20") + "\r\nSizeX=800\r\nSizeY=20\r\n";
    fixture.settings.push_back({"iniCredits", settings});
    fixture.creditTexts = {{"CREDITS_TITLE", "The fixture game"},
                           {"CREDITS_MADE", "Written by the game's tests"},
                           {"CREDITS_THANKS", "Thank you for playing"}};
}

bool WriteGameFixture(const std::string& folder, const GameFixture& f, std::string* error) {
    const fs::path root(folder);
    const fs::path data = root / "data";
    const fs::path scripts = data / "int" / "all" / "scripts";
    const fs::path pictures = data / "int" / "all" / "pictures";
    std::vector<TextSection> errors;
    for (size_t i = 0; i < f.errorTexts.size(); ++i)
        errors.push_back({std::to_string(i), f.errorTexts[i]});
    const std::string main = f.mainScript.empty() ? DefaultMainScript() : f.mainScript;
    bool ok =
        Put(root / "resource.ini", Bytes(Index(f, !errors.empty())), error) &&
        Put(data / "game.ini", Bytes(Configuration(f)), error) &&
        Put(scripts / "main.scr", Bytes(main), error) &&
        Put(pictures / "rooms" / "HallBack.rla", RoomBack(), error) &&
        Put(pictures / "rooms" / "HallObj.rla", RoomObjects(), error) &&
        Put(pictures / "rooms" / "HallLoc.rla", RoomLocalItems(), error) &&
        Put(pictures / "global" / "ActAni00.RLA", PlayerPictures(), error) &&
        Put(pictures / "global" / "ActAni01.RLA", PlayerPictures(), error) &&
        Put(data / "Deu" / "All" / "Speech" / "CHAT_FAREWELL.wav", Farewell(), error) &&
        Put(data / "sounds" / "drip.wav", Farewell(), error) &&
        Put(data / "fonts" / "main.fnt", FontBytes(), error) &&
        Put(data / "cursors" / "pointer.cur", CursorBytes(), error) &&
        Put(pictures / "global" / "panels.alb", Panels(error), error) &&
        Put(pictures / "global" / "faces.alb", Faces(error), error) &&
        Put(pictures / "global" / "items.alb", Items(error), error) &&
        Put(data / "text" / "main.ctf", Ctf(MainTexts(f)), error) &&
        Put(data / "text" / "hint.ctf",
            Ctf({{"Actor00", "The player"},
                 {"key", "A key"},
                 {"MapHall", "The hall"},
                 {"MapGarden", "The garden"}}),
            error) &&
        Put(data / "text" / "dialoge.ctf", Ctf(Sections(DialogTexts(), f.dialogTexts)), error) &&
        Put(data / "data" / "keys.ini", Bytes("[Keys]\r\nMenu=F1\r\n"), error) &&
        Put(data / "menu" / "back.bmp", SolidBmp(800, 600, {30, 30, 60}), error) &&
        Put(data / "menu" / "button.bmp", SolidBmp(100, 40, {200, 60, 60}), error) &&
        Put(data / "menu" / "icon.bmp", SolidBmp(16, 16, {250, 250, 120}), error) &&
        Put(pictures / "global" / "scroll.alb", ScrollBarParts(error), error);
    if (ok) {
        std::error_code made;
        fs::create_directories(data / "saves", made);
        ok = !made;
        if (!ok && error) *error = "cannot make " + (data / "saves").string();
    }
    for (const ScreenPicture& p : kScreenPictures)
        if (ok)
            ok = Put(pictures / "screens" / (std::string(p.key) + ".alb"),
                     Album16({SolidEntry(p.width, p.height, p.pixel)}, error), error);
    for (const auto& [key, text] : f.settings)
        if (ok) ok = Put(data / "data" / (key + ".ini"), Bytes(text), error);
    if (ok && f.intro)
        ok = Put(data / "int" / "all" / "video" / "intro.alb",
                 Album16({SolidEntry(64, 48, 0x8010, 5)}, error), error);
    if (ok && !f.creditTexts.empty())
        ok = Put(data / "text" / "credits.ctf", Ctf(Sections({}, f.creditTexts)), error);
    if (ok && !errors.empty()) ok = Put(data / "errors.ctf", Ctf(errors), error);
    if (ok && f.writeDialogs)
        ok = Put(scripts / "init" / "dialogs.scr", Bytes(f.dialogsScript), error);
    for (const auto& [name, wave] : f.speeches)
        if (ok) ok = Put(data / "Deu" / "All" / "Speech" / (name + ".wav"), wave, error);
    for (const auto& [name, content] : f.extraFiles)
        if (ok) ok = Put(root / name, Bytes(content), error);
    return ok;
}

} // namespace tools
