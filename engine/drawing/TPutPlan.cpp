#include "drawing/TPutPlan.h"

#include "drawing/TConvBmp.h"

namespace {

enum Condition { kMode1, kMode3, kAdjust0, kAny };

struct Row {
    int32_t depthA, depthB; // the image depths the row is for
    Condition when;
    TPutPlan plan;
};

constexpr TPutPlan kPutImage = {TPutPlan::kImage, nullptr, false, false};
constexpr TPutPlan kPutUnchecked = {TPutPlan::kImage, nullptr, true, false};
constexpr TPutPlan kPutBuffered = {TPutPlan::kBuffered, nullptr, false, false};

constexpr TPutPlan Temp8(void (*convert)(GdlBitmap*, const GdlBitmap*)) {
    return {TPutPlan::kTemp8, convert, true, false};
}

// Rows are tried in order; the first whose depth and condition match wins.
constexpr Row kOpaque[] = {
    {32, 32, kMode1, Temp8(&TConvBmp_32to8Nearest)},
    {32, 32, kMode3, Temp8(&TConvBmp_32to8)},
    {32, 32, kAny, {TPutPlan::kTemp24, &TConvBmp_32to24, false, true}},
    {24, 24, kMode3, Temp8(&TConvBmp_24to8)},
    {24, 24, kMode1, Temp8(&TConvBmp_24to8Nearest)},
    {24, 24, kAny, {TPutPlan::kImage, nullptr, false, true}},
    {15, 16, kMode3, Temp8(&TConvBmp_16to8)},
    {15, 16, kMode1, Temp8(&TConvBmp_16to8Nearest)},
    {15, 16, kAny, {TPutPlan::kTemp24, &TConvBmp_16to24, false, true}},
    {8, 8, kAdjust0, kPutUnchecked},
    {8, 8, kMode3, Temp8(&TConvBmp_8to8)},
    {4, 4, kAdjust0, kPutUnchecked},
    {4, 4, kMode3, Temp8(&TConvBmp_4to8)},
};

constexpr Row kTransparent[] = {
    {32, 32, kMode3, Temp8(&TConvBmp_32to8)},
    {32, 32, kAny, Temp8(&TConvBmp_32to8Nearest)},
    {24, 24, kMode3, Temp8(&TConvBmp_24to8)},
    {24, 24, kAny, Temp8(&TConvBmp_24to8Nearest)},
    {15, 16, kMode3, Temp8(&TConvBmp_16to8)},
    {15, 16, kAny, Temp8(&TConvBmp_16to8Nearest)},
    {8, 8, kAdjust0, kPutUnchecked},
    {8, 8, kMode3, Temp8(&TConvBmp_8to8)},
    {8, 8, kAny, kPutImage},
    {4, 4, kAdjust0, {TPutPlan::kBuffered, nullptr, true, false}},
    {4, 4, kMode3, Temp8(&TConvBmp_4to8)},
};

template <size_t N>
TPutPlan Choose(const Row (&rows)[N], int32_t depth, int32_t mode, int32_t adjust,
                TPutPlan otherwise) {
    for (const Row& row : rows) {
        if (depth != row.depthA && depth != row.depthB) continue;
        const bool match = row.when == kAny || (row.when == kMode1 && mode == 1) ||
                           (row.when == kMode3 && mode == 3) ||
                           (row.when == kAdjust0 && adjust == 0);
        if (match) return row.plan;
    }
    return otherwise;
}

} // namespace

TPutPlan TPutPlan::Opaque(int32_t contextDepth, int32_t imageDepth, int32_t colorMapMode,
                          int32_t autoColorAdjust) {
    if (contextDepth != 8) return kPutImage;
    return Choose(kOpaque, imageDepth, colorMapMode, autoColorAdjust, kPutImage);
}

TPutPlan TPutPlan::Transparent(int32_t contextDepth, int32_t imageDepth, int32_t colorMapMode,
                               int32_t autoColorAdjust) {
    if (contextDepth != 8) return kPutBuffered;
    return Choose(kTransparent, imageDepth, colorMapMode, autoColorAdjust, kPutBuffered);
}
