#include "ui/TText.h"

#include <algorithm>

namespace {

// Text bytes are cp1252: never let a signed char reach a width table.
uint8_t At(const char* p) {
    return static_cast<uint8_t>(*p);
}

bool EndsText(uint8_t c) {
    return c == 0 || c == TText::kCutOff;
}

bool EndsLine(uint8_t c) {
    return EndsText(c) || c == '\r' || c == '\n';
}

bool EndsSentence(uint8_t c) {
    return c == '.' || c == '!' || c == '?' || c == ':' || c == TText::kKeptBreak;
}

// Halving as an arithmetic shift, rounding toward minus infinity.
int32_t Half(int32_t v) {
    return v >> 1;
}

} // namespace

TRectArea DeflateRect(TRectArea rect, int32_t n) {
    rect = {rect.left + n, rect.top + n, rect.right - n, rect.bottom - n};
    if (rect.right <= rect.left || rect.bottom <= rect.top) rect = {0, 0, 0, 0};
    return rect;
}

TText::TText()
    : textColor_(TColor::Default(34)), backColor_(TColor::Default(14)),
      shadowColor_(TColor::Default(10)), lightColor_(TColor::Default(8)) {
    SetTransparent(1);
}

TText::~TText() = default;

uint32_t TText::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    fontRef_.SetFont(GetFont());
    // The text graphic places every character itself.
    fontRef_.Settings().horizJustify = TFontRef::kLeft;
    fontRef_.Settings().vertJustify = 0;
    fontRef_.SetFlags(textStyle_);
    return flags_;
}

// --- Properties ----------------------------------------------------------------

void TText::SetColorField(TColor& field, TColor color) {
    if (field.Red() == color.Red() && field.Green() == color.Green() &&
        field.Blue() == color.Blue())
        return;
    field = color;
    Invalidate(true);
}

void TText::SetTextColor(TColor color) {
    SetColorField(textColor_, color);
}

void TText::SetBackColor(TColor color) {
    SetColorField(backColor_, color);
}

void TText::SetLightColor(TColor color) {
    SetColorField(lightColor_, color);
}

void TText::SetShadowColor(TColor color) {
    SetColorField(shadowColor_, color);
}

void TText::SetAlign(int32_t align) {
    if (align_ == align) return;
    align_ = align;
    Invalidate(true);
}

void TText::SetVertAlign(int32_t align) {
    if (vertAlign_ == align) return;
    vertAlign_ = align;
    Invalidate(true);
}

void TText::SetStyle(uint32_t style) {
    if (textStyle_ == style) return;
    textStyle_ = style;
    Invalidate(true);
}

// --- Font ------------------------------------------------------------------------

void TText::BindFont() {
    fontRef_.Load(0);
}

void TText::ReleaseFont() {
    fontRef_.Unload();
}

int32_t TText::Width(uint8_t c) {
    return fontRef_.GetCharWidth(c) + fontRef_.GetExtraSpace();
}

int32_t TText::Kerning(uint8_t previous, uint8_t c) {
    return fontRef_.GetKerning(previous, c);
}

// --- Measures --------------------------------------------------------------------

int32_t TText::RawLineWidth(const char* p, const char** end) {
    int32_t width = 0;
    uint8_t previous = 0;
    bool pending = false;
    for (; !EndsLine(At(p)); ++p) {
        const uint8_t c = At(p);
        if (c == kCaretMark) {
            previous = 0;
            continue;
        }
        if (c == kMnemonicMark && Mnemonics() && !pending) {
            pending = true;
            continue;
        }
        pending = false;
        width += Kerning(previous, c) + Width(c);
        previous = c;
    }
    if (end) *end = p;
    return width;
}

int32_t TText::CountLines(const char* text) {
    if (!text || EndsText(At(text))) return 0;
    int32_t lines = 1;
    for (const char* p = text; !EndsText(At(p)); ++p)
        if (*p == '\n') ++lines;
    return lines;
}

int32_t TText::GetTextHeight(const char* text) {
    if (!text) return 0;
    const int32_t height = LineHeight() * std::max(1, CountLines(text));
    return height >= 1 && Embossed() ? height + 2 : height;
}

int32_t TText::GetLineWidth(const char* text, int32_t width) {
    if (!text) return 0;
    if (align_ == taSpread) return width;
    const int32_t line = RawLineWidth(text, nullptr);
    return line >= 1 && Embossed() ? line + 2 : line;
}

int32_t TText::GetTextWidth(const char* text, int32_t width) {
    if (!text) return 0;
    return align_ == taSpread ? width : WidestLine(text);
}

int32_t TText::WidestLine(const char* text) {
    if (!text) return 0;
    int32_t widest = 0;
    for (const char* p = text;;) {
        const char* end = nullptr;
        widest = std::max(widest, RawLineWidth(p, &end));
        if (EndsText(At(end))) break;
        for (p = end; *p == '\r' || *p == '\n'; ++p) {
        }
    }
    return widest >= 1 && Embossed() ? widest + 2 : widest;
}

TPoint TText::Origin(const TRectArea& rect, const char* text, bool firstLineOnly) {
    const int32_t room = rect.right - rect.left;
    const int32_t w = firstLineOnly ? GetLineWidth(text, room) : GetTextWidth(text, room);
    int32_t x = rect.left;
    if (align_ == taCentre)
        x = rect.left + Half(room) - Half(w);
    else if (align_ == taRight)
        x = rect.right - w;
    const int32_t h = firstLineOnly ? LineHeight() : GetTextHeight(text);
    int32_t y = rect.top;
    if (vertAlign_ == taCentre || vertAlign_ == taSpread)
        y = rect.top + Half(rect.bottom - rect.top) - Half(h);
    else if (vertAlign_ == taRight)
        y = rect.bottom - h;
    return TPoint(x, y);
}

TPoint TText::GetTextOrigin(const TRectArea& rect, const char* text) {
    BindFont();
    const TPoint p = Origin(rect, text, false);
    ReleaseFont();
    return p;
}

TPoint TText::GetLineOrigin(const TRectArea& rect, const char* text) {
    BindFont();
    const TPoint p = Origin(rect, text, true);
    ReleaseFont();
    return p;
}

TRectArea TText::GetTextRect(const TRectArea& rect, const char* text) {
    BindFont();
    const int32_t w = std::max(1, GetTextWidth(text, rect.right - rect.left));
    const int32_t h = GetTextHeight(text);
    const TPoint p = Origin(rect, text, false);
    ReleaseFont();
    return {std::max(p.x, rect.left), std::max(p.y, rect.top), std::min(p.x + w, rect.right),
            std::min(p.y + h, rect.bottom)};
}

bool TText::LineEndsSentence(const char* lineStart, const char* lineEnd) {
    for (const char* p = lineEnd; p > lineStart;) {
        const uint8_t c = At(--p);
        if (c == kKeptBreak) return true;
        if (c == ' ' || !fontRef_.IsCharDefined(c)) continue;
        return EndsSentence(c);
    }
    return false; // nothing visible: spread like any other line
}

int32_t TText::GetSpreadGap(const char* blank, int32_t remaining, const char* lineStart) {
    const int32_t blankWidth = Width(' ');
    if (Embossed()) remaining -= 2;
    int32_t blanks = 0, others = 0;
    uint8_t previous = ' ';
    bool pending = false;
    const char* p = blank;
    for (; !EndsLine(At(p)); ++p) {
        const uint8_t c = At(p);
        if (c == ' ') {
            ++blanks;
            previous = c;
            pending = false;
        } else if (c == kCaretMark) {
            previous = 0;
        } else if (c == kMnemonicMark && Mnemonics() && !pending) {
            pending = true;
        } else {
            pending = false;
            others += Kerning(previous, c) + Width(c);
            previous = c;
        }
    }
    if (blanks * blankWidth + others < remaining && LineEndsSentence(lineStart, p))
        return blankWidth;
    return remaining > others && blanks >= 1 ? (remaining - others) / blanks : 0;
}

uint16_t TText::GetMnemonic(const char* text) const {
    if (!Mnemonics() || !text) return kNoMnemonic;
    bool pending = false;
    for (const char* p = text; *p; ++p) {
        const uint8_t c = At(p);
        if (c == kMnemonicMark) {
            pending = !pending;
        } else if (pending) {
            return c >= 'A' && c <= 'Z' ? uint16_t(c - 'A' + 'a') : uint16_t(c);
        }
    }
    return kNoMnemonic;
}

// --- Drawing ---------------------------------------------------------------------

void TText::PrepareCanvas() {
    TCanvas& canvas = GetCanvas();
    canvas.SetFont(&fontRef_);
    canvas.SetKeep(IsTransparent() ? 1 : 0);
    canvas.SetColor3(backColor_);
    canvas.SetBackColor(backColor_);
    canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    canvas.SetMapMode(uint32_t(GetColorMapMode()));
}

void TText::DrawChar(TPoint at, uint8_t c) {
    TCanvas& canvas = GetCanvas();
    const char ch = static_cast<char>(c);
    if (!Embossed()) {
        canvas.SetForeColor(textColor_);
        canvas.DrawChar(at.x, at.y, ch);
        return;
    }
    canvas.SetForeColor(lightColor_);
    canvas.DrawChar(at.x, at.y, ch);
    canvas.SetForeColor(shadowColor_);
    canvas.DrawChar(at.x + 2, at.y + 2, ch);
    canvas.SetForeColor(textColor_);
    canvas.DrawChar(at.x + 1, at.y + 1, ch);
}

void TText::DrawText(const TRectArea& rect, const char* text) {
    if (!text) return;
    BindFont();
    PrepareCanvas();
    const int32_t lineHeight = LineHeight();
    int32_t remaining = rect.right - rect.left;
    int32_t x = Origin(rect, text, true).x;
    int32_t y = Origin(rect, text, false).y;
    uint8_t previous = 0;
    bool pending = false;
    const char* lineStart = text;
    // Draws c with its pair offset and advances past it.
    auto put = [&](uint8_t c) {
        const int32_t kerning = Kerning(previous, c);
        x += kerning;
        DrawChar(TPoint(x, y), c);
        const int32_t width = Width(c);
        x += width;
        remaining -= kerning + width;
        previous = c;
    };
    for (const char* p = text; !EndsText(At(p)); ++p) {
        const uint8_t c = At(p);
        if (c == '\n') {
            y += lineHeight;
            previous = 0;
            lineStart = p + 1;
        } else if (c == '\r') {
            const char* next = p + 1;
            while (*next == '\n')
                ++next;
            x = Origin(rect, next, true).x;
            remaining = rect.right - rect.left;
            previous = 0;
            lineStart = p + 1;
        } else if (c == kCaretMark) {
            DrawChar(TPoint(std::max(x - 1, rect.left), y), '|');
            previous = 0;
        } else if (c == kMnemonicMark && Mnemonics() && !pending) {
            pending = true;
        } else if (pending && c != ' ' && c != kMnemonicMark) {
            // `&&` stands for a plain `&`: only a marked character is underlined.
            pending = false;
            fontRef_.SetFlags(textStyle_ | tsUnderline);
            put(c);
            fontRef_.SetFlags(textStyle_);
        } else if (c == ' ' && align_ == taSpread) {
            pending = false;
            const int32_t kerning = Kerning(previous, c);
            x += kerning;
            remaining -= kerning;
            const int32_t gap = GetSpreadGap(p, remaining, lineStart);
            x += gap;
            remaining -= gap;
            previous = c;
        } else if (!pending && (c == kHardBreak || c == kKeptBreak || c == kSoftHyphen)) {
            // markup only
        } else {
            pending = false;
            put(c);
        }
    }
    ReleaseFont();
}
