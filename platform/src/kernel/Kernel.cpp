#include "platform/Kernel.h"

#include "platform/Clock.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>

namespace {

std::mutex programPathLock;
std::string programPathOverride;
bool programPathOverridden = false;

std::string RealProgramPath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

std::recursive_mutex* Lock(LPCRITICAL_SECTION section) {
    return std::launder(reinterpret_cast<std::recursive_mutex*>(section->storage));
}

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::storage));
static_assert(alignof(std::recursive_mutex) <= 16);

std::atomic<platform::DebugOutputHook> debugOutputHook{nullptr};

} // namespace

namespace platform {

void SetProgramPathForTests(const char* path) {
    std::lock_guard<std::mutex> guard(programPathLock);
    programPathOverridden = path != nullptr;
    programPathOverride = path ? path : "";
}

void SetDebugOutputHook(DebugOutputHook hook) {
    debugOutputHook.store(hook);
}

} // namespace platform

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    std::string path;
    {
        std::lock_guard<std::mutex> guard(programPathLock);
        path = programPathOverridden ? programPathOverride : RealProgramPath();
    }
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

DWORD timeGetTime() {
    return platform::ClockNow();
}

void Sleep(DWORD ms) {
    if (platform::ClockIsVirtual()) {
        if (ms > 0 && platform::ClockIsOwnerThread())
            platform::ClockAdvance(ms);
        else
            std::this_thread::yield();
        return;
    }
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    new (section->storage) std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    Lock(section)->~recursive_mutex();
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    Lock(section)->lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    Lock(section)->unlock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return Lock(section)->try_lock() ? TRUE : FALSE;
}

namespace {
thread_local DWORD lastError = 0;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    if (const platform::DebugOutputHook hook = debugOutputHook.load()) {
        hook(text);
        return;
    }
    std::fputs(text, stderr);
    std::fflush(stderr);
}
