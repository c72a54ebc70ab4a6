// The recording as a canonical PCM WAVE file, written field by field.
#include "platform/ByteStream.h"
#include "platform/Sound.h"

#include <cstdio>

namespace platform {

bool WriteSoundRecordingWav(const SoundRecording& recording, const char* path) {
    const WAVEFORMATEX& f = recording.format;
    if (!path || f.wFormatTag != WAVE_FORMAT_PCM || recording.bytes.size() > 0xFFFFFF00u)
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(recording.bytes.size());
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.Text("RIFF");
    w.U32(4 + 8 + 16 + 8 + dataBytes + (dataBytes & 1));
    w.Text("WAVE");
    w.Text("fmt ");
    w.U32(16);
    w.U16(f.wFormatTag);
    w.U16(f.nChannels);
    w.U32(f.nSamplesPerSec);
    w.U32(f.nAvgBytesPerSec);
    w.U16(f.nBlockAlign);
    w.U16(f.wBitsPerSample);
    w.Text("data");
    w.U32(dataBytes);
    w.Bytes(recording.bytes.data(), recording.bytes.size());
    if (dataBytes & 1) w.U8(0);
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace platform
