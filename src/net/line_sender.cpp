#include "net/line_sender.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace pyrandel {

LineSender::LineSender(TcpSocket& socket, int origins)
    : socket(socket), backlog(static_cast<std::size_t>(std::max(origins, 0)))
{
}

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
        std::fill(backlog.begin(), backlog.end(), OriginBacklog{});
        limit = queue_limit;
        finishing = false;
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

bool LineSender::Send(std::string_view text, int origin)
{
    static constexpr std::string_view LINE_END = "\r\n";
    const std::string_view line = text.substr(0, std::min(text.size(), text.find('\0')));
    const std::size_t size = line.size() + LINE_END.size();
    {
        std::unique_lock guard(lock);
        // A connection closed in order takes no new lines: only what was queued before the close goes out.
        if (!serving || !socket.IsConnected()) {
            return false;
        }
        // Nothing waits before the line and the writer is idle: straight to the kernel, which takes a game line
        // whole unless the peer is far behind, and the writer need not be woken for it. What the kernel does not
        // take now is queued for the writer.
        std::size_t taken = 0;
        if (queued.empty() && in_flight == 0) {
            const auto sent = socket.SendLineNow(line);
            if (!sent) {
                serving = false; // the failed send has closed the connection
                return false;
            }
            taken = *sent;
            if (taken == size) {
                return true;
            }
        }
        const std::size_t rest = size - taken;
        if (queued.size() + in_flight + rest <= limit) {
            if (taken < line.size()) {
                queued.append(line.substr(taken)).append(LINE_END);
            } else {
                queued.append(LINE_END.substr(taken - line.size()));
            }
            if (origin >= 0 && static_cast<std::size_t>(origin) < backlog.size()) {
                OriginBacklog& waiting = backlog[static_cast<std::size_t>(origin)];
                const std::size_t mark = limit / 8 * RELAY_MARK_EIGHTHS;
                if (waiting.queued + waiting.in_flight <= mark && waiting.queued + waiting.in_flight + rest > mark) {
                    waiting.sent_at_mark = socket.BytesSent();
                }
                waiting.queued += rest;
            }
            guard.unlock();
            wake.notify_one();
            return true;
        }
        // The peer has fallen too far behind: it alone is cut off, and nothing more is queued for it.
        serving = false;
        DropQueued();
    }
    socket.Close(DisconnectReason::SEND_QUEUE_FULL);
    Progressed();
    return false;
}

void LineSender::Stop()
{
    const bool in_order = socket.ClosingInOrder();
    {
        const std::scoped_lock guard(lock);
        serving = false;
        if (in_order) {
            finishing = true;
        } else {
            stopping = true;
            DropQueued();
        }
    }
    if (!in_order) {
        socket.Close(); // wakes a writer blocked in a send
    }
    wake.notify_one();
    if (writer.joinable()) {
        writer.join();
    }
    // Without a writer (never started, or gone after a failure) the connection is finished here.
    if (in_order) {
        socket.FinishSending();
    }
    Progressed();
}

std::optional<std::chrono::steady_clock::duration> LineSender::HoldFor(int origin) const
{
    if (origin < 0 || static_cast<std::size_t>(origin) >= backlog.size()) {
        return std::nullopt;
    }
    std::chrono::steady_clock::duration grace = HOLD_GRACE;
    {
        const std::scoped_lock guard(lock);
        const OriginBacklog& waiting = backlog[static_cast<std::size_t>(origin)];
        const std::size_t pending = waiting.queued + waiting.in_flight;
        if (!serving || pending <= limit / 8 * RELAY_MARK_EIGHTHS) {
            return std::nullopt;
        }
        if (socket.BytesSent() == waiting.sent_at_mark) {
            if (pending <= limit / 8 * RELAY_NEAR_LIMIT_EIGHTHS) {
                return std::nullopt;
            }
            grace = NEAR_LIMIT_GRACE;
        }
    }
    // A peer that takes nothing is left to the queue limit and the stall limit.
    const auto waited = socket.SendWaiting();
    if (waited >= grace) {
        return std::nullopt;
    }
    return grace - waited;
}

void LineSender::DropQueued()
{
    queued.clear();
    for (OriginBacklog& waiting : backlog) {
        waiting.queued = 0;
    }
}

void LineSender::Progressed() const
{
    if (on_progress) {
        on_progress();
    }
}

void LineSender::Write()
{
    std::string batch;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || finishing || !queued.empty(); });
        if (stopping) {
            return;
        }
        if (queued.empty()) {
            // Closed in order and everything queued before the close is with the kernel.
            guard.unlock();
            socket.FinishSending();
            return;
        }
        batch.clear();
        batch.swap(queued);
        in_flight = batch.size();
        for (OriginBacklog& waiting : backlog) {
            waiting.in_flight = std::exchange(waiting.queued, 0);
        }
        guard.unlock();
        // Blocks while the peer reads slowly; the socket's stall limit, a close's deadline or a cut end the wait.
        const bool sent = socket.SendRaw(batch);
        guard.lock();
        in_flight = 0;
        for (OriginBacklog& waiting : backlog) {
            waiting.in_flight = 0;
        }
        if (!sent) {
            // The connection is over (the failed send has closed it, or it was closed): drop the rest.
            serving = false;
            DropQueued();
            guard.unlock();
            socket.Close(DisconnectReason::BROKEN);
            Progressed();
            guard.lock();
            continue;
        }
        guard.unlock();
        Progressed();
        guard.lock();
    }
}

} // namespace pyrandel
