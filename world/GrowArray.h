// The world's growable array of plain values (pointers, indexes, points) on the
// engine heap. Growth never throws: a failed allocation leaves the array as it
// was and returns false, and the caller reports it.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T> class GrowArray {
    static_assert(std::is_trivially_copyable_v<T>, "GrowArray holds plain values");

public:
    GrowArray() = default;
    ~GrowArray() { EngineFree(items_); }
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;

    int32_t Count() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }
    T& operator[](int32_t i) { return items_[i]; }
    const T& operator[](int32_t i) const { return items_[i]; }
    T* Data() { return items_; }
    const T* Data() const { return items_; }

    bool Reserve(int32_t capacity) {
        if (capacity <= capacity_) return true;
        void* grown = EngineAlloc(static_cast<size_t>(capacity) * sizeof(T));
        if (!grown) return false;
        if (count_ > 0) std::memcpy(grown, items_, static_cast<size_t>(count_) * sizeof(T));
        EngineFree(items_);
        items_ = static_cast<T*>(grown);
        capacity_ = capacity;
        return true;
    }
    bool Push(const T& item) {
        if (count_ == capacity_ && !Reserve(capacity_ < 8 ? 8 : capacity_ + capacity_ / 2))
            return false;
        items_[count_++] = item;
        return true;
    }
    // New items are value-initialised (zero for plain types).
    bool Resize(int32_t count) {
        if (count < 0 || !Reserve(count)) return false;
        for (int32_t i = count_; i < count; ++i)
            items_[i] = T{};
        count_ = count;
        return true;
    }
    void Clear() { count_ = 0; }

private:
    T* items_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};
