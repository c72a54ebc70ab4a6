#include "drawing/TFontList.h"

#include "foundation/TServices.h"
#include "media/devices/TDispDev.h"
#include "platform/User.h"

#include <cstring>

TFontList& TFontList::Global() {
    return RequireService(Services().fonts, "font list");
}

TFontList::~TFontList() {
    DeleteAll();
}

int32_t TFontList::Compare(void* a, void* b) {
    return std::strcmp(static_cast<TFontEntry*>(a)->face, static_cast<TFontEntry*>(b)->face);
}

int CALLBACK TFontList::AddFamily(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD type,
                                  LPARAM list) {
    // An entry that cannot be made is left out; the others still come.
    auto* entry = new TFontEntry; // null when memory is short
    if (!entry || !font) {
        delete entry;
        return 1;
    }
    std::memcpy(&entry->record, font, sizeof(entry->record));
    std::memcpy(entry->face, font->lfFaceName, sizeof(entry->face));
    entry->face[sizeof(entry->face) - 1] = 0;
    if (metrics) std::memcpy(&entry->metrics, metrics, sizeof(entry->metrics));
    entry->kind = (type & RASTER_FONTTYPE)     ? TFontEntry::kRaster
                  : (type & TRUETYPE_FONTTYPE) ? TFontEntry::kTrueType
                                               : TFontEntry::kOther;
    if (!reinterpret_cast<TFontList*>(list)->Insert(entry)) delete entry;
    return 1;
}

void TFontList::Fill(HDC dc) {
    DeleteAll();
    if (dc) EnumFontFamiliesA(dc, nullptr, AddFamily, reinterpret_cast<LPARAM>(this));
}

void TFontList::Fill() {
    TDispDev& display = TDispDev::Global();
    if (display.GetWindowDC()) {
        Fill(display.GetWindowDC());
        return;
    }
    HDC screen = GetDC(nullptr);
    Fill(screen);
    ReleaseDC(nullptr, screen);
}

const TFontEntry* TFontList::Find(const char* face) {
    if (!face) return nullptr;
    Rewind(1);
    while (void* item = Next()) {
        auto* entry = static_cast<TFontEntry*>(item);
        const int order = std::strcmp(entry->face, face);
        if (order == 0) return entry;
        if (order > 0) break;
    }
    return nullptr;
}
