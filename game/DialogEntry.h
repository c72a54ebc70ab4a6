// A dialog under the name the scripts use for it.
#pragma once

#include "DialogDef.h"

#include <memory>
#include <string>

struct DialogEntry {
    std::string name;
    std::unique_ptr<DialogDef> dialog;
};
