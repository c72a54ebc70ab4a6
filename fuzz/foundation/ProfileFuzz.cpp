// Profile texts of any content: finding, reading and rewriting values stays
// within the text and its spare room. The input's first line names the
// section and key to use ("section key"), the rest is the profile.
#include "foundation/TError.h"
#include "foundation/TProfile.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const char* line = static_cast<const char*>(std::memchr(text, '\n', size));
    if (!line) return 0;
    std::string head(text, line);
    size_t space = head.find(' ');
    std::string section = head.substr(0, space);
    std::string key = space == std::string::npos ? "" : head.substr(space + 1);
    size_t bodySize = size - static_cast<size_t>(line + 1 - text);
    // The profile may grow into 1024 spare bytes behind the text.
    std::vector<char> body(bodySize + 1024 + 1, 0);
    std::memcpy(body.data(), line + 1, bodySize);

    TProfileText profile("fuzz.ini");
    profile.SetText(body.data(), static_cast<int32_t>(bodySize));
    if (profile.Attach()) {
        if (profile.FindSection(section.c_str()) | profile.FindKey(key.c_str())) {
            char value[64];
            int32_t number;
            profile.ReadString(value, sizeof value);
            if (std::strlen(value) >= sizeof value) std::abort();
            profile.ReadInt(&number);
            profile.ReadInt(&number);
            profile.FindKey(key.c_str());
            profile.WriteInt(static_cast<int32_t>(bodySize));
            profile.FindKey(key.c_str());
            profile.WriteString(head.c_str());
            profile.ReadBool(key.c_str());
        }
        if (profile.TextLength() > static_cast<int32_t>(bodySize) + 1024) std::abort();
        profile.Detach();
    }
    TError::Reset();
    return 0;
}
