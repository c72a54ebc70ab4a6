// The interactive graphic: takes mouse presses and keys, can hold the
// keyboard focus, tracks the pointer entering and leaving it and shows a
// cursor of its own. It completes the control interface, the virtual
// operations every visible class of the engine and the game overrides.
#pragma once

#include "foundation/TRef.h"
#include "foundation/TString.h"
#include "ui/TGraphic.h"

#include <cstdint>

class TFontRes;
class TMetaCur;

class TControl : public TGraphic {
public:
    // Behaviour bits of the style word; 32 carries none.
    enum Style : uint32_t {
        stCountPresses = 1,
        stHandleClicks = 2,
        stTrackHover = 4,
        stReportMoves = 8,
        stFocusable = 16,
        stDefault = 32,
        stTakesPresses = stCountPresses | stHandleClicks | stTrackHover,
    };
    // Data words of mouse events.
    enum MouseWord : int32_t {
        mwDx = 0,
        mwDy = 1,
        mwDoubleClick = 2,
        mwPressClaim = 3, // a held button's repeat: not counted, asks no focus
        mwHoverClaim = 4,
        mwSynthetic = 5,
    };
    // Data words of key events: the key word (scan code * 256 + character)
    // and the repeat count, 1 for a fresh press.
    enum KeyWord : int32_t { kwKey = 0, kwCount = 1 };
    // Data words of focus requests.
    enum FocusWord : int32_t { fwDone = 0, fwMode = 1, fwKind = 2, fwDirection = 3 };
    // Focus request modes: next, previous, the next in the walk, this one.
    enum FocusMode : int32_t { fmNext = 0, fmPrevious = 1, fmWalk = 2, fmThis = 3 };
    // Key pass states.
    enum PassState : int32_t { psFirst = 1, psSecond = 2, psTaken = 3, psConsumed = 4 };
    // Sub-codes of property changes.
    enum Property : int32_t { pcCursor = 0, pcFont = 1, pcMove = 2, pcSystem = 3 };
    // Modifier masks of the library's event word.
    static constexpr uint32_t kShiftMask = 0x18, kCtrlMask = 0xA0, kAltMask = 0x140;
    static constexpr int32_t evHint = 34;
    static constexpr int32_t evFocusGained = 32;
    static constexpr int32_t evFocusLost = 33;

    TControl();
    ~TControl() override;

    // --- Control interface (slots 1 to 14 beyond TGraphic's) ---
    uint32_t Update() override;
    uint32_t SetEnabled(bool on) override;
    bool HandleEvent(TObject* sender, TEvent* event) override;
    void OnHide(TEvent* event) override;
    void OnClose(TEvent* event) override;
    // --- Slots 15 to 31 ---
    virtual void SetFocus(bool on);
    virtual bool HitTest(int32_t x, int32_t y);
    virtual void OnLeftDown(TEvent* event);
    virtual void OnLeftUp(TEvent* event);
    virtual void OnRightDown(TEvent* event);
    virtual void OnRightUp(TEvent* event);
    virtual void OnMiddleDown(TEvent* event);
    virtual void OnMiddleUp(TEvent* event);
    virtual void OnMouseMove(TEvent* event);
    virtual void OnMouseEnter(TEvent* event);
    virtual void OnMouseLeave(TEvent* event);
    virtual void OnKeyUp(TEvent* event);
    virtual void OnKeyDown(TEvent* event);
    virtual void OnCommand(TEvent* event);
    virtual void OnFocusGained();
    virtual void OnFocusLost();
    // The hint window places itself at the pointer with this control's text.
    virtual void ShowHint(TEvent* event);

    // --- Tree ---
    void Show(TControl* parent);
    void Hide();
    void SetVisible(bool on);
    bool IsEnabled() const { return (flags_ & kEnabled) != 0; }
    bool IsVisible() const { return (flags_ & kVisible) != 0; }
    bool IsShown() const { return (flags_ & kShown) != 0; }
    void Focus(bool on) { SetFocus(on); }
    bool IsFocused() const { return focused_ != 0; }
    // Leaves the focus to the next control and hides the control.
    void Dismiss();

    // --- Properties ---
    void SetStyle(uint32_t style);
    uint32_t GetStyle() const { return style_; }
    void SetCursor(TMetaCur* cursor);
    TMetaCur* GetCursor() const { return cursor_.Get(); }
    void SetInheritCursor(uint32_t flag) { inheritCursor_ = flag; }
    void SetFont(TFontRes* font);
    TFontRes* GetFont() const { return font_.Get(); }
    void SetInheritFont(uint32_t flag);
    void SetHint(const char* text);
    const TString& GetHint() const { return hint_; }
    bool IsInside() const { return inside_ != 0; }
    int32_t GetPresses(int32_t button) const { return presses_[button]; }

protected:
    // Sets or clears the focus bit (only a focusable control takes it) and,
    // when it changed, runs the hook and tells the own handlers; true then.
    bool ChangeFocus(bool on);
    // Queues an event addressed to this control with the event manager.
    void QueueToSelf(TEvent& event);
    void QueueFocusRequest(int32_t kind, int32_t mode);
    void QueueProperty(int32_t subCode);
    // Sends a leave event when the pointer was inside.
    void Leave(TEvent* event);
    bool IsKeyFreshPress(const TEvent* event) const { return event->data[kwCount] == 1; }
    void ClearPointerState();
    // Clears the hint window's owner and hides it when this control owns it.
    void DropHint();

    uint32_t focused_ = 0;
    uint32_t style_ = stDefault;
    TRef<TMetaCur> cursor_; // resources live apart from the controls using them
    uint32_t inheritCursor_ = 1;
    TRef<TFontRes> font_;
    uint32_t inheritFont_ = 1;
    TString hint_;
    int32_t presses_[3] = {0, 0, 0}; // left, right, middle
    uint32_t inside_ = 0;

private:
    bool ButtonDown(int32_t button, TEvent* event);
    bool ButtonUp(int32_t button, TEvent* event);
    void ButtonDownHook(int32_t button, TEvent* event);
    void ButtonUpHook(int32_t button, TEvent* event);
    bool MouseMove(TEvent* event);
    void TrackHover(TEvent* event);
    bool Key(TEvent* event);
    bool Command(TEvent* event);
    bool FocusRequest(TEvent* event);
    bool PropertyChange(TEvent* event);
    bool HideOrClose(TObject* sender, TEvent* event);
    bool PointerShown() const;
    bool TakesPresses() const { return (style_ & stTakesPresses) != 0; }
    void InheritCursor();
    void InheritFont();
    void ShowCursorIfInside();
    TControl* ParentControl() const;
};
