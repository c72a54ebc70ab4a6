#include "foundation/TFileCtl.h"

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TProfile.h"
#include "foundation/TResource.h"
#include "foundation/TString.h"

#include <cstring>

namespace {

struct State {
    TString profile{""};
    TString root{""};
    TString base{""};
};

State& Paths() {
    static State state;
    return state;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The value at the profile's current key, whole: no value is longer than the
// file that holds it. False when the key has no value start.
bool ReadValue(TProfile& profile, TString& out) {
    TString value(profile.TextLength() + 2);
    if (!profile.ReadString(value.CharAt(0), value.Capacity())) return false;
    out = value.MaxLength() > 0 ? value.c_str() : "";
    return true;
}

// Cuts `path` at its last separator; false when it has none.
bool CutLastPart(TString& path) {
    for (int32_t i = path.Length() - 1; i >= 0; --i)
        if (IsSeparator(path.c_str()[i])) {
            *path.CharAt(i) = 0;
            return true;
        }
    return false;
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
    TString value;
    if (profile.FindSection("Main") && profile.FindKey("Path") && ReadValue(profile, value)) {
        if (std::strchr(value.c_str(), ':'))
            s.base = value;
        else
            s.base = JoinPath(s.root.c_str(), value.c_str());
    }
    profile.Close();
}

TString TFileCtl::JoinPath(const char* dir, const char* rel) {
    if (!dir && !rel) return TString(0);
    TString out(dir ? dir : rel);
    if (dir && rel) {
        const int32_t length = out.Length();
        if (length && IsSeparator(out.c_str()[length - 1])) *out.CharAt(length - 1) = 0;
        while (IsSeparator(*rel))
            ++rel;
        while (*rel == '.') {
            if (rel[1] == '.') {
                if (!CutLastPart(out)) {
                    // Nothing left to climb: the rest stands as written.
                    out = "";
                    break;
                }
                rel += 2;
            } else {
                rel += 1;
            }
            while (IsSeparator(*rel))
                ++rel;
        }
        if (out.Length() > 0) out += '\\';
        out += rel;
    }
    for (int32_t i = 0; i < out.Length(); ++i)
        if (out.c_str()[i] == '/') *out.CharAt(i) = '\\';
    return out;
}

int TFileCtl::GetPath(const char* section, const char* key, TString& out) {
    out = "";
    if (!section || !key) return 0;
    State& s = Paths();
    TProfile profile(s.profile.c_str());
    if (!profile.Open()) return 0;
    TString value;
    int result = 0;
    if (!profile.FindSection(section) || !profile.FindKey(key) || !ReadValue(profile, value)) {
        TString object = s.profile + ", ";
        object += section;
        object += ", ";
        object += key;
        TError::Raise(13, nullptr, object.c_str(), "Source\\TFileCtl", 203);
    } else if (value == "") {
        result = 0; // an empty entry: no file, and nothing to report
    } else if (std::strchr(value.c_str(), ':')) {
        out = value;
        result = 1;
    } else {
        out = JoinPath(s.base.c_str(), value.c_str());
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
