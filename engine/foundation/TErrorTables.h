// The built-in English and German message tables of the error handler.
#pragma once

#include "foundation/TError.h"

const TErrorMsg* TErrorEnglishTable();
const TErrorMsg* TErrorGermanTable();
