#include "foundation/TDeleteQueue.h"

#include "foundation/TError.h"
#include "foundation/TNamedObj.h"
#include "foundation/TObjectRegistry.h"

#include <cstdint>
#include <deque>
#include <algorithm>
#include <new>
#include <vector>

namespace {

struct Queued {
    TObject* object;
    // A named object deleted meanwhile by other means is skipped, not freed
    // twice; plain objects (serial 0) are trusted.
    uint64_t serial;
};

struct Queue {
    std::deque<Queued> items;
    std::vector<const TObject*> pinned;
    bool draining = false;
};

// Taken by every delivery of an event: a plain counter, so that a hold never
// builds the queue (whose first use allocates) and never fails.
int32_t g_holds = 0;

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

uint64_t SerialOf(const TObject* object) {
    const auto* named = dynamic_cast<const TNamedObj*>(object);
    return named ? named->Serial() : 0;
}

} // namespace

void DeleteLater(TObject* object) {
    if (!object || IsQueuedForDeletion(object)) return;
    try {
        TheQueue().items.push_back({object, SerialOf(object)});
    } catch (const std::bad_alloc&) {
        // Kept rather than freed under a running handler.
        TError::Raise(9, nullptr, nullptr, "Source\\TObject", 0);
    }
}

// An entry whose named object its owner deleted meanwhile is stale: a new
// object may have its address and is not queued. Nothing of `object` is read,
// so a pointer to a dead object may be asked about.
bool IsQueuedForDeletion(const TObject* object) {
    for (const Queued& q : TheQueue().items)
        if (q.object == object && (!q.serial || TObjectRegistry::IsLive(q.serial))) return true;
    return false;
}

void DrainDeleteLater() {
    Queue& queue = TheQueue();
    // A destructor that drains would free what the outer drain is about to.
    if (g_holds > 0 || queue.draining) return;
    queue.draining = true;
    std::deque<Queued> kept;
    while (!queue.items.empty()) {
        const Queued q = queue.items.front();
        queue.items.pop_front();
        if (q.serial && !TObjectRegistry::IsLive(q.serial)) continue;
        if (std::count(queue.pinned.begin(), queue.pinned.end(), q.object) != 0) {
            kept.push_back(q);
            continue;
        }
        delete q.object;
    }
    queue.items.swap(kept);
    queue.draining = false;
}

TDeleteLaterPin::TDeleteLaterPin(const TObject* object) : object_(nullptr) {
    try {
        TheQueue().pinned.push_back(object);
        object_ = object;
    } catch (const std::bad_alloc&) {
        TError::Raise(9, nullptr, nullptr, "Source\\TObject", 0);
    }
}

TDeleteLaterPin::~TDeleteLaterPin() {
    if (!object_) return;
    std::vector<const TObject*>& pinned = TheQueue().pinned;
    auto it = std::find(pinned.begin(), pinned.end(), object_);
    if (it != pinned.end()) pinned.erase(it);
}

TDeleteLaterHold::TDeleteLaterHold() {
    ++g_holds;
}

TDeleteLaterHold::~TDeleteLaterHold() {
    --g_holds;
}
