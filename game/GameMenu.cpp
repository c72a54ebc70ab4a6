#include "GameMenu.h"

#include "GameApp.h"
#include "GameBox.h"
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

int GameMenu::OnLoadClick(TObject*, TEvent*) {
    // The file dialog comes with the save and load pages.
    return 0;
}

int GameMenu::OnSaveClick(TObject*, TEvent*) {
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
