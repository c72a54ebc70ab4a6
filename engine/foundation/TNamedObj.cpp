#include "foundation/TNamedObj.h"

#include "foundation/TObjectRegistry.h"

// Serial numbers start at 1 and are never reused.
TNamedObj::TNamedObj()
    : flags_(kDirty | kEnabled), name_(0), serial_(TObjectRegistry::Register(this)) {}

// First thing, so the object no longer resolves while its name goes.
TNamedObj::~TNamedObj() {
    TObjectRegistry::Unregister(serial_);
}

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
