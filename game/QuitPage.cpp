#include "QuitPage.h"

#include "MenuPage.h"

QuitPage::QuitPage() = default;

QuitPage::~QuitPage() = default;

void QuitPage::Build(TControl* parent) {
    OpenMenuPage(*this, parent, background_);
    AttachMenuPicture(question_, this, 200, 200, "picMenuQuestExit");
    ShowMenuButton(yes_, this, 310, 240, "picMenuBtnYes1a", "picMenuBtnYes1b");
    yes_.Add<QuitPage, &QuitPage::OnYesClick>(evCommand, this);
    ShowMenuButton(no_, this, 430, 240, "picMenuBtnNo1a", "picMenuBtnNo1b");
    no_.Add<QuitPage, &QuitPage::OnNoClick>(evCommand, this);
}

void QuitPage::Close() {
    background_.Detach();
    question_.Detach();
    yes_.Hide();
    no_.Hide();
    TWinForm::Close();
}

int QuitPage::OnYesClick(TObject*, TEvent*) {
    EndModal(6);
    return 0;
}

int QuitPage::OnNoClick(TObject*, TEvent*) {
    EndModal(7);
    return 0;
}
