#include "ui/TCaptionBarBase.h"

void TCaptionBarBase::SetActive(int32_t flag) {
    if (flag == active_) return;
    active_ = flag;
    Invalidate(true);
}

void TCaptionBarBase::SetButtons(uint32_t buttons) {
    if (buttons == buttons_) return;
    buttons_ = buttons;
    SetDirty(true);
}

void TCaptionBarBase::SetText(const char*) {}
