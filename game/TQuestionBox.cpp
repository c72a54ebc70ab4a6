#include "TQuestionBox.h"

namespace {
const GameBox::Kind kQuestion = {nullptr, "picQuest", "STDQUEST_YES", "STDQUEST_NO", false, true};
}

TQuestionBox::TQuestionBox() : GameBox(kQuestion) {}
