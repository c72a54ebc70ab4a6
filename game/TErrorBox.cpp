#include "TErrorBox.h"

namespace {
// OK comes first and is the default of the stand-in, as Enter is here.
const GameBox::Kind kError = {
    "STDERROR_CAPTION",        "picError", "STDQUEST_CANCEL", "STDQUEST_OK", true, false,
    MB_OKCANCEL | MB_ICONSTOP, IDCANCEL};
} // namespace

TErrorBox::TErrorBox() : GameBox(kError) {}
