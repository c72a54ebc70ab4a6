#include "IntroScreen.h"

#include "foundation/TEvent.h"

namespace {
constexpr int32_t kFillParent = 5;
constexpr int32_t kCentre = 4;
constexpr uint32_t kPlayerOptions = 10;
} // namespace

void IntroScreen::Open(TControl* parent, TMetaAni* animation) {
    state_ = 1;
    SetBorderWidth(0);
    TWinForm::Open(parent);
    for (int32_t type : {int32_t(evLeftUp), int32_t(evRightUp), int32_t(evKeyUp)})
        Add<IntroScreen, &IntroScreen::OnInput>(type, this);
    player_.SetAnimation(animation);
    player_.SetFlags(kPlayerOptions);
    player_.SetAlign(kFillParent);
    player_.SetFitFlags(kCentre);
    player_.SetNotify(1);
    player_.Add<IntroScreen, &IntroScreen::OnAnimationEvent>(TSoundGraphic::evAnimation, this);
    player_.SetFillColor(TColor(0, 0, 0));
    player_.Attach(this);
    player_.Play();
}

void IntroScreen::Close() {
    if (state_ == 1) {
        player_.Stop();
        player_.Detach();
    }
    TWinForm::Close();
    state_ = 0;
}

int IntroScreen::OnInput(TObject*, TEvent*) {
    TFocusCtl::Close();
    return 1;
}

int IntroScreen::OnAnimationEvent(TObject*, TEvent* event) {
    if (event && event->data[0] == TSoundGraphic::snEnd) TFocusCtl::Close();
    return 1;
}
