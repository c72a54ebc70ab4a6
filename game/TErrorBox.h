// The game's error box: a report with Cancel (Escape, true) and OK (Enter,
// false).
#pragma once

#include "GameBox.h"

class TErrorBox : public GameBox {
public:
    TErrorBox();
};
