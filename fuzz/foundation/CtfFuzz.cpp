// CTF text files of any content: loading never reads or writes out of bounds,
// and a loaded text is terminated within the length its header gives.
#include "FuzzFile.h"
#include "foundation/TCustTxt.h"
#include "foundation/TError.h"
#include "ui/TEngine.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    TCustTxt text;
    text.SetPath(WriteFuzzFile(".ctf", data, size));
    if (text.Load()) {
        uint32_t length =
            size >= 5 ? data[1] | data[2] << 8 | data[3] << 16 | uint32_t(data[4]) << 24 : 0;
        if (!text.GetText() || static_cast<uint32_t>(text.TextLength()) > length ||
            text.GetText()[text.TextLength()] != 0)
            std::abort();
        text.Unload();
    }
    return 0;
}
