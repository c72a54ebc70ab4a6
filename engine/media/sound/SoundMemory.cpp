#include "media/sound/SoundMemory.h"

#include "foundation/TObject.h"

#include <cstring>

void* SoundAlloc(size_t bytes) {
    void* block = EngineAlloc(bytes);
    if (block) std::memset(block, 0, bytes);
    return block;
}

void SoundFree(void* block) {
    if (block) EngineFree(block);
}
