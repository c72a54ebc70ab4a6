#include "GameMenu.h"

#include "GameApp.h"
#include "GameBox.h"
#include "FileDialog.h"
#include "GameStatics.h"
#include "MenuPage.h"
#include "OptionsPage.h"

#include "foundation/TEventMgr.h"
#include "media/devices/TCursDev.h"

GameMenu::GameMenu() = default;

GameMenu::~GameMenu() = default;

void GameMenu::BuildMainPage(TControl* parent) {
    OpenMenuPage(*this, parent, background_);
    ShowMenuButton(new_, this, 175, 150, "picMenuBtnNew1a", "picMenuBtnNew1b");
    new_.Add<GameMenu, &GameMenu::OnNewClick>(evCommand, this);
    ShowMenuButton(load_, this, 175, 200, "picMenuBtnLoad1a", "picMenuBtnLoad1b");
    load_.Add<GameMenu, &GameMenu::OnLoadClick>(evCommand, this);
    ShowMenuButton(save_, this, 175, 250, "picMenuBtnSave1a", "picMenuBtnSave1b",
                   "picMenuBtnSave1c");
    save_.Add<GameMenu, &GameMenu::OnSaveClick>(evCommand, this);
    save_.SetEnabled(App().World() != nullptr);
    ShowMenuButton(exit_, this, 175, 300, "picMenuBtnExit1a", "picMenuBtnExit1b");
    exit_.Add<GameMenu, &GameMenu::OnExitClick>(evCommand, this);
    ShowMenuButton(options_, this, 80, 490, "picMenuBtnOptions1a", "picMenuBtnOptions1b");
    options_.Add<GameMenu, &GameMenu::OnOptionsClick>(evCommand, this);
    ShowMenuButton(back_, this, 470, 490, "picMenuBtnGoBack1a", "picMenuBtnGoBack1b",
                   "picMenuBtnGoBack1c");
    back_.Add<GameMenu, &GameMenu::OnBackClick>(evCommand, this);
    back_.SetEnabled(App().World() != nullptr);
    built_ = true;
}

void GameMenu::CloseMainPage() {
    if (!built_) return;
    built_ = false;
    background_.Detach();
    for (TListForm* button : {&back_, &options_, &exit_, &save_, &load_, &new_}) {
        button->Hide();
        button->Remove(evCommand, this);
        // Off the form, its drawing surface goes back to the display now:
        // the form outlives the display, which closes before the
        // application goes.
        button->Detach();
    }
    Close();
    Detach();
}

void GameMenu::EnableGameButtons(bool on) {
    save_.SetEnabled(on);
    back_.SetEnabled(on);
}

int GameMenu::OnNewClick(TObject*, TEvent*) {
    GameApp& app = App();
    if (!app.World() || app.AskYesNo(GameBox::MainText("GAME_NEW_WARNING"))) {
        TCursDev& cursor = TCursDev::Global();
        cursor.SetCursorRes(Resources().Cursor("curClock"), 1);
        const int32_t started = app.NewGame();
        cursor.SetCursorRes(nullptr, 1);
        if (!started) {
            EnableGameButtons(false);
            return 0;
        }
    }
    EndModal(1);
    EnableGameButtons(true);
    return 0;
}

std::optional<std::string> GameMenu::AskFile(int32_t mode) {
    FileDialog dialog;
    Hide();
    dialog.Build(&App(), mode);
    dialog.ShowModal();
    const char* path = dialog.GetFileName();
    std::optional<std::string> chosen;
    if (path && dialog.GetModalResult() == FileDialog::kConfirmed) chosen = path;
    dialog.Close();
    if (built_) Show();
    return chosen;
}

int GameMenu::OnLoadClick(TObject*, TEvent*) {
    const std::optional<std::string> path = AskFile(FileDialog::kLoad);
    if (!path) return 0;
    GameApp& app = App();
    TCursDev& cursor = TCursDev::Global();
    cursor.SetCursorRes(Resources().Cursor("curClock", 1), 1);
    const bool done = app.LoadGame(path->c_str()) != 0 || app.World() != nullptr;
    cursor.SetCursorRes(nullptr, 1);
    EnableGameButtons(done);
    if (done) EndModal(1);
    return 0;
}

int GameMenu::OnSaveClick(TObject*, TEvent*) {
    const std::optional<std::string> path = AskFile(FileDialog::kSave);
    if (!path) return 0;
    TCursDev& cursor = TCursDev::Global();
    cursor.SetCursorRes(Resources().Cursor("curClock", 1), 1);
    App().SaveGame(path->c_str());
    cursor.SetCursorRes(nullptr, 1);
    return 0;
}

int GameMenu::OnExitClick(TObject*, TEvent*) {
    // The application's close request asks the quit question.
    TEvent quit;
    quit.SetType(evQuit);
    TEventMgr::Global().Post(&quit);
    return 0;
}

int GameMenu::OnOptionsClick(TObject*, TEvent*) {
    OptionsPage page;
    Hide();
    page.Build(&App());
    page.ShowModal();
    const int32_t result = page.GetModalResult();
    page.TakeDown();
    // Back to the game has closed the menu already: nothing to show then.
    if (built_) Show();
    if (result == OptionsPage::kToGame) EndModal(1);
    return 0;
}

int GameMenu::OnBackClick(TObject*, TEvent*) {
    EndModal(1);
    App().CloseMenu();
    return 0;
}
