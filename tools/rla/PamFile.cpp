#include "PamFile.h"

#include <cctype>
#include <cstdlib>

namespace rla {

namespace {

// Reads the next header token, passing over white space and comments.
std::string Token(const std::vector<uint8_t>& bytes, size_t& pos) {
    for (;;) {
        while (pos < bytes.size() && std::isspace(bytes[pos]))
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n')
                ++pos;
            continue;
        }
        break;
    }
    std::string token;
    while (pos < bytes.size() && !std::isspace(bytes[pos]))
        token += static_cast<char>(bytes[pos++]);
    return token;
}

struct Header {
    long width = -1, height = -1, depth = -1, maxval = -1;
    size_t data = 0;
};

bool ParseHeader(const std::vector<uint8_t>& bytes, Header* h, std::string* error) {
    size_t pos = 0;
    if (Token(bytes, pos) != "P7") return *error = "not a PAM file (P7)", false;
    for (;;) {
        const std::string key = Token(bytes, pos);
        if (key.empty()) return *error = "PAM header without ENDHDR", false;
        if (key == "ENDHDR") break;
        if (key == "TUPLTYPE") {
            Token(bytes, pos);
            continue;
        }
        const long value = std::strtol(Token(bytes, pos).c_str(), nullptr, 10);
        if (key == "WIDTH") h->width = value;
        if (key == "HEIGHT") h->height = value;
        if (key == "DEPTH") h->depth = value;
        if (key == "MAXVAL") h->maxval = value;
    }
    // ENDHDR is followed by exactly one newline.
    while (pos < bytes.size() && bytes[pos] != '\n')
        ++pos;
    h->data = pos + 1;
    if (h->width < 1 || h->height < 1 || h->width > 32767 || h->height > 32767)
        return *error = "PAM size out of range (1..32767)", false;
    if (h->depth < 1 || h->depth > 4) return *error = "PAM depth must be 1 to 4", false;
    if (h->maxval < 1 || h->maxval > 65535) return *error = "PAM maxval must be 1..65535", false;
    return true;
}

} // namespace

tools::RgbaImage ReadPam(const std::vector<uint8_t>& bytes, std::string* error) {
    error->clear();
    Header h;
    tools::RgbaImage image;
    if (!ParseHeader(bytes, &h, error)) return image;
    const size_t sampleBytes = h.maxval > 255 ? 2 : 1;
    const size_t pixels = static_cast<size_t>(h.width) * static_cast<size_t>(h.height);
    if (h.data > bytes.size() || (bytes.size() - h.data) / sampleBytes / h.depth < pixels) {
        *error = "PAM pixel data is truncated";
        return image;
    }
    image.width = static_cast<int32_t>(h.width);
    image.height = static_cast<int32_t>(h.height);
    image.rgba.resize(pixels * 4);
    const uint8_t* at = bytes.data() + h.data;
    auto sample = [&]() {
        unsigned v = *at++;
        if (sampleBytes == 2) v = v << 8 | *at++;
        return static_cast<uint8_t>((v * 255 + h.maxval / 2) / h.maxval);
    };
    const bool grey = h.depth < 3, alpha = h.depth == 2 || h.depth == 4;
    for (size_t i = 0; i < pixels; ++i) {
        uint8_t* p = &image.rgba[i * 4];
        p[0] = sample();
        p[1] = grey ? p[0] : sample();
        p[2] = grey ? p[0] : sample();
        p[3] = alpha ? sample() : 255;
    }
    return image;
}

std::vector<uint8_t> WritePam(const tools::RgbaImage& image) {
    const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                               std::to_string(image.height) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), image.rgba.begin(), image.rgba.end());
    return out;
}

} // namespace rla
