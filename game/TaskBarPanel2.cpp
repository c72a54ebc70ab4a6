#include "TaskBarPanel2.h"

#include "GameApp.h"
#include "GamePictures.h"
#include "GameWorld.h"

#include "foundation/TEvent.h"

void TaskBarPanel2::Create(TControl* parent) {
    language_ = 0;
    Build(692, "picPanel2", {6, 6, 48, 45}, {55, 6, 48, 45});
    SetButtonPictures(first_, "picGameBtnRepeatDialgo1a", "picGameBtnRepeatDialgo1b",
                      "picGameBtnRepeatDialgo1a", "picGameBtnRepeatDialgo1b");
    first_.Add<TaskBarPanel2, &TaskBarPanel2::OnRepeatDialogClick>(evCommand, this);
    second_.Add<TaskBarPanel2, &TaskBarPanel2::OnLanguageClick>(evCommand, this);
    language_ = Statics().language.Index() == 0 ? 0 : 1;
    ShowLanguage(language_);
    Finish(parent);
}

void TaskBarPanel2::ShowLanguage(int32_t index) {
    if (index == 0)
        SetButtonPictures(second_, "picGameBtnLanguage1a", "picGameBtnLanguage1b",
                          "picGameBtnLanguage1a", "picGameBtnLanguage1b");
    else
        SetButtonPictures(second_, "picGameBtnLanguage2a", "picGameBtnLanguage2b",
                          "picGameBtnLanguage2a", "picGameBtnLanguage2b");
}

void TaskBarPanel2::Close() {
    background_.Detach();
    first_.Hide();
    second_.Hide();
    Hide();
}

int TaskBarPanel2::OnRepeatDialogClick(TObject*, TEvent*) {
    if (GameWorld* world = App().World()) world->Dialogs().StartDialog("repeatdialog", 0);
    return 1;
}

int TaskBarPanel2::OnLanguageClick(TObject*, TEvent*) {
    const int32_t next = language_ == 1 ? 0 : 1;
    if (!Statics().language.Switch(next)) return 1;
    ShowLanguage(next);
    language_ = next;
    return 1;
}

void TaskBarPanel2::HideThroughWorld() {
    if (GameWorld* world = App().World()) world->HideRightPanel();
}
