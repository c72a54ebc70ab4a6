#include "ScriptCursors.h"

#include "GameStatics.h"

#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"

ScriptCursors::~ScriptCursors() {
    Free();
}

TMetaCur* ScriptCursors::Find(const char* name) const {
    if (!name) return nullptr;
    for (const Entry& entry : entries_)
        if (entry.name == name) return entry.cursor;
    return nullptr;
}

void ScriptCursors::Add(const char* name, TMetaCur* cursor) {
    entries_.push_back({name ? name : "", cursor});
}

bool ScriptCursors::Holds(const TMetaCur* cursor) const {
    for (const Entry& entry : entries_)
        if (cursor && entry.cursor == cursor) return true;
    return false;
}

void ScriptCursors::Free() {
    if (entries_.empty()) return;
    // The normal and the override shape: the device would otherwise be left
    // with no shape at all once these are gone.
    TCursDev& device = TCursDev::Global();
    for (int slot = 0; slot <= 1; ++slot)
        if (Holds(device.GetCursorRes(slot)))
            device.SetCursorRes(Resources().Cursor("curArrow"), slot);
    for (Entry& entry : entries_)
        delete entry.cursor;
    entries_.clear();
}
