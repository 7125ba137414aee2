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
//
// Pacing: what a slot's callbacks send is charged to that slot, and after each of its lines the slot is read no
// further while another peer that still takes what it is sent is behind with that slot's lines. So a peer that
// sends faster than the others can take its lines is slowed to their pace (TCP holds its further lines in its
// own socket), a quiet peer is never held, and a peer that takes nothing holds nobody up for long: it is cut
// alone by its queue limit or the stall limit.
//
// Ending in order: closing a slot or the server lets every connection send what was queued before the close
// (within CLOSE_LINGER) before it ends; a refused connection's last line likewise reaches it.

#include "net/line_connection.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace pyrandel {

// Why Listen did not start a run (also why the browser page could not be served).
enum class ListenError {
    NONE,
    ALREADY_LISTENING,     // or a run's last callbacks are still running and Listen was called from one of them
    PORT_IN_USE,           // another program holds the port
    NOT_PERMITTED,         // a port below 1024 without the right to bind it
    ADDRESS_NOT_AVAILABLE, // the address is not one of this machine's
    FAILED,                // no slots, no socket, no numeric address, or no thread
};

// The reason in plain words, for a log or a terminal ("another program uses it").
[[nodiscard]] std::string_view ListenErrorText(ListenError error);

struct ListenResult {
    ListenError error = ListenError::NONE;
    explicit operator bool() const { return error == ListenError::NONE; }
};

class ListenServer : public WorkerThread {
public:
    explicit ListenServer(int slot_count);
    ~ListenServer() override;

    // Starts listening and accepting. Refused when already listening, when the port or the address cannot be
    // had, or when no socket can be made; a refused Listen starts no thread and reports nothing. A run that has
    // been closed but is still reporting its last callbacks is waited for first (a host stopped and started again
    // at once), so those callbacks never overlap the new run; from inside a callback that is refused.
    // `address`: empty for every address of the machine, IPv6 and IPv4 alike (IPv4 alone where the machine has no
    // IPv6); else a numeric address such as "127.0.0.1" or "::1" (tests bind the loopback with port 0).
    ListenResult Listen(int port, int backlog, std::string_view address = {});
    // The port actually bound (0 when not listening).
    [[nodiscard]] int Port() const;
    [[nodiscard]] bool IsListening() const;

    // Sending: a line for a slot without a connection, or a slot number out of range, is dropped.
    void SendTo(int slot, std::string_view text);
    void SendToAll(std::string_view text);
    void SendToAllExcept(int slot, std::string_view text);

    // The connection in `slot` has introduced itself: it is no longer held to the admission time.
    void Admit(int slot);
    // Limits for the connections accepted from now on; call before Listen.
    void SetConnectionLimits(const ConnectionLimits& limits) { connection_limits = limits; }
    [[nodiscard]] const ConnectionLimits& GetConnectionLimits() const { return connection_limits; }

    // Ending, from any thread (callbacks included); none of these waits.
    void CloseSlot(int slot);
    void CloseAllSlots();
    void Close();
    // Close, then wait for every thread of the server to end. Never from the server's own threads.
    void Shutdown();

    [[nodiscard]] int SlotCount() const { return static_cast<int>(slots.size()); }

protected:
    virtual void OnConnect(int slot) { (void)slot; }
    // `reason`: why the connection ended, never NONE.
    virtual void OnDisconnect(int slot, DisconnectReason reason) { (void)slot, (void)reason; }
    virtual void OnLine(int slot, const char* line) { (void)slot, (void)line; }
    virtual void OnRefuse(TcpSocket& incoming) { (void)incoming; }
    virtual void OnListenStart() {}
    virtual void OnListenEnd() {}

private:
    friend class LineConnection;
    void Run() override;
    // The slot for a new connection, its previous thread ended; null when every slot holds a connection.
    [[nodiscard]] LineConnection* PlaceFor() const;
    // On `origin`'s thread after each of its lines: returns once no peer that still takes its lines is behind
    // with them, or once `origin`'s connection is closed.
    void WaitForReaders(int origin);
    // Queued lines have gone somewhere, or a connection was closed: waiting slots look again.
    void RelayProgressed();

    // Before the slots, which report progress until they are gone.
    std::mutex relay_lock; // pairs with relay_progress; guards nothing else
    std::condition_variable relay_progress;
    TcpSocket socket;
    std::vector<std::unique_ptr<LineConnection>> slots;
    ConnectionLimits connection_limits; // read by the accepting thread, which Listen starts after any change
};

} // namespace pyrandel
