// The 32-bit handles a VBE/AF driver image holds in place of addresses, and
// the calls into it: only our accelerator's stubs and entry handles run.
#include "AccelInternal.h"

#include "platform/Vbeaf.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

// Handles of addresses count up from here, callbacks from kCallbackBase;
// entry handles are kEntryBase plus the slot.
constexpr uint32_t kAddressBase = 0x10000000u;
constexpr uint32_t kCallbackBase = 0x20000000u;
constexpr uint32_t kFarCallbackBase = 0x28000000u;

struct Tables {
    std::mutex lock;
    std::vector<void*> addresses;
    std::vector<void*> callbacks;    // interrupt callbacks
    std::vector<void*> farCallbacks; // far-call callbacks
};

Tables& T() {
    static Tables t;
    return t;
}

uint32_t handleIn(std::vector<void*>& table, void* address, uint32_t base) {
    if (!address) return 0;
    std::lock_guard g(T().lock);
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == address) return base + uint32_t(i);
    table.push_back(address);
    return base + uint32_t(table.size() - 1);
}

} // namespace

uint32_t VbeafHandleOf(void* address) {
    return handleIn(T().addresses, address, kAddressBase);
}

void* VbeafAddressOf(uint32_t handle) {
    std::lock_guard g(T().lock);
    const uint32_t i = handle - kAddressBase;
    return handle >= kAddressBase && i < T().addresses.size() ? T().addresses[i] : nullptr;
}

uint32_t VbeafCallbackHandle(VbeafIntCallback callback) {
    return handleIn(T().callbacks, reinterpret_cast<void*>(callback), kCallbackBase);
}
uint32_t VbeafCallbackHandle(VbeafFarCallback callback) {
    return handleIn(T().farCallbacks, reinterpret_cast<void*>(callback), kFarCallbackBase);
}

namespace adapter {

bool CallIntCallback(uint32_t handle, uint32_t interrupt, DpmiRegs* regs) {
    void* fn = nullptr;
    {
        std::lock_guard g(T().lock);
        const uint32_t i = handle - kCallbackBase;
        if (handle >= kCallbackBase && i < T().callbacks.size()) fn = T().callbacks[i];
    }
    if (!fn) return false;
    reinterpret_cast<VbeafIntCallback>(fn)(interrupt, regs);
    return true;
}

} // namespace adapter

uint32_t VbeafCallCode(uint8_t* image, size_t size, uint32_t offset) {
    uint32_t accelerator = 0;
    if (!image || offset >= size) return 1;
    const int kind = vbeaf::StubKindAt(image + offset, size - offset, &accelerator);
    if (kind != vbeaf::kStubInit && kind != vbeaf::kStubFirst2) return 1;
    return adapter::AccelRunStub(kind, accelerator, image, size);
}

int64_t VbeafCallEntry(uint8_t* image, size_t size, uint32_t slot,
                       std::initializer_list<intptr_t> args) {
    if (!image || slot < vbeaf::kEntries || slot >= vbeaf::kEntriesEnd || slot % 4 ||
        size < slot + 4)
        return -1;
    const uint32_t handle = uint32_t(image[slot]) | uint32_t(image[slot + 1]) << 8 |
                            uint32_t(image[slot + 2]) << 16 | uint32_t(image[slot + 3]) << 24;
    if (handle != adapter::kEntryBase + slot) return -1;
    return adapter::AccelEntry(slot, image, size, args.begin(), args.size());
}

} // namespace platform
