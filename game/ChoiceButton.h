// One line of the choice panel: the text of a phrase the player may say, in
// yellow, red while pressed, in the second dialog font while the pointer is
// over it.
#pragma once

#include "ui/TTextButton.h"

struct DialogPhrase;

class ChoiceButton : public TTextButton {
public:
    static constexpr int32_t kWidth = 770, kHeight = 68;

    ChoiceButton();
    void OnMouseEnter(TEvent* event) override;
    void OnMouseLeave(TEvent* event) override;

    // The phrase offered; null until one is given. It lives in the dialog
    // data, which outlives the view's buttons.
    DialogPhrase* phrase = nullptr;

private:
    // The first (0) or second (1) font of the key fntDialog.
    void UseFont(int32_t nth);
};
