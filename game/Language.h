// The language in force. The game ships its texts and pictures in two
// languages, each with its own resource index that names the other (key
// ResourceIni of [Main]); the task bar's language button switches between
// them and the game's texts, room pictures and inventory follow.
#pragma once

#include <cstdint>

class Language {
public:
    int32_t Index() const { return index_; }
    // Makes `index` the language in force; true when it switched. Nothing
    // changes when it is the one in force, or when the other index file is
    // not there (reported with its path).
    bool Switch(int32_t index);

private:
    int32_t index_ = 0;
};
