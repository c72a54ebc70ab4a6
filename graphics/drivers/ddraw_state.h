// The DirectDraw family's state, kept with the rest of the library's.
#pragma once

#include "library_state.h"

namespace gdl_internal {

inline DirectDrawState& ddraw() {
    return state().ddraw;
}

// Repeats a DirectDraw call while it reports a lost surface, taking the
// library's suspend-and-restore path before each repetition.
template <typename Call> HRESULT retryLost(Call call) {
    HRESULT hr;
    while ((hr = call()) == DDERR_SURFACELOST)
        GDL_suspendAndRestore();
    return hr;
}

} // namespace gdl_internal
