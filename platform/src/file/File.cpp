// stdio through the path mapper.
#include "platform/File.h"
#include "../kernel/OutOfMemory.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

FILE* OpenMapped(const char* path, const char* mode) {
    PathUse use = (mode[0] == 'r') ? PathUse::Read : PathUse::Create;
    std::string host = MapPath(path, use);
    if (host.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    // A folder is not a file: stdio here would open it for reading and fail
    // only later (or report a size it does not have).
    struct stat st;
    if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return nullptr;
    }
    // Callers ask for "t" (text mode) as Windows stdio knows it; POSIX stdio
    // has no text mode, so the letter is dropped rather than passed on.
    std::string m;
    for (const char* c = mode; *c; ++c)
        if (*c != 't') m += *c;
    return std::fopen(host.c_str(), m.c_str());
}

// Every mapping of a name takes memory; without it the call fails with
// ENOMEM, as stdio does when it runs out.
template <class Result, class Body> Result Mapped(Result failed, Body&& body) {
    bool done = false;
    const Result result = OrOutOfMemory(failed, [&] {
        const Result r = body();
        done = true;
        return r;
    });
    if (!done) errno = ENOMEM;
    return result;
}

} // namespace

FILE* OpenFile(const char* path, const char* mode) {
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    return Mapped(static_cast<FILE*>(nullptr), [&] { return OpenMapped(path, mode); });
}

static bool Stat(const char* path, struct stat& st) {
    return Mapped(false, [&] {
        const std::string host = MapPath(path, PathUse::Read);
        return !host.empty() && ::stat(host.c_str(), &st) == 0;
    });
}

bool FileExists(const char* path) {
    struct stat st;
    return Stat(path, st);
}

bool DirectoryExists(const char* path) {
    struct stat st;
    return Stat(path, st) && S_ISDIR(st.st_mode);
}

int64_t FileSize(const char* path) {
    struct stat st;
    if (!Stat(path, st) || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

int RemoveFile(const char* path) {
    return Mapped(-1, [&] {
        const std::string host = MapPath(path, PathUse::Read);
        if (host.empty()) {
            errno = ENOENT;
            return -1;
        }
        return std::remove(host.c_str());
    });
}

int RenameFile(const char* from, const char* to) {
    return Mapped(-1, [&] {
        const std::string src = MapPath(from, PathUse::Read);
        const std::string dst = MapPath(to, PathUse::Create);
        if (src.empty() || dst.empty()) {
            errno = ENOENT;
            return -1;
        }
        return std::rename(src.c_str(), dst.c_str());
    });
}

std::string ErrorText(int errorNumber) {
    char buffer[256];
    buffer[0] = '\0';
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text ? std::string(text) : std::string(buffer);
}

} // namespace platform
