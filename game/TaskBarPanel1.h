// The task bar's left panel: the map button asks the world to show the map
// (the scripts may take the request over), the menu button opens the game
// menu.
#pragma once

#include "TaskBarPanel.h"

class TaskBarPanel1 : public TaskBarPanel {
public:
    // Built invisible under `parent` (the world).
    void Create(TControl* parent);
    int OnMapClick(TObject* sender, TEvent* event);
    int OnMenuClick(TObject* sender, TEvent* event);

protected:
    void HideThroughWorld() override;
};
