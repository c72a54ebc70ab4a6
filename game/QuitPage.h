// The quit question in the menu's look: a question picture with Yes and No
// buttons over the menu's background, run modally by its user (the
// application's close request and Alt+F4). Modal result 6 yes, 7 no.
#pragma once

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TWinForm.h"

class QuitPage : public TWinForm {
public:
    QuitPage();
    ~QuitPage() override;

    void Build(TControl* parent);
    void Close();
    int OnYesClick(TObject* sender, TEvent* event);
    int OnNoClick(TObject* sender, TEvent* event);

    TListForm& YesButton() { return yes_; }
    TListForm& NoButton() { return no_; }

private:
    TImage background_;
    TImage question_;
    TListForm yes_;
    TListForm no_;
};
