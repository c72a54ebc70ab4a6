#include "OptionsPage.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "MenuPage.h"
#include "PlayerOptions.h"

#include "TRoom.h"

#include <algorithm>

namespace {
// The album entries of the volume bars' parts: the button that steps down,
// the one that steps up, the thumb, the track.
constexpr MenuScrollParts kVolumeParts{3, 1, 4, 6};
} // namespace

OptionsPage::OptionsPage() = default;

OptionsPage::~OptionsPage() = default;

void OptionsPage::Build(TControl* parent) {
    const PlayerOptions& options = PlayerOptions::Get();
    OpenMenuPage(*this, parent, background_);
    ShowMenuToggle(filtering_, this, 175, 150,
                   {"picMenuBtnFilterOff1a", "picMenuBtnFilterOn1a", "picMenuBtnFilterOff1b",
                    "picMenuBtnFilterOn1b"},
                   options.filtering != 0);
    ShowMenuToggle(hints_, this, 175, 200,
                   {"picMenuBtnMouseTextOff1a", "picMenuBtnMouseTextOn1a",
                    "picMenuBtnMouseTextOff1b", "picMenuBtnMouseTextOn1b"},
                   options.hints != 0);
    hints_.Add<OptionsPage, &OptionsPage::OnHintsClick>(evCommand, this);
    ShowMenuToggle(dialogText_, this, 175, 250,
                   {"picMenuBtnDialogTextOff1a", "picMenuBtnDialogTextOn1a",
                    "picMenuBtnDialogTextOff1b", "picMenuBtnDialogTextOn1b"},
                   options.dialogText != 0);
    AttachMenuPicture(musicLabel_, this, 80, 350, "picMenuMusic");
    AttachMenuPicture(soundLabel_, this, 80, 400, "picMenuSpeech");
    // A volume read from the file beyond 0..127 shows at the nearer end.
    music_.SetRange(options.musicVolume, 0, PlayerOptions::kLoudest);
    ShowMenuScrollBar(music_, musicStyles_, &scrollAlbum_, this, 457, 351, kVolumeParts);
    music_.Add<OptionsPage, &OptionsPage::OnMusicVolumeChange>(TScrollBar::evChanged, this);
    sound_.SetRange(options.soundVolume, 0, PlayerOptions::kLoudest);
    ShowMenuScrollBar(sound_, soundStyles_, &scrollAlbum_, this, 457, 399, kVolumeParts);
    sound_.Add<OptionsPage, &OptionsPage::OnSoundVolumeChange>(TScrollBar::evChanged, this);
    ShowMenuButton(backToMenu_, this, 80, 490, "picMenuBtnGoBack2a", "picMenuBtnGoBack2b");
    backToMenu_.Add<OptionsPage, &OptionsPage::OnBackToMenuClick>(evCommand, this);
    ShowMenuButton(backToGame_, this, 470, 490, "picMenuBtnGoBack1a", "picMenuBtnGoBack1b",
                   "picMenuBtnGoBack1c");
    backToGame_.Add<OptionsPage, &OptionsPage::OnBackToGameClick>(evCommand, this);
    backToGame_.SetEnabled(App().World() != nullptr);
}

void OptionsPage::TakeDown() {
    backToGame_.Hide();
    backToMenu_.Hide();
    sound_.Hide();
    music_.Hide();
    soundLabel_.Detach();
    musicLabel_.Detach();
    dialogText_.Hide();
    hints_.Hide();
    filtering_.Hide();
    background_.Detach();
    Close();
    // Off the page, the controls give their drawing surfaces back now: the
    // page may outlive the display (a session ended under its loop).
    for (TControl* control : std::initializer_list<TControl*>{
             &backToGame_, &backToMenu_, &sound_, &music_, &dialogText_, &hints_, &filtering_})
        control->Detach();
    Detach();
}

int32_t OptionsPage::ValueOf(const TStyleScrollBar& bar) {
    return std::clamp(bar.GetPosition(), bar.GetMinimum(), bar.GetMaximum());
}

void OptionsPage::Apply() {
    PlayerOptions& options = PlayerOptions::Get();
    options.filtering = filtering_.GetChecked() ? 1 : 0;
    options.dialogText = dialogText_.GetChecked() ? 1 : 0;
    options.hints = hints_.GetChecked() ? 1 : 0;
    options.musicVolume = ValueOf(music_);
    options.soundVolume = ValueOf(sound_);
    // The page has no Shadows toggle: the value read from the file stays.
    options.Save();
}

int OptionsPage::OnHintsClick(TObject*, TEvent*) {
    PlayerOptions::UseHints(hints_.GetChecked() != 0);
    return 0;
}

int OptionsPage::OnMusicVolumeChange(TObject*, TEvent*) {
    if (GameWorld* world = App().World())
        world->RoomView().Music().SetVolume(uint32_t(ValueOf(music_)));
    return 0;
}

int OptionsPage::OnSoundVolumeChange(TObject*, TEvent*) {
    if (GameWorld* world = App().World()) world->RoomView().SetSoundVolume(ValueOf(sound_));
    return 0;
}

int OptionsPage::OnBackToMenuClick(TObject*, TEvent*) {
    Apply();
    EndModal(kToMenu);
    return 0;
}

int OptionsPage::OnBackToGameClick(TObject*, TEvent*) {
    Apply();
    EndModal(kToGame);
    App().CloseMenu();
    return 0;
}
