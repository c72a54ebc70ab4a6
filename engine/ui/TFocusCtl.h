// The focus container: a control that is shown, shown modally, hidden and
// closed, passes focus requests through its children and carries the fields
// of a framed window (frame style, caption and status bars, title, window
// state, a second alpha). Its ShowModal is the engine's event loop: the whole
// program runs inside ShowModal on the application.
#pragma once

#include "foundation/TString.h"
#include "ui/TControl.h"

#include <cstdint>

class TCaptionBarBase;
class TStatusBarBase;

class TFocusCtl : public TControl {
public:
    enum WindowState : int32_t { wsNormal = 0, wsMaximized = 1 };
    // The result of a modal loop that ended without one.
    static constexpr int32_t kNoResult = 3;

    TFocusCtl();
    ~TFocusCtl() override;

    // --- Control interface ---
    uint32_t Update() override;
    bool HandleEvent(TObject* sender, TEvent* event) override;
    void SetFocus(bool on) override;
    void OnKeyDown(TEvent* event) override;
    void OnKeyUp(TEvent* event) override;

    // --- Showing and the modal loop ---
    using TControl::Show;
    // Asks for the focus (or comes to the front), becomes visible and
    // enabled, and posts a frame and the shown event; the post's result.
    int Show();
    int32_t ShowModal();
    void EndModal(int32_t result) { modalResult_ = result; }
    int32_t GetModalResult() const { return modalResult_; }
    // Leaves the focus to the previous container, then closes (disabled and
    // hidden) or hides the container's subtree.
    void Close();
    void Hide();
    // One event of the loop; without one, waits briefly for window input
    // and answers false. Objects queued by DeleteLater during the step are
    // deleted after it, unless it runs inside another step.
    bool ModalStep();
    // The step without its idle wait: takes one event and routes it as the
    // loop does (a replay of input and the tests route through it, so the
    // routing exists once); false, at once, when there was none. `routed`,
    // if given, receives the event as routed.
    bool RouteOne(TEvent* routed = nullptr);

    // --- Window fields ---
    void SetFrameStyle(int32_t style);
    int32_t GetFrameStyle() const { return frameStyle_; }
    void SetCaptionButtons(uint32_t buttons);
    uint32_t GetCaptionButtons() const { return captionButtons_; }
    void SetCaptionBar(TCaptionBarBase* bar);
    TCaptionBarBase* GetCaptionBar() const { return captionBar_.Get(); }
    void SetStatusBar(TStatusBarBase* bar);
    TStatusBarBase* GetStatusBar() const { return statusBar_.Get(); }
    void SetTitle(const char* text);
    const TString& GetTitle() const { return title_; }
    void SetStatusText(const char* text);
    const TString& GetStatusText() const { return statusText_; }
    void SetWindowState(int32_t state);
    int32_t GetWindowState() const { return windowState_; }
    void SetSecondAlpha(int32_t alpha) { secondAlpha_ = alpha; }
    int32_t GetSecondAlpha() const { return secondAlpha_; }
    const TRectArea& GetSavedRect() const { return saved_; }

    // Handlers of mouse moves: the caption bar drags the container, the size
    // grip resizes it by the move's relative motion.
    int OnDragMove(TObject* sender, TEvent* event);
    int OnDragSize(TObject* sender, TEvent* event);

    // Kinds of focus requests: between containers (0, 1) and between
    // controls (2); containers accept only the first two.
    static bool IsContainerKind(intptr_t kind) { return kind == 0 || kind == 1; }

protected:
    // Offers a key to the children from the front until one consumes it (or,
    // with `endOnTaken`, takes it); true when one consumed it.
    bool OfferKeyToChildren(TEvent* event, bool endOnTaken);
    // The last pass: the own key operation, then the own handlers; true
    // when the key was consumed.
    bool OwnKeyPass(TEvent* event);

    int32_t windowState_ = wsNormal;
    int32_t frameStyle_ = 0;
    uint32_t captionButtons_ = 0;
    // The bars are set from outside and may go before the container.
    TRef<TCaptionBarBase> captionBar_;
    TRef<TStatusBarBase> statusBar_;
    TString title_;
    TString statusText_;
    int32_t modalResult_ = 0;
    int32_t secondAlpha_ = 240;
    TRectArea saved_{0, 0, 0, 0};

private:
    bool RouteOneEvent(TEvent* routed);
    bool KeyPasses(TEvent* event);
    bool FocusRequest(TEvent* event);
    bool FocusFromChildren(TEvent* event);
    bool TargetedEvent(TEvent* event);
    void QueueOwnFocusRequest(int32_t mode);
    void UpdateBars();
    bool OfferToChildren(TEvent* event, bool fromFront);
    void GiveToEveryChild(TEvent* event);
};
