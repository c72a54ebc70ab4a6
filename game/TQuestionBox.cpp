#include "TQuestionBox.h"

namespace {
// No is the stand-in's default, as Enter answers no here. A question nobody
// answered is no: a box that ends without a button never quits the game,
// overwrites a save or throws the running game away.
const GameBox::Kind kQuestion = {nullptr,
                                 "picQuest",
                                 "STDQUEST_YES",
                                 "STDQUEST_NO",
                                 false,
                                 true,
                                 MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                                 IDYES,
                                 false};
} // namespace

TQuestionBox::TQuestionBox() : GameBox(kQuestion) {}
