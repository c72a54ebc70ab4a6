#include "RoomPaths.h"

#include "foundation/TFileCtl.h"
#include "foundation/TProfile.h"

#include <cstring>

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// `folder` and `name` joined by one separator.
TString Joined(const char* folder, const char* name) {
    TString out(folder ? folder : "");
    const int32_t length = out.Length();
    if (length > 0 && !IsSeparator(out.c_str()[length - 1])) out += '\\';
    while (name && IsSeparator(*name))
        ++name;
    out += name ? name : "";
    return out;
}
} // namespace

bool ResourceValue(const char* section, const char* key, TString& out) {
    out = "";
    const char* profileName = TFileCtl::GetProfile();
    if (!section || !key || !profileName || !*profileName) return false;
    TProfile profile(profileName);
    if (!profile.Open()) return false;
    bool found = false;
    if (profile.FindSection(section) && profile.FindKey(key)) {
        // No value is longer than the file that holds it.
        TString value(profile.TextLength() + 2);
        if (value.MaxLength() > 0 && profile.ReadString(value.CharAt(0), value.Capacity())) {
            out = value.c_str();
            found = out.Length() > 0;
        }
    }
    profile.Close();
    return found;
}

bool ResourceFile(const char* section, const char* key, TString& out) {
    TString value;
    if (!ResourceValue(section, key, value)) {
        out = "";
        return false;
    }
    out = std::strchr(value.c_str(), ':') ? value : Joined(TFileCtl::GetBasePath(), value.c_str());
    return true;
}

TString GlobalPictureFolder() {
    TString folder;
    if (ResourceValue("Main", "PathPicture", folder)) return folder;
    return Joined(TFileCtl::GetBasePath(), "int\\all\\pictures\\");
}

TString GlobalPicture(const char* relative) {
    TString folder = GlobalPictureFolder();
    return Joined(folder.c_str(), relative);
}
