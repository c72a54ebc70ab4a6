// The static text control: a text graphic with its text and the text after
// word wrapping, re-wrapped on every layout in which it is dirty and, when
// sized to its content, taking its width and height from the wrapped text.
#pragma once

#include "foundation/TString.h"
#include "ui/TText.h"

#include <cstdint>

class TLabel : public TText {
public:
    TLabel();
    ~TLabel() override;

    uint32_t Update() override;
    void Draw() override;

    void SetText(const char* text);
    const char* GetText() const { return text_.c_str(); }
    const char* GetWrappedText() const { return wrapped_.c_str(); }
    uint16_t GetMnemonic() const { return TText::GetMnemonic(text_.c_str()); }
    // The wrapped text's size; a spread label measures its widest line.
    int32_t GetTextWidth();
    int32_t GetTextHeight();

private:
    bool HasText() const { return text_.c_str() && text_.c_str()[0] != 0; }
    void Rewrap(int32_t width);

    TString text_;
    TString wrapped_;
};
