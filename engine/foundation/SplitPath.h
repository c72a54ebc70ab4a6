// A file path in its four parts, as the runtime library's path splitting
// gives them: drive ("C:"), directory (with its trailing separator), file
// name and extension (with its dot). Both '/' and '\\' separate folders, so
// POSIX program paths split as Windows ones do.
#pragma once

#include <string>

struct TPathParts {
    std::string drive;
    std::string dir;
    std::string name;
    std::string ext;
};

TPathParts SplitPath(const char* path);
