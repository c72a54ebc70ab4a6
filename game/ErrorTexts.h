// The game's own error texts: sections "0", "1" ... of the sectioned text
// that [Config] error of the resource index names, up to the first missing
// or empty one, as the error handler's message table.
#pragma once

#include "foundation/TError.h"

#include <vector>

class ErrorTexts {
public:
    // Reads the texts; false (the table stays empty) when the index names no
    // file or it cannot be loaded.
    bool Load();
    // The table, ended by code -1; null when nothing was read.
    const TErrorMsg* Table() const { return table_.empty() ? nullptr : table_.data(); }
    int Count() const { return table_.empty() ? 0 : int(table_.size()) - 1; }

    static constexpr int kSections = 100;

private:
    std::vector<TErrorMsg> table_;
};
