// The sink without an audio device: it plays at the format's rate on the
// layer's clock (virtual in tests), so sounds still end. What it has played
// is computed from absolute times since the open, never summed per tick, so
// it cannot drift.
#include "platform/Clock.h"
#include "Sink.h"

#include <algorithm>

namespace platform::sound {
namespace {

class RecordingSink final : public Sink {
public:
    explicit RecordingSink(const WAVEFORMATEX& format)
        : rate_(format.nSamplesPerSec), blockAlign_(format.nBlockAlign), last_(ClockNow()) {}

    uint64_t Queued() override {
        uint64_t due = DueAt(ClockNow());
        return handed_ > due ? handed_ - due : 0;
    }

    uint64_t Overdue() override {
        uint64_t due = DueAt(ClockNow());
        return due > handed_ ? due - handed_ : 0;
    }

    uint64_t GapBefore(uint32_t arrival, bool* starved) override {
        uint64_t due = DueAt(arrival);
        uint64_t gap = due > handed_ ? due - handed_ : 0;
        *starved = gap > 0;
        return gap;
    }

    uint64_t Lead() const override { return 0; }
    void Hand(const uint8_t*, size_t bytes) override { handed_ += bytes; }
    void Drop() override {}
    bool IsSdl() const override { return false; }

private:
    // Bytes due at clock time `at` (not later than now). The 32-bit clock is
    // followed into a 64-bit count of milliseconds since the open.
    uint64_t DueAt(uint32_t at) {
        uint32_t now = ClockNow();
        elapsed_ += static_cast<uint32_t>(now - last_);
        last_ = now;
        uint32_t back = static_cast<uint32_t>(now - at);
        uint64_t ms = back < 0x80000000u ? elapsed_ - std::min<uint64_t>(back, elapsed_) : elapsed_;
        return ms * rate_ / 1000 * blockAlign_;
    }

    uint64_t rate_;
    uint64_t blockAlign_;
    uint32_t last_;
    uint64_t elapsed_ = 0;
    uint64_t handed_ = 0;
};

} // namespace

std::unique_ptr<Sink> OpenRecordingSink(const WAVEFORMATEX& format) {
    return std::make_unique<RecordingSink>(format);
}

} // namespace platform::sound
