#include "ui/TStyle.h"

namespace {

constexpr uint32_t kChanged = 1;

bool SameColor(const TColor& a, const TColor& b) {
    return a.Red() == b.Red() && a.Green() == b.Green() && a.Blue() == b.Blue() &&
           a.CachedIndex() == b.CachedIndex() && a.CachedDistance() == b.CachedDistance();
}

bool SameRecord(const TStyleRec& a, const TStyleRec& b) {
    return a.source == b.source && a.index == b.index && a.variant == b.variant &&
           a.enable == b.enable && SameColor(a.color, b.color);
}

} // namespace

TStyle::TStyle() {
    records_[kRecords - 1].enable = 1;
}

TStyle::~TStyle() = default;

void TStyle::SetChanged(bool on) {
    flags_ = on ? (flags_ | kChanged) : (flags_ & ~kChanged);
}

bool TStyle::IsChanged() {
    return (flags_ & kChanged) != 0;
}

void TStyle::SetAll(uint32_t enable) {
    for (int i = 0; i < 5; ++i)
        records_[i].enable = enable;
    if (master_ == enable) return;
    master_ = enable;
    SetChanged(true);
}

void TStyle::SetColor(const TColor& color) {
    for (TStyleRec& r : records_)
        r.color = color;
    if (color.Red() == color_.Red() && color.Green() == color_.Green() &&
        color.Blue() == color_.Blue())
        return;
    color_ = color;
    SetChanged(true);
}

void TStyle::SetRecord(int32_t i, TPicture* source, int32_t index, int32_t variant) {
    const TStyleRec made{source, index, variant, master_, color_};
    if (SameRecord(made, records_[i])) return;
    records_[i] = made;
    SetChanged(true);
}

TStyleRec TStyle::GetRecord(int32_t n) const {
    return n >= 1 && n <= kRecords ? records_[n - 1] : TStyleRec{};
}

void TStyle::Fill(int32_t to, int32_t from) {
    if (!records_[to - 1].source) records_[to - 1] = records_[from - 1];
}

void TStyle::Apply() {
    if (!IsChanged()) return;
    SetChanged(false);
    Fill(2, records_[4].source ? 5 : 1);
    Fill(1, 4);
    Fill(5, records_[1].source ? 2 : 4);
    Fill(4, 1);
    Fill(3, 1);
}
