// findls [--drive X=FOLDER]... PATTERN: prints what the folder search reports
// for PATTERN, one entry a line: the attributes as four hex digits, a blank
// and the name. PATTERN goes through the same path mapper as every file the
// game opens ('\' or '/', case-insensitive components, mapped drives), so a
// tree made by other means can be checked against the search. Exit code 0
// with entries, 1 when nothing is found, 2 on bad arguments.
#include "platform/File.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: findls [--drive X=FOLDER]... PATTERN\n"
                         "example: findls --drive c=/tmp/game 'c:\\saves\\*.sav'\n");
    return 2;
}

bool MapDriveArgument(const std::string& a) {
    if (a.size() < 3 || a[1] != '=' || !std::isalpha(static_cast<unsigned char>(a[0])))
        return false;
    platform::MapDrive(a[0], a.c_str() + 2);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string pattern;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--drive" && i + 1 < argc) {
            if (!MapDriveArgument(argv[++i])) return Usage();
        } else if (a.empty() || a[0] == '-' || !pattern.empty()) {
            return Usage();
        } else {
            pattern = a;
        }
    }
    if (pattern.empty()) return Usage();

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "findls: %s: %s\n", pattern.c_str(),
                     GetLastError() == ERROR_PATH_NOT_FOUND ? "no such folder" : "no match");
        return 1;
    }
    do {
        std::printf("%04X %s\n", unsigned(data.dwFileAttributes), data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return 0;
}
