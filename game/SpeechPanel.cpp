#include "SpeechPanel.h"

#include "GameStatics.h"

#include "WorldRandom.h"

#include "media/resources/TAlbum.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/sound/TSound.h"

#include <algorithm>

namespace {
TMetaImg* Picture(const char* key) {
    return dynamic_cast<TMetaImg*>(Resources().Find(key));
}
} // namespace

SpeechPanel::SpeechPanel() = default;

SpeechPanel::~SpeechPanel() {
    faceTimer_.Detach();
}

void SpeechPanel::Build(TControl* parent) {
    TMetaImg* panels = Picture("albPanels");
    const int32_t w = panels ? panels->GetWidthOf(0, 2) : 0;
    const int32_t h = panels ? panels->GetHeightOf(0, 2) : 0;
    SetBorderWidth(0);
    SetTransparent(1);
    SetRect((800 - w) / 2, 600 - h, w, h);
    background_.SetSource(panels);
    background_.SetIndex(0);
    background_.SetSubIndex(2);
    background_.SetAlpha(127);
    background_.SetRect(0, 0, w, h);
    background_.Attach(this);
    face_.SetRect(10, 30, 32, 37);
    face_.SetTransparent(1);
    face_.SetFitFlags(TImage::fitKeyed | TGraphic::fitAspect | TImage::fitSmooth);
    face_.SetSource(Picture("albSpeechAnims"));
    face_.Attach(this);
    text_.SetRect(70, 3, 630, 90);
    text_.SetFont(Resources().Font("fntDialog", 0));
    text_.SetAlign(0);
    text_.SetVertAlign(1);
    text_.SetTextColor(TColor(255, 255, 0));
    text_.SetTransparent(1);
    text_.Show(this);
    faceTimer_.SetInterval(100.0f);
    faceTimer_.SetFlags(kEnabled, false);
    faceTimer_.Add<SpeechPanel, &SpeechPanel::OnFaceTimer>(evTick, this);
    faceTimer_.SetParent(parent);
    Show(parent);
    SetVisible(false);
}

void SpeechPanel::Say(const char* text, int32_t speaker, TSound* sound) {
    text_.SetText(text);
    speaker_ = speaker;
    sound_ = sound;
    face_.SetSubIndex(speaker);
    faceTimer_.SetFlags(kEnabled, true);
    ToFront();
    SetVisible(true);
    Invalidate(true);
}

void SpeechPanel::Silence() {
    faceTimer_.SetFlags(kEnabled, false);
    sound_ = nullptr;
    SetVisible(false);
    Invalidate(true);
}

int SpeechPanel::OnFaceTimer(TObject*, TEvent*) {
    if (!IsVisible()) return 1;
    double r = double(WorldRand()) / 32767.0;
    if (sound_ && sound_->IsPlaying()) r = sound_->GetLevel() * 0.01 * 2;
    auto* album = dynamic_cast<TAlbum*>(face_.GetSource());
    const int32_t n = album ? album->GetFrameCount(speaker_) : 0;
    // A speaker without pictures shows no face.
    if (n <= 0) {
        faceShown_ = false;
        face_.SetFlags(kVisible, false);
        face_.Invalidate(true);
        return 1;
    }
    face_.SetIndex(std::min(int32_t(n * r), n - 1));
    face_.SetSubIndex(speaker_);
    faceShown_ = true;
    face_.SetFlags(kVisible, true);
    face_.ToFront();
    return 1;
}
