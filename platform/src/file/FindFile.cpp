// The folder search over opendir/readdir, through the path mapper.
#include "platform/FindFile.h"

#include "platform/File.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "../kernel/OutOfMemory.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

struct Found {
    std::string name;
    struct stat st;
};

// One search: its matches in the order they are reported.
struct Search {
    std::vector<Found> found;
    size_t next = 0;
};

std::mutex searchLock;
std::set<Search*> searches; // live handles, so a stale one is refused

bool HasDrive(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// A drive folder with "." and ".." resolved by name, never above the root, as
// Windows resolves them; `atRoot` tells whether it names the root itself.
std::string NormaliseDriveFolder(const std::string& folder, bool& atRoot) {
    std::vector<std::string> parts;
    size_t i = 2;
    while (i < folder.size()) {
        while (i < folder.size() && IsSeparator(folder[i]))
            ++i;
        size_t end = i;
        while (end < folder.size() && !IsSeparator(folder[end]))
            ++end;
        std::string part = folder.substr(i, end - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = end;
    }
    atRoot = parts.empty();
    std::string out = folder.substr(0, 2) + "\\";
    for (size_t k = 0; k < parts.size(); ++k)
        out += (k ? "\\" : "") + parts[k];
    return out;
}

// Host folder of the search and whether it is a mapped drive's root; empty
// when the drive is not mapped.
std::string HostFolder(const std::string& folder, bool& driveRoot) {
    driveRoot = false;
    if (HasDrive(folder)) {
        std::string named = NormaliseDriveFolder(folder, driveRoot);
        return platform::MapPath(named.c_str(), platform::PathUse::Read);
    }
    if (folder.empty()) return ".";
    return platform::MapPath(folder.c_str(), platform::PathUse::Read);
}

bool StatOf(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

DWORD AttributesOf(const struct stat& st) {
    DWORD a = 0;
    if (S_ISDIR(st.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISREG(st.st_mode)) a |= FILE_ATTRIBUTE_ARCHIVE;
    // The owner's write bit, not access(): that says yes to root for anything.
    if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

FILETIME FileTimeOf(const struct timespec& t) {
    // 100-nanosecond steps since 1601-01-01.
    const int64_t steps = (int64_t(t.tv_sec) + 11644473600LL) * 10000000LL + t.tv_nsec / 100;
    const uint64_t u = steps < 0 ? 0 : uint64_t(steps);
    return FILETIME{DWORD(u & 0xFFFFFFFFu), DWORD(u >> 32)};
}

void Fill(const Found& f, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = AttributesOf(f.st);
    data->ftCreationTime = FileTimeOf(f.st.st_ctim);
    data->ftLastAccessTime = FileTimeOf(f.st.st_atim);
    data->ftLastWriteTime = FileTimeOf(f.st.st_mtim);
    if (!S_ISDIR(f.st.st_mode)) {
        const uint64_t size = uint64_t(f.st.st_size);
        data->nFileSizeHigh = DWORD(size >> 32);
        data->nFileSizeLow = DWORD(size & 0xFFFFFFFFu);
    }
    std::strncpy(data->cFileName, f.name.c_str(), MAX_PATH - 1);
}

// The system folder holds the modules compiled into the program (a search
// there finds one by its exact name while it exists), and nothing else.
bool InSystemFolder(const std::string& folder) {
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, sizeof(system));
    if (n == 0 || n >= sizeof(system) || folder.size() != n + 1) return false;
    for (UINT i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(folder[i])) !=
            std::tolower(static_cast<unsigned char>(system[i])))
            return false;
    return folder[n] == '\\' || folder[n] == '/';
}

HANDLE FindModule(const std::string& name, LPWIN32_FIND_DATAA data) {
    if (name.find_first_of("*?") != std::string::npos || !platform::ModuleExists(name.c_str())) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto s = std::make_unique<Search>();
    Found f;
    f.name = name;
    std::memset(&f.st, 0, sizeof(f.st));
    f.st.st_mode = S_IFREG | 0444;
    s->found.push_back(f);
    Fill(s->found[s->next++], data);
    std::lock_guard<std::mutex> guard(searchLock);
    searches.insert(s.get());
    return s.release();
}

// Every entry of the folder that matches, "." and ".." first, then by name.
bool ReadFolder(const std::string& host, bool driveRoot, const std::string& pattern,
                std::vector<Found>& out) {
    // Closed however the reading ends, running out of memory included.
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(host.c_str()), &::closedir);
    if (!dir) return false;
    std::vector<Found> entries;
    while (dirent* e = ::readdir(dir.get())) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        if (std::strlen(e->d_name) >= MAX_PATH) continue;
        if (!platform::MatchesPattern(pattern.c_str(), e->d_name)) continue;
        Found f;
        f.name = e->d_name;
        if (StatOf(host + "/" + f.name, f.st)) entries.push_back(f);
    }
    dir.reset();
    std::sort(entries.begin(), entries.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    if (!driveRoot) {
        for (const char* dots : {".", ".."}) {
            Found f;
            f.name = dots;
            if (platform::MatchesPattern(pattern.c_str(), dots) && StatOf(host + "/" + dots, f.st))
                out.push_back(f);
        }
    }
    out.insert(out.end(), entries.begin(), entries.end());
    return true;
}

bool SameChar(char p, char n) {
    return p == '?' || std::tolower(static_cast<unsigned char>(p)) ==
                           std::tolower(static_cast<unsigned char>(n));
}

// Wildcard match that backs up only to the last '*', so no pattern can make
// it take more than pattern length x name length steps.
bool MatchWild(const char* p, const char* n) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p && SameChar(*p, *n)) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}

Search* Live(HANDLE h) {
    Search* s = static_cast<Search*>(h);
    return searches.count(s) ? s : nullptr;
}

} // namespace

namespace platform {

bool MatchesPattern(const char* pattern, const char* name) {
    if (!pattern || !name) return false;
    if (!std::strcmp(pattern, "*.*")) return true;
    return MatchWild(pattern, name);
}

} // namespace platform

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
    if (!fileName || !findData) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // The names and the entries found all take memory: running out fails the
    // search as Windows does, never leaving it as an exception.
    return platform::OrOutOfMemory(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
        const std::string whole(fileName);
        size_t cut = whole.find_last_of("\\/");
        if (cut == std::string::npos && HasDrive(whole)) cut = 1; // "c:*.*"
        const std::string folder = cut == std::string::npos ? "" : whole.substr(0, cut + 1);
        const std::string pattern = cut == std::string::npos ? whole : whole.substr(cut + 1);
        if (InSystemFolder(folder)) return FindModule(pattern, findData);

        bool driveRoot = false;
        const std::string host = HostFolder(folder, driveRoot);
        std::vector<Found> found;
        if (host.empty() || !ReadFolder(host, driveRoot, pattern, found)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (pattern.empty() || found.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        auto s = std::make_unique<Search>();
        s->found = std::move(found);
        Fill(s->found[s->next++], findData);
        std::lock_guard<std::mutex> guard(searchLock);
        searches.insert(s.get());
        return s.release();
    });
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData) {
    std::lock_guard<std::mutex> guard(searchLock);
    Search* s = Live(findFile);
    if (!s || !findData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (s->next >= s->found.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(s->found[s->next++], findData);
    return TRUE;
}

BOOL FindClose(HANDLE findFile) {
    std::lock_guard<std::mutex> guard(searchLock);
    Search* s = Live(findFile);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    searches.erase(s);
    delete s;
    return TRUE;
}
