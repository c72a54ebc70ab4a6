// The cursors the scripts make by name (Cursor.Create), one list per world:
// a retired world frees only its own. The room and its elements show them
// through checked references, and the cursor device may hold one as its
// shape, so the list goes after the room (it is declared before it) and
// hands the device the arrow before it deletes anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMetaCur;

class ScriptCursors {
public:
    ScriptCursors() = default;
    ~ScriptCursors();
    ScriptCursors(const ScriptCursors&) = delete;
    ScriptCursors& operator=(const ScriptCursors&) = delete;

    // The cursor of the first entry named `name` (case counts), or null.
    TMetaCur* Find(const char* name) const;
    // Appends an entry; the list owns `cursor`.
    void Add(const char* name, TMetaCur* cursor);
    int32_t Count() const { return int32_t(entries_.size()); }

    // Every cursor device slot showing one of these cursors shows curArrow
    // instead; then the cursors are deleted and the list is empty.
    void Free();

private:
    bool Holds(const TMetaCur* cursor) const;

    struct Entry {
        std::string name;
        TMetaCur* cursor = nullptr;
    };
    std::vector<Entry> entries_;
};
