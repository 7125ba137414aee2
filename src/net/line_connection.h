#pragma once
// One accepted connection of a ListenServer, read on a thread of its own: reports its start, every received line
// (in pieces of at most 79 bytes) and its end to the owner, always with its slot number, always on its thread.

#include "net/tcp_socket.h"
#include "net/worker_thread.h"

namespace pyrandel {

class ListenServer;

class LineConnection final : public WorkerThread {
public:
    LineConnection(ListenServer& owner, int index);
    ~LineConnection() override;

    // Takes over the accepted socket and starts the reading thread. Only for a free slot.
    void Serve(TcpSocket&& accepted);
    bool SendLine(std::string_view text);
    // Ends the connection from any thread; the reading thread then reports OnDisconnect and ends.
    void Close();
    // Holds a connection (its thread may already be gone or not yet started).
    [[nodiscard]] bool IsOpen() const { return socket.IsOpen(); }
    [[nodiscard]] int index() const { return slot_index; }

private:
    void Run() override;

    ListenServer& owner;
    const int slot_index;
    TcpSocket socket;
};

} // namespace pyrandel
