// AVI films from arbitrary bytes through the animation resource: the stream
// formats the engine reads itself (the DIB header, masks and colour table of
// the video, the audio format), the frames as delivered, and the audio.
#include "AnimationFuzz.h"
#include "FuzzFile.h"
#include "ui/TEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    PlayFuzzAnimation(WriteFuzzFile(".avi", data, size), 4);
    return 0;
}
