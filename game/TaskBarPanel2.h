// The task bar's right panel: the replay button plays the last conversation
// again ("repeatdialog"), the language button switches between the game's
// two languages and shows the flag of the one it switches to.
#pragma once

#include "TaskBarPanel.h"

#include <cstdint>

class TaskBarPanel2 : public TaskBarPanel {
public:
    // Built invisible under `parent` (the world); the language button shows
    // the pictures of the language in force.
    void Create(TControl* parent);
    // Off the screen at the world's exit.
    void Close();
    int OnRepeatDialogClick(TObject* sender, TEvent* event);
    // Asks for the other language; the button and its flag change only when
    // the game did switch.
    int OnLanguageClick(TObject* sender, TEvent* event);
    int32_t LanguageFlag() const { return language_; }

protected:
    void HideThroughWorld() override;

private:
    void ShowLanguage(int32_t index);

    int32_t language_ = 0;
};
