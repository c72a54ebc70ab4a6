// A file of this fuzz process, rewritten for every input: the text readers
// read through the engine's files, not from memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

inline const std::string& FuzzFilePath(const char* extension) {
    static const std::string path = [extension] {
        std::random_device seed;
        return (std::filesystem::temp_directory_path() /
                ("adv_fuzz_" + std::to_string(seed()) + extension))
            .string();
    }();
    return path;
}

inline const char* WriteFuzzFile(const char* extension, const uint8_t* data, size_t size) {
    const std::string& path = FuzzFilePath(extension);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.c_str();
}
