#include "GameEntry.h"

#include "ErrorTexts.h"
#include "GameApp.h"
#include "GameStatics.h"

#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "foundation/TProfile.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TMetaFnt.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/Sound.h"
#include "platform/User.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kIntroWindowStyle = 0x81800000; // pop-up, maximised, thin border

struct WindowNames {
    std::string caption = "Win32";
    std::string className = "Win32";
};

// [Name] AppName and ClassName of the configuration file; an empty value
// gives "Win32" again.
WindowNames ReadWindowNames() {
    WindowNames names;
    TString path;
    if (!TFileCtl::GetPath("Config", "config", path) || path == "") return names;
    TProfile profile(path.c_str());
    if (!profile.Open()) return names;
    if (profile.FindSection("Name")) {
        char value[256];
        for (auto [key, target] :
             {std::pair{"AppName", &names.caption}, std::pair{"ClassName", &names.className}}) {
            value[0] = 0;
            if (!profile.FindKey(key)) continue;
            profile.ReadString(value, sizeof value);
            *target = value[0] ? value : "Win32";
        }
    }
    profile.Close();
    return names;
}

bool AlreadyRunning(const WindowNames& names) {
    return FindWindowA(names.className.c_str(), names.caption.c_str()) ||
           FindWindowA("GDLDirectDrawWindow", names.caption.c_str());
}

// Counts the ticks the loop hands the application; they go on.
struct TickCount : TObject {
    int OnTick(TObject*, TEvent*) {
        ++ticks;
        return 0;
    }
    long ticks = 0;
};

// More loop steps than one tick's events and frame take.
constexpr long kStepsPerTick = 200;

// The folder of the running program, with its separator.
std::string ProgramFolder() {
    char program[260] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string path = program;
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Without a sound device the game plays on silently: the player is told
// once why there is nothing to hear.
void SaySoundIsOff() {
    const std::string reason = platform::SoundSdlFailure();
    if (!reason.empty())
        std::fprintf(stderr, "adventure: no sound device (%s): the game plays without sound\n",
                     reason.c_str());
}

// The reports the failed start left, formatted as the boxes show them.
std::vector<std::string> TakeReports() {
    std::vector<std::string> reports;
    TError::SetCallback(&reports, [](void* owner, const char* text) {
        static_cast<std::vector<std::string>*>(owner)->push_back(text);
        return 0;
    });
    TError::Notify(1);
    TError::SetCallback(nullptr, nullptr);
    return reports;
}

// A game whose files failed to load has no box of its own to show: it says
// so once, in the system's box and on stderr (in UTF-8), instead of one of
// its own boxes (drawn with what did not load) for every file.
void SayWhyItCannotStart(bool withBox) {
    const std::vector<std::string> reports = TakeReports();
    std::string text = "The game cannot start: files it needs are missing or damaged.";
    std::fprintf(stderr, "adventure: %s\n", text.c_str());
    for (const std::string& report : reports)
        std::fprintf(stderr, "adventure: %s\n", platform::TextToUtf8(report.c_str()).c_str());
    if (!withBox) return;
    if (!reports.empty()) text += "\n\n" + reports.front();
    if (reports.size() > 1)
        text += "\n(and " + std::to_string(reports.size() - 1) + " more; see error.log)";
    MessageBoxA(TDispDev::Global().GetWindow(), text.c_str(), App().GetTitle().c_str(),
                MB_OK | MB_ICONHAND);
}

} // namespace

bool GameSetUp() {
    GameApp& app = App();
    char program[260] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    app.SetInstance(nullptr, nullptr, 1);
    app.SetPaths(program);
    app.SetResourceFile("resource.ini");
    TFileCtl::ReadBasePath();
    TError::SetTable(TError::GermanTable());
    ErrorTexts& texts = Statics().errorTexts;
    if (texts.Load()) TError::SetTable(texts.Table());
    const WindowNames names = ReadWindowNames();
    if (AlreadyRunning(names)) return false;
    app.SetFont(Resources().Font("fntMain"));
    app.SetCursor(Resources().Cursor("curArrow"));
    app.SetDisplayOption(4);
    app.SetClassName(names.className.c_str());
    app.SetCaption(names.caption.c_str());
    if (Options().showIntro == 1) app.SetWindowStyle(kIntroWindowStyle);
    app.Init();
    return true;
}

long RunTicks(long ticks) {
    GameApp& app = App();
    TickCount count;
    app.Add<TickCount, &TickCount::OnTick>(evTick, &count);
    for (long guard = 0; app.IsEnabled() && app.IsVisible() && count.ticks < ticks &&
                         guard / kStepsPerTick <= ticks;
         ++guard) {
        if (TError::Notify(0)) break;
        app.ModalStep();
    }
    app.Remove(evTick, &count);
    return count.ticks;
}

int GameEntry(long ticks) {
    if (!GameSetUp()) return 0;
    GameApp& app = App();
    if (!app.IsStarted()) {
        std::fprintf(stderr, "adventure: the display did not open\n");
    } else if (app.Failed()) {
        SayWhyItCannotStart(ticks < 0);
    } else if (ticks < 0) {
        SaySoundIsOff();
        app.ShowModal();
    } else {
        app.SetHeadless(true);
        app.Show();
        RunTicks(ticks);
        app.Close();
    }
    const bool failed = app.Failed();
    app.Shutdown();
    return failed ? 1 : 0;
}

namespace {

constexpr long kMostTicks = 100000000;

// The command line: true with `ticks` (-1 when not given); false after
// saying what is wrong and how the program is called.
bool ReadArguments(int argc, char** argv, long* ticks) {
    *ticks = -1;
    for (int i = 1; i < argc; ++i) {
        std::string why;
        if (std::strcmp(argv[i], "--ticks") != 0) {
            why = std::string("unknown argument \"") + argv[i] + "\"";
        } else if (i + 1 >= argc) {
            why = "--ticks takes a number of ticks";
        } else {
            char* end = nullptr;
            const char* text = argv[++i];
            errno = 0;
            *ticks = std::strtol(text, &end, 10);
            if (!*text || *end || errno || *ticks < 0 || *ticks > kMostTicks)
                why = "--ticks takes a whole number from 0 to " + std::to_string(kMostTicks) +
                      ", not \"" + text + "\"";
        }
        if (!why.empty()) {
            std::fprintf(stderr, "adventure: %s\nusage: adventure [--ticks N]\n", why.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int RunGame(int argc, char** argv) {
    long ticks = -1;
    if (!ReadArguments(argc, argv, &ticks)) return 2;
    TEngine engine; // the engine's services, built first and gone last
    const std::string folder = ProgramFolder();
    if (!platform::FileExists((folder + "resource.ini").c_str())) {
        std::fprintf(stderr,
                     "adventure: no resource.ini in %s: the game's files (resource.ini, "
                     "its configuration, int/all/scripts/main.scr ...) lie beside the program\n",
                     folder.empty() ? "the program's folder" : folder.c_str());
        return 1;
    }
    bool headless = ticks >= 0;
    if (headless) platform::UseHost(platform::HostKind::Memory);
    if (platform::CurrentHost() != platform::HostKind::Sdl) {
        if (!headless) {
            std::string reason = platform::NoDesktopReason();
            std::fprintf(stderr, "adventure: %s: running headless for 100 ticks\n",
                         reason.empty() ? "no display" : reason.c_str());
            ticks = 100;
        }
        headless = true;
    }
    if (headless) platform::ClockUseVirtual(true, 1000);
    const int result = GameEntry(ticks);
    // Nobody saw the boxes of a headless run: they are written out.
    if (headless)
        for (const platform::BoxRecord& box : platform::MessageBoxLog())
            std::fprintf(stderr, "adventure: box \"%s\": %s\n",
                         platform::TextToUtf8(box.caption.c_str()).c_str(),
                         platform::TextToUtf8(box.text.c_str()).c_str());
    return result;
}
