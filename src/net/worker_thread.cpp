#include "net/worker_thread.h"

#include <system_error>

namespace pyrandel {

WorkerThread::~WorkerThread()
{
    Join();
}

bool WorkerThread::Start()
{
    // Checked before the lock, so Run calling Start on its own object never waits for a joiner that waits for it.
    if (Running()) {
        return false;
    }
    const std::scoped_lock guard(thread_lock);
    if (Running()) {
        return false;
    }
    if (thread.joinable()) {
        thread.join(); // Run has returned; the thread has only its last instruction left
    }
    running.store(true, std::memory_order_release);
    try {
        thread = std::thread([this] {
            own_id.store(std::this_thread::get_id(), std::memory_order_release);
            Run();
            own_id.store(std::thread::id{}, std::memory_order_release);
            running.store(false, std::memory_order_release); // the last touch of the object by this thread
        });
    } catch (const std::system_error&) {
        running.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void WorkerThread::Join()
{
    if (own_id.load(std::memory_order_acquire) == std::this_thread::get_id()) {
        return;
    }
    // Held while joining, so a second joiner waits for the end as well instead of returning early.
    const std::scoped_lock guard(thread_lock);
    if (thread.joinable()) {
        thread.join();
    }
}

} // namespace pyrandel
