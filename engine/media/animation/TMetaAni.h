// The animation resource: found in the folder "Animations" by its name, it
// becomes a picture-album animation ("alb"), an AVI film ("avi") or a delta
// animation ("dla") by the extension of its file, and offers one interface
// whatever the kind. Built without a name, it is the capture's animation.
#pragma once

#include "media/animation/TAlbAni.h"
#include "media/animation/TAviAni.h"
#include "media/animation/TDeltaAni.h"

#include <cstdint>

class TMetaAni : public TAlbAni, public TAviAni, public TDeltaAni {
public:
    enum Kind : int32_t { kNone = 0, kAlbum = 1, kAvi = 2, kDelta = 3 };

    TMetaAni();
    explicit TMetaAni(const char* name);
    ~TMetaAni() override;

    // While stale and not open: resolves the path and chooses the kind.
    uint32_t Update() override;
    Kind GetKind();

    int Open() override;
    int Open(int32_t mode);
    int Close() override;

    // The frame picture is the base's GetPixelFormat while reading.
    int ReadFrame(int32_t index, int32_t clip);
    void FreeFrame();
    int WriteFrame(int32_t index);

    int ReadAudio(int32_t start, int32_t count, int32_t stream);
    void FreeAudio();
    int WriteAudio(int32_t start, int32_t count);
    bool HasAudio();
    int32_t GetAudioRate();
    int32_t GetAudioBits();
    int32_t GetAudioChannels();
    int64_t GetAudioLength();
    void SetAudioRate(int32_t rate);
    void SetAudioBits(int32_t bits);
    void SetAudioChannels(int32_t channels);

    int32_t GetWidth() override { return GetWidth(0); }
    int32_t GetHeight() override { return GetHeight(0); }
    int32_t GetWidth(int32_t clip);
    int32_t GetHeight(int32_t clip);
    int32_t GetFrameCount(int32_t clip);
    void SetRate(float fps);
    // Frames a second; 10.0 when the animation gives none.
    double GetRate(int32_t clip);
    bool IsValid();

private:
    void ChooseKind();

    Kind kind_ = kNone;
};
