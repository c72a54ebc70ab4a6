#include "ui/TEditCtl.h"

#include "foundation/TKeys.h"
#include "gdl/driver.h"
#include "ui/UiPaint.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Colours of the field.
enum : int32_t {
    kText = 36,
    kBack = 35,
    kSelectedText = 37,
    kSelection = 38,
    kCaret = 39,
    kCaretInSelection = 40,
    kOverwritten = 41,
};

constexpr uint32_t kShift = TControl::kShiftMask;

bool AltOrCtrl(uint32_t modifiers) {
    return (modifiers & (TControl::kAltMask | TControl::kCtrlMask)) != 0;
}

// The C locale's case change: ASCII letters only.
char ToUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

TEditCtl::TEditCtl() {
    SetTextColor(TColor::Default(kText));
    SetBackColor(TColor::Default(kBack));
    SetColor(TColor::Default(kBack)); // the field is filled with it
    SetTransparent(0);
    SetVertAlign(taCentre);
    SetAlign(taLeft);
    SetBorderWidth(0);
    TText::SetStyle(0);
    TControl::SetStyle(stCountPresses | stHandleClicks | stTrackHover | stFocusable | stDefault);
    blink_.SetInterval(500.0f);
}

TEditCtl::~TEditCtl() = default;

// --- Properties ------------------------------------------------------------------------

void TEditCtl::Show(TControl* parent) {
    TControl::Show(parent);
    blink_.SetParent(this);
    if (!blink_.Has(evTick, this)) blink_.Add<TEditCtl, &TEditCtl::Blink>(evTick, this);
}

void TEditCtl::Hide() {
    blink_.Detach();
    TControl::Hide();
}

void TEditCtl::Changed() {
    Invalidate(true);
    TEvent e;
    e.SetType(evChanged);
    Dispatch(this, &e);
}

void TEditCtl::SetText(const char* text) {
    if (!text) text = "";
    if (text_ == text) return;
    text_ = text;
    firstVisible_ = 0;
    if (Length() > 0)
        SelectAll();
    else
        DropSelection(), caret_ = 0;
    Changed();
}

void TEditCtl::SetFrameStyle(int32_t style) {
    if (style == frameStyle_) return;
    frameStyle_ = style;
    Invalidate(true);
}

void TEditCtl::SetScrollFlags(int32_t flags) {
    if (flags == scrollFlags_) return;
    scrollFlags_ = flags;
    Invalidate(true);
}

void TEditCtl::SetCaseMode(int32_t mode) {
    if (mode == caseMode_) return;
    caseMode_ = mode;
    Invalidate(true);
}

int TEditCtl::Blink(TObject*, TEvent*) {
    if (!IsFocused()) return 0;
    modeFlags_ ^= mdCaretShown;
    SetRedraw(true);
    return 0;
}

void TEditCtl::OnChar(TEvent*) {}

bool TEditCtl::IsFileNameChar(uint8_t c) {
    static const char* const kAllowed = " +-.0123456789:ABCDEFGHIJKLMNOPQRSTUVWXYZ\\_"
                                        "abcdefghijklmnopqrstuvwxyz";
    static const uint8_t kLetters[] = {196, 214, 220, 223, 225, 228, 246, 252};
    if (c != 0 && std::strchr(kAllowed, c)) return true;
    return std::find(std::begin(kLetters), std::end(kLetters), c) != std::end(kLetters);
}

// --- Selection and editing -------------------------------------------------------------

void TEditCtl::SelectAll() {
    selStart_ = 0;
    selEnd_ = Length();
    caret_ = Length();
}

void TEditCtl::DropSelection() {
    selStart_ = selEnd_ = kNone;
}

void TEditCtl::DeleteSelection() {
    const int32_t start = std::min(selStart_, selEnd_), end = std::max(selStart_, selEnd_);
    DropSelection();
    caret_ = std::min(start, Length());
    DeleteChars(start, end - start);
}

void TEditCtl::InsertChar(uint8_t c) {
    std::string s = text_.c_str();
    const int32_t length = Length();
    if ((modeFlags_ & mdOverwrite) && caret_ < length) {
        s[size_t(caret_)] = char(c);
    } else if (length >= text_.MaxLength()) {
        GDL_beep();
        return;
    } else {
        s.insert(size_t(std::min(caret_, length)), 1, char(c));
    }
    text_ = s.c_str();
    ++caret_;
    Changed();
}

void TEditCtl::DeleteChars(int32_t index, int32_t count) {
    const int32_t length = Length();
    // A count of 0 or less would move the rest the wrong way.
    if (index < 0 || index >= length || count <= 0) return;
    std::string s = text_.c_str();
    s.erase(size_t(index), int64_t(index) + count < length ? size_t(count) : std::string::npos);
    text_ = s.c_str();
    Changed();
}

void TEditCtl::CaretLeft(int32_t count, uint32_t modifiers) {
    modeFlags_ |= mdCaretShown;
    const int32_t old = caret_;
    caret_ = std::max(caret_ - count, 0);
    if (!(modifiers & kShift)) {
        DropSelection();
    } else if (caret_ != old) {
        if (!HasSelection()) {
            selStart_ = caret_;
            selEnd_ = old;
        } else if (selStart_ > caret_) {
            selEnd_ = old == selEnd_ ? selStart_ : selEnd_;
            selStart_ = caret_;
        } else {
            selEnd_ = caret_;
        }
    }
    Invalidate(true);
}

void TEditCtl::CaretRight(int32_t count, uint32_t modifiers) {
    modeFlags_ |= mdCaretShown;
    const int32_t old = caret_;
    caret_ = std::min(caret_ + count, Length());
    if (!(modifiers & kShift)) {
        DropSelection();
    } else if (caret_ != old) {
        if (!HasSelection()) {
            selStart_ = old;
            selEnd_ = caret_;
        } else if (selEnd_ >= caret_) {
            selStart_ = caret_;
        } else {
            selStart_ = old == selStart_ ? selEnd_ : selStart_;
            selEnd_ = caret_;
        }
    }
    Invalidate(true);
}

int32_t TEditCtl::PositionFromX(int32_t x) {
    Update();
    BindFont();
    int32_t i = firstVisible_, edge = textRect_.left;
    while (i < Length()) {
        const int32_t w = Width(CharAt(i));
        if (w / 2 + edge >= x) break;
        edge += w;
        ++i;
    }
    ReleaseFont();
    return i;
}

// --- Layout ----------------------------------------------------------------------------

TRectArea& TEditCtl::GetClientRect(TRectArea& rect) {
    TGraphic::GetClientRect(rect);
    const int32_t inset = frameStyle_ == frSunken ? 3 : frameStyle_ == frLine ? 1 : 0;
    rect = DeflateRect(rect, inset);
    return rect;
}

void TEditCtl::ApplyCase() {
    if (caseMode_ != csUpper && caseMode_ != csLower) return;
    std::string s = text_.c_str();
    for (char& c : s)
        c = caseMode_ == csUpper ? ToUpper(c) : ToLower(c);
    text_ = s.c_str();
}

void TEditCtl::CutToField() {
    firstVisible_ = 0;
    scrollJump_ = 1;
    int32_t x = textRect_.left, i = 0;
    while (i < Length()) {
        x += Width(CharAt(i));
        if (x >= textRect_.right) break;
        ++i;
    }
    if (i < Length()) text_ = std::string(text_.c_str(), size_t(i)).c_str();
    caret_ = std::min(caret_, Length());
    if (selStart_ != kNone) selStart_ = std::min(selStart_, Length());
    if (selEnd_ != kNone) selEnd_ = std::min(selEnd_, Length());
}

void TEditCtl::ScrollToCaret(const TRectArea& client) {
    // A font without "M" (or none) measures it 0: count it 1 wide.
    const int32_t m = std::max(Width('M'), 1);
    scrollJump_ = 2 * (((client.right - client.left) / m) / 3);
    if (caret_ < firstVisible_) {
        firstVisible_ = std::max(caret_ - scrollJump_, 0);
        return;
    }
    int32_t x = textRect_.left;
    for (int32_t i = firstVisible_; i < caret_ && i < Length(); ++i)
        x += Width(CharAt(i));
    if (x + WidthOf(caret_) >= textRect_.right - 2)
        firstVisible_ = std::max(caret_ - scrollJump_, 0);
}

uint32_t TEditCtl::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TText::Update();
    ApplyCase();
    TRectArea client;
    GetClientRect(client);
    // An empty field still has one line, where the caret stands.
    textRect_ = TText::GetTextRect(client, Length() ? text_.c_str() : " ");
    textRect_.left = client.left;
    textRect_.right = client.right;
    BindFont();
    if (scrollFlags_ & kScrollHorizontal)
        ScrollToCaret(client);
    else
        CutToField();
    ReleaseFont();
    if (!IsFocused()) selectOnClick_ = 1;
    return flags_;
}

// --- Keys and mouse --------------------------------------------------------------------

bool TEditCtl::IsTypedChar(const TEvent* event) const {
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    // Alt without Ctrl is a hot key; Ctrl and Alt together are AltGr, which types.
    const bool alt = (modifiers & kAltMask) && !(modifiers & kCtrlMask);
    return event->KeyCode() > 255 && event->KeyChar() != 0 && event->KeyChar() >= 32 && !alt;
}

void TEditCtl::OnKeyDown(TEvent* event) {
    if (!IsFocused()) {
        TControl::OnKeyDown(event);
        return;
    }
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    switch (event->KeyCode()) {
        case kKeyLeft:
        case kKeyRight:
            if (AltOrCtrl(modifiers)) {
                TControl::OnKeyDown(event);
                return;
            }
            if (event->KeyCode() == kKeyLeft)
                CaretLeft(1, modifiers);
            else
                CaretRight(1, modifiers);
            break;
        case kKeyHome: CaretLeft(caret_, modifiers); break;
        case kKeyEnd: CaretRight(Length() - caret_, modifiers); break;
        case kKeyInsert:
            modeFlags_ ^= mdOverwrite;
            Invalidate(true);
            break;
        case kKeyDelete:
            if (HasSelection())
                DeleteSelection();
            else
                DeleteChars(caret_, 1);
            break;
        case kKeyBackspace:
            if (HasSelection()) {
                DeleteSelection();
            } else if (caret_ > 0) {
                --caret_;
                DeleteChars(caret_, 1);
            }
            break;
        case kKeyEnter: break;
        default:
            if (!IsTypedChar(event) || (filter_ && !IsFileNameChar(event->KeyChar()))) {
                TControl::OnKeyDown(event);
                return;
            }
            OnChar(event);
            if (HasSelection()) DeleteSelection();
            InsertChar(event->KeyChar());
            break;
    }
    event->passState = psConsumed;
}

bool TEditCtl::IsEditKey(const TEvent* event) const {
    switch (event->KeyCode()) {
        case kKeyHome:
        case kKeyBackspace:
        case kKeyEnter:
        case kKeyEnd:
        case kKeyInsert:
        case kKeyDelete: return true;
        case kKeyLeft:
        case kKeyRight: return !AltOrCtrl(uint32_t(event->record.modifiers));
        default: return IsTypedChar(event);
    }
}

void TEditCtl::OnKeyUp(TEvent* event) {
    if (IsFocused() && IsEditKey(event))
        event->passState = psConsumed;
    else
        TControl::OnKeyUp(event);
}

void TEditCtl::OnLeftDown(TEvent* event) {
    if (event->data[mwPressClaim]) return;
    if (selectOnClick_) {
        selectOnClick_ = 0;
        firstVisible_ = 0;
        if (Length() > 0)
            SelectAll();
        else
            DropSelection(), caret_ = 0;
        Invalidate(true);
        return;
    }
    if (event->data[mwDoubleClick] && Length() > 0) {
        SelectAll();
    } else if (HasSelection()) {
        DropSelection();
        Invalidate(true);
    }
    caret_ = PositionFromX(PointFromParent(TPoint(event->record.x, event->record.y)).x);
    Invalidate(true);
}

void TEditCtl::OnMouseMove(TEvent* event) {
    const int32_t x = PointFromParent(TPoint(event->record.x, event->record.y)).x;
    if (x < textRect_.left) {
        if (caret_ > 0) CaretLeft(scrollJump_, kShift);
    } else if (x >= textRect_.right) {
        if (caret_ < Length()) CaretRight(scrollJump_, kShift);
    } else {
        const int32_t at = PositionFromX(x);
        if (at < caret_)
            CaretLeft(caret_ - at, kShift);
        else if (at > caret_)
            CaretRight(at - caret_, kShift);
    }
}

// --- Drawing ---------------------------------------------------------------------------

TColor TEditCtl::Shade(int32_t entry) {
    TColor c = TColor::Default(entry);
    const TColor back = GetColor();
    if (c.Value() == back.Value()) return c.GetAltColor(GDL_liveDC(GetCanvas().GetDevice()));
    return c;
}

void TEditCtl::DrawFrame() {
    TCanvas& canvas = GetCanvas();
    const TRectArea whole{0, 0, GetWidth(), GetHeight()};
    if (frameStyle_ == frSunken) {
        ui::Bevel(canvas, whole, TColor::Default(8), TColor::Default(10), true, 2);
        ui::Bevel(canvas, DeflateRect(whole, 2), TColor::Default(9), TColor::Default(11), true, 1);
    } else if (frameStyle_ == frLine) {
        canvas.SetForeColor(TColor::Default(11));
        canvas.FrameRect(whole);
    }
}

void TEditCtl::DrawLine() {
    TCanvas& canvas = GetCanvas();
    canvas.SetFont(&GetFontRef());
    const bool focused = IsFocused();
    const bool overwrite = (modeFlags_ & mdOverwrite) && (modeFlags_ & mdCaretShown);
    int32_t x = textRect_.left, i = firstVisible_;
    while (i < Length()) {
        const uint8_t c = CharAt(i);
        const int32_t w = Width(c);
        TColor ink = GetTextColor();
        if (focused && i >= selStart_ && i < selEnd_) {
            canvas.SetForeColor(Shade(kSelection));
            canvas.FillRect(x, textRect_.top, x + w, textRect_.bottom);
            ink = Shade(kSelectedText);
        }
        if (i == caret_) {
            caretX_ = x;
            if (overwrite) ink = Shade(kOverwritten);
        }
        canvas.SetForeColor(ink);
        canvas.DrawChar(x, textRect_.top, char(c));
        x += w;
        ++i;
        if (x >= textRect_.right) break;
    }
    if (caret_ >= i) caretX_ = x;
}

void TEditCtl::DrawCaret() {
    if (!IsFocused() || !(modeFlags_ & mdCaretShown)) return;
    const bool overwrite = (modeFlags_ & mdOverwrite) && caret_ < Length();
    const int32_t right = overwrite ? caretX_ + WidthOf(caret_) : caretX_ + 1;
    const bool inSelection = caret_ >= selStart_ && caret_ < selEnd_;
    TCanvas& canvas = GetCanvas();
    canvas.SetForeColor(Shade(inSelection ? kCaretInSelection : kCaret));
    canvas.FillRect(caretX_, textRect_.top, right, textRect_.bottom);
}

void TEditCtl::Draw() {
    TCanvas& canvas = GetCanvas();
    const TRectArea clip = ui::GetOwnClip(canvas);
    canvas.SetForeColor(GetColor());
    canvas.FillRect(clip);
    DrawFrame();
    TRectArea line = textRect_;
    IntersectRect(line, clip);
    ui::SetOwnClip(canvas, line);
    BindFont();
    DrawLine();
    DrawCaret();
    ReleaseFont();
    ui::SetOwnClip(canvas, clip);
    canvas.SetKeep(uint32_t(IsTransparent()));
    canvas.SetColor3(GetColor());
}
