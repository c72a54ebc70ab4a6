// The game's yes-or-no question: Enter and Escape both answer no.
#pragma once

#include "GameBox.h"

class TQuestionBox : public GameBox {
public:
    TQuestionBox();
};
