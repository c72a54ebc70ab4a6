// The language in force. The game ships its texts and pictures in two
// languages, each with its own resource index; switching between them comes
// with the task bar's language button.
#pragma once

#include <cstdint>

class Language {
public:
    int32_t Index() const { return index_; }

private:
    int32_t index_ = 0;
};
