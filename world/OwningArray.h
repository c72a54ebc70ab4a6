// The world's growable array of objects it owns: what it holds goes with it,
// when erased or cleared, through the deleter of its type, unless taken out
// first (Release). Room elements use the deferred deleter: one may be erased
// from inside its own handler or end action, so it is queued (DeleteLater)
// and freed once nothing of it runs. Growth never throws (see GrowArray).
#pragma once

#include "GrowArray.h"

#include "foundation/TDeleteQueue.h"

#include <cstdint>
#include <memory>

template <class T> struct DeleteNow {
    void operator()(T* item) const { delete item; }
};

template <class T> struct DeleteDeferred {
    void operator()(T* item) const { DeleteLater(item); }
};

template <class T, class Deleter = DeleteNow<T>> class OwningArray {
public:
    OwningArray() = default;
    ~OwningArray() { Clear(); }
    OwningArray(const OwningArray&) = delete;
    OwningArray& operator=(const OwningArray&) = delete;

    int32_t Count() const { return items_.Count(); }
    bool IsEmpty() const { return items_.IsEmpty(); }
    T* operator[](int32_t i) const { return items_[i]; }
    int32_t IndexOf(const void* item) const {
        for (int32_t i = 0; i < items_.Count(); ++i)
            if (items_[i] == item) return i;
        return -1;
    }

    // Takes `item` at the end and leaves `item` empty; without room (false)
    // the item stays with the caller.
    template <class U> bool Adopt(std::unique_ptr<U>& item) {
        if (!item || !items_.Push(item.get())) return false;
        item.release();
        return true;
    }
    // Puts the items in the order of `order`, which holds each of them once
    // (a sorted copy of the array).
    void Reorder(const GrowArray<T*>& order) {
        if (order.Count() != items_.Count()) return;
        for (int32_t i = 0; i < order.Count(); ++i)
            items_[i] = order[i];
    }
    // The item at `index`, out of the array and back in the caller's hands.
    T* Release(int32_t index) {
        T* item = items_[index];
        for (int32_t i = index; i + 1 < items_.Count(); ++i)
            items_[i] = items_[i + 1];
        items_.Resize(items_.Count() - 1);
        return item;
    }
    void Erase(int32_t index) { Deleter()(Release(index)); }
    // Deletes every item, the first first.
    void Clear() {
        for (int32_t i = 0; i < items_.Count(); ++i)
            Deleter()(items_[i]);
        items_.Clear();
    }

private:
    GrowArray<T*> items_;
};
