#include "foundation/TFileCtl.h"

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TProfile.h"
#include "foundation/TString.h"
#include "media/TResource.h"

#include <cstring>

namespace {

constexpr int32_t kPathMax = 256; // the path buffer, terminator included

struct State {
    TString profile{""};
    TString root{""};
    TString base{""};
    char buffer[kPathMax] = {};
};

State& Paths() {
    static State state;
    return state;
}

// Appends at most `limit` characters in all to `buffer`.
void Append(char* buffer, const char* text, size_t limit) {
    size_t at = std::strlen(buffer);
    while (*text && at < limit)
        buffer[at++] = *text++;
    buffer[at] = 0;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

void TFileCtl::SetProfile(const char* name) {
    State& s = Paths();
    if (!name || s.profile == name) return;
    s.profile = name;
    ReadBasePath();
    TResource::InvalidatePaths();
}

void TFileCtl::SetRootPath(const char* dir) {
    State& s = Paths();
    if (!dir || s.root == dir) return;
    s.root = dir;
    ReadBasePath();
}

const char* TFileCtl::GetProfile() {
    return Paths().profile.c_str();
}
const char* TFileCtl::GetRootPath() {
    return Paths().root.c_str();
}
const char* TFileCtl::GetBasePath() {
    return Paths().base.c_str();
}

void TFileCtl::ReadBasePath() {
    State& s = Paths();
    if (s.profile == "") return;
    TProfile profile(s.profile.c_str());
    if (!profile.Open()) return;
    char value[kPathMax] = {};
    if (profile.FindSection("Main") && profile.FindKey("Path") &&
        profile.ReadString(value, kPathMax)) {
        if (std::strchr(value, ':'))
            s.base = value;
        else
            s.base = JoinPath(s.root.c_str(), value);
    }
    profile.Close();
}

const char* TFileCtl::JoinPath(const char* dir, const char* rel) {
    char* buffer = Paths().buffer;
    constexpr size_t kLimit = kPathMax - 1;
    buffer[0] = 0;
    if (!dir) {
        if (!rel) return nullptr;
        Append(buffer, rel, kLimit);
    } else if (!rel) {
        Append(buffer, dir, kLimit);
    } else {
        Append(buffer, dir, kLimit);
        size_t length = std::strlen(buffer);
        if (length && IsSeparator(buffer[length - 1])) buffer[length - 1] = 0;
        while (IsSeparator(*rel))
            ++rel;
        while (*rel == '.') {
            if (rel[1] == '.') {
                char* cut = std::strrchr(buffer, '\\');
                char* slash = std::strrchr(buffer, '/');
                if (slash > cut) cut = slash;
                if (!cut) {
                    // Nothing left to climb: the rest stands as written.
                    buffer[0] = 0;
                    break;
                }
                *cut = 0;
                rel += 2;
            } else {
                rel += 1;
            }
            while (IsSeparator(*rel))
                ++rel;
        }
        if (buffer[0]) Append(buffer, "\\", kLimit);
        Append(buffer, rel, kLimit);
    }
    for (char* p = buffer; *p; ++p)
        if (*p == '/') *p = '\\';
    return buffer;
}

int TFileCtl::GetPath(const char* section, const char* key, char* out, int32_t size) {
    if (!section || !key || !out || size < 1) return 0;
    State& s = Paths();
    TProfile profile(s.profile.c_str());
    if (!profile.Open()) return 0;
    out[0] = 0;
    int result = 0;
    if (!profile.FindSection(section) || !profile.FindKey(key) || !profile.ReadString(out, size)) {
        TString object = s.profile + ", ";
        object += section;
        object += ", ";
        object += key;
        TError::Raise(13, nullptr, object.c_str(), "Source\\TFileCtl", 203);
        out[0] = 0;
    } else if (out[0] == 0) {
        result = 0; // an empty entry: no file, and nothing to report
    } else if (std::strchr(out, ':')) {
        result = 1;
    } else {
        const char* joined = JoinPath(s.base.c_str(), out);
        std::strncpy(out, joined, static_cast<size_t>(size - 1));
        out[size - 1] = 0;
        result = 1;
    }
    profile.Close();
    return result;
}

int TFileCtl::HasKey(const char* section, const char* key) {
    if (!section || !key) return 0;
    TProfile profile(Paths().profile.c_str());
    if (!profile.Open()) return 0;
    // FindKey leaves no value start when the key stands without "=".
    char probe[2];
    int found =
        profile.FindSection(section) && profile.FindKey(key) && profile.ReadString(probe, 2);
    profile.Close();
    return found;
}

void TFileCtl::InitCache() {
    TCache::Global().Start();
}
void TFileCtl::DoneCache() {
    TCache::Global().Stop();
}
