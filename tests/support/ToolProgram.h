// For tests that run a program of tools/: where the build put it, and the
// text it wrote.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

// build/tools/NAME/NAME, seen from a suite in build/tests/FOLDER.
inline std::string ToolProgram(const std::string& name) {
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / name / name).string();
}

// A whole text file; empty when it cannot be read.
inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testsupport
