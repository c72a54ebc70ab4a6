#include "TErrorBox.h"

namespace {
const GameBox::Kind kError = {"STDERROR_CAPTION", "picError", "STDQUEST_CANCEL",
                              "STDQUEST_OK",      true,       false};
}

TErrorBox::TErrorBox() : GameBox(kError) {}
