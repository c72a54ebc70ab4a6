#include "foundation/TNamedObj.h"

#include <atomic>

namespace {

// Serial numbers start at 1 and are never reused.
std::atomic<uint32_t> serialCounter{0};

} // namespace

TNamedObj::TNamedObj() : flags_(kDirty | kEnabled), name_(0), serial_(++serialCounter) {}

TNamedObj::~TNamedObj() = default;

uint32_t TNamedObj::Update() {
    return flags_ &= ~kDirty;
}

uint32_t TNamedObj::SetEnabled(bool on) {
    return on ? (flags_ |= kEnabled) : (flags_ &= ~kEnabled);
}

uint32_t TNamedObj::Invalidate(bool on) {
    return on ? (flags_ |= kDirty) : (flags_ &= ~kDirty);
}

bool TNamedObj::IsDirty() {
    return (flags_ & kDirty) != 0;
}
