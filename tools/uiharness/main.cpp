// uiharness: a test harness of the user-interface framework, not part of the
// game. A TWinApp runs its modal main loop with framed forms nested in each
// other (a translucent one drifting over the rest); the captioned one holds
// a label, text buttons, a radio panel, a keyed and a translucent picture,
// and shows hints. The key E tries to open a file that does not exist, whose
// error report the application shows in a message box: Retry or Ignore go
// on, Abort ends the program, as the close button and Alt+F4 do.
//
//   uiharness [--frames N] [--error-at N] [--hint-at N] [--translucent-at N]
//             [--folder DIR] [--png FILE] [--saveload]
//
// --saveload shows a save-and-load style form instead of the nested ones: a
// file list over the folder DIR/saveload/saves (mapped as drive c:) with a
// picture scroll bar, an edit with the file-name filter, and an up button.
// With --frames it is tried by a script of clicks and keys that prints what
// the form shows after each step.
//
// --frames N ends after N painted frames; --error-at N presses E after N
// frames; --hint-at N moves the pointer onto the OK button after N frames;
// --translucent-at N clicks the captioned form's T button after N frames;
// --folder DIR holds the configuration, the font and the error protocol
// (default: the program's folder, where "resource.ini" and "uiharness.ini"
// are written when missing); --png FILE writes the last frame. With
// --frames the program runs headless on the memory host in virtual time,
// where boxes are answered by their first button (Abort) and printed; so it
// does for 100 frames where the environment offers no display.
#include "foundation/TColor.h"
#include "foundation/TError.h"
#include "foundation/TFile.h"
#include "foundation/TFileCtl.h"
#include "foundation/TTimer.h"
#include "media/devices/TDispDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "ui/TCaptionButton.h"
#include "ui/TWinApp.h"
#include "ui/TWinForm.h"
#include "ui/TWinSysB.h"

#include "CommandLine.h"
#include "DesktopHost.h"
#include "Showcase.h"

#include "SaveLoadForm.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Options {
    long frames = -1; // -1: until closed
    long errorAt = -1;
    long hintAt = -1;
    long translucentAt = -1;
    std::string folder;
    std::string png;
    bool saveLoad = false;
};

bool ParseCount(const std::string& option, const char* text, long* out) {
    int64_t count = 0;
    if (!tools::ParseOptionNumber("uiharness", option.c_str(), text, 0, INT32_MAX, &count))
        return false;
    *out = long(count);
    return true;
}

bool Parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames" && hasValue) {
            if (!ParseCount(a, argv[++i], &o->frames)) return false;
        } else if (a == "--error-at" && hasValue) {
            if (!ParseCount(a, argv[++i], &o->errorAt)) return false;
        } else if (a == "--hint-at" && hasValue) {
            if (!ParseCount(a, argv[++i], &o->hintAt)) return false;
        } else if (a == "--translucent-at" && hasValue) {
            if (!ParseCount(a, argv[++i], &o->translucentAt)) return false;
        } else if (a == "--folder" && hasValue) {
            o->folder = argv[++i];
        } else if (a == "--png" && hasValue) {
            o->png = argv[++i];
        } else if (a == "--saveload") {
            o->saveLoad = true;
        } else {
            return false;
        }
    }
    return true;
}

// Drifts a form across its parent, bouncing at the edges.
class Drifter : public TTimer {
public:
    explicit Drifter(TWinForm& form) : form_(form) { SetInterval(40.0f); }
    void OnTimer(TEvent*) override {
        const int32_t x = form_.GetX(), y = form_.GetY();
        if (x + dx_ < 0 || x + dx_ + form_.GetWidth() > 640) dx_ = -dx_;
        if (y + dy_ < 0 || y + dy_ + form_.GetHeight() > 480) dy_ = -dy_;
        form_.SetPos(x + dx_, y + dy_);
    }

private:
    TWinForm& form_;
    int32_t dx_ = 4, dy_ = 3;
};

// The centre of the OK button on the screen.
constexpr int32_t kHintX = 101, kHintY = 114;

class HarnessApp : public TWinApp {
public:
    explicit HarnessApp(const Options& options) : options_(options) {}

    void SetScript(SaveLoadForm* form) { script_ = form; }

    bool HandleEvent(TObject* sender, TEvent* event) override {
        const bool painted = TWinApp::HandleEvent(sender, event);
        // The captioned form asks for the focus once the loop runs, after the
        // application's own request at the start of the loop.
        if (frames_ == 1 && focusFirst_) {
            focusFirst_->Show();
            focusFirst_ = nullptr;
        }
        if (event && event->type == evPaint && painted) {
            ++frames_;
            if (script_ && frames_ % 5 == 0) ScriptStep(frames_ / 5);
        }
        if (frames_ == options_.errorAt && !errorRaised_) {
            errorRaised_ = true;
            platform::InjectKey(platform::KeyCode::E, true);
            platform::InjectKey(platform::KeyCode::E, false);
        }
        if (frames_ == options_.hintAt && !hintMoved_) {
            hintMoved_ = true;
            platform::InjectMouseMove(TDispDev::Global().GetWindow(), kHintX, kHintY);
        }
        if (frames_ == options_.translucentAt && !translucentPressed_ && captioned_) {
            translucentPressed_ = true;
            ClickTranslucencyButton();
        }
        if (options_.frames >= 0 && frames_ >= options_.frames) EndModal(1);
        return painted;
    }

    void OnKeyDown(TEvent* event) override {
        if (event && event->KeyChar() == 'e') {
            event->passState = psConsumed;
            // A real failure: the file layer reports it like any other.
            TFile missing("uiharness-missing.dat");
            missing.Open(TFile::kRead);
            return;
        }
        TWinApp::OnKeyDown(event);
    }

    long Frames() const { return frames_; }
    void FocusFirst(TWinForm* form) { focusFirst_ = form; }
    void SetCaptioned(TWinForm* form) { captioned_ = form; }

private:
    // A click on the captioned form's T button, as a user makes it.
    void ClickTranslucencyButton() {
        TWinSysB* bar = captioned_->GetWinCaptionBar();
        TCaptionButton* button = bar ? bar->GetTranslucencyButton() : nullptr;
        if (!button) return;
        TRectArea r;
        button->GetScreenRect(r);
        const int32_t x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        HWND window = TDispDev::Global().GetWindow();
        platform::InjectMouseMove(window, x, y);
        platform::InjectMouseButton(window, platform::MouseButton::Left, true, x, y);
        platform::InjectMouseButton(window, platform::MouseButton::Left, false, x, y);
    }

    // A new user's first minutes with the form, one step every 5 frames.
    void ScriptStep(long step) {
        HWND window = TDispDev::Global().GetWindow();
        auto click = [&](TPoint p, int times) {
            platform::InjectMouseMove(window, p.x, p.y);
            for (int i = 0; i < times; ++i) {
                platform::InjectMouseButton(window, platform::MouseButton::Left, true, p.x, p.y);
                platform::InjectMouseButton(window, platform::MouseButton::Left, false, p.x, p.y);
            }
        };
        auto centre = [](TControl& c) {
            TRectArea r;
            c.GetScreenRect(r);
            return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        };
        if (step > 7) return;
        std::printf("step %ld: %s\n", step, script_->Describe().c_str());
        switch (step) {
            case 1: click(script_->RowCentre(4), 1); break; // a save file
            case 2: click(script_->RowCentre(1), 2); break; // open the folder OLD
            case 3: click(centre(script_->UpButton()), 1); break;
            case 4: click(centre(script_->Edit()), 1); break; // selects the empty text
            case 5:
                for (platform::KeyCode k :
                     {platform::KeyCode::N, platform::KeyCode::E, platform::KeyCode::W}) {
                    platform::InjectKey(k, true);
                    platform::InjectKey(k, false);
                }
                break;
            case 6: { // the bar's lower arrow
                TRectArea r;
                script_->Bar().GetScreenRect(r);
                click(TPoint((r.left + r.right) / 2, r.bottom - 4), 1);
                break;
            }
            default: break;
        }
    }

    SaveLoadForm* script_ = nullptr;
    const Options& options_;
    long frames_ = 0;
    bool errorRaised_ = false;
    bool hintMoved_ = false;
    bool translucentPressed_ = false;
    TWinForm* focusFirst_ = nullptr;
    TWinForm* captioned_ = nullptr;
};

// The background over the whole application, which is hollow itself: it
// repaints what the drifting form leaves.
class Desk : public TControl {
public:
    Desk() {
        SetDrawMode(dmFull);
        SetAlign(alFill);
    }
    void Draw() override {
        TRectArea r;
        GetClientRect(r);
        GetCanvas().SetForeColor(TColor(0, 96, 96));
        GetCanvas().FillRect(r);
    }
};

// Three framed forms over the desk: a captioned one holding a bevelled one,
// and a translucent single-line one over both.
struct Forms {
    Desk desk;
    TWinForm outer, inner, glass;

    void Open(HarnessApp& app, Showcase& showcase) {
        desk.Show(&app);
        outer.SetFrameStyle(5);
        outer.SetCaptionButtons(1 | 4 | 16);
        outer.SetTitle("uiharness");
        outer.SetStatusText("Point at a button for its hint");
        outer.SetFont(showcase.Font());
        outer.SetRect(40, 40, 400, 300);
        outer.Open(&app);
        inner.SetFrameStyle(2);
        inner.SetRect(10, 124, 220, 110);
        inner.Open(&outer);
        glass.SetFrameStyle(1);
        glass.SetAlpha(160);
        // Over the others even when they take the focus; the hint window
        // (depth -1 too, opened later) still comes before it.
        glass.SetDepth(-1);
        glass.SetRect(300, 200, 240, 160);
        glass.Open(&app);
        for (TWinForm* form : {&outer, &inner, &glass}) {
            form->SetVisible(true);
            form->SetEnabled(true);
        }
        showcase.Open(outer, app);
        app.FocusFirst(&outer);
        app.SetCaptioned(&outer);
    }
    void Close() {
        for (TWinForm* form : {&glass, &inner, &outer})
            form->Close();
        desk.Hide();
    }
};

// The resource index and the configuration the application reads at start.
void WriteConfiguration(const std::string& folder) {
    const std::string index = folder + "resource.ini";
    if (std::FILE* f = std::fopen(index.c_str(), "rb")) {
        std::fclose(f);
        return;
    }
    std::FILE* f = std::fopen(index.c_str(), "wb");
    if (!f) return;
    std::fputs("[Main]\r\nPath=.\r\n[Config]\r\nconfig=uiharness.ini\r\n", f);
    std::fclose(f);
    f = std::fopen((folder + "uiharness.ini").c_str(), "wb");
    if (!f) return;
    std::fputs("[Display]\r\nuseWindowed=Yes\r\nuseDirtyRect=Yes\r\nResolution=640,480\r\n"
               "ColorDepth=16\r\nFrameRate=30\r\n[Timer]\r\nFreq=50\r\n",
               f);
    std::fclose(f);
}

std::string ProgramPath(const Options& options) {
    if (options.folder.empty()) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, sizeof path);
        return path;
    }
    return options.folder + "/uiharness";
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: uiharness [--frames N] [--error-at N] [--hint-at N] "
                             "[--translucent-at N] [--folder DIR] [--png FILE] [--saveload]\n");
        return 2;
    }
    // The configuration and the save games go into the folder: a missing
    // one is said at once, not as a frame that could not be written.
    std::error_code missing;
    if (!options.folder.empty() && !std::filesystem::is_directory(options.folder, missing)) {
        std::fprintf(stderr, "uiharness: --folder %s is no folder\n", options.folder.c_str());
        return 1;
    }
    if (options.frames >= 0) {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true, 0);
    } else if (!tools::OnDesktop("uiharness", "running headless for 100 frames")) {
        // Without a display (or with ADV_HOST=memory) nobody could close the
        // window.
        options.frames = 100;
        platform::ClockUseVirtual(true, 0);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int status = 0;
    {
        HarnessApp app(options);
        app.SetPaths(ProgramPath(options).c_str());
        WriteConfiguration(app.GetProgramFolder().c_str());
        TFileCtl::ReadBasePath();
        app.SetClassName("UiHarness");
        app.SetCaption("uiharness: E raises an error report");
        app.Start();
        if (!app.IsStarted()) {
            std::fprintf(stderr, "uiharness: the display did not open\n");
            status = 1;
        } else {
            Showcase showcase;
            showcase.LoadFont(app.GetProgramFolder().c_str());
            Forms forms;
            std::unique_ptr<SaveLoadForm> saveLoad;
            Drifter drifter(forms.glass);
            if (options.saveLoad) {
                saveLoad = std::make_unique<SaveLoadForm>(app.GetProgramFolder().c_str());
                forms.desk.Show(&app);
                saveLoad->Open(&app);
                if (options.frames >= 0) app.SetScript(saveLoad.get());
            } else {
                forms.Open(app, showcase);
                drifter.SetParent(&app);
                drifter.SetEnabled(true);
            }
            const int32_t result = app.ShowModal();
            platform::Frame last = platform::PresentedFrame(TDispDev::Global().GetWindow());
            if (saveLoad) {
                saveLoad->Close();
                forms.desk.Hide();
            } else {
                drifter.Detach();
                showcase.Close();
                forms.Close();
            }
            std::printf("frames %ld result %d\n", app.Frames(), result);
            if (!options.png.empty() && !platform::WriteFramePng(last, options.png.c_str())) {
                std::fprintf(stderr, "uiharness: cannot write %s\n", options.png.c_str());
                status = 1;
            }
        }
        app.Stop();
    }
    for (const platform::BoxRecord& box : platform::MessageBoxLog())
        std::printf("box %d: %s\n", box.answer, box.text.c_str());
    return status;
}
