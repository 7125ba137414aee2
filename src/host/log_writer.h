#pragma once
// Writes log lines to a file descriptor on a thread of its own, so a host thread that reports an event never
// waits for the output (a terminal scrolled back, a full pipe): it only queues the line.
//
// The queue is bounded. While the output takes nothing, lines beyond the bound are counted and dropped, and the
// count is written once the output moves again. The thread sleeps on a condition variable while there is nothing
// to write, so an idle host costs no CPU. The destructor writes what is queued, then joins the thread.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace pyrandel {

inline constexpr std::size_t LOG_QUEUE_LIMIT = 4096;

class LogWriter {
public:
    explicit LogWriter(int fd);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Queues one line; "\n" is added. Never waits for the output.
    void Write(std::string line);

private:
    void Run();

    const int fd;
    std::mutex lock; // guards the members below
    std::condition_variable wake;
    std::deque<std::string> queue;
    std::size_t dropped = 0;
    bool stopping = false;
    std::thread thread; // last: started once everything above exists
};

} // namespace pyrandel
