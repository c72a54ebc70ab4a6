#include "foundation/TNamedObj.h"

#include "foundation/TObjectRegistry.h"

// Serial numbers start at 1 and are never reused.
TNamedObj::TNamedObj()
    : flags_(kDirty | kEnabled), name_(0), serial_(TObjectRegistry::Register(this)) {}

// An object that ends with its scope or its owner leaves the registry here,
// so it no longer resolves while its name goes.
TNamedObj::~TNamedObj() {
    TObjectRegistry::Unregister(serial_);
}

void TNamedObj::operator delete(TNamedObj* object, std::destroying_delete_t) noexcept {
    if (!object) return;
    // The block begins at the most derived object, which a base may not.
    void* block = dynamic_cast<void*>(object);
    TObjectRegistry::Unregister(object->serial_);
    object->~TNamedObj(); // virtual: the whole object
    TObject::operator delete(block);
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
