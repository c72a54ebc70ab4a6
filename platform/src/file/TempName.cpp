// Temporary file names: a counter and the process id make a candidate, and
// creating it exclusively reserves it, so two callers never get one name.
#include "platform/File.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace platform {

std::string TempFileName(const char* folder) {
    static std::atomic<uint32_t> counter{0};
    if (!folder) return {};
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[32];
        const uint32_t n = counter++ * 7919u + uint32_t(getpid());
        std::snprintf(name, sizeof(name), "VM%06X.TMP", n & 0xFFFFFF);
        const std::string candidate = base + name;
        const std::string host = MapPath(candidate.c_str(), PathUse::Create);
        if (host.empty()) return {};
        const int fd = open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (fd >= 0) {
            close(fd);
            return candidate;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

} // namespace platform
