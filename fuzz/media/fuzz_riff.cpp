// Any bytes as a RIFF WAVE file: opening reports errors, never reads out of
// bounds, and whatever opens streams.
#include "FuzzFile.h"
#include "WaveFuzz.h"
#include "foundation/TError.h"
#include "ui/TEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    {
        TWave wave;
        wave.SetPath(WriteFuzzFile(".wav", data, size));
        if (wave.Open()) StreamAround(wave, data, size);
        wave.Close();
    }
    return 0;
}
