// The sound system: plain functions over the one global mixer and over
// handles of sound buffers and processors. Each returns 0, or does nothing,
// when the mixer or the handle it is given is null. Buffer operations hold
// the mixer timer's lock, so the owner's writes never run beside a tick.
#pragma once

#include "platform/Types.h"

#include <cstdint>

class TMixer;
class TSoundBuffer;
class TSoundProcessor;

int SoundSystemStart(HWND window, uint32_t flags);
void SoundSystemStop();
bool SoundSystemIsReady();
TMixer* SoundSystemMixer();
int SoundOpenOutput();
void SoundCloseOutput();

TSoundBuffer* SoundBufferNew();
void SoundBufferDelete(TSoundBuffer* buffer);
bool SoundBufferAlloc(TSoundBuffer* buffer, int64_t length, uint32_t bits, uint32_t channels,
                      uint32_t rate);
void SoundBufferRelease(TSoundBuffer* buffer);
void SoundBufferSetPosition(TSoundBuffer* buffer, int64_t position);
int64_t SoundBufferGetWritePosition(TSoundBuffer* buffer);
int64_t SoundBufferWrite(TSoundBuffer* buffer, const void* data, int64_t count);
int64_t SoundBufferGetFreeSpace(TSoundBuffer* buffer);

TSoundProcessor* SoundProcessorNew();
void SoundProcessorDelete(TSoundProcessor* processor);
bool SoundProcessorAttachMixer(TSoundProcessor* processor);
void SoundProcessorAttachBuffer(TSoundProcessor* processor, TSoundBuffer* buffer);
