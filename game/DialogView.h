// Runs one conversation at a time on the declared dialogs: every phrase said
// is spoken (its speech file, the speaker's talking animation, its text in
// the speech panel beside the speaker's face); where the player has a choice
// the phrases on offer wait as lines of the choice panel at the top of the
// screen. Each phrase said is marked in the data and recorded into
// "repeatdialog" for the task bar's replay. At the end the screen comes back
// and the script's end action runs once.
#pragma once

#include "ChoiceButton.h"
#include "SpeechPanel.h"
#include "TImageButton.h"

#include "foundation/TTimer.h"
#include "media/sound/TSound.h"
#include "media/sound/TWave.h"
#include "ui/TPanel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DialogDef;
struct DialogPhrase;
struct DialogStatement;
class DialogManager;
class TRoom;

class DialogView : public TPanel {
public:
    DialogView();
    ~DialogView() override;

    // Builds the view, the speech panel and the choice background under the
    // world, and takes the world's keys before the room does.
    void Build(TControl* world);
    // Ends a running dialog (its end action runs), then starts dialog `name`;
    // flags bit 0 keeps said phrases on offer.
    void StartDialog(const char* name, int32_t flags);
    void EndDialog();
    // The speaker's actor number while a dialog runs, else -1.
    int32_t IsActive() const { return dialog_ ? speaker_ : -1; }
    bool Running() const { return dialog_ != nullptr; }
    // Replaces the held end action (the old one is released uncalled).
    void SetEndAction(int32_t reference);
    int32_t EndAction() const { return endAction_; }
    // The speech file of a phrase: PathDialog of [Main], or the base folder
    // and "Deu\All\Speech\", then the speech name and ".wav".
    static std::string SpeechPath(const DialogPhrase& phrase);

    int OnKey(TObject* sender, TEvent* event);
    int OnTimer(TObject* sender, TEvent* event);
    int OnChoice(TObject* sender, TEvent* event);

    // --- What the tests look at ---
    int32_t ChoiceCount() const { return choiceCount_; }
    ChoiceButton* Choice(int32_t i) const;
    SpeechPanel& Speech() { return speech_; }
    TImageButton& ChoiceBackground() { return background_; }
    TTimer& PhraseTimer() { return timer_; }
    bool Speaking() const { return speaking_; }
    TSound& SpeechSound() { return sound_; }

private:
    void ShowStatement(DialogStatement* statement);
    void AddChoice(DialogPhrase* phrase);
    void LayoutChoices();
    void PlayStatement(DialogPhrase* phrase);
    void RecordPhrase(const DialogPhrase& phrase, uint16_t speaker);
    void FollowPhrase(const DialogPhrase& phrase);
    // The statement `id` when it has a phrase on offer; null otherwise
    // (noted when it is missing).
    DialogStatement* Playable(uint16_t id);
    void EndPhrase();
    // The phrase's timer runs while a phrase is spoken.
    void Speaking(bool on);
    void NextStatement();
    void MakeRecording(DialogManager& manager, const DialogDef* starting);
    static TRoom* Room();
    // A diagnostic the player never sees: the debug output.
    static void Note(const std::string& text);

    TImageButton background_;
    SpeechPanel speech_;
    std::vector<std::unique_ptr<ChoiceButton>> choices_;
    TSound sound_;
    TTimer timer_;
    TWave wave_;
    int32_t showText_ = 1;
    int32_t speechOn_ = 1;
    int32_t deactivate_ = 1;
    int32_t hintWasShown_ = 0;
    DialogDef* dialog_ = nullptr;
    DialogStatement* statement_ = nullptr;
    DialogDef* recording_ = nullptr;
    int32_t choiceCount_ = 0;
    int32_t speaker_ = -1;
    int32_t endAction_ = -1;
    bool speaking_ = false;
    std::string dialogName_;
};
