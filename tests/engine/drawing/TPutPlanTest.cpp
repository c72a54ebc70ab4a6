// The canvas's choice of conversion for puts on 8-bit contexts, depth by
// ColorMapMode by AutoColorAdjust.
#include "drawing/TConvBmp.h"
#include "drawing/TPutPlan.h"

#include <gtest/gtest.h>

namespace {

using Fn = void (*)(GdlBitmap*, const GdlBitmap*);

struct Case {
    int32_t context, image, mode, adjust;
    TPutPlan::Source source;
    Fn convert;
    bool checkOff, defaultPalette;
};

void Check(const TPutPlan& p, const Case& c) {
    EXPECT_EQ(p.source, c.source);
    EXPECT_EQ(p.convert, c.convert);
    EXPECT_EQ(p.paletteCheckOff, c.checkOff);
    EXPECT_EQ(p.defaultPalette, c.defaultPalette);
}

TEST(TPutPlan, OpaquePuts) {
    const auto I = TPutPlan::kImage, T8 = TPutPlan::kTemp8, T24 = TPutPlan::kTemp24;
    const Case cases[] = {
        {8, 32, 1, 1, T8, &TConvBmp_32to8Nearest, true, false},
        {8, 32, 3, 1, T8, &TConvBmp_32to8, true, false},
        {8, 32, 4, 1, T24, &TConvBmp_32to24, false, true},
        {8, 24, 3, 0, T8, &TConvBmp_24to8, true, false},
        {8, 24, 1, 1, T8, &TConvBmp_24to8Nearest, true, false},
        {8, 24, 0, 1, I, nullptr, false, true},
        {8, 15, 3, 1, T8, &TConvBmp_16to8, true, false},
        {8, 16, 1, 1, T8, &TConvBmp_16to8Nearest, true, false},
        {8, 16, 2, 1, T24, &TConvBmp_16to24, false, true},
        {8, 8, 3, 0, I, nullptr, true, false},
        {8, 8, 3, 1, T8, &TConvBmp_8to8, true, false},
        {8, 8, 1, 1, I, nullptr, false, false},
        {8, 4, 1, 0, I, nullptr, true, false},
        {8, 4, 3, 1, T8, &TConvBmp_4to8, true, false},
        {8, 4, 1, 1, I, nullptr, false, false},
        {8, 1, 3, 1, I, nullptr, false, false},
        {16, 32, 3, 1, I, nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.context << "/" << c.image << " mode " << c.mode
                                          << " adjust " << c.adjust);
        Check(TPutPlan::Opaque(c.context, c.image, c.mode, c.adjust), c);
    }
}

TEST(TPutPlan, TransparentPuts) {
    const auto I = TPutPlan::kImage, T8 = TPutPlan::kTemp8, B = TPutPlan::kBuffered;
    const Case cases[] = {
        {8, 32, 3, 1, T8, &TConvBmp_32to8, true, false},
        {8, 32, 4, 1, T8, &TConvBmp_32to8Nearest, true, false},
        {8, 24, 0, 0, T8, &TConvBmp_24to8Nearest, true, false},
        {8, 15, 3, 1, T8, &TConvBmp_16to8, true, false},
        {8, 16, 1, 1, T8, &TConvBmp_16to8Nearest, true, false},
        {8, 8, 3, 0, I, nullptr, true, false},
        {8, 8, 3, 1, T8, &TConvBmp_8to8, true, false},
        {8, 8, 1, 1, I, nullptr, false, false},
        {8, 4, 3, 0, B, nullptr, true, false},
        {8, 4, 3, 1, T8, &TConvBmp_4to8, true, false},
        {8, 4, 1, 1, B, nullptr, false, false},
        {8, 1, 1, 1, B, nullptr, false, false},
        {32, 32, 3, 1, B, nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.context << "/" << c.image << " mode " << c.mode
                                          << " adjust " << c.adjust);
        Check(TPutPlan::Transparent(c.context, c.image, c.mode, c.adjust), c);
    }
}

} // namespace
