#include "TMapEntry.h"

#include "GameStatics.h"
#include "ScriptRefs.h"

#include "foundation/TSectTxt.h"

TMapEntry::~TMapEntry() {
    ScriptUnref(scriptRef);
}

void TMapEntry::SetPlace(const char* name) {
    place_ = name ? name : "";
    LoadHint();
}

void TMapEntry::LoadHint() {
    TSectTxt* hints = Resources().Text("txtHint");
    if (!hints) return;
    hints->SetSection(("Map" + place_).c_str());
    const char* text = hints->GetSection();
    SetHint(text ? text : "");
}
