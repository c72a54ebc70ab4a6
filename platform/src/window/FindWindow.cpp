// Single instance across processes. Every top-level window of this program
// holds an exclusive lock on a small file in the user's runtime folder, named
// after its class and caption; another process finds the window by finding a
// file whose lock is held. A crashed process leaves only unlocked files.
#include "UserState.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace platform::user;

namespace {

std::string Folder() {
    std::string base;
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) {
        base = dir;
    } else {
        base = "/tmp/adventure-" + std::to_string(static_cast<unsigned>(getuid()));
        mkdir(base.c_str(), 0700);
    }
    base += "/adventure-windows";
    mkdir(base.c_str(), 0700);
    return base;
}

std::string Contents(const std::string& cls, const std::string& caption) {
    return Lower(cls.c_str()) + "\n" + caption;
}

std::string FileFor(const std::string& contents) {
    uint64_t h = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : contents) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "w-%016llx.lock", static_cast<unsigned long long>(h));
    return Folder() + "/" + name;
}

bool ReadAll(const std::string& path, std::string* out) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[1024];
    out->clear();
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out->append(buf, static_cast<size_t>(n));
        if (out->size() > 65536) break;
    }
    close(fd);
    return true;
}

// True when some process holds the window lock of this file.
bool HeldElsewhere(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    return held;
}

bool Matches(const std::string& contents, const char* cls, const char* caption) {
    size_t nl = contents.find('\n');
    if (nl == std::string::npos) return false;
    if (cls && contents.compare(0, nl, Lower(cls)) != 0) return false;
    if (caption && contents.compare(nl + 1, std::string::npos, caption) != 0) return false;
    return true;
}

} // namespace

namespace platform::user {

void PublishWindow(Window& w) {
    if (w.publishFd >= 0) return;
    std::string contents = Contents(w.cls->name, w.title);
    std::string path = FileFor(contents);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd); // a window of the same names exists already; it answers
        return;
    }
    if (ftruncate(fd, 0) != 0 ||
        write(fd, contents.data(), contents.size()) != static_cast<ssize_t>(contents.size())) {
        close(fd);
        return;
    }
    w.publishFd = fd;
    w.publishPath = path;
}

void UnpublishWindow(Window& w) {
    if (w.publishFd < 0) return;
    unlink(w.publishPath.c_str());
    close(w.publishFd);
    w.publishFd = -1;
    w.publishPath.clear();
}

} // namespace platform::user

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    if (className && IS_INTRESOURCE(className)) return nullptr;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        for (auto& [id, w] : State().windows) {
            if (w->destroyed || (w->style & WS_CHILD)) continue;
            if (className && Lower(className) != Lower(w->cls->name.c_str())) continue;
            if (windowName && w->title != windowName) continue;
            return w->handle;
        }
    }
    std::string folder = Folder();
    DIR* dir = opendir(folder.c_str());
    if (!dir) return nullptr;
    HWND found = nullptr;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.rfind("w-", 0) != 0 || name.size() < 7 || name.substr(name.size() - 5) != ".lock")
            continue;
        std::string path = folder + "/" + name, contents;
        if (!ReadAll(path, &contents) || !Matches(contents, className, windowName)) continue;
        if (!HeldElsewhere(path)) continue;
        // A window of another process: a handle no other call accepts.
        found = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0000u));
        break;
    }
    closedir(dir);
    return found;
}
