#include "media/resources/TFontRes.h"

int TFontRes::GetGlyphRect(TGlyphRect* rect) {
    if (rect) *rect = TGlyphRect{0, 0, 0, 0};
    return 0;
}

int32_t TFontRes::GetCharExtent(int32_t, int32_t* width, int32_t* offset) {
    if (width) *width = 0;
    if (offset) *offset = 0;
    return 0;
}

int TFontRes::GetMetrics(GdlFontMetrics* metrics) {
    if (metrics) *metrics = GdlFontMetrics{};
    return 0;
}
