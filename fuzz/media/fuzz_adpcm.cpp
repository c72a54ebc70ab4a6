// IMA ADPCM streams of any content under a valid header: the first bytes pick
// the channels, the block align and the frame count of "fact"; the rest is
// the data chunk. Decoding never reads past the data or writes past a block.
#include "FuzzFile.h"
#include "WaveFuzz.h"
#include "foundation/TError.h"
#include "ui/TEngine.h"

#include <vector>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutId(std::vector<uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    if (size < 5) return 0;
    const uint16_t channels = uint16_t(1 + (data[0] & 1));
    const uint16_t align = uint16_t((data[1] | data[2] << 8) & 0x1FFF);
    const uint32_t frames = uint32_t(data[3] | data[4] << 8) * 4u;
    const uint8_t* body = data + 5;
    const uint32_t bodySize = uint32_t(size - 5);

    std::vector<uint8_t> file;
    PutId(file, "RIFF");
    Put32(file, 4 + 28 + 12 + 8 + bodySize);
    PutId(file, "WAVE");
    PutId(file, "fmt ");
    Put32(file, 20);
    Put16(file, 17);
    Put16(file, channels);
    Put32(file, 22050);
    Put32(file, 22050 * channels / 2);
    Put16(file, align);
    Put16(file, 4);
    Put16(file, 2);
    Put16(file, align ? uint16_t((align / channels - 4) * 2 + 1) : 0);
    PutId(file, "fact");
    Put32(file, 4);
    Put32(file, frames);
    PutId(file, "data");
    Put32(file, bodySize);
    file.insert(file.end(), body, body + bodySize);
    {
        TWave wave;
        wave.SetPath(WriteFuzzFile(".wav", file.data(), file.size()));
        if (wave.Open()) StreamAround(wave, data, size);
        wave.Close();
    }
    return 0;
}
