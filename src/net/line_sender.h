#pragma once
// A connection's outgoing queue and the writer thread that drains it.
//
// Send never waits on a peer: when nothing waits before the line and the writer is idle, the line goes straight
// to the kernel with a send that does not wait (a game line fits whole unless the peer is far behind), so the
// writer need not be woken for it; otherwise the line (or what the kernel did not take of it) is appended to the
// queue under the queue's own small lock. The writer takes everything that has gathered and sends it with the
// socket's blocking send, so each peer receives its lines whole and in the order they were sent, and one slow
// peer holds up nobody but its own writer.
//
// Pacing: a line may be charged to an origin (the host's slot whose peer caused it). HoldFor tells that origin
// whether to wait before it is read any further: while more than a mark of its lines waits here and this peer
// still takes what is sent to it. So a peer that floods the host is read no faster than the others take its lines,
// while a peer that takes nothing holds nobody up for long (see the marks and graces below).
//
// A connection that falls behind is cut off alone: when more than the queue limit is waiting (queued, or taken by
// the writer and not yet handed to the kernel), or when the peer takes no byte for the socket's stall limit. Both
// close the socket, so the connection's reader sees the end and reports it like any other departure.
//
// Ending: after the socket was closed in order (TcpSocket::CloseInOrder), Stop lets the writer send what was
// queued before the close and finish the connection, within CLOSE_LINGER; after a cut it drops what is queued.
//
// Threads: Send and HoldFor from any thread. Start and Stop come from whoever owns the connection's life, one
// after the other, never at the same time (the accepting thread starts a slot's sender, its reading thread stops
// it). The progress handler runs on the writer, and on whichever thread drops the queue.

#include "net/tcp_socket.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pyrandel {

// Bytes a connection may have waiting before it is cut off: thousands of game lines, far more than any peer
// that still reads ever lets gather, and little enough memory for four connections.
inline constexpr std::size_t SEND_QUEUE_LIMIT = 256 * 1024;
// How much of one origin's lines may wait for a peer before that origin waits too, in eighths of the queue limit.
// Past the first mark the origin waits for a peer that has taken something since; a peer that was already taking
// nothing when the mark was passed holds up nobody while it shows whether it still reads. Past the second mark
// the origin waits for that one too, briefly, so a peer that reads but was between two reads at the mark is not
// pushed to the queue limit.
inline constexpr std::size_t RELAY_MARK_EIGHTHS = 1;
inline constexpr std::size_t RELAY_NEAR_LIMIT_EIGHTHS = 6;
// How long a peer may take nothing at all and still hold up an origin: one that took something since the first
// mark (it reads, perhaps in bursts), and one that has not. A peer that reads takes bytes every round trip; one
// that does not is then left to the queue limit and the stall limit.
inline constexpr std::chrono::milliseconds HOLD_GRACE{1000};
inline constexpr std::chrono::milliseconds NEAR_LIMIT_GRACE{250};
// A line charged to no origin.
inline constexpr int NO_ORIGIN = -1;

class LineSender {
public:
    // `origins`: how many origins lines may be charged to (0 to `origins` - 1).
    explicit LineSender(TcpSocket& socket, int origins = 0);
    ~LineSender();
    LineSender(const LineSender&) = delete;
    LineSender& operator=(const LineSender&) = delete;

    // For a new connection on the socket: an empty queue and a running writer. False when the writer of the last
    // connection has not been stopped, or no thread can be started.
    bool Start(std::size_t queue_limit = SEND_QUEUE_LIMIT);
    // Queues one line: the text up to its first NUL, then CR LF, charged to `origin`. False when no connection is
    // being served (not started, stopped, closed, or its send failed) or when the line would pass the queue limit;
    // the latter closes the socket.
    bool Send(std::string_view text, int origin = NO_ORIGIN);
    // Ends the writer and joins it: after an orderly close of the socket once what was queued has gone out (or
    // CLOSE_LINGER has passed), else at once, closing the socket and dropping what is still queued. Any number of
    // times.
    void Stop();

    // Pacing
    // Whether `origin` should wait for this peer; if so, how long until it should look again even if nothing is
    // sent meanwhile (the peer may then count as taking nothing).
    [[nodiscard]] std::optional<std::chrono::steady_clock::duration> HoldFor(int origin) const;
    // Called whenever queued bytes have gone (sent or dropped), so waiting origins can look again. Set before
    // Start.
    void SetProgressHandler(std::function<void()> handler) { on_progress = std::move(handler); }

private:
    void Write();
    // Forgets what is queued; the caller holds the lock.
    void DropQueued();
    void Progressed() const;

    // Bytes of one origin's lines: queued, and taken by the writer and not yet handed to the kernel; and how many
    // bytes the socket had sent when they passed the first mark.
    struct OriginBacklog {
        std::size_t queued = 0;
        std::size_t in_flight = 0;
        std::uint64_t sent_at_mark = 0;
    };

    TcpSocket& socket;
    mutable std::mutex lock; // guards the members below but `writer` and `on_progress`
    std::condition_variable wake;
    std::string queued;        // framed lines not yet taken by the writer
    std::size_t in_flight = 0; // bytes the writer has taken and not yet handed to the kernel
    std::size_t limit = SEND_QUEUE_LIMIT;
    std::vector<OriginBacklog> backlog; // per origin
    bool serving = false;               // Send accepts lines
    bool finishing = false;             // the writer sends what is left, finishes the connection and returns
    bool stopping = false;              // the writer is to return at once
    std::function<void()> on_progress;
    std::thread writer; // Start and Stop only
};

} // namespace pyrandel
