// One named sound of the room, started by the scripts: it has no picture and
// takes no clicks; the room keeps it in its playing and stopped lists.
#pragma once

#include "TRoomElement.h"

#include "media/sound/TSound.h"
#include "media/sound/TWave.h"

class TRoomSound : public TRoomElement {
public:
    TRoomSound();
    ~TRoomSound() override;

    int32_t GetType() const override { return tySound; }
    void Draw() override {}
    bool HitTest(int32_t, int32_t) override { return false; }

    void Init(TRoom* room);
    // The wave of resource key `name` from position 0, looping or not, at the
    // game's sound volume.
    void Play(const char* name, bool loop);
    // Starts the release (fade-out).
    void Stop();
    // Closes the sound (a playing wave is freed), then detaches.
    void Detach() override;
    const char* SoundName() const { return wave_.GetName(); }
    bool IsPlaying() const { return sound_.IsPlaying(); }
    TSound& Sound() { return sound_; }

private:
    TSound sound_;
    TWave wave_;
};
