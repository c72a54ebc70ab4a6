// The tree's manifest: one line per file, "PATH SIZE HASH" (64-bit FNV-1a in
// hex), sorted by path, so a changed byte anywhere shows in a diff.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

uint64_t Fnv1a64(const std::vector<uint8_t>& bytes);
// False with a reason when a file cannot be read.
bool WriteManifest(const std::string& root, std::vector<std::string> files,
                   const std::string& target, std::string* error);

} // namespace demo
