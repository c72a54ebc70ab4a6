// A named engine object: a flags word, a name and a serial number, and the
// first four virtual operations shared by files, resources, devices and the
// component tree. The serial is the object's one identity: 64-bit, never
// reused, and entered in the object registry for the object's lifetime, so
// that a checked reference (TRef) can tell whether the object still lives.
#pragma once

#include "foundation/TObject.h"
#include "foundation/TString.h"

#include <cstdint>

class TNamedObj : public virtual TObject {
public:
    static constexpr uint32_t kDirty = 1;
    static constexpr uint32_t kEnabled = 4;

    TNamedObj();
    ~TNamedObj() override;
    TNamedObj(const TNamedObj&) = delete;
    TNamedObj& operator=(const TNamedObj&) = delete;

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
