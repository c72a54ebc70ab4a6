// Detect, init and header of the VBE family drivers.
#include "vbe_driver.h"

#include "gdl/ddraw.h"
#include "gdl/render.h"
#include "gdl/windc.h"

int32_t VBE_familyDetect(const VbeDriverFamily& f, int32_t member, int32_t index, int32_t wanted,
                         int32_t* driver, int32_t* suggested, GDLModeEntry* table) {
    if (wanted < GDL_TYPE_VBE || !SVGA_detectVBE(driver)) return 0;
    const VbeDriverFamily::Member& m = f.members[member];
    for (int32_t mode = m.first; mode <= m.last; ++mode) {
        GdlModeRecord& r = f.records[size_t(mode)];
        r = *DRV_modeRecord(mode);
        r.modeNumber = 0;
        f.addMode(table, mode, index, &r);
        f.registered[size_t(mode)] = table[mode].driver == uint8_t(index);
    }
    const int32_t s = f.suggested;
    if (s >= m.first && s <= m.last && suggested && *suggested == -1 && f.registered[size_t(s)])
        *suggested = s;
    return 1;
}

int32_t VBE_familyInit(const VbeDriverFamily& f, int32_t member, GdlDeviceContext* dc,
                       int32_t driverNumber, int32_t mode, HWND window, int32_t x, int32_t y,
                       int32_t pages, int32_t stereo, int32_t refresh) {
    const VbeDriverFamily::Member& m = f.members[member];
    if (mode < m.first || mode > m.last || !f.registered[size_t(mode)]) return 0;
    dc->mode = f.records[size_t(mode)];
    if (!DRV_attachState(dc, f.state, sizeof(VbeDriverState), f.destroy)) return 0;
    GdlDriverState* s = dc->driverState;
    s->window = window;
    s->driverNumber = driverNumber;
    s->mode = mode;
    dc->type = GDL_DC_FULLSCREEN;
    m.setup(dc);
    // The 16-colour set-up brings the VGA driver's entries; this family's win.
    s->restore = f.restore;
    s->reset = f.reset;
    auto* v = static_cast<VbeDriverState*>(s);
    if (!VBE_setMode(dc, int32_t(dc->mode.modeNumber), &v->savedMode, &v->savedLines, x, y, pages,
                     stereo, refresh))
        return 0;
    if (f.afterModeSet) f.afterModeSet(dc);
    dc->v.beginDirectAccess = dc->v.endDirectAccess = [] {};
    *f.current = dc;
    return 1;
}

GdlDriverHeader VBE_familyHeaderBase(const VbeDriverFamily& f, int32_t member) {
    const VbeDriverFamily::Member& m = f.members[member];
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    // Names of 12 characters fill the field but for its zero.
    std::memcpy(h.fileName, m.name, std::strlen(m.name));
    std::memcpy(h.driverName, m.name, std::strlen(m.name));
    std::strncpy(h.banner, f.banner, sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VBE;
    h.modes = DRV_modeRecord(m.first);
    h.modeCount = m.last - m.first + 1;
    return h;
}
