// Every conversation the game declares (dialogs.scr, through the script
// functions Dialog and Statement) and the player's progress through them:
// which statements were reached, which phrases said and which are still on
// offer. The progress is the dialog block of a save game.
//
// The world owns the one manager; while it lives it is the game's, reached by
// the commands through Current().
#pragma once

#include "DialogEntry.h"

#include "platform/ByteStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DialogManager {
public:
    // The recording of the last conversation, replayed by the task bar.
    static constexpr const char* kRepeat = "repeatdialog";

    DialogManager();
    ~DialogManager();
    DialogManager(const DialogManager&) = delete;
    DialogManager& operator=(const DialogManager&) = delete;

    // The game's manager, null while no world holds one.
    static DialogManager* Current();

    int32_t Count() const { return int32_t(entries_.size()); }
    DialogEntry* At(int32_t index) const;
    // The first entry of that name (names compare exactly), null when none.
    DialogEntry* Find(const char* name) const;
    DialogDef* FindDialog(const char* name) const;
    // Appends a new empty dialog under `name` and makes it the one the
    // following statements go to; null when it could not be made.
    DialogDef* Add(const char* name);
    // Deletes the entry that holds `dialog` with all it owns.
    void Remove(const DialogDef* dialog);
    // The dialog Statement adds to; null before the first Dialog.
    DialogDef* Declaring() const { return declaring_; }

    // The text of phrase `position` (from 0) of the first statement `id` of
    // dialog `name`, from txtDialoge; null when any step finds nothing.
    const char* Text(const char* name, int32_t id, int32_t position) const;

    // The dialog block of a save game.
    bool SaveState(platform::ByteWriter& out) const;
    // Reads the block back into the declared dialogs. With `checkOnly` it
    // reads and matches and changes nothing. A failed load leaves what it
    // had read before the failure in place.
    bool LoadState(platform::ByteReader& in, bool checkOnly = false);

private:
    bool LoadEntry(platform::ByteReader& in, bool checkOnly);

    std::vector<std::unique_ptr<DialogEntry>> entries_;
    DialogDef* declaring_ = nullptr;
};

// The declaration script's two functions.
void DialogData();
void StatementData();
