#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point& RealStart() {
    static const SteadyClock::time_point start = SteadyClock::now();
    return start;
}

std::atomic<bool> virtualOn{false};
std::atomic<uint32_t> virtualNow{0};
std::atomic<ClockAdvanceHook> advanceHook{nullptr};
std::atomic<std::thread::id> ownerThread{};

} // namespace

uint32_t ClockNow() {
    if (virtualOn.load(std::memory_order_acquire))
        return virtualNow.load(std::memory_order_acquire);
    auto elapsed = SteadyClock::now() - RealStart();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void ClockUseVirtual(bool on, uint32_t start) {
    ownerThread.store(std::this_thread::get_id());
    virtualNow.store(start, std::memory_order_release);
    virtualOn.store(on, std::memory_order_release);
}

bool ClockIsVirtual() {
    return virtualOn.load(std::memory_order_acquire);
}

bool ClockIsOwnerThread() {
    return ownerThread.load() == std::this_thread::get_id();
}

void ClockSetVirtualNow(uint32_t now) {
    virtualNow.store(now, std::memory_order_release);
}

void ClockSetAdvanceHook(ClockAdvanceHook hook) {
    advanceHook.store(hook);
}

void ClockAdvance(uint32_t ms) {
    if (!ClockIsVirtual()) return;
    uint32_t target = virtualNow.load(std::memory_order_acquire) + ms;
    if (ClockAdvanceHook hook = advanceHook.load()) hook(target);
    ClockSetVirtualNow(target);
}

} // namespace platform
