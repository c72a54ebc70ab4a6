#include "foundation/TObjectRegistry.h"

#include "foundation/TError.h"

#include <atomic>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// Constant-initialised, so both stay valid through the whole exit.
std::atomic<uint64_t> lastSerial{0};
std::atomic<bool> tableGone{false};

// Built on first use, that is inside the constructor of the first named
// object; so it is destroyed after every object built later. Objects that
// still die after it (statics built before it) find it gone and skip it.
struct Table {
    ~Table() { tableGone = true; }
    std::mutex lock;
    std::unordered_map<uint64_t, TNamedObj*> live;
};

Table& TheTable() {
    static Table table;
    return table;
}

} // namespace

uint64_t TObjectRegistry::Register(TNamedObj* object) {
    const uint64_t serial = ++lastSerial;
    if (tableGone) return serial;
    bool entered = true;
    {
        Table& t = TheTable();
        std::lock_guard<std::mutex> g(t.lock);
        try {
            t.live.emplace(serial, object);
        } catch (const std::bad_alloc&) {
            entered = false;
        }
    }
    // Outside the lock: the report may build objects of its own.
    if (!entered) TError::Raise(9, nullptr, nullptr, "Source\\TObject", 0);
    return serial;
}

void TObjectRegistry::Unregister(uint64_t serial) {
    if (tableGone) return;
    Table& t = TheTable();
    std::lock_guard<std::mutex> g(t.lock);
    t.live.erase(serial);
}

bool TObjectRegistry::IsLive(uint64_t serial) {
    return Find(serial) != nullptr;
}

TNamedObj* TObjectRegistry::Find(uint64_t serial) {
    if (serial == 0 || tableGone) return nullptr;
    Table& t = TheTable();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.live.find(serial);
    return it == t.live.end() ? nullptr : it->second;
}

size_t TObjectRegistry::LiveCount() {
    if (tableGone) return 0;
    Table& t = TheTable();
    std::lock_guard<std::mutex> g(t.lock);
    return t.live.size();
}
