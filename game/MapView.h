// The map on which the player chooses where to go: the picture picMap
// centred on the screen, a back button and the locations the scripts made
// (Engine.CreateMapEntry), each at its number in the entry table. A click on
// a location hides the map and hands the location to the scripts
// (DoMapAction); the back button and the right button only hide it. The
// world builds it hidden and shows it when the player asks for the map. The
// map publishes itself while it exists: the map commands reach it so.
#pragma once

#include "TMapEntry.h"

#include "foundation/TRef.h"
#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TPanel.h"

#include <cstdint>
#include <vector>

class MapView : public TPanel {
public:
    // Numbers a script may give a location.
    static constexpr int32_t kMaxEntries = 256;

    MapView();
    ~MapView() override;
    // The map of the game in progress; null when there is none.
    static MapView* Instance();

    // Lays the map out under `parent`, invisible.
    void Create(TControl* parent);
    // Puts `entry` (shown under the map, owned from now on) at `index`,
    // lengthening the table with empty places; false, and the entry is not
    // taken, for an index outside 0 to 255. An entry that stood there is
    // hidden and kept until Clear: its own click may be running.
    bool SetEntry(TMapEntry* entry, int32_t index);
    // The entry at `index`; null for an empty place or an index outside
    // the table.
    TMapEntry* GetEntry(int32_t index) const;
    int32_t EntryCount() const { return int32_t(entries_.size()); }

    int OnEntryClick(TObject* sender, TEvent* event);
    int OnBack(TObject* sender, TEvent* event);
    // Removes every location and hides the map.
    void Clear();

    TImage& Picture() { return picture_; }
    TListForm& BackButton() { return back_; }

private:
    void DeleteEntries(bool later);

    TImage picture_;
    TListForm back_;
    std::vector<TRef<TMapEntry>> entries_;
    std::vector<TRef<TMapEntry>> replaced_;
};
