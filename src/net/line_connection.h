#pragma once
// One accepted connection of a ListenServer, read on a thread of its own: reports its start, every received line
// (in pieces of at most 79 bytes) and its end to the owner, always with its slot number, always on its thread.
// Lines to the peer go through the connection's own queue and writer (LineSender), so sending never waits on the
// peer.
//
// A connection that has not been admitted (ListenServer::Admit) within its admission time is closed by its own
// reading thread: its receive then waits with that time limit, and without any once admitted, so an idle
// connection costs no wake-ups.

#include "net/line_sender.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <chrono>
#include <cstddef>

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
    LineConnection(ListenServer& owner, int index);
    ~LineConnection() override;

    // Takes over the accepted socket and starts the writer and the reading thread. Only for a free slot.
    void Serve(TcpSocket&& accepted, const ConnectionLimits& limits);
    // Queues one line; false when the slot serves no connection or the peer has fallen too far behind.
    bool SendLine(std::string_view text);
    // The connection may stay without sending for as long as it likes.
    void Admit();
    // Ends the connection from any thread; the reading thread then reports OnDisconnect (CLOSED) and ends.
    void Close();
    // Holds a connection (its thread may already be gone or not yet started).
    [[nodiscard]] bool IsOpen() const { return socket.IsOpen(); }
    [[nodiscard]] int index() const { return slot_index; }

private:
    void Run() override;

    ListenServer& owner;
    const int slot_index;
    TcpSocket socket;
    LineSender sender{socket};
    std::chrono::milliseconds admission{0}; // set by Serve before the thread starts
};

} // namespace pyrandel
