// Delta animations from arbitrary bytes through the animation resource: the
// trailer, then the frames in order, a rewind and the first frames again.
// The engine heap refuses blocks above 64 MB, so a trailer that asks for
// huge frames is answered by the allocation report, not by the fuzzer's
// memory limit.
#include "AnimationFuzz.h"
#include "FuzzFile.h"
#include "ui/TEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    PlayFuzzAnimation(WriteFuzzFile(".dla", data, size), 8);
    return 0;
}
