// One declared conversation: its statements in declaration order and a state
// word that travels with the save game.
#pragma once

#include "DialogStatement.h"

#include <cstdint>
#include <memory>
#include <vector>

struct DialogDef {
    std::vector<std::unique_ptr<DialogStatement>> statements;
    uint16_t state = 0;

    // The first statement with that id, null when none has it.
    DialogStatement* Statement(int32_t id) const;
    int32_t AddStatement(std::unique_ptr<DialogStatement> statement);
    void Clear() { statements.clear(); }
};
