// One run of the layer's process state: windows, classes, window timers,
// input, cursors, message boxes, the desktop, the registry's loaded keys,
// module overrides, the sound device, multimedia timers and the clock. A
// program's entry builds one (through the engine) and so does every test:
// it starts from the defaults and gives everything back when it ends, so
// nothing of one session is seen by the next and no thread of it is left.
#pragma once

#include "platform/Host.h"

#include <cstdint>
#include <optional>

namespace platform {

struct SessionOptions {
    // The host; without one the environment chooses (see UseHost).
    std::optional<HostKind> host;
    // Virtual time from this many milliseconds; real time without one.
    std::optional<uint32_t> virtualClockFrom;
};

// Sessions nest: an inner one starts from the defaults too, and when it ends
// the outer one goes on with the defaults (not with what it had before).
class Session {
public:
    explicit Session(const SessionOptions& options = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Whether the host asked for could be had (SDL may fail to start).
    bool HostReady() const { return hostReady_; }

private:
    bool hostReady_ = true;
};

// Stops the multimedia timers' thread, waiting for a callback on its way;
// the timers stay set, and the next timer set starts the thread again. Whoever
// frees what running callbacks look up calls it first.
void StopTimerThread();

} // namespace platform
