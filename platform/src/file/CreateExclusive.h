// Creating a file under the first free name of a series: the exclusive
// create reserves the name, so two callers never end up with the same one.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

namespace platform {

// Tries `hostName(attempt)` (created with permissions `mode`) for attempt 0, 1, ... up to
// `attempts`; returns the descriptor open for writing and the name in `chosen`, or -1 when every
// name is taken, a name is empty, or the create fails for another reason.
template <class HostName>
int CreateExclusive(int attempts, mode_t mode, HostName hostName, std::string& chosen) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        chosen = hostName(attempt);
        if (chosen.empty()) return -1;
        const int fd = ::open(chosen.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace platform
