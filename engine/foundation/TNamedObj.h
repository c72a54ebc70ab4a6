// A named engine object: a flags word, a name and a serial number, and the
// first four virtual operations shared by files, resources, devices and the
// component tree. The serial is the object's one identity: 64-bit, never
// reused, and entered in the object registry for the object's lifetime, so
// that a checked reference (TRef) can tell whether the object still lives.
#pragma once

#include "foundation/TObject.h"
#include "foundation/TString.h"

#include <cstdint>
#include <new>

class TNamedObj : public virtual TObject {
public:
    static constexpr uint32_t kDirty = 1;
    static constexpr uint32_t kEnabled = 4;

    TNamedObj();
    ~TNamedObj() override;
    TNamedObj(const TNamedObj&) = delete;
    TNamedObj& operator=(const TNamedObj&) = delete;

    // Deleting a named object (by any pointer, the deletion queue's too)
    // takes it out of the registry before its first destructor runs: the
    // derived parts go first, and a reference resolved meanwhile, say by a
    // handler that a base's destructor calls, would reach freed members.
    // A class that derives from a named object through a virtual base
    // declares `using TObject::operator delete;` (GCC 12 cannot build its
    // deleting destructor otherwise) and keeps the plain deletion; it
    // declares `using TObject::operator new;` too, so its `new` allocates
    // with the class whose deallocation frees it.
    static void operator delete(TNamedObj* object, std::destroying_delete_t) noexcept;
    // Frees the block of a `new` whose constructor throws. (Sized: a plain
    // one beside the destroying one would be taken for a deletion through
    // TObject.)
    static void operator delete(void* block, size_t) noexcept { EngineFree(block); }
    // The allocation that pairs with it (the compiler checks that a `new`
    // allocates and frees through one class); the array and placement forms
    // stay TObject's.
    using TObject::operator new;
    static void* operator new(size_t size) noexcept { return EngineAlloc(size); }

    // Brings the object up to date before use; the base only clears the dirty
    // bit. Each returns the new flags.
    virtual uint32_t Update();
    virtual uint32_t SetEnabled(bool on);
    virtual uint32_t Invalidate(bool on);
    virtual bool IsDirty();

    uint32_t Flags() const { return flags_; }
    uint64_t Serial() const { return serial_; }
    TString& Name() { return name_; }
    const TString& Name() const { return name_; }

protected:
    uint32_t flags_;
    TString name_;
    uint64_t serial_;
};
