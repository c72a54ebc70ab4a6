// Any bytes as a sound album: the first byte picks the entry and the sound;
// opening reports errors, never reads out of bounds, and what opens streams.
#include "FuzzFile.h"
#include "WaveFuzz.h"
#include "foundation/TError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    {
        TWave wave;
        wave.SetPath(WriteFuzzFile(".sda", data + 1, size - 1));
        wave.Album().SetEntry(data[0] & 3);
        wave.Album().SetSound(data[0] >> 2 & 3);
        if (wave.Open()) StreamAround(wave, data, size);
        wave.Close();
    }
    TError::Reset();
    return 0;
}
