#include "host/log_writer.h"

#include <cerrno>
#include <string_view>
#include <utility>

#include <unistd.h>

namespace pyrandel {

namespace {

// The whole text, or as much as the descriptor takes before it fails for good.
void WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

LogWriter::LogWriter(int descriptor) : fd(descriptor), thread([this] { Run(); })
{
}

LogWriter::~LogWriter()
{
    {
        const std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_one();
    thread.join();
}

void LogWriter::Write(std::string line)
{
    {
        const std::lock_guard guard(lock);
        if (queue.size() >= LOG_QUEUE_LIMIT) {
            ++dropped;
            return;
        }
        line.push_back('\n');
        queue.push_back(std::move(line));
    }
    wake.notify_one();
}

void LogWriter::Run()
{
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || !queue.empty(); });
        if (queue.empty()) {
            return; // stopping, and everything is written
        }
        std::deque<std::string> batch;
        batch.swap(queue);
        const std::size_t lost = std::exchange(dropped, 0);
        // The writing happens without the lock, so reporters never wait for the output.
        guard.unlock();
        std::string text;
        for (const std::string& line : batch) {
            text += line;
        }
        if (lost > 0) {
            text += std::to_string(lost) + " log lines dropped: the output was not taking them\n";
        }
        WriteAll(fd, text);
        guard.lock();
    }
}

} // namespace pyrandel
