// The panel at the bottom of the screen while a phrase is spoken: the text
// over a translucent background and the speaker's face, whose mouth follows
// the level of the speech (or chance, without one) every 100 ms.
#pragma once

#include "TImageButton.h"

#include "foundation/TTimer.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"

#include <cstdint>

class TSound;

class SpeechPanel : public TPanel {
public:
    SpeechPanel();
    ~SpeechPanel() override;

    // Sized and placed by the panel picture, built hidden under `parent`.
    void Build(TControl* parent);
    // Shows `text` with the face of `speaker`, driven by `sound` (or null).
    void Say(const char* text, int32_t speaker, TSound* sound);
    // Stops the face and hides the panel.
    void Silence();
    int OnFaceTimer(TObject* sender, TEvent* event);

    int32_t Speaker() const { return speaker_; }
    TLabel& Text() { return text_; }
    TImage& Face() { return face_; }
    bool FaceShown() const { return faceShown_; }
    TImageButton& Background() { return background_; }

private:
    int32_t speaker_ = -1;
    TLabel text_;
    TImageButton background_;
    TImage face_;
    TSound* sound_ = nullptr;
    bool faceShown_ = true;
    TTimer faceTimer_;
};
