// A fresh temporary folder for one test, removed with everything in it when
// the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Path of `name` inside the folder, as a string.
    std::string File(const std::string& name) const;
    // Writes `bytes` to `name` (creating subfolders) and returns its path.
    std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;
    // Reads a whole file; empty when it cannot be read.
    static std::vector<unsigned char> Read(const std::string& path);

private:
    std::filesystem::path path_;
};

} // namespace testsupport
