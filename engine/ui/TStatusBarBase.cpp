#include "ui/TStatusBarBase.h"

void TStatusBarBase::SetSizeGrip(int32_t flag) {
    if (flag == sizeGrip_) return;
    sizeGrip_ = flag;
    SetDirty(true);
}

void TStatusBarBase::SetText(const char*) {}
