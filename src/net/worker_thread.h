#pragma once
// Base of every transport object that owns a thread: the thread runs the object's Run and ends when it returns.
//
// Shutdown rule: a thread is never killed. The derived class wakes its Run (by closing the socket Run waits on)
// and then joins with Join(), in its own destructor, before its members are gone. The base destructor only
// joins a thread that has already been woken, as a last safety net.

#include <atomic>
#include <mutex>
#include <thread>

namespace pyrandel {

class WorkerThread {
public:
    WorkerThread() = default;
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts a new thread running Run. False while Run still executes on an earlier thread; a thread whose Run
    // has returned is joined first, so an object can serve one connection after another.
    bool Start();
    // Whether Run is executing on the object's thread now.
    [[nodiscard]] bool Running() const { return running.load(std::memory_order_acquire); }
    // Waits for the object's thread to end. Does nothing when called on that thread itself or with no thread.
    void Join();

protected:
    virtual void Run() {}

private:
    std::mutex thread_lock; // guards `thread` between Start, Join and the destructor
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<std::thread::id> own_id{}; // the thread while it runs Run, so Join can recognise a call from it
};

} // namespace pyrandel
