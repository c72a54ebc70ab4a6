// The application: the root form of the component tree and the one object
// that starts and stops the engine's devices. It knows the program's folder,
// reads the configuration file, opens the display, runs the main loop as a
// modal form, paces and counts frames, paints the tree and presents each
// frame, answers error reports with a message box, and shuts down in order.
// A program has one; the game's application derives from it.
#pragma once

#include "foundation/TString.h"
#include "gdl/dc.h"
#include "platform/Types.h"
#include "ui/TWinForm.h"

#include <cstdint>

class TPalette;
class TProfile;

class TWinApp : public TWinForm {
public:
    TWinApp();
    ~TWinApp() override;

    // --- The application's own operations ---
    virtual void OnAppMouseLeave(TEvent* event);
    virtual void OnAppMouseEnter(TEvent* event);
    // Both disable the application, which ends the main loop.
    virtual void OnCloseRequest(TEvent* event);
    virtual void OnQueryEndSession(TEvent* event);
    // Shows an error report; true for stop.
    virtual bool AskUser(const char* text);
    virtual int32_t ReservedQuery(int32_t word);
    virtual void ReadConfig();

    // --- Control interface ---
    bool HandleEvent(TObject* sender, TEvent* event) override;
    void OnKeyDown(TEvent* event) override;

    // --- Set-up ---
    void SetPaths(const char* programPath);
    void SetResourceFile(const char* fileName);
    void SetInstance(HINSTANCE instance, HINSTANCE previous, int32_t showCommand);
    void SetDisplayOption(uint32_t option);
    void SetWindowStyle(uint32_t style);
    void SetClassName(const char* name);
    void SetCaption(const char* text);
    void SetPalette(TPalette* palette) { palette_ = palette; }

    // --- Life ---
    void Start();
    void Stop();
    bool IsStarted() const { return started_; }
    // The error handler's callback: true for stop.
    bool OnError(const char* text);
    // The frame event: paced, counted, painted and presented; false when the
    // frame was skipped.
    bool OnFrame(TEvent* event);
    void PaintFrame(TEvent* event);
    // The graphics library's suspend (1) and resume (2) callback.
    static int32_t OnDisplayMode(GdlDeviceContext* dc, int32_t reason);

    // --- Frame pacing, in the engine clock's milliseconds ---
    // The clock's resolution as it reports it: the float 0.001.
    static double ClockResolution();
    // Whether a frame at `now` is due after `next`, at `frameRate` per second.
    static bool FrameDue(int32_t now, int32_t next, int32_t frameRate);
    // How far a frame that runs moves the next frame time.
    static int32_t FrameStep(int32_t frameRate);

    // --- Values ---
    int32_t GetFreq() const { return freq_; }
    void SetFreq(int32_t freq) { freq_ = freq; }
    int32_t GetFrameRate() const { return frameRate_; }
    void SetFrameRate(int32_t rate) { frameRate_ = rate; }
    uint32_t GetDisplayOption() const { return displayOption_; }
    int32_t GetFramesPerSecond() const { return framesPerSecond_; }
    int32_t GetNextFrameTime() const { return nextFrameTime_; }
    bool GetUseCapture() const { return useCapture_; }
    int32_t GetCaptureInterval() const { return captureInterval_; }
    // The capture timer's interval, in milliseconds.
    float GetCaptureTimerInterval() const;
    const TString& GetCaptureFileName() const { return captureFileName_; }
    const TString& GetProtocolPath() const { return protocolPath_; }
    const TString& GetProgramFolder() const { return programFolder_; }
    const TString& GetProgramFileName() const { return programFileName_; }
    const TString& GetProgramPath() const { return programPath_; }

    // --- Process-wide values ---
    static TWinApp* GetApp();
    static TWinApp* GetRunningApp();
    static void SetHintWindow(TWinForm* hint);
    static TWinForm* GetHintWindow();
    // Above 0 while an error box waits for its answer.
    static int32_t ErrorDialogDepth();

private:
    struct TCaptureParts;
    void ReadDisplayFlags(TProfile& profile);
    void ReadTimer(TProfile& profile);
    void ReadCursor(TProfile& profile);
    void ReadDisplayMode(TProfile& profile);
    void ReadSound(TProfile& profile);
    void ReadCapture(TProfile& profile);
    void StartDevices();
    void StopDevices();
    bool KeyPasses(TEvent* event);
    bool FocusRequest(TEvent* event);
    void TrackAppHover(TEvent* event);
    void CountFrame(int32_t now);
    void CaptureCreate();
    void CaptureDestroy();
    void CaptureSetInterval(float ms);
    void CaptureConfigure();
    void CaptureAttach();
    void CaptureShutdown();
    void CaptureKey(uint16_t key);

    int32_t freq_ = 18;
    int32_t frameRate_ = 0;
    uint32_t displayOption_ = 0;
    TPalette* palette_ = nullptr;
    TString protocolPath_;
    TString programFolder_;
    TString programFileName_;
    TString programPath_;
    int32_t framesPerSecond_ = 0;
    int32_t frameCount_ = 0;
    int32_t nextFrameTime_ = 0;
    int32_t measureStart_ = 0;
    bool mouseInside_ = true;
    bool started_ = false;
    bool cursorOpened_ = false;
    bool useCapture_ = false;
    int32_t captureInterval_ = 0;
    TString captureFileName_;
    TCaptureParts* capture_ = nullptr;
};
