// Temporary file names: a counter and the process id make a candidate, and
// creating it exclusively reserves it, so two callers never get one name.
#include "CreateExclusive.h"
#include "platform/File.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace platform {

std::string TempFileName(const char* folder) {
    static std::atomic<uint32_t> counter{0};
    if (!folder) return {};
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    std::string candidate, host;
    const int fd = CreateExclusive(
        1000, 0600,
        [&](int) {
            char name[32];
            const uint32_t n = counter++ * 7919u + uint32_t(getpid());
            std::snprintf(name, sizeof(name), "VM%06X.TMP", n & 0xFFFFFF);
            candidate = base + name;
            return MapPath(candidate.c_str(), PathUse::Create);
        },
        host);
    if (fd < 0) return {};
    close(fd);
    return candidate;
}

} // namespace platform
