// Writing a file so that an interrupted write never costs the previous one.
#include "../kernel/OutOfMemory.h"
#include "CreateExclusive.h"
#include "platform/File.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace platform {

namespace {

std::atomic<ReplaceStep> failingStep{ReplaceStep::None};

// True when the test switch makes `step` fail; sets errno as the call would.
bool Fails(ReplaceStep step) {
    if (failingStep.load() != step) return false;
    errno = EIO;
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
    if (Fails(ReplaceStep::Write)) return false;
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens a new temporary file beside `target`; -1 when none can be made.
// Its name is the target's, cut so that the suffix still fits where the
// target's own name takes the longest a folder allows.
int CreateBeside(const std::string& target, std::string& temp) {
    if (Fails(ReplaceStep::Create)) return -1;
    constexpr size_t kKeptName = 200;
    const size_t slash = target.rfind('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::string stem = target.substr(0, nameAt + kKeptName);
    return CreateExclusive(
        100, 0666,
        [&](int attempt) {
            return stem + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        },
        temp);
}

std::string FolderOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

// The rename is only durable once the folder's entry is on the disk; a
// folder that cannot be flushed (some file systems refuse) is no failure of
// the write itself.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

int Replace(const std::string& host, const void* data, size_t size) {
    std::string temp;
    const int fd = CreateBeside(host, temp);
    if (fd < 0) return -1;
    bool ok = WriteAll(fd, data, size) && !Fails(ReplaceStep::Flush) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && (Fails(ReplaceStep::Rename) || ::rename(temp.c_str(), host.c_str()) != 0)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error;
        return -1;
    }
    FlushFolder(FolderOf(host));
    return 0;
}

} // namespace

int ReplaceFile(const char* path, const void* data, size_t size) {
    if (!path || (!data && size > 0)) {
        errno = EINVAL;
        return -1;
    }
    bool done = false;
    const int result = OrOutOfMemory(-1, [&] {
        const std::string host = MapPath(path, PathUse::Create);
        done = true;
        if (host.empty()) {
            errno = ENOENT;
            return -1;
        }
        return Replace(host, data, size);
    });
    if (!done) errno = ENOMEM;
    return result;
}

void FailReplaceStepForTests(ReplaceStep step) {
    failingStep.store(step);
}

} // namespace platform
