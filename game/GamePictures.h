// The game's named pictures as picture sources, and the style pictures of
// its picture buttons.
#pragma once

#include "GameStatics.h"

#include "media/resources/TMetaImg.h"
#include "ui/TListForm.h"

// The named picture `key`; null when the table has none of that name.
inline TMetaImg* NamedPicture(const char* key) {
    return dynamic_cast<TMetaImg*>(Resources().Find(key));
}

// The pictures of a button's style states 0 (normal), 1 (pressed, pointer
// off), 3 (pointer over) and 4 (pressed, pointer over), index and sub-index
// 0 each.
inline void SetButtonPictures(TListForm& button, const char* normal, const char* pressedOff,
                              const char* over, const char* pressedOver) {
    TStyle& style = button.GetStyleRecords();
    style.SetRecord1(NamedPicture(normal), 0, 0);
    style.SetRecord2(NamedPicture(pressedOff), 0, 0);
    style.SetRecord4(NamedPicture(over), 0, 0);
    style.SetRecord5(NamedPicture(pressedOver), 0, 0);
}
