#include "TaskBarPanel1.h"

#include "GameApp.h"
#include "GamePictures.h"
#include "GameWorld.h"

#include "foundation/TEvent.h"

void TaskBarPanel1::Create(TControl* parent) {
    Build(0, "picPanel1", {5, 3, 48, 49}, {55, 3, 48, 49});
    SetButtonPictures(first_, "picGameBtnMap1a", "picGameBtnMap1a", "picGameBtnMap1a",
                      "picGameBtnMap1a");
    SetButtonPictures(second_, "picGameBtnMenu1a", "picGameBtnMenu1b", "picGameBtnMenu1a",
                      "picGameBtnMenu1b");
    first_.Add<TaskBarPanel1, &TaskBarPanel1::OnMapClick>(evCommand, this);
    second_.Add<TaskBarPanel1, &TaskBarPanel1::OnMenuClick>(evCommand, this);
    Finish(parent);
}

int TaskBarPanel1::OnMapClick(TObject*, TEvent*) {
    if (GameWorld* world = App().World()) world->DoShow();
    return 1;
}

int TaskBarPanel1::OnMenuClick(TObject*, TEvent*) {
    if (GameWorld* world = App().World()) {
        world->HideLeftPanel();
        world->OpenGameMenu();
    }
    return 1;
}

void TaskBarPanel1::HideThroughWorld() {
    if (GameWorld* world = App().World()) world->HideLeftPanel();
}
