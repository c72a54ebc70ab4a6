// Shared set-up of the list and input control tests: the input fixture, a
// counter of the events a control posts to its own handlers, and a picture
// source of fixed sizes.
#pragma once

#include "InputUi.h"

#include "media/resources/TPicture.h"
#include "platform/Clock.h"
#include "platform/Host.h"

#include <map>
#include <string>
#include <vector>

namespace uitest {

// Counts the events of the listed types that reach a table, with the virtual
// time of each.
struct Heard : TObject {
    int Note(TObject*, TEvent* e) {
        ++count[e->type];
        times[e->type].push_back(platform::ClockNow());
        return 0;
    }
    void Listen(THandlerTable& table, std::initializer_list<int32_t> types) {
        for (int32_t t : types)
            table.Add<Heard, &Heard::Note>(t, this);
    }
    std::map<int32_t, int> count;
    std::map<int32_t, std::vector<uint32_t>> times;
};

// A picture source whose pictures have the sizes given and no image.
struct SizedPicture : TPicture {
    int32_t width = 16, height = 16;
    int Lock(int32_t, int32_t) override { return 0; }
    int Unlock() override { return 1; }
    int32_t GetWidthOf(int32_t, int32_t) override { return width; }
    int32_t GetWidth() override { return width; }
    int32_t GetHeightOf(int32_t, int32_t) override { return height; }
    int32_t GetHeight() override { return height; }
};

// A picture source that counts the images asked of it (it has none).
struct CountingPicture : SizedPicture {
    int Lock(int32_t, int32_t) override {
        ++locks;
        return 0;
    }
    int locks = 0;
};

// The texts of a string list's items in order (any list with Rewind and a
// GetNext of texts).
template <class List> std::vector<std::string> ListedTexts(List& list) {
    std::vector<std::string> out;
    list.Rewind(1);
    const char* text;
    uintptr_t data;
    while (list.GetNext(&text, &data))
        out.push_back(text);
    return out;
}

using InputTest = InputUiTest;

} // namespace uitest
