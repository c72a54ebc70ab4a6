// Compressing a recording into the file it is read from: Microsoft Video 1
// and Cinepak decode back close to the source; a failed or stopped save
// leaves the original file as it was.
#include "AviPeer.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace avitest;

namespace {

constexpr int kWidth = 32, kHeight = 24, kFrames = 6;

// A smooth picture that block coders can keep close.
uint32_t Smooth(int x, int y, int frame) {
    return (uint32_t(x * 6 + frame * 4) << 16) | (uint32_t(y * 8) << 8) |
           uint32_t(128 + frame * 10);
}

std::string Record(const testsupport::TempDir& dir, int width = kWidth, int height = kHeight) {
    const std::string path = dir.File("capture.avi");
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA info = VideoInfo(width, height, 10);
    AVIFileCreateStreamA(file, &stream, &info);
    auto format = DibFormat(width, height, 24, false);
    AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size()));
    const int stride = (width * 3 + 3) & ~3;
    for (int f = 0; f < kFrames; ++f) {
        std::vector<uint8_t> rows(size_t(stride) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t c = Smooth(x, y, f);
                uint8_t* at = rows.data() + size_t(height - 1 - y) * stride + 3 * x;
                at[0] = uint8_t(c), at[1] = uint8_t(c >> 8), at[2] = uint8_t(c >> 16);
            }
        AVIStreamWrite(stream, f, 1, rows.data(), LONG(rows.size()), AVIIF_KEYFRAME, nullptr,
                       nullptr);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    return path;
}

// Saves the recording's video stream over the recording itself. A choice
// starting with '=' fills the options directly with that handler, as a
// caller that asks no one does.
HRESULT SaveOver(const std::string& path, const char* choice, AVISAVECALLBACK callback = nullptr) {
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM source = nullptr;
    AVIFileGetStream(file, &source, streamtypeVIDEO, 0);
    platform::SetAviSaveOptionsChoice(choice);
    AVICOMPRESSOPTIONS options = {};
    LPAVICOMPRESSOPTIONS list[1] = {&options};
    HRESULT result = AVIERR_USERABORT;
    bool chosen;
    if (choice && choice[0] == '=') {
        options = {streamtypeVIDEO,
                   mmioFOURCC(choice[1], choice[2], choice[3], choice[4]),
                   0,
                   7500,
                   0,
                   AVICOMPRESSF_VALID,
                   nullptr,
                   0,
                   nullptr,
                   0,
                   0};
        chosen = true;
    } else {
        chosen = AVISaveOptions(nullptr, 7, 1, &source, list);
    }
    if (chosen) {
        PAVISTREAM compressed = nullptr;
        result = AVIMakeCompressedStream(&compressed, source, &options, nullptr);
        if (result == AVIERR_OK) {
            result = AVISaveVA(path.c_str(), nullptr, callback, 1, &compressed, list);
            AVIStreamRelease(compressed);
        }
        AVISaveOptionsFree(1, list);
    }
    platform::SetAviSaveOptionsChoice(nullptr);
    AVIStreamRelease(source);
    AVIFileRelease(file);
    return result;
}

double MeanError(const std::vector<uint32_t>& rgb, int frame) {
    double sum = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(int((rgb[y * kWidth + x] >> shift) & 0xFF) -
                                int((Smooth(x, y, frame) >> shift) & 0xFF));
    return sum / (kWidth * kHeight * 3);
}

TEST(AviSave, CompressorsDecodeBackCloseToTheSource) {
    const struct {
        const char* choice;
        DWORD handler;
        double tolerance;
    } cases[] = {{"MSVC", mmioFOURCC('M', 'S', 'V', 'C'), 10.0},
                 {"cvid", mmioFOURCC('c', 'v', 'i', 'd'), 12.0},
                 {"=CVID", mmioFOURCC('c', 'v', 'i', 'd'), 12.0},
                 {"=MSVC", mmioFOURCC('M', 'S', 'V', 'C'), 10.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        testsupport::TempDir dir;
        const std::string path = Record(dir);
        ASSERT_EQ(SaveOver(path, c.choice), AVIERR_OK);
        EXPECT_FALSE(std::filesystem::exists(path + ".saving"));

        PAVIFILE file = nullptr;
        ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
        AVISTREAMINFOA info;
        AVIStreamInfoA(stream, &info, sizeof info);
        EXPECT_EQ(info.fccHandler, c.handler);
        EXPECT_EQ(AVIStreamLength(stream), kFrames);
        BITMAPINFOHEADER wanted = {40, kWidth, -kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        PGETFRAME g = AVIStreamGetFrameOpen(stream, &wanted);
        ASSERT_NE(g, nullptr);
        for (int f : {0, kFrames - 1, 2}) {
            const uint8_t* dib = static_cast<uint8_t*>(AVIStreamGetFrame(g, f));
            ASSERT_NE(dib, nullptr);
            std::vector<uint32_t> rgb(kWidth * kHeight);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    rgb[y * kWidth + x] = DibColor(dib, x, y);
            EXPECT_LT(MeanError(rgb, f), c.tolerance) << "frame " << f;
        }
        AVIStreamGetFrameClose(g);
        AVIStreamRelease(stream);
        AVIFileRelease(file);

        PeerVideo peer;
        ASSERT_TRUE(PeerDecode(path, 0, peer));
        ASSERT_EQ(peer.frames.size(), size_t(kFrames));
        for (int f = 0; f < kFrames; ++f)
            EXPECT_LT(MeanError(peer.frames[f], f), c.tolerance) << "peer, frame " << f;
    }
}

TEST(AviSave, FailuresLeaveTheOriginal) {
    testsupport::TempDir dir;
    const std::string path = Record(dir);
    const auto original = testsupport::TempDir::Read(path);
    // No choice configured: the options answer cancel.
    unsetenv("ADV_AVI_COMPRESSOR");
    EXPECT_EQ(SaveOver(path, nullptr), AVIERR_USERABORT);
    EXPECT_EQ(SaveOver(path, "XVID"), AVIERR_USERABORT);
    // Stopped by the progress callback half way.
    auto stop = [](int percent) -> BOOL { return percent >= 50; };
    EXPECT_EQ(SaveOver(path, "MSVC", stop), AVIERR_USERABORT);
    EXPECT_EQ(testsupport::TempDir::Read(path), original);
    EXPECT_FALSE(std::filesystem::exists(path + ".saving"));
    // The environment variable is the default choice.
    setenv("ADV_AVI_COMPRESSOR", "CVID", 1);
    EXPECT_EQ(SaveOver(path, nullptr), AVIERR_OK);
    unsetenv("ADV_AVI_COMPRESSOR");
    EXPECT_NE(testsupport::TempDir::Read(path), original);
}

TEST(AviSave, SizesNotAMultipleOfFourHaveNoCompressor) {
    testsupport::TempDir dir;
    const std::string path = Record(dir, 30, 24);
    const auto original = testsupport::TempDir::Read(path);
    EXPECT_EQ(SaveOver(path, "MSVC"), AVIERR_NOCOMPRESSOR);
    EXPECT_EQ(SaveOver(path, "CVID"), AVIERR_NOCOMPRESSOR);
    EXPECT_EQ(testsupport::TempDir::Read(path), original);
}

} // namespace
