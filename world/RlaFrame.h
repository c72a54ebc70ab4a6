// A typed picture frame of an RLA container, decoded on first request and
// owned by the container's entry.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class RlaStream;

class RlaFrame : public TObject {
public:
    ~RlaFrame() override = default;
    // Reads the frame data that follows the tag; `version` is the tag's high word.
    virtual bool Load(RlaStream* stream, uint32_t version) = 0;
    // Writes the frame data without the tag.
    virtual bool Save(RlaStream* stream) = 0;
    // The 32-bit tag written before the data: type in the low word, version high.
    virtual uint32_t Tag() const = 0;
};
