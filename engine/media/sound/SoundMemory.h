// Sound memory: every buffer of the mixer, its outputs and the sound buffers
// is zeroed when allocated. Null on failure; freeing null does nothing.
#pragma once

#include <cstddef>

void* SoundAlloc(size_t bytes);
void SoundFree(void* block);
