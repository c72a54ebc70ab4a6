// The options page of the game menu: toggles for filtering, tool tips and
// the dialogs' texts, scroll bars for the music and sound volumes, and two
// ways back (to the menu, to the game), both of which store the page in the
// player's options and write them to the configuration file. The tool tips
// and both volumes take effect while the player works them.
#pragma once

#include "MenuAlbum.h"

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TStyle.h"
#include "ui/TStyleScrollBar.h"
#include "ui/TWinForm.h"

class OptionsPage : public TWinForm {
public:
    // Modal results: back to the menu's main page, back to the game.
    static constexpr int32_t kToMenu = 1;
    static constexpr int32_t kToGame = 2;

    OptionsPage();
    ~OptionsPage() override;

    void Build(TControl* parent);
    // Takes the page down and closes it.
    void TakeDown();
    // The page's choices into the player's options, which are then saved.
    void Apply();

    int OnHintsClick(TObject* sender, TEvent* event);
    int OnMusicVolumeChange(TObject* sender, TEvent* event);
    int OnSoundVolumeChange(TObject* sender, TEvent* event);
    int OnBackToMenuClick(TObject* sender, TEvent* event);
    int OnBackToGameClick(TObject* sender, TEvent* event);

    TListForm& FilteringToggle() { return filtering_; }
    TListForm& HintsToggle() { return hints_; }
    TListForm& DialogTextToggle() { return dialogText_; }
    TListForm& BackToMenuButton() { return backToMenu_; }
    TListForm& BackToGameButton() { return backToGame_; }
    TStyleScrollBar& MusicBar() { return music_; }
    TStyleScrollBar& SoundBar() { return sound_; }

private:
    // A bar's position held within its range.
    static int32_t ValueOf(const TStyleScrollBar& bar);

    // Before the bars that draw from it, so that it goes after them.
    MenuAlbum scrollAlbum_{"picMenuScrollBar"};
    TImage background_;
    TImage musicLabel_;
    TImage soundLabel_;
    TListForm filtering_;
    TListForm hints_;
    TListForm dialogText_;
    TListForm backToMenu_;
    TListForm backToGame_;
    TStyle musicStyles_[3];
    TStyleScrollBar music_;
    TStyle soundStyles_[3];
    TStyleScrollBar sound_;
};
