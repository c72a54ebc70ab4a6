#include "TQuestionBox.h"

namespace {
// No is the stand-in's default, as Enter answers no here.
const GameBox::Kind kQuestion = {nullptr,
                                 "picQuest",
                                 "STDQUEST_YES",
                                 "STDQUEST_NO",
                                 false,
                                 true,
                                 MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                                 IDYES};
} // namespace

TQuestionBox::TQuestionBox() : GameBox(kQuestion) {}
