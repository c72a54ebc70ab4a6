// The registry: Windows semantics of the calls, and the store kept in the
// configuration folder across a restart.
#include "platform/Registry.h"
#include "platform/Session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// Points $XDG_CONFIG_HOME at a fresh folder for each test.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder_ = fs::temp_directory_path() / ("registry-test-" + std::to_string(random()));
        fs::create_directories(folder_);
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(folder_);
    }
    // Simulates the next run of the program: a session of its own, which
    // reads the registry's file afresh.
    void Restart() { platform::Session next; }

    fs::path folder_;
};

DWORD ReadDword(HKEY key, const char* name, LONG* result) {
    DWORD value = 0, type = 0, size = sizeof value;
    *result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return value;
}

TEST_F(Registry, AutoRunPolicyRoundTrip) {
    // The sequence the graphics library runs when it enters full screen.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kExplorer, 0, 0x2001F, &key), ERROR_SUCCESS);
    LONG result = 0;
    DWORD value = ReadDword(key, "NoDriveTypeAutoRun", &result);
    ASSERT_EQ(result, ERROR_SUCCESS);
    EXPECT_EQ(value, 0x95u);
    value |= 0x20;
    ASSERT_EQ(RegSetValueExA(key, "NoDriveTypeAutoRun", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(std::string(platform::RegistryFilePath()),
              (folder_ / "adventure" / "registry.dat").string());
    EXPECT_TRUE(fs::exists(platform::RegistryFilePath()));

    Restart();
    // Paths and names are case-insensitive.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                            "SOFTWARE\\microsoft\\Windows\\CurrentVersion\\"
                            "Policies\\EXPLORER",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadDword(key, "nodrivetypeautorun", &result), 0xB5u);
    RegCloseKey(key);
}

TEST_F(Registry, QuerySizesAndMissingThings) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test\\Deep", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    const char text[] = "hello";
    ASSERT_EQ(RegSetValueExA(key, "Greeting", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Greeting", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, 6u);
    char small[3] = {'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(
        RegQueryValueExA(key, "Greeting", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(RegQueryValueExA(key, "Greeting", nullptr, nullptr, reinterpret_cast<BYTE*>(small),
                               nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Absent", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Greeting"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Greeting"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // The parents exist too; a sibling does not.
    HKEY parent = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_READ, &parent),
              ERROR_SUCCESS);
    HKEY again = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, "deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    RegCloseKey(again);
    RegCloseKey(parent);
    HKEY none = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nope", 0, KEY_READ, &none),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x1234), "x", 0, KEY_READ, &none),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(reinterpret_cast<HKEY>(0x1234), "x", 0, REG_DWORD, nullptr, 0),
              ERROR_INVALID_HANDLE);
}

TEST_F(Registry, DamagedFilesStartAfresh) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Keep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    const BYTE blob[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 5), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string path = platform::RegistryFilePath();
    std::ifstream in(path, std::ios::binary);
    std::vector<char> good((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(good.size(), 20u);

    // Every truncation, and a few corrupted lengths: never a crash, and the
    // store falls back to its defaults.
    std::vector<std::vector<char>> damaged;
    for (size_t n = 0; n < good.size(); n += 3)
        damaged.emplace_back(good.begin(), good.begin() + n);
    for (size_t at : {8u, 12u, 14u}) {
        std::vector<char> bad = good;
        bad[at] = char(0xFF);
        bad[at + 1] = char(0xFF);
        damaged.push_back(bad);
    }
    for (const auto& bytes : damaged) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), std::streamsize(bytes.size()));
        Restart();
        HKEY k = nullptr;
        LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Keep", 0, KEY_READ, &k);
        if (result == ERROR_SUCCESS) RegCloseKey(k);
        HKEY explorer = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kExplorer, 0, KEY_READ, &explorer),
                  ERROR_SUCCESS)
            << bytes.size();
        RegCloseKey(explorer);
    }

    // The intact file still reads back exactly.
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(good.data(), std::streamsize(good.size()));
    Restart();
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\keep", 0, KEY_READ, &key), ERROR_SUCCESS);
    BYTE back[8] = {};
    DWORD size = sizeof back, type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(back[4], 5);
    RegCloseKey(key);
}

} // namespace
