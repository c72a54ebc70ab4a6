// Fuzzes the AVI header and index reader on memory.
#include "AviInternal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::avi::MemorySource source(data, size);
    platform::avi::FileHeaders headers;
    if (platform::avi::ReadHeaders(source, headers) != AVIERR_OK) return 0;
    // Every chunk the index names must lie inside the file or be marked cut.
    for (const auto& s : headers.list)
        for (const auto& c : s.chunks)
            if (!s.truncated && (c.offset > size || c.size > size - c.offset)) __builtin_trap();
    return 0;
}
