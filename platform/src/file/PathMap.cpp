// The path mapper: separators, drive letters and case-insensitive lookup.
#include "platform/File.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace {

std::mutex driveLock;
std::string drives[26];

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(const std::string& a, const char* b) {
    size_t n = a.size();
    if (std::strlen(b) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The entry of `folder` that equals `name` without regard to case; when several
// do, the byte-wise smallest, so the choice does not depend on directory order.
bool MatchInFolder(const std::string& folder, const std::string& name, std::string& found) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    bool any = false;
    while (dirent* entry = ::readdir(dir)) {
        if (!SameIgnoringCase(name, entry->d_name)) continue;
        if (!any || std::strcmp(entry->d_name, found.c_str()) < 0) found = entry->d_name;
        any = true;
    }
    ::closedir(dir);
    return any;
}

std::vector<std::string> Split(const std::string& rest) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        if (slash == std::string::npos) slash = rest.size();
        parts.push_back(rest.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

} // namespace

void MapDrive(char letter, const char* folder) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return;
    std::lock_guard<std::mutex> guard(driveLock);
    drives[c - 'A'] = folder ? folder : "";
}

void UnmapAllDrives() {
    std::lock_guard<std::mutex> guard(driveLock);
    for (auto& d : drives)
        d.clear();
}

std::string DriveFolder(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return std::string();
    std::lock_guard<std::mutex> guard(driveLock);
    return drives[c - 'A'];
}

std::string MapPath(const char* path, PathUse use) {
    if (!path) return std::string();
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';

    // "base" is a prefix known to exist (or to be the starting point); "rest"
    // is matched below it one component at a time.
    std::string base;
    std::string rest = p;
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        std::string folder;
        {
            std::lock_guard<std::mutex> guard(driveLock);
            folder = drives[std::toupper(static_cast<unsigned char>(p[0])) - 'A'];
        }
        if (folder.empty()) return std::string();
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        base = folder;
        rest = p.substr(2);
        while (!rest.empty() && rest.front() == '/')
            rest.erase(0, 1);
        if (rest.empty()) return base;
    } else if (!p.empty() && p.front() == '/') {
        base = "/";
        rest = p.substr(1);
    }

    std::string whole =
        base.empty() ? rest : (base.back() == '/' ? base + rest : base + "/" + rest);
    if (rest.empty() || Exists(whole)) return whole;

    std::vector<std::string> parts = Split(rest);
    std::string mapped = base;
    bool matching = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string name = part;
        if (matching && !part.empty() && part != "." && part != "..") {
            std::string candidate =
                mapped.empty() ? part
                               : (mapped.back() == '/' ? mapped + part : mapped + "/" + part);
            std::string found;
            if (!Exists(candidate)) {
                if (MatchInFolder(mapped, part, found))
                    name = found;
                else
                    matching = false; // nothing further down can exist
            }
        }
        if (i == 0 && mapped.empty())
            mapped = name;
        else if (!mapped.empty() && mapped.back() == '/')
            mapped += name;
        else
            mapped += "/" + name;
    }
    (void)use; // a missing last component is kept as written either way
    return mapped;
}

} // namespace platform
