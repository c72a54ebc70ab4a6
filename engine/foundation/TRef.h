// A checked reference to a named engine object: it holds the object's serial
// and answers null once the object is gone, instead of a pointer into freed
// memory. A raw pointer lives for one call; whatever keeps an object longer
// (handler entries, hooks, links between components, timers, script handles,
// end actions) keeps a TRef.
//
// The address is kept beside the serial but followed only after the registry
// has confirmed the serial, and the registry never touches the object: so a
// lookup is safe from the cursor and timer threads too. Using what it returns
// there still needs the object's owner to keep it alive meanwhile.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TObjectRegistry.h"

#include <concepts>
#include <cstdint>

template <class T> class TRef {
public:
    TRef() = default;
    // Explicit: a reference is made from a pointer known to be alive.
    explicit TRef(T* object) : serial_(object ? object->Serial() : 0), object_(object) {}
    // A reference to a base class of T. The address is converted only while
    // the object lives: reaching a virtual base reads the object.
    template <class U>
    requires std::convertible_to<U*, T*> TRef(const TRef<U>& other)
        : serial_(other.serial_), object_(other.Get()) {}

    // The object that holds `serial` when it is alive and a T, else none
    // (script handles and other numbers from outside come in this way). It
    // looks at the object: on the thread that may delete it only.
    static TRef FromSerial(uint64_t serial) {
        return TRef(dynamic_cast<T*>(TObjectRegistry::Find(serial)));
    }

    T* Get() const { return serial_ && TObjectRegistry::IsLive(serial_) ? object_ : nullptr; }
    uint64_t Serial() const { return serial_; }
    bool IsSet() const { return serial_ != 0; }
    void Reset() {
        serial_ = 0;
        object_ = nullptr;
    }
    bool operator==(const TRef& other) const { return serial_ == other.serial_; }
    // Whether this refers to `object` (compared by serial; null matches an
    // empty reference).
    bool Is(const T* object) const { return serial_ == (object ? object->Serial() : 0); }

private:
    template <class U> friend class TRef;
    uint64_t serial_ = 0;
    T* object_ = nullptr;
};
