// The one-line text input: a text graphic holding one editable string, with a
// blinking caret, a selection, insert and overwrite modes, optional
// horizontal scrolling, optional case forcing and an optional filter that
// admits only file-name characters. Every change of the text posts event 24
// to the control's own handlers.
#pragma once

#include "foundation/TString.h"
#include "foundation/TTimer.h"
#include "ui/TText.h"

#include <cstdint>

class TEditCtl : public TText {
public:
    static constexpr int32_t kNone = 32767; // selection index meaning "none"
    static constexpr int32_t evChanged = evUser24;
    enum Frame : int32_t { frNone = 0, frLine = 1, frSunken = 2 };
    enum Mode : uint32_t { mdCaretShown = 1, mdOverwrite = 2 };
    enum Case : int32_t { csKeep = 0, csUpper = 1, csLower = 2 };
    static constexpr int32_t kScrollHorizontal = 1;

    TEditCtl();
    ~TEditCtl() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;
    void OnLeftDown(TEvent* event) override;
    void OnMouseMove(TEvent* event) override;
    void OnKeyUp(TEvent* event) override;
    void OnKeyDown(TEvent* event) override;
    // Sees a typed character's key event before it is inserted.
    virtual void OnChar(TEvent* event);

    void Show(TControl* parent);
    void Hide();
    void SetText(const char* text);
    const TString& GetText() const { return text_; }
    void SetFrameStyle(int32_t style);
    void SetFilter(int32_t on) { filter_ = on; }
    void SetScrollFlags(int32_t flags);
    void SetCaseMode(int32_t mode);
    int Blink(TObject* sender, TEvent* event);
    void InsertChar(uint8_t c);
    void DeleteChars(int32_t index, int32_t count);
    void CaretLeft(int32_t count, uint32_t modifiers);
    void CaretRight(int32_t count, uint32_t modifiers);
    int32_t PositionFromX(int32_t x);

    int32_t GetCaret() const { return caret_; }
    int32_t GetSelStart() const { return selStart_; }
    int32_t GetSelEnd() const { return selEnd_; }
    bool HasSelection() const { return selStart_ != selEnd_; }
    int32_t GetFirstVisible() const { return firstVisible_; }
    uint32_t GetModeFlags() const { return modeFlags_; }
    const TRectArea& GetTextRect() const { return textRect_; }
    TTimer& GetBlinkTimer() { return blink_; }
    // Whether the file-name filter admits a character.
    static bool IsFileNameChar(uint8_t c);

private:
    int32_t Length() const { return text_.Length(); }
    uint8_t CharAt(int32_t i) const { return static_cast<uint8_t>(text_.c_str()[i]); }
    void Changed();
    void SelectAll();
    void DropSelection();
    void DeleteSelection();
    void ApplyCase();
    void CutToField();
    void ScrollToCaret(const TRectArea& client);
    int32_t WidthOf(int32_t i) { return i < Length() ? Width(CharAt(i)) : 0; }
    bool IsTypedChar(const TEvent* event) const;
    bool IsEditKey(const TEvent* event) const;
    void DrawFrame();
    void DrawLine();
    void DrawCaret();
    TColor Shade(int32_t entry);

    TString text_;
    int32_t frameStyle_ = frSunken;
    int32_t scrollFlags_ = 0;
    int32_t caseMode_ = csKeep;
    TRectArea textRect_{0, 0, 0, 0};
    int32_t caret_ = 0;
    int32_t caretX_ = -1;
    int32_t firstVisible_ = 0;
    int32_t selStart_ = kNone;
    int32_t selEnd_ = kNone;
    int32_t scrollJump_ = 1;
    uint32_t modeFlags_ = 0;
    int32_t selectOnClick_ = 1;
    TTimer blink_;
    int32_t filter_ = 0;
};
