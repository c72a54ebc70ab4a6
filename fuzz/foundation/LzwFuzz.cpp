#include "LzwFuzz.h"
#include "foundation/TLzwCodec.h"
#include "ui/TEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    return FuzzLzw<TLzwCodec>(data, size, false);
}
