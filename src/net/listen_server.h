#pragma once
// The host's side of the transport: a listening socket, an accepting thread, and a fixed row of connection
// slots. A connection goes into the lowest free slot; one beyond the slots is offered to OnRefuse and closed.
//
// Callbacks run on the server's threads: OnConnect, OnLine and OnDisconnect of a slot on that slot's thread,
// in that order; OnListenStart, OnRefuse and OnListenEnd on the accepting thread. Callbacks of different slots
// run at the same time; a derived class serialises them itself if it needs to. OnListenEnd is the last callback
// of a run: every slot of that run has been closed and has reported its OnDisconnect before it.
//
// A derived class must call Shutdown() in its own destructor, so no callback runs into a half-destroyed object.

#include "net/line_connection.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace pyrandel {

inline constexpr std::uint32_t ANY_ADDRESS = 0;

class ListenServer : public WorkerThread {
public:
    explicit ListenServer(int slot_count);
    ~ListenServer() override;

    // Starts listening and accepting. False when already listening, or when no socket can be made. A run that has
    // been closed but is still reporting its last callbacks is waited for first (a host stopped and started again
    // at once), so those callbacks never overlap the new run; from inside a callback that is refused (false).
    // A port that cannot be bound still returns true: OnListenStart and OnListenEnd follow.
    // `address` in network byte order; tests bind the loopback address with port 0.
    bool Listen(int port, int backlog, std::uint32_t address = ANY_ADDRESS);
    // The port actually bound (0 when not listening).
    [[nodiscard]] int Port() const;
    [[nodiscard]] bool IsListening() const;

    // Sending: a line for a slot without a connection, or a slot number out of range, is dropped.
    void SendTo(int slot, std::string_view text);
    void SendToAll(std::string_view text);
    void SendToAllExcept(int slot, std::string_view text);

    // Ending, from any thread (callbacks included); none of these waits.
    void CloseSlot(int slot);
    void CloseAllSlots();
    void Close();
    // Close, then wait for every thread of the server to end. Never from the server's own threads.
    void Shutdown();

    [[nodiscard]] int SlotCount() const { return static_cast<int>(slots.size()); }

protected:
    virtual void OnConnect(int slot) { (void)slot; }
    virtual void OnDisconnect(int slot) { (void)slot; }
    virtual void OnLine(int slot, const char* line) { (void)slot, (void)line; }
    virtual void OnRefuse(TcpSocket& incoming) { (void)incoming; }
    virtual void OnListenStart() {}
    virtual void OnListenEnd() {}

private:
    friend class LineConnection;
    void Run() override;
    // The slot for a new connection, its previous thread ended; null when every slot holds a connection.
    [[nodiscard]] LineConnection* PlaceFor() const;

    TcpSocket socket;
    std::vector<std::unique_ptr<LineConnection>> slots;
};

} // namespace pyrandel
