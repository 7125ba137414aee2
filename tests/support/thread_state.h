#pragma once
// Whether another thread of this process waits inside the kernel (in accept, recv or send, or for a lock), read
// from /proc. A test that should act only once a thread is blocked in a call waits for that, rather than
// sleeping a while and hoping the thread got there. Header only, so suites without the support library use it.

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace pyrandel::test {

// The calling thread's id in the kernel, for WaitUntilBlocked.
[[nodiscard]] inline pid_t OwnThreadId()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

// True once thread `tid` of this process sleeps in the kernel, or has ended (it got past where it should have
// waited, and the test's own checks tell); false when neither happens within `limit`.
[[nodiscard]] inline bool WaitUntilBlocked(pid_t tid, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    for (;;) {
        std::ifstream stat(path);
        std::string text;
        if (!stat || !std::getline(stat, text)) {
            return true; // the thread is gone
        }
        // "tid (name) state ...": the name may hold spaces and parentheses, the state follows the last ')'.
        const std::size_t close = text.rfind(')');
        const char state = close != std::string::npos && close + 2 < text.size() ? text[close + 2] : '?';
        if (state == 'S' || state == 'D') {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
}

} // namespace pyrandel::test
