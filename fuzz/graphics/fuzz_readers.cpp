// One libFuzzer entry per reader; the build picks the reader with FUZZ_READER.
#include "MemoryFile.h"

#include "gdl/bitmap.h"
#include "gdl/font.h"
#include "gdl/memory.h"
#include "gdl/result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzfile::Use(data, size);
    const char* name = "input";
#if FUZZ_READER == 1
    GDL_free(GDL_loadBitmap(name, 1));
    GDL_free(GDL_loadBitmap(name, 0));
#elif FUZZ_READER == 2
    GDL_freeIcon(GDL_loadIcon(name, 1));
    GDL_freeIcon(GDL_loadIcon(name, 0));
#elif FUZZ_READER == 3
    GDL_unloadCursor(GDL_loadCursor(name));
#elif FUZZ_READER == 4
    GDL_free(GDL_loadPCX(name, 1));
    GDL_free(GDL_loadPCX(name, 0));
#elif FUZZ_READER == 5
    // The colour argument rides on the input length, so every output mode is reached.
    const int32_t modes[] = {0, -1, 16, 256};
    GDL_free(GDL_loadJPEG(name, modes[size & 3]));
#elif FUZZ_READER == 6
    GDL_free(GDL_loadFont(name));
#elif FUZZ_READER == 7
    uint8_t header[118];
    void* stream = GDL_openWinFontFile(header, name);
    if (stream) {
        GDL_free(GDL_loadWinFont(stream, 0));
        GDL_fileHooks.close(stream);
    }
#endif
    GDL_lastResult();
    return 0;
}
