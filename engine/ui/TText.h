// The text-drawing control: four colours, a font reference, two alignments
// and a style word, and the operations that measure, word-wrap and draw a
// text with the engine's small markup (mnemonic underlines, forced breaks,
// soft hyphens, a caret mark, a cut-off mark). Texts are cp1252 bytes.
//
// Measures other than the three origin and rectangle questions expect their
// caller to have bound the font (BindFont ... ReleaseFont); nothing stays
// bound between passes.
#pragma once

#include "foundation/TColor.h"
#include "media/resources/TFontRef.h"
#include "ui/TControl.h"

#include <cstdint>

class TText : public TControl {
public:
    // Bits of the text style word, which is also the font reference's flags.
    enum TextStyle : uint32_t {
        tsUnderline = 2,
        tsNoKerning = 4,
        tsHyphenate = 8,
        tsWrap = 16,
        tsEmboss = 32,
        tsMnemonic = 64,
    };
    enum Align : int32_t { taLeft = 0, taCentre = 1, taRight = 2, taSpread = 3 };
    // Markup bytes.
    static constexpr uint8_t kCutOff = '[';
    static constexpr uint8_t kHardBreak = 17; // hyphenating wrap: break, removed
    static constexpr uint8_t kKeptBreak = 20; // hyphenating wrap: break, kept
    static constexpr uint8_t kCaretMark = 22;
    static constexpr uint8_t kSoftHyphen = '|';
    static constexpr uint8_t kMnemonicMark = '&';
    static constexpr uint16_t kNoMnemonic = 0xFFFF;

    TText();
    ~TText() override;

    uint32_t Update() override;

    // --- Colours (a setter invalidates only when red, green or blue differ) ---
    void SetTextColor(TColor color);
    TColor GetTextColor() const { return textColor_; }
    void SetBackColor(TColor color);
    TColor GetBackColor() const { return backColor_; }
    void SetLightColor(TColor color);
    TColor GetLightColor() const { return lightColor_; }
    void SetShadowColor(TColor color);
    TColor GetShadowColor() const { return shadowColor_; }

    // --- Alignments and the text style (the control's behaviour style stays
    // reachable as TControl::SetStyle) ---
    void SetAlign(int32_t align);
    int32_t GetAlign() const { return align_; }
    void SetVertAlign(int32_t align);
    int32_t GetVertAlign() const { return vertAlign_; }
    void SetStyle(uint32_t style);
    uint32_t GetStyle() const { return textStyle_; }
    TFontRef& GetFontRef() { return fontRef_; }

    // --- Drawing (into the selected canvas) ---
    void DrawText(const TRectArea& rect, const char* text);
    void DrawChar(TPoint at, uint8_t c);

    // --- Measures ---
    TPoint GetTextOrigin(const TRectArea& rect, const char* text);
    TPoint GetLineOrigin(const TRectArea& rect, const char* text);
    TRectArea GetTextRect(const TRectArea& rect, const char* text);
    int32_t GetLineWidth(const char* text, int32_t width);
    int32_t GetTextWidth(const char* text, int32_t width);
    int32_t GetTextHeight(const char* text);
    int32_t CountLines(const char* text);
    // The width of the blank at `blank` in spread alignment, with `remaining`
    // pixels left on the line; `lineStart` bounds the look back for the
    // line's last visible character.
    int32_t GetSpreadGap(const char* blank, int32_t remaining, const char* lineStart);
    // Word-wraps `source` into `destination` of `size` bytes for `width`
    // pixels by the style's wrap (or copies it when the style has none).
    void WrapText(char* destination, const char* source, int32_t size, int32_t width);
    // The lower-cased character after a single `&`, or kNoMnemonic.
    uint16_t GetMnemonic(const char* text) const;

    // Binds the font for a measuring or drawing pass and ends that binding.
    void BindFont();
    void ReleaseFont();

protected:
    bool Embossed() const { return (textStyle_ & tsEmboss) != 0; }
    bool Mnemonics() const { return (textStyle_ & tsMnemonic) != 0; }
    int32_t LineHeight() { return fontRef_.GetTextHeight(' '); }
    // Font width plus the extra spacing.
    int32_t Width(uint8_t c);
    // Pair offset of c after `previous`.
    int32_t Kerning(uint8_t previous, uint8_t c);
    // The width of one line from `p` up to CR, LF, the end or `[`, without
    // the embossing margin; `end` receives where it stopped.
    int32_t RawLineWidth(const char* p, const char** end);
    TPoint Origin(const TRectArea& rect, const char* text, bool firstLineOnly);
    // The widest line of a block with the embossing margin, whatever the
    // alignment.
    int32_t WidestLine(const char* text);

private:
    void SetColorField(TColor& field, TColor color);
    void PrepareCanvas();
    bool LineEndsSentence(const char* lineStart, const char* lineEnd);
    void WrapHyphenating(char* destination, const char* source, int32_t size, int32_t width);
    void WrapPlain(char* destination, const char* source, int32_t size, int32_t width);

    TColor textColor_;
    TColor backColor_;
    TColor shadowColor_;
    TColor lightColor_;
    int32_t align_ = taLeft;
    int32_t vertAlign_ = taLeft;
    uint32_t textStyle_ = tsWrap | tsMnemonic;
    TFontRef fontRef_;
};

// Insets a rectangle by n on every side; an empty result becomes all 0.
TRectArea DeflateRect(TRectArea rect, int32_t n);
