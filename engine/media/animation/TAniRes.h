// The base every animation part shares: the open mode, the current picture
// record (kept in the resource's data word), the audio data last read or to
// be written, and the audio format. Animations live in the folder
// "Animations".
#pragma once

#include "foundation/TResource.h"
#include "gdl/bitmap.h"

#include <cstdint>

class TAniRes : public virtual TResource {
public:
    static constexpr int32_t kReading = 1;
    static constexpr int32_t kWriting = 2;

    // Tag, channels, rate, bytes per second, block align, bits.
    struct AudioFormat {
        int32_t tag = 0;
        int32_t channels = 0;
        int32_t rate = 0;
        int32_t bytesPerSecond = 0;
        int32_t blockAlign = 0;
        int32_t bits = 0;
    };

    TAniRes();

    // The resource's update; a resource nobody holds drops its data.
    uint32_t Update() override;

    int SetMode(int32_t mode);
    void ClearMode() { aniMode_ = 0; }
    int32_t GetMode() const { return aniMode_; }
    bool IsReading() const { return (aniMode_ & kReading) != 0; }
    bool IsWriting() const { return (aniMode_ & kWriting) != 0; }

    // The current picture while reading, else null.
    GdlBitmap* GetPixelFormat() const;
    // The picture to store next; taken only while writing.
    void SetPixelFormat(GdlBitmap* picture);

    // The audio last read while reading, else null.
    uint8_t* GetAudioData() const { return IsReading() ? audioData_ : nullptr; }
    // The audio the next write takes (not owned).
    void SetAudioData(uint8_t* data) { audioData_ = data; }

    void SetAudioFormat(int32_t tag, int32_t channels, int32_t rate, int32_t bytesPerSecond,
                        int32_t blockAlign, int32_t bits);
    void GetAudioFormat(int32_t* tag, int32_t* channels, int32_t* rate, int32_t* bytesPerSecond,
                        int32_t* blockAlign, int32_t* bits) const;
    void SetUserWord(int32_t value) { userWord_ = value; }
    int32_t GetUserWord() const { return userWord_; }

    double GetRate() const { return 10.0; }
    bool HasPath();

protected:
    uint8_t* audioData_ = nullptr;
    int32_t aniMode_ = 0; // the animation's open mode, apart from the file's
    AudioFormat audio_;
    int32_t userWord_ = 0;
};
