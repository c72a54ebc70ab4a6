// Any bytes as the dialog block of a save game, over a few declared dialogs:
// a check first, then the load; a block that loads saves and loads again to
// the same flags.
#include "DialogManager.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void Declare(DialogManager& manager) {
    for (const char* name : {"a", "b", "repeatdialog", "a"}) {
        DialogDef* dialog = manager.Add(name);
        for (uint16_t id = 1; id <= 3; ++id) {
            auto statement = std::make_unique<DialogStatement>();
            statement->id = id;
            for (int p = 0; p < id; ++p)
                statement->AddPhrase(std::make_unique<DialogPhrase>());
            dialog->AddStatement(std::move(statement));
        }
    }
}

std::vector<uint8_t> Save(const DialogManager& manager) {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    manager.SaveState(out);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine;
    DialogManager manager;
    Declare(manager);
    const std::vector<uint8_t> before = Save(manager);
    platform::ByteReader check(data, size);
    const bool fits = manager.LoadState(check, true);
    if (Save(manager) != before) std::abort(); // a check changes nothing
    platform::ByteReader in(data, size);
    if (manager.LoadState(in) != fits) std::abort();
    if (!fits) return 0;
    const std::vector<uint8_t> saved = Save(manager);
    DialogManager again;
    Declare(again);
    platform::ByteReader back(saved);
    if (!again.LoadState(back) || Save(again) != saved) std::abort();
    return 0;
}
