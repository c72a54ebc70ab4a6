#include "LzwFuzz.h"
#include "foundation/TLzw16Codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzLzw<TLzw16Codec>(data, size, true);
}
