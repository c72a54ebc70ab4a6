#include "DialogDef.h"

DialogStatement* DialogDef::Statement(int32_t id) const {
    for (const auto& statement : statements)
        if (statement->id == id) return statement.get();
    return nullptr;
}

int32_t DialogDef::AddStatement(std::unique_ptr<DialogStatement> statement) {
    if (!statement) return -1;
    statements.push_back(std::move(statement));
    return int32_t(statements.size()) - 1;
}
