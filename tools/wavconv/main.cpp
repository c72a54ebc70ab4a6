// wavconv decode IN OUT: IN is a WAVE file or FILE.sda:ENTRY:SOUND, decoded
// through the engine from 0 to its length; OUT ending ".wav" gets a canonical
// PCM WAVE file, any other name the bare samples.
// wavconv ima IN.wav OUT.wav [ALIGN]: IN's samples as IMA ADPCM (16 bits).
// wavconv sda OUT.sda [--ima] IN.wav...: one album entry holding each IN.
#include "CommandLine.h"
#include "WavWriter.h"
#include "foundation/TError.h"
#include "foundation/TObject.h"
#include "media/sound/TWave.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Decoded {
    uint16_t channels = 0, bits = 0;
    uint32_t rate = 0;
    std::vector<uint8_t> bytes;
};

// False with `error` set when IN names no sound, or with it empty when the
// engine could not decode it (its report is pending).
bool Decode(const std::string& in, Decoded* out, std::string* error) {
    tools::SoundSelection selection;
    if (!tools::ParseSoundSelection(in, &selection, error)) return false;
    TWave wave;
    wave.SetPath(selection.path.c_str());
    wave.Album().SetEntry(selection.entry);
    wave.Album().SetSound(selection.sound);
    if (!wave.Open()) return false;
    const int64_t length = wave.GetLength();
    out->channels = wave.GetChannels();
    out->bits = wave.GetBits();
    out->rate = wave.GetRate();
    const int bytes = out->bits / 8;
    bool ok = length > 0 && bytes > 0 && wave.Stream(0, length);
    if (ok) {
        const auto* data = static_cast<const uint8_t*>(wave.GetData());
        out->bytes.assign(data, data + length * bytes);
    }
    wave.Close();
    return ok;
}

std::vector<int16_t> Samples16(const Decoded& d) {
    std::vector<int16_t> s;
    if (d.bits == 8)
        for (uint8_t b : d.bytes)
            s.push_back(int16_t((b - 128) * 256));
    else
        for (size_t i = 0; i + 1 < d.bytes.size(); i += 2)
            s.push_back(int16_t(d.bytes[i] | d.bytes[i + 1] << 8));
    return s;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The engine's report says why: its own message, else the text of its code.
int Fail(const std::string& what) {
    TError::CommitPending();
    TListNode* head = TError::ShownList().Head();
    const auto* e = head ? static_cast<const TErrorRec*>(head->item) : nullptr;
    const char* why = !e ? "" : e->message != "-" ? e->message.c_str() : TError::Lookup(e->code);
    std::fprintf(stderr, "wavconv: %s%s%s\n", what.c_str(), e ? ": " : "", why);
    return 1;
}

int DecodeFailed(const std::string& in, const std::string& error) {
    return Fail(error.empty() ? "cannot decode " + in : in + ": " + error);
}

int DecodeCommand(const std::string& in, const std::string& out) {
    Decoded d;
    std::string error;
    if (!Decode(in, &d, &error)) return DecodeFailed(in, error);
    std::printf("channels %u rate %u bits %u\n", unsigned(d.channels), unsigned(d.rate),
                unsigned(d.bits));
    const std::vector<uint8_t> file =
        EndsWith(out, ".wav") ? tools::PcmWav(d.channels, d.rate, d.bits, d.bytes) : d.bytes;
    return WriteFile(out, file) ? 0 : Fail("cannot write " + out);
}

int ImaCommand(const std::string& in, const std::string& out, int align) {
    Decoded d;
    std::string error;
    if (!Decode(in, &d, &error)) return DecodeFailed(in, error);
    if (d.channels < 1 || d.channels > 2) return Fail("ADPCM takes 1 or 2 channels");
    const uint16_t blockAlign = uint16_t(align > 0 ? align : 512 * d.channels);
    if (blockAlign % (4 * d.channels) || blockAlign / d.channels < 8)
        return Fail("block align must be a multiple of 4 per channel, at least 8");
    return WriteFile(out, tools::ImaWav(d.channels, d.rate, blockAlign, Samples16(d)))
               ? 0
               : Fail("cannot write " + out);
}

int SdaCommand(const std::string& out, bool ima, const std::vector<std::string>& ins) {
    tools::SdaAlbum album;
    album.entries.resize(1);
    for (size_t i = 0; i < ins.size(); ++i) {
        Decoded d;
        std::string error;
        if (!Decode(ins[i], &d, &error)) return DecodeFailed(ins[i], error);
        if (i == 0) {
            album.channels = d.channels;
            album.rate = d.rate;
            album.bits = ima ? 4 : d.bits;
            album.formatTag = ima ? 17 : 1;
        } else if (d.channels != album.channels || d.rate != album.rate ||
                   (!ima && d.bits != album.bits)) {
            return Fail(ins[i] + " differs in format from " + ins[0]);
        }
        album.entries[0].push_back(ima ? tools::SdaImaSound(d.channels, Samples16(d))
                                       : tools::SdaPcmSound(d.bytes));
    }
    return WriteFile(out, tools::WriteSda(album)) ? 0 : Fail("cannot write " + out);
}

int Usage() {
    std::fprintf(stderr, "usage: wavconv decode IN OUT   (IN: FILE.wav or FILE.sda:ENTRY:SOUND)\n"
                         "       wavconv ima IN.wav OUT.wav [ALIGN]\n"
                         "       wavconv sda OUT.sda [--ima] IN.wav...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() == 3 && a[0] == "decode") return DecodeCommand(a[1], a[2]);
    if ((a.size() == 3 || a.size() == 4) && a[0] == "ima") {
        int32_t align = 0;
        if (a.size() == 4 && !tools::ParseNumber(a[3], 1, 65535, &align))
            return Fail("ALIGN must be a whole number from 1 to 65535, not \"" + a[3] + "\"");
        return ImaCommand(a[1], a[2], align);
    }
    if (a.size() >= 3 && a[0] == "sda") {
        const bool ima = a[2] == "--ima";
        const std::vector<std::string> ins(a.begin() + (ima ? 3 : 2), a.end());
        if (ins.empty()) return Usage();
        return SdaCommand(a[1], ima, ins);
    }
    return Usage();
}
