#include "platform/DeviceIo.h"
#include "platform/Thread.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace {

struct ThreadHandle {
    std::thread thread;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    unsigned (*start)(void*) = nullptr;
    void* argument = nullptr;
};

std::atomic<unsigned> nextId{1};

void Run(ThreadHandle* h) {
    h->start(h->argument);
    std::lock_guard<std::mutex> g(h->lock);
    h->done = true;
    h->ended.notify_all();
}

} // namespace

uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned,
                         unsigned* threadId) {
    if (!start) return 0;
    auto* h = new (std::nothrow) ThreadHandle;
    if (!h) return 0;
    h->start = start;
    h->argument = argument;
    try {
        h->thread = std::thread(Run, h);
    } catch (...) {
        delete h;
        return 0;
    }
    if (threadId) *threadId = nextId++;
    return reinterpret_cast<uintptr_t>(h);
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
    auto* h = static_cast<ThreadHandle*>(thread);
    if (!h) return FALSE;
    // Raising a thread above normal needs privileges a desktop user lacks;
    // the hint is kept only where the scheduler takes it.
    if (priority > 0 && h->thread.joinable()) {
        sched_param p{};
        pthread_setschedparam(h->thread.native_handle(), SCHED_OTHER, &p);
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE thread, DWORD milliseconds) {
    auto* h = static_cast<ThreadHandle*>(thread);
    if (!h) return WAIT_FAILED;
    {
        std::unique_lock<std::mutex> g(h->lock);
        if (milliseconds == INFINITE)
            h->ended.wait(g, [h] { return h->done; });
        else if (!h->ended.wait_for(g, std::chrono::milliseconds(milliseconds),
                                    [h] { return h->done; }))
            return WAIT_TIMEOUT;
    }
    if (h->thread.joinable() && h->thread.get_id() != std::this_thread::get_id()) h->thread.join();
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE thread) {
    if (platform::CloseDeviceHandle(thread)) return TRUE;
    auto* h = static_cast<ThreadHandle*>(thread);
    if (!h) return FALSE;
    if (h->thread.joinable()) {
        bool done;
        {
            std::lock_guard<std::mutex> g(h->lock);
            done = h->done;
        }
        if (done && h->thread.get_id() != std::this_thread::get_id())
            h->thread.join();
        else {
            // Still running: it must not touch the handle again.
            h->thread.detach();
            return TRUE; // the record stays for the running thread's end
        }
    }
    delete h;
    return TRUE;
}
