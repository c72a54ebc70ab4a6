#include "TRoomSound.h"

#include "GameServices.h"

TRoomSound::TRoomSound() = default;

TRoomSound::~TRoomSound() {
    sound_.Detach();
}

void TRoomSound::Init(TRoom* room) {
    sound_.Attach(this);
    TRoomElement::Attach(room);
}

void TRoomSound::Play(const char* name, bool loop) {
    wave_.SetName(name);
    sound_.SetWave(&wave_);
    sound_.SetLoop(loop);
    sound_.SetVolume(uint32_t(Game().SoundVolume()));
    sound_.Play(0);
}

void TRoomSound::Stop() {
    sound_.Release();
}

void TRoomSound::Detach() {
    sound_.Detach();
    TRoomElement::Detach();
}
