// The layer's one answer to running out of memory. Its containers allocate
// inside the Windows-shaped calls, and an exception must not leave them: a
// call whose allocation fails returns what its Windows counterpart returns on
// failure, with ERROR_NOT_ENOUGH_MEMORY as the thread's last error.
#pragma once

#include "platform/Kernel.h"

#include <new>

namespace platform {

template <class Result, class Body> Result OrOutOfMemory(Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return failed;
    }
}

// For calls with nothing to return: the work is left undone.
template <class Body> void OrOutOfMemory(Body&& body) noexcept {
    try {
        body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace platform
