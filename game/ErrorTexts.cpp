#include "ErrorTexts.h"

#include "foundation/TFileCtl.h"
#include "foundation/TSectTxt.h"

#include <cstdio>
#include <cstring>

bool ErrorTexts::Load() {
    table_.clear();
    TString path;
    if (!TFileCtl::GetPath("Config", "error", path) || path == "") return false;
    TSectTxt texts;
    texts.SetPath(path.c_str());
    if (!texts.Load()) return false;
    for (int n = 0; n < kSections; ++n) {
        char name[8];
        std::snprintf(name, sizeof name, "%d", n);
        texts.SetSection(name);
        const char* text = texts.GetSection();
        if (!text || !*text) break;
        TErrorMsg entry{};
        entry.code = n;
        // An entry holds 255 characters: a longer text is cut.
        std::snprintf(entry.text, sizeof entry.text, "%s", text);
        table_.push_back(entry);
    }
    texts.Unload();
    TErrorMsg end{};
    end.code = -1;
    table_.push_back(end);
    return true;
}
