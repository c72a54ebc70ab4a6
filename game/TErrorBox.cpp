#include "TErrorBox.h"

namespace {
// OK comes first and is the default of the stand-in, as Enter is here. A
// report nobody answered stops, as Cancel does.
const GameBox::Kind kError = {"STDERROR_CAPTION",
                              "picError",
                              "STDQUEST_CANCEL",
                              "STDQUEST_OK",
                              true,
                              false,
                              MB_OKCANCEL | MB_ICONSTOP,
                              IDCANCEL,
                              true};
} // namespace

TErrorBox::TErrorBox() : GameBox(kError) {}
