// Fonts, text colours and text output into DC pixels.
#include "../kernel/OutOfMemory.h"
#include "FontEngine.h"
#include "GdiInternal.h"

#include <algorithm>
#include <cstring>

namespace platform::gdi {
namespace {

SizedFont FontOf(Dc* dc) {
    return OpenFont((dc->font ? dc->font : SystemFont())->log);
}

int Extent(SizedFont& font, const uint8_t* text, int length) {
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += font.Advance(text[i]);
    return width;
}

// Fills the clipped rectangle [left, right) x [top, bottom).
void Fill(const Surface& s, int left, int top, int right, int bottom, uint32_t rgb,
          NearestCache& cache) {
    left = std::max(left, 0);
    right = std::min(right, s.width);
    top = std::max(top, 0);
    bottom = std::min(bottom, s.height);
    for (int y = top; y < bottom; ++y)
        FillSpan(s, y, left, right - left, rgb, cache);
}

void DrawGlyph(const Surface& s, const Glyph& g, int penX, int baseline, uint32_t rgb,
               NearestCache& cache) {
    for (int r = 0; r < g.rows; ++r) {
        const int y = baseline - g.top + r;
        if (y < 0 || y >= s.height) continue;
        const uint8_t* bits = g.bits + static_cast<size_t>(r) * g.pitch;
        int c = 0;
        while (c < g.width) {
            while (c < g.width && !(bits[c >> 3] & (0x80 >> (c & 7))))
                ++c;
            int end = c;
            while (end < g.width && (bits[end >> 3] & (0x80 >> (end & 7))))
                ++end;
            if (c == end) break;
            const int x0 = std::max(penX + g.left + c, 0);
            const int x1 = std::min(penX + g.left + end, s.width);
            if (x0 < x1) FillSpan(s, y, x0, x1 - x0, rgb, cache);
            c = end;
        }
    }
}

void FillMetrics(const FontMetrics& m, const LOGFONTA& log, TEXTMETRICA* tm) {
    *tm = TEXTMETRICA{};
    tm->tmHeight = m.ascent + m.descent;
    tm->tmAscent = m.ascent;
    tm->tmDescent = m.descent;
    tm->tmInternalLeading = m.internalLeading;
    tm->tmAveCharWidth = m.averageWidth;
    tm->tmMaxCharWidth = m.maxWidth;
    tm->tmWeight = log.lfWeight ? log.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = 0x1F;
    tm->tmBreakChar = 0x20;
    tm->tmItalic = log.lfItalic ? 1 : 0;
    tm->tmUnderlined = log.lfUnderline ? 1 : 0;
    tm->tmStruckOut = log.lfStrikeOut ? 1 : 0;
    // The "fixed pitch" bit is set for variable-pitch fonts, as on Windows.
    tm->tmPitchAndFamily =
        static_cast<BYTE>((m.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR |
                          (m.trueType ? TMPF_TRUETYPE : 0) | (log.lfPitchAndFamily & 0xF0));
    tm->tmCharSet = ANSI_CHARSET;
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

HFONT CreateFontIndirectA(const LOGFONTA* log) {
    return platform::OrOutOfMemory<HFONT>(nullptr, [&]() -> HFONT {
        if (!log) return nullptr;
        std::lock_guard guard(GetState().lock);
        auto font = std::make_unique<Font>();
        font->log = *log;
        font->log.lfFaceName[LF_FACESIZE - 1] = '\0';
        return reinterpret_cast<HFONT>(Adopt(std::move(font)));
    });
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face) {
    return platform::OrOutOfMemory<HFONT>(nullptr, [&]() -> HFONT {
        LOGFONTA log{};
        log.lfHeight = height;
        log.lfWidth = width;
        log.lfEscapement = escapement;
        log.lfOrientation = orientation;
        log.lfWeight = weight;
        log.lfItalic = static_cast<BYTE>(italic != 0);
        log.lfUnderline = static_cast<BYTE>(underline != 0);
        log.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
        log.lfCharSet = static_cast<BYTE>(charSet);
        log.lfOutPrecision = static_cast<BYTE>(outPrecision);
        log.lfClipPrecision = static_cast<BYTE>(clipPrecision);
        log.lfQuality = static_cast<BYTE>(quality);
        log.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
        if (face) std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
        return CreateFontIndirectA(&log);
    });
}

namespace {

// One DC attribute: set returns the old value, or `failed` for a bad DC.
template <typename T, typename V> V Exchange(HDC handle, T Dc::*field, V value, V failed) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    if (!dc) return failed;
    const V old = static_cast<V>(dc->*field);
    dc->*field = value;
    return old;
}

template <typename T, typename V> V Read(HDC handle, T Dc::*field, V failed) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    return dc ? static_cast<V>(dc->*field) : failed;
}

} // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) {
    return Exchange(dc, &Dc::textColor, color & 0xFFFFFF, COLORREF(CLR_INVALID));
}
COLORREF GetTextColor(HDC dc) {
    return Read(dc, &Dc::textColor, COLORREF(CLR_INVALID));
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
    return Exchange(dc, &Dc::bkColor, color & 0xFFFFFF, COLORREF(CLR_INVALID));
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return Exchange(dc, &Dc::bkMode, mode, 0);
}
int GetBkMode(HDC dc) {
    return Read(dc, &Dc::bkMode, 0);
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (!dc || length < 0 || (length > 0 && !text)) return FALSE;
        SizedFont font = FontOf(dc);
        if (!font.Ok()) return FALSE;
        if (length == 0) return TRUE;
        DcPixels px(dc);
        if (!px.Ok()) return dc->dcKind == DcKind::Screen ? TRUE : FALSE;
        const Surface& s = px.Get();
        const auto* bytes = reinterpret_cast<const uint8_t*>(text);
        const FontMetrics& m = font.Metrics();
        const int width = Extent(font, bytes, length);
        const int height = m.ascent + m.descent;
        const int baseline = y + m.ascent;
        NearestCache cache;
        if (dc->bkMode == OPAQUE) Fill(s, x, y, x + width, y + height, RgbOf(dc->bkColor), cache);

        const uint32_t ink = RgbOf(dc->textColor);
        int pen = x;
        for (int i = 0; i < length; ++i) {
            Glyph g;
            if (font.Render(bytes[i], &g) && g.bits) DrawGlyph(s, g, pen, baseline, ink, cache);
            pen += g.advance;
        }
        const LOGFONTA& log = (dc->font ? dc->font : SystemFont())->log;
        const int thickness = std::max(1, m.emPixels / 16);
        if (log.lfUnderline) {
            const int at = baseline + std::max(1, m.descent / 3);
            Fill(s, x, at, x + width, at + thickness, ink, cache);
        }
        if (log.lfStrikeOut) {
            const int at = baseline - m.ascent / 3;
            Fill(s, x, at, x + width, at + thickness, ink, cache);
        }
        px.Touch(std::max(x, 0), std::max(y, 0), std::min(x + width, s.width),
                 std::min(y + height, s.height));
        return TRUE;
    });
}

BOOL GetTextExtentPoint32A(HDC handle, LPCSTR text, int length, SIZE* size) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (!dc || !size || length < 0 || (length > 0 && !text)) return FALSE;
        SizedFont font = FontOf(dc);
        if (!font.Ok()) return FALSE;
        size->cx = Extent(font, reinterpret_cast<const uint8_t*>(text), length);
        size->cy = font.Metrics().ascent + font.Metrics().descent;
        return TRUE;
    });
}

BOOL GetTextMetricsA(HDC handle, TEXTMETRICA* metrics) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (!dc || !metrics) return FALSE;
        SizedFont font = FontOf(dc);
        if (!font.Ok()) return FALSE;
        FillMetrics(font.Metrics(), (dc->font ? dc->font : SystemFont())->log, metrics);
        return TRUE;
    });
}

int EnumFontFamiliesA(HDC handle, LPCSTR family, FONTENUMPROCA callback, LPARAM data) {
    struct Entry {
        ENUMLOGFONTA elf;
        NEWTEXTMETRICA ntm;
        DWORD type;
    };
    std::vector<Entry> entries;
    {
        std::lock_guard guard(GetState().lock);
        if (!AsDc(handle) || !callback) return 0;
        for (const FamilyInfo& info : ListFamilies(family)) {
            Entry e{};
            LOGFONTA& lf = e.elf.elfLogFont;
            lf.lfHeight = 16;
            lf.lfWeight = info.weight;
            lf.lfItalic = info.italic ? 1 : 0;
            lf.lfCharSet = ANSI_CHARSET;
            lf.lfPitchAndFamily = static_cast<BYTE>(
                (info.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) |
                (info.fixedPitch ? FF_MODERN : (info.serif ? FF_ROMAN : FF_SWISS)));
            std::strncpy(lf.lfFaceName, info.face.c_str(), LF_FACESIZE - 1);
            std::string full = info.face;
            if (info.style != "Regular") full += " " + info.style;
            std::strncpy(reinterpret_cast<char*>(e.elf.elfFullName), full.c_str(),
                         LF_FULLFACESIZE - 1);
            std::strncpy(reinterpret_cast<char*>(e.elf.elfStyle), info.style.c_str(),
                         LF_FACESIZE - 1);
            SizedFont font = OpenFont(lf);
            if (font.Ok()) {
                FillMetrics(font.Metrics(), lf, &e.ntm);
                lf.lfWidth = font.Metrics().averageWidth;
                e.ntm.ntmSizeEM = static_cast<UINT>(font.Metrics().emPixels);
                e.ntm.ntmCellHeight = static_cast<UINT>(e.ntm.tmHeight);
                e.ntm.ntmAvgWidth = static_cast<UINT>(e.ntm.tmAveCharWidth);
            }
            e.ntm.ntmFlags = (info.italic ? NTM_ITALIC : 0) |
                             (info.weight >= FW_BOLD ? NTM_BOLD : 0) |
                             (!info.italic && info.weight < FW_BOLD ? NTM_REGULAR : 0);
            e.type = info.outline ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
            entries.push_back(e);
        }
    }
    // The callback runs without the GDI lock: it may draw or ask again.
    int result = 1;
    for (const Entry& e : entries) {
        result = callback(&e.elf.elfLogFont, &e.ntm, e.type, data);
        if (result == 0) break;
    }
    return result;
}
