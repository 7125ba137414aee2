#include "net/line_sender.h"

#include <algorithm>
#include <system_error>

namespace pyrandel {

LineSender::~LineSender()
{
    Stop();
}

bool LineSender::Start(std::size_t queue_limit)
{
    if (writer.joinable()) {
        return false;
    }
    {
        const std::scoped_lock guard(lock);
        queued.clear();
        in_flight = 0;
        limit = queue_limit;
        stopping = false;
        serving = true;
    }
    try {
        writer = std::thread([this] { Write(); });
    } catch (const std::system_error&) {
        const std::scoped_lock guard(lock);
        serving = false;
        return false;
    }
    return true;
}

bool LineSender::Send(std::string_view text)
{
    static constexpr std::string_view LINE_END = "\r\n";
    const std::string_view line = text.substr(0, std::min(text.size(), text.find('\0')));
    {
        std::unique_lock guard(lock);
        if (!serving) {
            return false;
        }
        if (queued.size() + in_flight + line.size() + LINE_END.size() <= limit) {
            queued.append(line).append(LINE_END);
            guard.unlock();
            wake.notify_one();
            return true;
        }
        // The peer has fallen too far behind: it alone is cut off, and nothing more is queued for it.
        serving = false;
        queued.clear();
    }
    socket.Close(DisconnectReason::SEND_QUEUE_FULL);
    return false;
}

void LineSender::Stop()
{
    socket.Close(); // wakes a writer blocked in a send
    {
        const std::scoped_lock guard(lock);
        serving = false;
        stopping = true;
        queued.clear();
    }
    wake.notify_one();
    if (writer.joinable()) {
        writer.join();
    }
}

void LineSender::Write()
{
    std::string batch;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || !queued.empty(); });
        if (stopping) {
            return;
        }
        batch.clear();
        batch.swap(queued);
        in_flight = batch.size();
        guard.unlock();
        // Blocks while the peer reads slowly; the socket's stall limit or a Close ends the wait.
        const bool sent = socket.SendRaw(batch);
        guard.lock();
        in_flight = 0;
        if (!sent) {
            // The connection is over (the failed send has closed it, or it was closed): drop the rest.
            serving = false;
            queued.clear();
            guard.unlock();
            socket.Close(DisconnectReason::BROKEN);
            guard.lock();
        }
    }
}

} // namespace pyrandel
