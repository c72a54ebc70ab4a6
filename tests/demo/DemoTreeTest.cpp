// The demo game's tree: the build gives the committed bytes again, the
// builder refuses sources that would trip the game's quirks, and every key of
// both resource indexes names a file the system's readers load without a
// report.
#include "DemoCheck.h"
#include "ErrorProbe.h"
#include "TempDir.h"

#include "RlaStdioStream.h"
#include "TRlaFile.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "foundation/TIniFile.h"
#include "foundation/TSectTxt.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TFontRef.h"
#include "media/animation/TMetaAni.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/sound/TWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

using namespace demotest;

namespace {

struct ManifestLine {
    size_t size = 0;
    std::string hash;
};

std::map<std::string, ManifestLine> ReadManifest(const std::string& text) {
    std::map<std::string, ManifestLine> out;
    for (const std::string& line : Split(text, '\n')) {
        const std::vector<std::string> f = Split(line, ' ');
        if (f.size() == 3) out[f[0]] = {size_t(std::stoull(f[1])), f[2]};
    }
    return out;
}

std::string Hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

TEST(DemoTree, MatchesTheCommittedManifest) {
    const auto manifest = ReadManifest(testsupport::ReadTextFile(Source("manifest.txt")));
    ASSERT_GT(manifest.size(), 100u);
    for (const auto& [path, line] : manifest) {
        SCOPED_TRACE(path);
        const std::vector<uint8_t> bytes = ReadBytes(Tree(path));
        EXPECT_EQ(bytes.size(), line.size);
        EXPECT_EQ(Hex(Fnv1a64(bytes)), line.hash);
    }
    // Nothing in the data folder that the manifest does not hold.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Tree("data"))) {
        if (!entry.is_regular_file()) continue;
        EXPECT_TRUE(
            manifest.count(std::filesystem::relative(entry.path(), DEMO_TREE).generic_string()))
            << entry.path();
    }
    EXPECT_TRUE(std::filesystem::is_directory(Tree("saves")));
    uintmax_t total = 0;
    for (const auto& [path, line] : manifest)
        total += line.size;
    EXPECT_LT(total, 16u * 1024 * 1024) << "the tree outgrew its budget";
}

TEST(DemoTree, ASecondBuildGivesTheSameBytes) {
    testsupport::TempDir dir;
    std::string output;
    ASSERT_EQ(testsupport::RunTool(Cat({DEMOBUILD, " ", DEMO_SOURCE, " ", dir.File("tree"),
                                        " --manifest ", dir.File("manifest.txt")}),
                                   &output),
              0)
        << output;
    EXPECT_EQ(testsupport::ReadTextFile(dir.File("manifest.txt")),
              testsupport::ReadTextFile(Source("manifest.txt")));
}

// Each case breaks one thing in a copy of the sources; the builder must stop
// and say what.
TEST(DemoTree, BuilderRefusesSourcesTheGameWouldMisread) {
    struct Case {
        const char* file;
        const char* from;
        const char* to;
        const char* says;
    } cases[] = {
        {"demo.cfg", "SoundVolume=96", "", "[Options] lacks SoundVolume"},
        {"resource.ini", "Scores=..\\saves\\", "Scores=..\\saves", "Scores ends with"},
        {"resource_de.ini", "ResourceIni=resource.ini", "ResourceIni=resource_de.ini",
         "ResourceIni names"},
        {"resource.ini", "picMap=int\\all\\pictures\\map\\map.jpg",
         "picMap=int\\all\\pictures\\map\\mop.jpg", "key picMap names"},
        {"text/en/errors.txt", "[7]", "[70]", "without a gap"},
        {"scripts/rooms/cabin.scr", "Path.AddLine(3, 0, 4, 7, 0, 4)",
         "Path.AddLine(-3, 0, 4, 7, 0, 4)", "does not project onto the drawn floor"},
        // A node up in the sky, where the background is transparent.
        {"scripts/rooms/shore.scr", "Path.AddLine(5, 0, 8, 3, 0, 10)",
         "Path.AddLine(5, 0, 8, 3, 3, 10)", "does not project onto the drawn floor"},
        {"scripts/rooms/shore.scr", "Camera.SetRotation(0, 0, 0)", "Camera.SetRotation(0.1, 0, 0)",
         "without rotation"},
        {"assets.ini", "shape=disc w=128 h=128 base=E0C060", "shape=disc w=128 h=128 base=00FF00",
         "colour key"},
        {"text/de/main.txt", "[STDQUEST_NO]", "[STDQUEST_YES]", "appears twice"},
        {"assets.ini", "inks=FFFFFF,FFC040", "inks=FFFFFF,000000", "inks are"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        testsupport::TempDir dir;
        const std::string copy = dir.File("src");
        std::filesystem::copy(DEMO_SOURCE, copy, std::filesystem::copy_options::recursive);
        const std::string file = Cat({copy, "/", c.file});
        std::string text = testsupport::ReadTextFile(file);
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, std::strlen(c.from), c.to);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::string output;
        EXPECT_EQ(testsupport::RunTool(Cat({DEMOBUILD, " ", copy, " ", dir.File("tree")}), &output),
                  1);
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
    }
}

namespace {

using Keys = std::vector<std::pair<std::string, std::string>>; // section, key

Keys KeysOf(const std::string& index) {
    Keys keys;
    std::string section;
    for (std::string line : Split(testsupport::ReadTextFile(index), '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[')
            section = line.substr(1, line.size() - 2);
        else if (const size_t eq = line.find('='); eq != std::string::npos && !section.empty())
            keys.push_back({section, line.substr(0, eq)});
    }
    return keys;
}

// Loads one key through the engine's class for its section; false when the
// reader refuses it.
bool LoadKey(const std::string& section, const std::string& key) {
    if (section == "Pictures" && key.rfind("rla", 0) == 0) {
        TString path;
        if (!TFileCtl::GetPath("Pictures", key.c_str(), path)) return false;
        RlaStdioStream stream;
        TRlaFile rla;
        return stream.Open(path.c_str(), "rb") && rla.Open(&stream) && rla.GroupCount() > 0 &&
               rla.GetFrame(0, 0) != nullptr;
    }
    if (section == "Pictures") {
        TMetaImg picture(key.c_str());
        picture.Update();
        const bool album = picture.GetKind() == TMetaImg::kAlbum;
        const int32_t entries = album ? picture.EntryCount() : 1;
        bool ok = entries > 0;
        for (int32_t e = 0; ok && e < entries; ++e) {
            const int32_t frames = album ? picture.GetFrameCount(e) : 1;
            for (int32_t f = 0; ok && f < frames; ++f) {
                ok = picture.Lock(f, e) && picture.GetData() != nullptr;
                picture.Unlock();
            }
        }
        return ok;
    }
    if (section == "Fonts") {
        TMetaFnt font(key.c_str(), 0);
        TFontRef ref;
        ref.SetFont(&font);
        const bool ok = ref.Load(0) && ref.GetTextHeight('A') > 0;
        ref.Unload();
        return ok;
    }
    if (section == "Cursors") {
        TMetaCur cursor(key.c_str());
        return cursor.Load() != 0;
    }
    if (section == "Animations") {
        TMetaAni ani(key.c_str());
        // The intro plays with its sound.
        const bool ok = ani.Open(1) && ani.GetFrameCount(0) > 0 && ani.ReadFrame(0, 0) &&
                        (key != "aniIntro" || ani.HasAudio());
        ani.FreeFrame();
        ani.Close();
        return ok;
    }
    if (section == "Waves") {
        TWave wave(key.c_str());
        const bool ok = wave.Open() && wave.GetLength() > 0;
        wave.Close();
        return ok;
    }
    if (section == "Text") {
        TSectTxt text(key.c_str());
        const bool ok = text.Load() != 0;
        text.Unload();
        return ok;
    }
    if (section == "Data") {
        TIniFile ini(key.c_str());
        const bool ok = ini.Load() != 0;
        ini.Detach();
        return ok;
    }
    return true; // Main and Config are read by the game's start
}

} // namespace

TEST(DemoTree, EveryKeyOfBothIndexesLoadsWithoutAReport) {
    for (const char* index : {"resource.ini", "resource_de.ini"}) {
        TFileCtl::SetRootPath(DEMO_TREE);
        TFileCtl::SetProfile(Tree(index).c_str());
        TCache::Global().Start();
        const Keys keys = KeysOf(Tree(index));
        ASSERT_GT(keys.size(), 100u);
        for (const auto& [section, key] : keys) {
            SCOPED_TRACE(Cat({index, " [", section, "] ", key}));
            TError::ClearLists();
            EXPECT_TRUE(LoadKey(section, key));
            const TErrorRec* report = NewestError();
            EXPECT_EQ(report, nullptr) << (report ? report->message.c_str() : "");
        }
    }
}

namespace {

using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ParseIni(const std::string& text) {
    Ini out;
    std::string section;
    for (std::string line : Split(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[')
            section = line.substr(1, line.size() - 2);
        else if (const size_t eq = line.find('='); eq != std::string::npos)
            out[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

} // namespace

namespace {

// The colour of the first ink pixel of a pixel font's letter, as 0xRRGGBB;
// -1 when the sub-font draws nothing.
int32_t InkOf(int32_t subFont, char letter) {
    TMetaFnt font("fntDialog", subFont);
    TFontRef ref;
    ref.SetFont(&font);
    int32_t ink = -1;
    if (ref.Load(0) && ref.SelectChar(uint8_t(letter))) {
        const GdlBitmap* glyph = ref.GetExtents(nullptr);
        for (int32_t i = 0;
             glyph && glyph->palette && ink < 0 && i < glyph->bytesPerLine * glyph->height; ++i)
            if (const uint8_t index = glyph->surface[i]) {
                const GdlPaletteEntry& e = glyph->palette[index];
                ink = e.red << 16 | e.green << 8 | e.blue;
            }
        ref.DeselectChar();
    }
    ref.Unload();
    return ink;
}

} // namespace

// The dialog choice under the pointer takes the dialog font's second
// sub-font: the same letters, set apart by their colour.
TEST(DemoTree, TheHoveredDialogChoiceHasLettersOfItsOwnColour) {
    TFileCtl::SetRootPath(DEMO_TREE);
    TFileCtl::SetProfile(Tree("resource.ini").c_str());
    TCache::Global().Start();
    const int32_t normal = InkOf(0, 'A'), hovered = InkOf(1, 'A');
    EXPECT_GT(normal, 0);
    EXPECT_GT(hovered, 0);
    EXPECT_NE(normal, hovered);
}

// The intro is an opening, not a stamp: it fills the 800 x 600 screen the
// player sees it on, for a few seconds.
TEST(DemoTree, TheIntroFillsTheScreenForAFewSeconds) {
    TFileCtl::SetRootPath(DEMO_TREE);
    TFileCtl::SetProfile(Tree("resource.ini").c_str());
    TCache::Global().Start();
    TMetaAni intro("aniIntro");
    ASSERT_TRUE(intro.Open(1));
    EXPECT_EQ(intro.GetWidth(0), 800);
    EXPECT_EQ(intro.GetHeight(0), 600);
    ASSERT_GT(intro.GetRate(0), 0.0);
    const double seconds = intro.GetFrameCount(0) / intro.GetRate(0);
    EXPECT_GE(seconds, 4.0);
    EXPECT_LE(seconds, 10.0);
    intro.Close();
}

// The game shows a spoken line for as long as its speech plays: each phrase's
// speech lasts at least the time its line takes to read (50 ms a character,
// 1.5 s at least), in both languages.
TEST(DemoTree, SpeechLastsAsLongAsItsLineTakesToRead) {
    for (const char* index : {"resource.ini", "resource_de.ini"}) {
        SCOPED_TRACE(index);
        TFileCtl::SetRootPath(DEMO_TREE);
        TFileCtl::SetProfile(Tree(index).c_str());
        TCache::Global().Start();
        TString folder;
        ASSERT_TRUE(TFileCtl::GetPath("Main", "PathDialog", folder));
        std::string speech = folder.c_str();
        std::replace(speech.begin(), speech.end(), '\\', '/');
        TSectTxt lines("txtDialoge");
        ASSERT_TRUE(lines.Load());
        int32_t checked = 0;
        for (const auto& entry : std::filesystem::directory_iterator(speech)) {
            const std::string name = entry.path().stem().string();
            SCOPED_TRACE(name);
            lines.SetSection(name.c_str());
            const char* line = lines.GetSection();
            ASSERT_NE(line, nullptr);
            TWave wave;
            wave.SetPath(entry.path().string().c_str());
            ASSERT_TRUE(wave.Open());
            ASSERT_GT(wave.GetRate(), 0u);
            const int64_t ms = wave.GetLength() * 1000 / wave.GetRate();
            wave.Close();
            EXPECT_GE(ms, std::max<int64_t>(1500, 50 * int64_t(std::strlen(line))));
            ++checked;
        }
        lines.Unload();
        EXPECT_GE(checked, 19);
    }
}

TEST(DemoTree, CreditsNameWhatTheIndexesHold) {
    for (const char* index : {"resource.ini", "resource_de.ini"}) {
        SCOPED_TRACE(index);
        TFileCtl::SetRootPath(DEMO_TREE);
        TFileCtl::SetProfile(Tree(index).c_str());
        TCache::Global().Start();
        TString found;
        ASSERT_TRUE(TFileCtl::GetPath("Data", "iniCredits", found));
        std::string path = found.c_str();
        std::replace(path.begin(), path.end(), '\\', '/');
        const Ini credits = ParseIni(testsupport::ReadTextFile(path));
        ASSERT_TRUE(credits.count("Global"));
        const auto& global = credits.at("Global");
        EXPECT_TRUE(TFileCtl::HasKey("Waves", global.at("Wave").c_str()));
        EXPECT_TRUE(TFileCtl::HasKey("Fonts", global.at("FontName").c_str()));
        const std::string texts = global.at("TextResource");
        std::set<std::string> kinds;
        for (int32_t i = 0; credits.count(Cat({"Item", std::to_string(i)})); ++i) {
            for (const auto& [key, value] : credits.at(Cat({"Item", std::to_string(i)}))) {
                SCOPED_TRACE(Cat({"Item", std::to_string(i), " ", key, "=", value}));
                // What each kind of item names, and where the index keeps it.
                const bool named = key == "Text"    ? HasSection(texts, value)
                                   : key == "Image" ? TFileCtl::HasKey("Pictures", value.c_str())
                                   : key == "Anim"  ? TFileCtl::HasKey("Animations", value.c_str())
                                   : key == "FontName" ? TFileCtl::HasKey("Fonts", value.c_str())
                                                       : true;
                EXPECT_TRUE(named);
                kinds.insert(key);
            }
        }
        EXPECT_TRUE(kinds.count("Text") && kinds.count("Image") && kinds.count("Anim"));
    }
}
