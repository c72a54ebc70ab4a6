// The registry store: keys by case-insensitive path, each with its values,
// loaded from the configuration folder on first use and written back after
// every change.
#include "../host/SessionParts.h"
#include "../kernel/OutOfMemory.h"
#include "platform/Registry.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// File layout: the magic, a key count, then per key its path and values
// (name, type, data), every length a little-endian count in front.
constexpr char kMagic[8] = {'A', 'D', 'V', 'R', 'E', 'G', 1, 0};
// Limits that keep a damaged file from asking for absurd amounts of memory.
constexpr uint32_t kMaxKeys = 1u << 16;
constexpr uint32_t kMaxValues = 1u << 12;
constexpr uint32_t kMaxData = 1u << 20;
constexpr size_t kMaxName = 16383;

struct Root {
    HKEY handle;
    const char* name;
};
const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct Key {
    std::string path;                    // as first created
    std::map<std::string, Value> values; // by lower-case name
};

struct OpenKey {
    std::string path; // lower case
};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Joins a parent path and a relative one, dropping empty components.
std::string Join(const std::string& parent, const char* sub) {
    std::string out = parent;
    std::string part;
    for (const char* p = sub ? sub : "";; ++p) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (!part.empty()) out += "\\" + part;
            part.clear();
            if (!*p) break;
        } else {
            part += *p;
        }
    }
    return out;
}

struct Store {
    std::mutex lock;
    bool loaded = false;
    std::string file;
    std::map<std::string, Key> keys; // by lower-case path
    std::map<HKEY, std::unique_ptr<OpenKey>> open;

    void Seed() {
        // A Windows 95-class user's policy for the AutoRun of drive types.
        Key& k = Create("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                        "Policies\\Explorer");
        Value v{"NoDriveTypeAutoRun", REG_DWORD, {0x95, 0, 0, 0}};
        k.values[Lower(v.name)] = v;
    }

    Key& Create(const std::string& path) {
        // Every ancestor exists too.
        size_t at = 0;
        Key* key = nullptr;
        while (true) {
            at = path.find('\\', at + 1);
            const std::string prefix = path.substr(0, at);
            auto [it, added] = keys.try_emplace(Lower(prefix));
            if (added) it->second.path = prefix;
            key = &it->second;
            if (at == std::string::npos) break;
        }
        return *key;
    }

    static std::string FilePath() {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        std::string base;
        if (xdg && xdg[0] == '/')
            base = xdg;
        else if (const char* home = std::getenv("HOME"); home && *home)
            base = std::string(home) + "/.config";
        else
            return "";
        return base + "/adventure/registry.dat";
    }

    bool Parse(const std::vector<uint8_t>& bytes) {
        platform::ByteReader in(bytes);
        char magic[8];
        in.Bytes(magic, sizeof magic);
        if (!in.Ok() || std::memcmp(magic, kMagic, sizeof magic) != 0) return false;
        const uint32_t keyCount = in.U32();
        if (keyCount > kMaxKeys) return false;
        for (uint32_t k = 0; k < keyCount && in.Ok(); ++k) {
            const uint16_t pathLength = in.U16();
            const uint8_t* path = in.Take(pathLength);
            const uint32_t valueCount = in.U32();
            if (!in.Ok() || valueCount > kMaxValues || pathLength == 0) return false;
            Key& key = Create(std::string(reinterpret_cast<const char*>(path), pathLength));
            for (uint32_t v = 0; v < valueCount && in.Ok(); ++v) {
                Value value;
                const uint16_t nameLength = in.U16();
                const uint8_t* name = in.Take(nameLength);
                value.type = in.U32();
                const uint32_t size = in.U32();
                if (!in.Ok() || size > kMaxData || size > in.Remaining()) return false;
                const uint8_t* data = in.Take(size);
                if (!name || (size && !data)) return false;
                value.name.assign(reinterpret_cast<const char*>(name), nameLength);
                value.data.assign(data, data + size);
                key.values[Lower(value.name)] = std::move(value);
            }
        }
        return in.Ok() && in.AtEnd();
    }

    void Load() {
        if (loaded) return;
        loaded = true;
        file = FilePath();
        std::vector<uint8_t> bytes;
        if (!file.empty()) {
            std::ifstream in(file, std::ios::binary);
            if (in) bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        if (bytes.empty() || !Parse(bytes)) {
            // Missing or damaged: start afresh; the file is rewritten on the
            // first change.
            keys.clear();
            Seed();
        }
    }

    void Save() {
        if (file.empty()) return;
        std::vector<uint8_t> bytes;
        platform::ByteWriter out(bytes);
        out.Bytes(kMagic, sizeof kMagic);
        out.U32(static_cast<uint32_t>(keys.size()));
        for (const auto& [lower, key] : keys) {
            out.U16(static_cast<uint16_t>(key.path.size()));
            out.Text(key.path);
            out.U32(static_cast<uint32_t>(key.values.size()));
            for (const auto& [name, value] : key.values) {
                out.U16(static_cast<uint16_t>(value.name.size()));
                out.Text(value.name);
                out.U32(value.type);
                out.U32(static_cast<uint32_t>(value.data.size()));
                out.Bytes(value.data.data(), value.data.size());
            }
        }
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
        // Written aside and renamed, so a crash never leaves half a file.
        const std::string temporary = file + ".tmp";
        {
            std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
            if (!f) return;
            f.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
            if (!f) return;
        }
        std::filesystem::rename(temporary, file, error);
    }

    // Full lower-case path of an open or predefined key; empty when unknown.
    std::string PathOf(HKEY key) {
        for (const Root& r : kRoots)
            if (r.handle == key) return Lower(r.name);
        auto it = open.find(key);
        return it == open.end() ? "" : it->second->path;
    }

    HKEY NewHandle(const std::string& path) {
        auto handle = std::make_unique<OpenKey>();
        handle->path = path;
        HKEY h = reinterpret_cast<HKEY>(handle.get());
        open.emplace(h, std::move(handle));
        return h;
    }

    Key* Find(HKEY key) {
        const std::string path = PathOf(key);
        if (path.empty()) return nullptr;
        auto it = keys.find(path);
        if (it != keys.end()) return &it->second;
        // The predefined roots exist without being stored.
        for (const Root& r : kRoots)
            if (Lower(r.name) == path) return &Create(r.name);
        return nullptr;
    }
};

Store& GetStore() {
    static Store* store = new Store; // outlives every static that may use it
    return *store;
}

// Case of each component as the key was created, for new child keys.
std::string DisplayPath(Store& s, const std::string& lower) {
    auto it = s.keys.find(lower);
    if (it != s.keys.end()) return it->second.path;
    for (const Root& r : kRoots)
        if (Lower(r.name) == lower) return r.name;
    return lower;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    return platform::OrOutOfMemory<LONG>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> LONG {
        if (!result) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        Store& s = GetStore();
        std::lock_guard guard(s.lock);
        s.Load();
        const std::string parent = s.PathOf(key);
        if (parent.empty()) return ERROR_INVALID_HANDLE;
        const std::string path = Lower(Join(parent, subKey));
        bool exists = s.keys.count(path) != 0;
        for (const Root& r : kRoots)
            exists = exists || Lower(r.name) == path;
        if (!exists) return ERROR_FILE_NOT_FOUND;
        *result = s.NewHandle(path);
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY result,
                     LPDWORD disposition) {
    return platform::OrOutOfMemory<LONG>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> LONG {
        if (!result) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        Store& s = GetStore();
        std::lock_guard guard(s.lock);
        s.Load();
        const std::string parent = s.PathOf(key);
        if (parent.empty()) return ERROR_INVALID_HANDLE;
        const std::string display = Join(DisplayPath(s, parent), subKey);
        // Paths and names past Windows' own limits are refused, so every length
        // fits its field in the file.
        if (display.size() > kMaxName) return ERROR_INVALID_PARAMETER;
        const std::string path = Lower(display);
        const bool existed = s.keys.count(path) != 0;
        if (!existed) {
            s.Create(display);
            s.Save();
        }
        if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        *result = s.NewHandle(path);
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY key) {
    Store& s = GetStore();
    std::lock_guard guard(s.lock);
    for (const Root& r : kRoots)
        if (r.handle == key) return ERROR_SUCCESS;
    return s.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return platform::OrOutOfMemory<LONG>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> LONG {
        if (data && !size) return ERROR_INVALID_PARAMETER;
        Store& s = GetStore();
        std::lock_guard guard(s.lock);
        s.Load();
        Key* k = s.Find(key);
        if (!k) return ERROR_INVALID_HANDLE;
        auto it = k->values.find(Lower(name ? name : ""));
        if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
        const Value& v = it->second;
        if (type) *type = v.type;
        const DWORD needed = static_cast<DWORD>(v.data.size());
        if (data) {
            if (*size < needed) {
                *size = needed;
                return ERROR_MORE_DATA;
            }
            if (needed) std::memcpy(data, v.data.data(), needed);
        }
        if (size) *size = needed;
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    return platform::OrOutOfMemory<LONG>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> LONG {
        if ((!data && size) || size > kMaxData || (name && std::strlen(name) > kMaxName))
            return ERROR_INVALID_PARAMETER;
        Store& s = GetStore();
        std::lock_guard guard(s.lock);
        s.Load();
        Key* k = s.Find(key);
        if (!k) return ERROR_INVALID_HANDLE;
        Value v;
        v.name = name ? name : "";
        v.type = type;
        if (size) v.data.assign(data, data + size);
        k->values[Lower(v.name)] = std::move(v);
        s.Save();
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
    return platform::OrOutOfMemory<LONG>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> LONG {
        Store& s = GetStore();
        std::lock_guard guard(s.lock);
        s.Load();
        Key* k = s.Find(key);
        if (!k) return ERROR_INVALID_HANDLE;
        if (!k->values.erase(Lower(name ? name : ""))) return ERROR_FILE_NOT_FOUND;
        s.Save();
        return ERROR_SUCCESS;
    });
}

namespace platform {

void RegistryReset() {
    Store& s = GetStore();
    std::lock_guard guard(s.lock);
    s.keys.clear();
    s.open.clear();
    s.loaded = false;
    s.file.clear();
}

const char* RegistryFilePath() {
    static std::string path;
    Store& s = GetStore();
    std::lock_guard guard(s.lock);
    path = s.loaded ? s.file : Store::FilePath();
    return path.c_str();
}

} // namespace platform
