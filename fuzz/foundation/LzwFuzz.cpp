#include "LzwFuzz.h"
#include "foundation/TLzwCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzLzw<TLzwCodec>(data, size, false);
}
