#pragma once
// A connection's outgoing queue and the writer thread that drains it.
//
// Send appends the whole line (text and CR LF) to the queue under the queue's own small lock and returns at once,
// so a thread that sends (the host relaying under its one lock, the window thread) never waits on a peer. The
// writer takes everything that has gathered and sends it with the socket's blocking send, so each peer receives
// its lines whole and in the order they were queued, and one slow peer holds up nobody but its own writer.
//
// A connection that falls behind is cut off alone: when more than the queue limit is waiting (queued, or taken by
// the writer and not yet handed to the kernel), or when the peer takes no byte for the socket's stall limit. Both
// close the socket, so the connection's reader sees the end and reports it like any other departure.
//
// Threads: Send from any thread. Start and Stop come from whoever owns the connection's life, one after the other,
// never at the same time (the accepting thread starts a slot's sender, its reading thread stops it). Stop closes
// the socket, which wakes a writer blocked in a send, and joins the writer; the destructor stops.

#include "net/tcp_socket.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace pyrandel {

// Bytes a connection may have waiting before it is cut off: thousands of game lines, far more than any peer
// that still reads ever lets gather, and little enough memory for four connections.
inline constexpr std::size_t SEND_QUEUE_LIMIT = 256 * 1024;

class LineSender {
public:
    explicit LineSender(TcpSocket& socket) : socket(socket) {}
    ~LineSender();
    LineSender(const LineSender&) = delete;
    LineSender& operator=(const LineSender&) = delete;

    // For a new connection on the socket: an empty queue and a running writer. False when the writer of the last
    // connection has not been stopped, or no thread can be started.
    bool Start(std::size_t queue_limit = SEND_QUEUE_LIMIT);
    // Queues one line: the text up to its first NUL, then CR LF. False when no connection is being served (not
    // started, stopped, or its send failed) or when the line would pass the queue limit; the latter closes the
    // socket.
    bool Send(std::string_view text);
    // Closes the socket, drops what is still queued and joins the writer. Any number of times.
    void Stop();

private:
    void Write();

    TcpSocket& socket;
    std::mutex lock; // guards the members below but `writer`
    std::condition_variable wake;
    std::string queued;         // framed lines not yet taken by the writer
    std::size_t in_flight = 0;  // bytes the writer has taken and not yet handed to the kernel
    std::size_t limit = SEND_QUEUE_LIMIT;
    bool serving = false;       // Send accepts lines
    bool stopping = false;      // the writer is to return
    std::thread writer;         // Start and Stop only
};

} // namespace pyrandel
