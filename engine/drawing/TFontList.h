// The system's font families, as the display's window sees them: one entry
// per family, kept sorted by face name. The application fills the list at
// its start and empties it at its stop; text code looks families up in it.
#pragma once

#include "foundation/TList.h"
#include "platform/Gdi.h"

#include <cstdint>

class TFontEntry : public TObject {
public:
    enum : int32_t { kRaster = 8, kTrueType = 16, kOther = 28 };

    char face[LF_FACESIZE] = {};
    int32_t kind = kOther;
    ENUMLOGFONTA record{};    // logical font, full name, style
    NEWTEXTMETRICA metrics{}; // zero when the system gave none
};

class TFontList : public TObjList {
public:
    static TFontList& Global();

    ~TFontList() override;

    // Empties the list, then adds every family of the display's window
    // (of the screen while no display window exists).
    void Fill();
    // The same over any device context.
    void Fill(HDC dc);
    void Empty() { DeleteAll(); }
    // The entry of a face name (exact, as the list is sorted), or null.
    const TFontEntry* Find(const char* face);

    int32_t Compare(void* a, void* b) override;

private:
    static int CALLBACK AddFamily(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD type,
                                  LPARAM list);
};
