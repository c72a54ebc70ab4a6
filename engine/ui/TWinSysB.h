// The caption bar of a framed form: a strip filled dark blue while its form
// is active and grey while it is not, the title at its left and up to three
// square buttons at its right (close, maximize/restore, translucency). The
// form registers the buttons' click handlers and the bar's drag handler.
#pragma once

#include "ui/TCaptionBarBase.h"
#include "ui/TLabel.h"

class TCaptionButton;

class TWinSysB : public TCaptionBarBase {
public:
    TWinSysB();
    ~TWinSysB() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;
    void SetText(const char* text) override { label_.SetText(text); }
    const char* GetText() const override { return label_.GetText(); }

    // Builds the buttons of the caption-buttons word, then shows the title.
    void Show(TControl* parent);
    void Hide();
    TCaptionButton* GetCloseButton() const { return close_; }
    TCaptionButton* GetMaximizeButton() const { return maximize_; }
    TCaptionButton* GetTranslucencyButton() const { return translucency_; }
    TLabel& GetLabel() { return label_; }

private:
    TCaptionButton* Build(TCaptionButton* button, int32_t line);
    void Drop(TCaptionButton*& button);
    void Follow(TCaptionButton* button, uint32_t bit, int32_t size);

    TLabel label_;
    TCaptionButton* close_ = nullptr;
    TCaptionButton* translucency_ = nullptr;
    TCaptionButton* maximize_ = nullptr;
};
