// The look of a control that draws itself from pictures: six state records
// (a picture source with an index and a variant, an enable word and a
// colour), a master enable word, a colour and a changed flag. Apply fills the
// unset records from the others before drawing.
#pragma once

#include "foundation/TColor.h"
#include "foundation/TObject.h"

#include <cstdint>

class TPicture;

struct TStyleRec {
    TPicture* source = nullptr; // null: unset
    int32_t index = 0;
    int32_t variant = 0;
    uint32_t enable = 0;
    TColor color;
};

class TStyle : public TObject {
public:
    static constexpr int kRecords = 6;

    TStyle();
    ~TStyle() override;

    virtual void SetChanged(bool on);
    virtual bool IsChanged();
    virtual void Apply();

    void SetAll(uint32_t enable);
    uint32_t GetEnabled() const { return master_; }
    void SetColor(const TColor& color);
    TColor GetColor() const { return color_; }
    void SetRecord1(TPicture* source, int32_t index, int32_t variant) {
        SetRecord(0, source, index, variant);
    }
    void SetRecord2(TPicture* source, int32_t index, int32_t variant) {
        SetRecord(1, source, index, variant);
    }
    void SetRecord3(TPicture* source, int32_t index, int32_t variant) {
        SetRecord(2, source, index, variant);
    }
    void SetRecord4(TPicture* source, int32_t index, int32_t variant) {
        SetRecord(3, source, index, variant);
    }
    void SetRecord5(TPicture* source, int32_t index, int32_t variant) {
        SetRecord(4, source, index, variant);
    }
    // Record n (1 to 6); an out-of-range n gives an unset record.
    TStyleRec GetRecord(int32_t n) const;

private:
    void SetRecord(int32_t i, TPicture* source, int32_t index, int32_t variant);
    void Fill(int32_t to, int32_t from);

    TStyleRec records_[kRecords];
    uint32_t master_ = 0;
    TColor color_;
    uint32_t flags_ = 1;
};
