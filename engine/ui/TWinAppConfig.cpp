// The application's configuration file: display, timer, cursor, sound and
// capture settings handed to the devices.
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TProfile.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDispDev.h"
#include "media/sound/TSndDev.h"
#include "ui/TWinApp.h"

#include <cstring>

namespace {

// The display's driver flags: each key that reads true adds its bits.
struct TDriverFlag {
    const char* key;
    uint32_t bits;
};

constexpr TDriverFlag kDriverFlags[] = {
    {"useDirectDraw", TDispDev::fDirectDraw},
    {"useFSDirect", TDispDev::fFSDirect},
    {"useVGA", TDispDev::fVGA},
    {"useVGAX", TDispDev::fVGAX},
    {"useVBE", TDispDev::fVBE},
    {"useLinear", TDispDev::fLinear},
    {"useVBEAF", TDispDev::fVBEAF},
    {"useFullscreenDIB", TDispDev::fFullscreenDIB},
    {"useWaitRetrace", TDispDev::fWaitRetrace},
    {"useDblBuf", TDispDev::fDblBuf},
    {"useWindowed", TDispDev::fWindowed},
    {"useDirtyRect", TDispDev::fDirtyRect},
    {"useVarColorDepth", TDispDev::fVarColorDepth},
    {"useVarSize", TDispDev::fVarSize},
    {"allowDirectMode", TDispDev::fAllowDirectMode},
};

// The texts of ColorMapMode, compared exactly; any other text is 4.
struct TMapModeText {
    const char* text;
    int32_t mode;
};

constexpr TMapModeText kMapModes[] = {
    {"Nearest Color", 1},
    {"Ordered Dither", 2},
    {"Error Diffusion", 3},
};
constexpr int32_t kOtherMapMode = 4;

constexpr float kDefaultCaptureInterval = 100.0f;

bool ReadNumber(TProfile& profile, const char* key, int32_t* out) {
    return profile.FindKey(key) && profile.ReadValues(out);
}

} // namespace

void TWinApp::ReadConfig() {
    TString path;
    TFileCtl::GetPath("Config", "config", path);
    if (path == "") return;
    TProfile profile(path.c_str());
    if (!profile.Open()) return;
    ReadDisplayFlags(profile);
    ReadTimer(profile);
    ReadCursor(profile);
    if (profile.FindSection("Display")) ReadNumber(profile, "FrameRate", &frameRate_);
    ReadDisplayMode(profile);
    if (profile.FindSection("Display") && profile.FindKey("ColorMapMode")) {
        char text[64] = {};
        profile.ReadString(text, sizeof text);
        int32_t mode = kOtherMapMode;
        for (const TMapModeText& m : kMapModes)
            if (std::strcmp(text, m.text) == 0) mode = m.mode;
        SetDefaultColorMapMode(mode);
    }
    ReadSound(profile);
    if (profile.FindSection("Display"))
        SetDefaultAutoColorAdjust(profile.ReadBool("AutoColorAdjust") ? 1 : 0);
    ReadCapture(profile);
    profile.Close();
}

void TWinApp::ReadDisplayFlags(TProfile& profile) {
    if (!profile.FindSection("Display")) return;
    uint32_t flags = 0;
    for (const TDriverFlag& f : kDriverFlags)
        if (profile.ReadBool(f.key)) flags |= f.bits;
    TDispDev::Global().SetDriverFlags(flags);
}

void TWinApp::ReadTimer(TProfile& profile) {
    int32_t freq = 0;
    if (!profile.FindSection("Timer") || !ReadNumber(profile, "Freq", &freq) || freq == freq_)
        return;
    freq_ = freq;
    if (!started_) return;
    TEventMgr::Global().SetTimer(0);
    if (freq_ > 0) TEventMgr::Global().SetTimer(1000 / freq_);
}

void TWinApp::ReadCursor(TProfile& profile) {
    if (!profile.FindSection("Cursor")) return;
    int32_t sleep = 0;
    if (ReadNumber(profile, "CursorThreadSleepTime", &sleep))
        TCursDev::Global().SetSleepTime(sleep);
    TCursDev::Global().SetMTCursor(profile.ReadBool("useMTCursor") ? 1 : 0);
}

void TWinApp::ReadDisplayMode(TProfile& profile) {
    int32_t width = 0, height = 0, depth = 0;
    TDispDev& display = TDispDev::Global();
    display.GetMode(&width, &height, &depth);
    if (!profile.FindSection("Display")) return;
    if (profile.FindKey("Resolution") && profile.ReadValues(&width)) profile.ReadValues(&height);
    ReadNumber(profile, "ColorDepth", &depth);
    display.SetMode(width, height, depth);
    SetRect(0, 0, width, height);
}

void TWinApp::ReadSound(TProfile& profile) {
    if (!profile.FindSection("Sound")) return;
    uint32_t outputs = 0;
    if (profile.ReadBool("useWaveOut")) outputs |= 1;
    if (profile.ReadBool("useDirectSound")) outputs |= 2;
    TSndDev::Global().SetOutputFlags(outputs);
}

void TWinApp::ReadCapture(TProfile& profile) {
    if (!profile.FindSection("Capture") || !profile.ReadBool("useCapture")) return;
    useCapture_ = true;
    if (profile.FindKey("CaptureInterval")) {
        int32_t interval = 0;
        const bool read = profile.ReadValues(&interval) != 0;
        captureInterval_ = interval;
        CaptureSetInterval(read ? float(interval) : kDefaultCaptureInterval);
    }
    char name[260] = {};
    if (profile.FindKey("CaptureFileName") && profile.ReadString(name, sizeof name)) {
        captureFileName_ = name;
        CaptureConfigure();
    }
}
