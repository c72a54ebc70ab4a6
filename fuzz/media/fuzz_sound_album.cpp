// Any bytes as a sound album: the first byte picks the entry and the sound;
// opening reports errors, never reads out of bounds, and what opens streams.
#include "FuzzFile.h"
#include "WaveFuzz.h"
#include "foundation/TError.h"
#include "ui/TEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    if (size < 1) return 0;
    {
        TWave wave;
        wave.SetPath(WriteFuzzFile(".sda", data + 1, size - 1));
        wave.Album().SetEntry(data[0] & 3);
        wave.Album().SetSound(data[0] >> 2 & 3);
        if (wave.Open()) StreamAround(wave, data, size);
        wave.Close();
    }
    return 0;
}
