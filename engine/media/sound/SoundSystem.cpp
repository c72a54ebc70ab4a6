#include "media/sound/SoundSystem.h"

#include "media/sound/SoundMemory.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSoundBuffer.h"
#include "media/sound/TSoundProcessor.h"

#include <new>

namespace {

TMixer* globalMixer = nullptr;

template <class T> T* NewInSoundMemory() {
    void* block = SoundAlloc(sizeof(T));
    return block ? new (block) T : nullptr;
}

template <class T> void DeleteInSoundMemory(T* object) {
    if (!object) return;
    object->~T();
    SoundFree(object);
}

TMixTimer* TickTimer() {
    return globalMixer ? globalMixer->Timer() : nullptr;
}

} // namespace

int SoundSystemStart(HWND window, uint32_t flags) {
    SoundSystemStop();
    TMixer* mixer = NewInSoundMemory<TMixer>();
    if (!mixer) return 1;
    mixer->SetFlags(flags);
    if (int code = mixer->Init(window)) {
        DeleteInSoundMemory(mixer);
        return code;
    }
    globalMixer = mixer;
    return 0;
}

void SoundSystemStop() {
    TMixer* mixer = globalMixer;
    globalMixer = nullptr;
    if (!mixer) return;
    mixer->Shutdown();
    DeleteInSoundMemory(mixer);
}

bool SoundSystemIsReady() {
    return globalMixer && globalMixer->IsReady();
}

TMixer* SoundSystemMixer() {
    return globalMixer;
}

int SoundOpenOutput() {
    return globalMixer ? globalMixer->OpenOutput() : 0;
}

void SoundCloseOutput() {
    if (globalMixer) globalMixer->CloseOutput();
}

TSoundBuffer* SoundBufferNew() {
    return NewInSoundMemory<TSoundBuffer>();
}

void SoundBufferDelete(TSoundBuffer* buffer) {
    TMixTimerLock tick(TickTimer());
    DeleteInSoundMemory(buffer);
}

bool SoundBufferAlloc(TSoundBuffer* buffer, int64_t length, uint32_t bits, uint32_t channels,
                      uint32_t rate) {
    TMixTimerLock tick(TickTimer());
    return buffer && buffer->Alloc(length, bits, channels, rate);
}

void SoundBufferRelease(TSoundBuffer* buffer) {
    TMixTimerLock tick(TickTimer());
    if (buffer) buffer->Release();
}

void SoundBufferSetPosition(TSoundBuffer* buffer, int64_t position) {
    TMixTimerLock tick(TickTimer());
    if (buffer) buffer->SetPosition(position);
}

int64_t SoundBufferGetWritePosition(TSoundBuffer* buffer) {
    TMixTimerLock tick(TickTimer());
    return buffer ? buffer->GetWritePosition() : 0;
}

int64_t SoundBufferWrite(TSoundBuffer* buffer, const void* data, int64_t count) {
    TMixTimerLock tick(TickTimer());
    return buffer ? buffer->Write(data, count) : 0;
}

int64_t SoundBufferGetFreeSpace(TSoundBuffer* buffer) {
    TMixTimerLock tick(TickTimer());
    return buffer ? buffer->GetFreeSpace() : 0;
}

TSoundProcessor* SoundProcessorNew() {
    return NewInSoundMemory<TSoundProcessor>();
}

void SoundProcessorDelete(TSoundProcessor* processor) {
    DeleteInSoundMemory(processor);
}

bool SoundProcessorAttachMixer(TSoundProcessor* processor) {
    return processor && globalMixer && processor->AttachMixer(globalMixer);
}

void SoundProcessorAttachBuffer(TSoundProcessor* processor, TSoundBuffer* buffer) {
    if (processor && buffer) processor->AttachBuffer(buffer);
}
