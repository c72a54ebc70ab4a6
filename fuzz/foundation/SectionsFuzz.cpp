// Sectioned texts of any content and any section name: the first byte gives
// the name's length, the name follows, the rest is the stored text.
#include "FuzzFile.h"
#include "foundation/TError.h"
#include "foundation/TSectTxt.h"
#include "ui/TEngine.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    if (size < 1) return 0;
    size_t nameLength = data[0] % 8;
    if (size < 1 + nameLength) return 0;
    std::string name(reinterpret_cast<const char*>(data + 1), nameLength);
    name = name.c_str(); // the name ends at a NUL, as the engine reads it
    const uint8_t* text = data + 1 + nameLength;
    size_t textSize = size - 1 - nameLength;
    std::vector<uint8_t> ctf(63 + textSize, 0);
    ctf[1] = static_cast<uint8_t>(textSize);
    ctf[2] = static_cast<uint8_t>(textSize >> 8);
    ctf[3] = static_cast<uint8_t>(textSize >> 16);
    if (textSize) std::memcpy(ctf.data() + 63, text, textSize);
    TSectTxt sections;
    sections.SetPath(WriteFuzzFile(".ctf", ctf.data(), ctf.size()));
    if (sections.Load()) {
        sections.SetSection(name.c_str());
        if (const char* found = sections.GetSection()) {
            size_t length = std::strlen(found);
            if (length > textSize) std::abort(); // NULs in the text may cut it shorter
        }
        sections.Unload();
    }
    return 0;
}
