// The picture part shared by every picture resource: the picture's size,
// measured once (by loading and freeing the file when nobody holds it) and
// kept until the path changes.
#pragma once

#include "foundation/TResource.h"

#include <cstdint>

class TPictureRes : public virtual TResource {
public:
    TPictureRes() = default;

    // Resolves the path when stale and not loaded, forgetting the sizes.
    void UpdatePicture();
    int OpenPicture() { return TResource::Open(); }
    int ClosePicture() { return TResource::Close(); }
    // The first (width) or second (height) word of the loaded record.
    int32_t GetWidth();
    int32_t GetHeight();

protected:
    int32_t Measure(int32_t* cached, int word);

    int32_t cachedWidth_ = -1;
    int32_t cachedHeight_ = -1;
};
