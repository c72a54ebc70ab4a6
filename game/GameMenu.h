// The game menu over the whole screen: six picture buttons over a
// background (a new game, loading, saving, quitting, the options, back to
// the game). The application owns the one menu form and opens it; the main
// page is laid out anew each time the menu opens and taken down each time it
// closes. Save and Back work only while a game is running.
#pragma once

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TWinForm.h"

#include <cstdint>
#include <optional>
#include <string>

class GameMenu : public TWinForm {
public:
    GameMenu();
    ~GameMenu() override;

    // Lays the main page out and opens the form under `parent`; the caller
    // shows it.
    void BuildMainPage(TControl* parent);
    // Takes the main page down and closes the form (nothing when it is not
    // built).
    void CloseMainPage();
    bool Built() const { return built_; }

    int OnNewClick(TObject* sender, TEvent* event);
    int OnLoadClick(TObject* sender, TEvent* event);
    int OnSaveClick(TObject* sender, TEvent* event);
    int OnExitClick(TObject* sender, TEvent* event);
    int OnOptionsClick(TObject* sender, TEvent* event);
    int OnBackClick(TObject* sender, TEvent* event);

    TListForm& NewButton() { return new_; }
    TListForm& LoadButton() { return load_; }
    TListForm& SaveButton() { return save_; }
    TListForm& ExitButton() { return exit_; }
    TListForm& OptionsButton() { return options_; }
    TListForm& BackButton() { return back_; }

private:
    // The file dialog over the hidden menu in `mode`; the confirmed path.
    std::optional<std::string> AskFile(int32_t mode);
    // Save and Back follow whether a game runs.
    void EnableGameButtons(bool on);

    TImage background_;
    TListForm new_;
    TListForm load_;
    TListForm save_;
    TListForm exit_;
    TListForm options_;
    TListForm back_;
    bool built_ = false;
};
