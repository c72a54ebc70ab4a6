// Where the device's bytes go: SDL audio, or a sink that consumes them on the
// layer's clock and only counts. All calls come with the device lock held.
#pragma once

#include "platform/MMSystem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform::sound {

class Sink {
public:
    virtual ~Sink() = default;
    // Bytes handed on and not yet played.
    virtual uint64_t Queued() = 0;
    // Bytes the device has played beyond what it was handed (silence so far):
    // what the pump owes it now, before any lead.
    virtual uint64_t Overdue() = 0;
    // Data that arrived at clock time `arrival` after the device had run out:
    // the silence the device played before it (which the pump hands on so
    // the stream keeps its timeline), and whether it had run dry at all.
    virtual uint64_t GapBefore(uint32_t arrival, bool* starved) = 0;
    // Bytes the pump keeps queued ahead of what is playing.
    virtual uint64_t Lead() const = 0;
    virtual void Hand(const uint8_t* data, size_t bytes) = 0;
    // Forgets what is queued and not yet played (reset, stop).
    virtual void Drop() = 0;
    virtual bool IsSdl() const = 0;
};

std::unique_ptr<Sink> OpenRecordingSink(const WAVEFORMATEX& format);
// Null when SDL audio cannot start or no audio device opens in the format,
// with SDL's reason in `failure`.
std::unique_ptr<Sink> OpenSdlSink(const WAVEFORMATEX& format, std::string* failure);

} // namespace platform::sound
