#pragma once
// One accepted connection of a ListenServer, read on a thread of its own: reports its start, every received line
// (in pieces of at most 79 bytes) and its end to the owner, always with its slot number, always on its thread.
// Lines to the peer go through the connection's own queue and writer (LineSender), so sending never waits on the
// peer. Lines that a slot's own thread queues (its callbacks' relays and answers) are charged to that slot, and
// after each of its lines the slot is read no further while the other peers are behind with its lines
// (ListenServer::WaitForReaders).
//
// Close ends the connection in order: reading stops at once, and what was queued before goes out first.
//
// A connection that has not been admitted (ListenServer::Admit) within its admission time is closed by its own
// reading thread: its receive then waits with that time limit, and without any once admitted, so an idle
// connection costs no wake-ups.

#include "net/line_sender.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

namespace pyrandel {

class ListenServer;

// Limits that keep one connection from holding a seat or the others for long. Tests shorten them.
struct ConnectionLimits {
    std::size_t send_queue = SEND_QUEUE_LIMIT;
    std::chrono::milliseconds send_stall = SEND_STALL_LIMIT;
    // From the connection's start until it is admitted; zero: no limit.
    std::chrono::milliseconds admission{0};
};

class LineConnection final : public WorkerThread {
public:
    // `slots`: how many slots the owner has, each an origin lines may be charged to.
    LineConnection(ListenServer& owner, int index, int slots);
    ~LineConnection() override;

    // Takes over the accepted socket and starts the writer and the reading thread. Only for a free slot.
    void Serve(TcpSocket&& accepted, const ConnectionLimits& limits);
    // Queues one line charged to `origin`; false when the slot serves no connection or the peer has fallen too
    // far behind.
    bool SendLine(std::string_view text, int origin);
    // Whether the slot `origin` should wait for this peer to catch up with its lines (LineSender::HoldFor).
    [[nodiscard]] std::optional<std::chrono::steady_clock::duration> HoldFor(int origin) const;
    // The connection may stay without sending for as long as it likes.
    void Admit();
    // Ends the connection in order from any thread: the reading thread reports OnDisconnect (CLOSED) once what
    // was queued has gone out (within CLOSE_LINGER), and ends.
    void Close();
    // The slot whose thread is calling, when it is one of `server`'s; NO_ORIGIN for any other thread.
    [[nodiscard]] static int CallingSlot(const ListenServer& server);
    // Holds a connection (its thread may already be gone or not yet started).
    [[nodiscard]] bool IsOpen() const { return socket.IsOpen(); }
    [[nodiscard]] int index() const { return slot_index; }

private:
    void Run() override;

    ListenServer& owner;
    const int slot_index;
    TcpSocket socket;
    LineSender sender;
    std::chrono::milliseconds admission{0}; // set by Serve before the thread starts
};

} // namespace pyrandel
