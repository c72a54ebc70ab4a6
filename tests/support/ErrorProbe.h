// The newest report the error handler holds, and a heap that refuses the
// next blocks of one size, so a test can make one allocation fail (the
// engine heap tries twice) and still have the error handler's records stored.
#pragma once

#include "foundation/TError.h"
#include "foundation/TObject.h"

#include <cstdlib>

inline TErrorRec* NewestError() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item) : nullptr;
}

struct BlockRefusal {
    size_t size = 0;
    int left = 0;
};

inline BlockRefusal& Refusal() {
    static BlockRefusal refusal;
    return refusal;
}

inline void* HeapRefusingOneSize(size_t size) {
    BlockRefusal& r = Refusal();
    if (size != r.size || r.left <= 0) return std::malloc(size);
    --r.left;
    return nullptr;
}

// Installs the refusing heap for the next `count` blocks of `size` bytes.
inline void RefuseNextBlocks(size_t size, int count) {
    Refusal() = {size, count};
    EngineSetHeapForTests(HeapRefusingOneSize);
}
