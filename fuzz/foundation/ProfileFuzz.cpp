// Profile texts of any content: finding, reading and rewriting values stays
// within the text and its spare room, both over an owner's text and over a
// profile file that grows into its 1024 spare bytes and is written back. The
// input's first line names the section and key to use ("section key"), the
// rest is the profile.
#include "FuzzFile.h"
#include "foundation/TError.h"
#include "foundation/TProfile.h"
#include "ui/TEngine.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Exercise(TProfile& profile, const std::string& section, const std::string& key,
              const std::string& head, int32_t number) {
    if (profile.FindSection(section.c_str()) | profile.FindKey(key.c_str())) {
        char value[64];
        int32_t read;
        profile.ReadString(value, sizeof value);
        if (std::strlen(value) >= sizeof value) std::abort();
        profile.ReadInt(&read);
        profile.ReadInt(&read);
        profile.FindKey(key.c_str());
        profile.WriteInt(number);
        profile.FindKey(key.c_str());
        profile.WriteString(head.c_str());
        profile.ReadBool(key.c_str());
        profile.WriteBool(key.c_str(), number & 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    const char* text = reinterpret_cast<const char*>(data);
    const char* line = static_cast<const char*>(std::memchr(text, '\n', size));
    if (!line) return 0;
    std::string head(text, line);
    size_t space = head.find(' ');
    std::string section = head.substr(0, space);
    std::string key = space == std::string::npos ? "" : head.substr(space + 1);
    size_t bodySize = size - static_cast<size_t>(line + 1 - text);
    std::vector<char> body(bodySize + 1, 0);
    std::memcpy(body.data(), line + 1, bodySize);
    int32_t number = static_cast<int32_t>(bodySize * 2654435761u);

    TProfileText owned("fuzz.ini");
    owned.SetText(body.data(), static_cast<int32_t>(bodySize));
    if (owned.Attach()) {
        Exercise(owned, section, key, head, number);
        // An owner's text never grows past its block.
        if (owned.TextLength() > static_cast<int32_t>(bodySize)) std::abort();
        owned.Detach();
    }

    TProfile file(WriteFuzzFile(".ini", reinterpret_cast<const uint8_t*>(line + 1), bodySize));
    if (file.Open()) {
        // The key's own line as the new value, many times: growth meets the
        // end of the spare room.
        for (int i = 0; i < 4; ++i)
            Exercise(file, section, key, head + head + head, number + i);
        if (file.TextLength() > static_cast<int32_t>(bodySize) + 1024) std::abort();
        file.Close();
    }
    return 0;
}
