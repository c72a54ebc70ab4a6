// GTF timings for every kind of input, with and without margins and
// interlace, against a reference worked out here step by step from the
// published VESA GTF formula (its own rounding at each published step).
#include <gtest/gtest.h>

#include <cmath>

#include "gdl/modetiming.h"

namespace {

double rnd(double v) {
    return std::floor(v + 0.5);
}

// The published constants: margin 1.8 %, cell 8, front porch 1 line, vsync 3
// lines, hsync 8 %, vsync + back porch 550 us, M 600, C 40, K 128, J 20.
constexpr double kCPrime = (40.0 - 20.0) * 128.0 / 256.0 + 20.0; // 30
constexpr double kMPrime = 128.0 / 256.0 * 600.0;                // 300

struct Ref {
    double hTotal, hDisp, hSyncStart, hSyncWidth;
    double vTotal, vDisp, vSyncStart;
    double vFreq, hFreq, pixelClock;
};

Ref reference(int w, int h, double freq, int kind, bool margins, bool interlaced) {
    const double hRnd = rnd(w / 8.0) * 8.0;
    const double vRnd = interlaced ? rnd(h / 2.0) : h;
    const double top = margins ? rnd(1.8 / 100.0 * vRnd) : 0.0;
    const double side = margins ? rnd(hRnd * 1.8 / 100.0 / 8.0) * 8.0 : 0.0;
    const double half = interlaced ? 0.5 : 0.0;
    const double active = hRnd + 2.0 * side;
    auto blankFor = [&](double duty) { return rnd(active * duty / (100.0 - duty) / 16.0) * 16.0; };
    double hPeriod = 0, vSyncBp = 0, blank = 0, pixelFreq = 0;
    if (kind == GTF_VERTICAL_REFRESH) {
        const double fieldRate = interlaced ? 2.0 * freq : freq;
        const double est = (1.0 / fieldRate - 550e-6) / (vRnd + 2.0 * top + 1.0 + half) * 1e6;
        vSyncBp = rnd(550.0 / est);
        const double totalV = vRnd + 2.0 * top + vSyncBp + half + 1.0;
        const double fieldEst = 1e6 / est / totalV;
        hPeriod = est / (fieldRate / fieldEst);
        blank = blankFor(kCPrime - kMPrime * hPeriod / 1000.0);
        pixelFreq = (active + blank) / hPeriod;
    } else if (kind == GTF_HORIZONTAL_FREQ) {
        hPeriod = 1000.0 / freq;
        vSyncBp = rnd(550.0 * freq / 1000.0);
        blank = blankFor(kCPrime - kMPrime / freq);
        pixelFreq = (active + blank) * freq / 1000.0;
    } else {
        pixelFreq = freq;
        const double ideal = ((kCPrime - 100.0) + std::sqrt((100.0 - kCPrime) * (100.0 - kCPrime) +
                                                            0.4 * kMPrime * active / freq)) /
                             2.0 / kMPrime * 1000.0;
        blank = blankFor(kCPrime - kMPrime * ideal / 1000.0);
        hPeriod = (active + blank) / pixelFreq;
        vSyncBp = rnd(550.0 / hPeriod);
    }
    const double totalV = vRnd + 2.0 * top + vSyncBp + half + 1.0;
    const double total = active + blank;
    const double sync = rnd(0.08 * total / 8.0) * 8.0;
    const double fieldRate = 1e6 / hPeriod / totalV;
    Ref r{};
    r.hTotal = total;
    r.hDisp = hRnd;
    r.hSyncStart = hRnd + side + (blank / 2.0 - sync);
    r.hSyncWidth = sync;
    r.vTotal = rnd(totalV);
    r.vDisp = vRnd;
    r.vSyncStart = vRnd + top + 1.0;
    r.vFreq = interlaced ? fieldRate / 2.0 : fieldRate;
    r.hFreq = 1000.0 / hPeriod;
    r.pixelClock = pixelFreq;
    return r;
}

TEST(GtfReference, EveryKindMarginAndInterlaceFollowsTheFormula) {
    struct Case {
        int w, h;
        double freq;
        int kind;
        bool margins, interlaced;
    } cases[] = {
        {640, 480, 60.0, GTF_VERTICAL_REFRESH, false, false},
        {640, 480, 60.0, GTF_VERTICAL_REFRESH, true, false},
        {1024, 768, 87.0, GTF_VERTICAL_REFRESH, false, true},
        {1280, 1024, 85.0, GTF_VERTICAL_REFRESH, true, true},
        {1366, 768, 75.0, GTF_VERTICAL_REFRESH, false, false}, // width not a cell multiple
        {800, 600, 48.0, GTF_HORIZONTAL_FREQ, false, false},
        {800, 600, 48.0, GTF_HORIZONTAL_FREQ, true, false},
        {1024, 768, 35.5, GTF_HORIZONTAL_FREQ, false, true},
        {640, 480, 25.175, GTF_PIXEL_CLOCK, false, false},
        {1600, 1200, 162.0, GTF_PIXEL_CLOCK, false, false},
        {1024, 768, 44.9, GTF_PIXEL_CLOCK, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " @" << c.freq << " kind " << c.kind
                                        << " m" << c.margins << " i" << c.interlaced);
        const Ref r = reference(c.w, c.h, c.freq, c.kind, c.margins, c.interlaced);
        GtfTimings t{};
        ASSERT_TRUE(Gtf_computeTimings(c.w, c.h, c.freq, c.kind, c.margins, c.interlaced, &t));
        EXPECT_EQ(t.hTotal, int32_t(rnd(r.hTotal)));
        EXPECT_EQ(t.hDisplayed, int32_t(r.hDisp));
        EXPECT_EQ(t.hSyncStart, int32_t(rnd(r.hSyncStart)));
        EXPECT_EQ(t.hSyncWidth, int32_t(r.hSyncWidth));
        EXPECT_EQ(t.hSyncEnd, t.hSyncStart + t.hSyncWidth);
        EXPECT_EQ(t.hFrontPorch, t.hSyncStart - t.hDisplayed);
        EXPECT_EQ(t.hBackPorch, t.hTotal - t.hSyncEnd);
        EXPECT_EQ(t.vTotal, int32_t(r.vTotal));
        EXPECT_EQ(t.vDisplayed, int32_t(r.vDisp));
        EXPECT_EQ(t.vSyncStart, int32_t(r.vSyncStart));
        EXPECT_EQ(t.vSyncEnd, t.vSyncStart + 3);
        EXPECT_EQ(t.vSyncWidth, 3);
        EXPECT_EQ(t.vFrontPorch, t.vSyncStart - t.vDisplayed);
        EXPECT_EQ(t.vBackPorch, t.vTotal - t.vSyncEnd);
        EXPECT_NEAR(t.vFrequency, r.vFreq, 1e-6 * r.vFreq);
        EXPECT_NEAR(t.hFrequency, r.hFreq, 1e-6 * r.hFreq);
        EXPECT_NEAR(t.pixelClock, r.pixelClock, 1e-6 * r.pixelClock);
        EXPECT_EQ(t.interlace, c.interlaced ? 'I' : 'N');
        EXPECT_EQ(t.hSyncPolarity, '-');
        EXPECT_EQ(t.vSyncPolarity, '+');
    }
}

} // namespace
