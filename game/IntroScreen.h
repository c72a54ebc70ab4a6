// The full-screen form that plays the intro animation before the game: it
// ends when the animation has played through, or earlier when the player
// releases a mouse button or presses a key.
#pragma once

#include "ui/TSoundGraphic.h"
#include "ui/TWinForm.h"

#include <cstdint>

class TMetaAni;

class IntroScreen : public TWinForm {
public:
    // Opens the form under `parent` and starts `animation` centred on black.
    void Open(TControl* parent, TMetaAni* animation);
    // Stops the animation when it plays, then closes the form.
    void Close();
    int OnInput(TObject* sender, TEvent* event);
    // Ends the screen when the player reports the animation's end.
    int OnAnimationEvent(TObject* sender, TEvent* event);

    int32_t State() const { return state_; }
    TSoundGraphic& Player() { return player_; }

private:
    TSoundGraphic player_;
    int32_t state_ = 0;
};
