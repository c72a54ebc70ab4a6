// For tests that run a program of tools/: where the build put it, and the
// text it wrote.
#pragma once

#include <cstdio>
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

// Runs a command line (a program and its arguments, maybe after `env ...`)
// with its output and errors in `output`; its exit code, 124 when it still
// ran after `seconds` (a program that would hang fails instead).
inline int RunTool(const std::string& commandLine, std::string* output, int seconds = 120) {
    const std::string command =
        "timeout -k 5 " + std::to_string(seconds) + " " + commandLine + " 2>&1";
    output->clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        *output += buffer;
    const int status = pclose(pipe);
    return status < 0 ? -1 : (status >> 8) & 0xFF;
}

} // namespace testsupport
