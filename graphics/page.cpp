// Page operations of display contexts: active and visible page, double
// buffering and swapping. They go through the shared driver state; other
// contexts give 0 or are left alone.
#include "gdl/blit.h"
#include "gdl/mouse.h"
#include "library_state.h"

using gdl_internal::S;

namespace {

// The driver state of a display context (types 0 to 3), else null.
GdlDriverState* displayState(GdlDeviceContext* dc) {
    if (!dc) return nullptr;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (d->type < GDL_DC_FULLSCREEN || d->type > GDL_DC_OPENGL_DRIVER) return nullptr;
    return d->driverState;
}

} // namespace

int32_t GDL_getActivePage(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    return state ? state->activePage : 0;
}

int32_t GDL_getVisualPage(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    return state ? state->visualPage : 0;
}

void GDL_setActivePage(GdlDeviceContext* dc, int32_t page) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    if (!state || !state->setActivePage) return;
    // The driver moves the record's surface; a current context's working
    // copy follows.
    if (GDL_isCurrentDC(dc)) {
        state->setActivePage(&S(), page);
        dc->surface = S().surface;
        dc->pageOffset = S().pageOffset;
    } else {
        state->setActivePage(dc, page);
    }
}

void GDL_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t waitRetrace) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    if (!state || !state->setVisualPage) return;
    // The software cursor leaves the page that stops being shown and is
    // drawn on the one that starts.
    const bool mouse = GDL_getMouseDC() == dc;
    if (mouse) GDL_mouseBeforePageFlip(state->visualPage);
    state->setVisualPage(GDL_liveDC(dc), page, waitRetrace);
    if (mouse) GDL_mouseAfterPageFlip(page);
}

bool GDL_doubleBuffer(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    if (!state || GDL_liveDC(dc)->mode.maxPage < 1) return false;
    GDL_setActivePage(dc, (state->visualPage + 1) % 2);
    return true;
}

void GDL_swapBuffers(GdlDeviceContext* dc, int32_t waitRetrace) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    if (!state) return;
    GDL_setActivePage(dc, (state->activePage + 1) % 2);
    GDL_setVisualPage(dc, (state->visualPage + 1) % 2, waitRetrace);
}

int32_t GDL_getDisplayStateWord(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    GdlDriverState* state = displayState(dc);
    return state ? state->displayStateWord : 0;
}
