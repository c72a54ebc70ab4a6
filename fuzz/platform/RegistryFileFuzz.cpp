// Fuzzes the registry file's reader: the input is the file the store loads.
// Besides crashes and bad reads, what a start loads must survive the next
// one: a change writes the file back, and that file must load again whole
// (the change is there) and write back the very same bytes.
#include "SessionParts.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const BYTE kMark[4] = {1, 2, 3, 4};

// The configuration folder the store reads, made at the start and removed at
// the end.
fs::path folder;

void MakeFolder() {
    std::string pattern = (fs::temp_directory_path() / "fuzz-registry-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    folder = pattern;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
}

fs::path File() {
    return folder / "adventure" / "registry.dat";
}

std::vector<uint8_t> Read() {
    std::ifstream in(File(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Loads the file afresh and sets the mark, which writes the file back.
void LoadAndChange() {
    platform::RegistryReset();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fuzz", 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key, "Mark", 0, REG_BINARY, kMark, sizeof kMark) != ERROR_SUCCESS)
        __builtin_trap();
    RegCloseKey(key);
}

bool HasMark() {
    platform::RegistryReset();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "software\\FUZZ", 0, 0, &key) != ERROR_SUCCESS)
        return false;
    BYTE got[8] = {};
    DWORD size = sizeof got;
    DWORD type = 0;
    const bool found = RegQueryValueExA(key, "mark", nullptr, &type, got, &size) == ERROR_SUCCESS &&
                       type == REG_BINARY && size == sizeof kMark &&
                       std::equal(kMark, kMark + sizeof kMark, got);
    RegCloseKey(key);
    return found;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MakeFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fs::create_directories(File().parent_path());
    {
        std::ofstream out(File(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    LoadAndChange();
    const std::vector<uint8_t> written = Read();
    if (!HasMark()) __builtin_trap(); // the file written was refused on the next start
    LoadAndChange();
    if (Read() != written) __builtin_trap();
    return 0;
}
