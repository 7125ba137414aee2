#pragma once
// The player's side of the transport: one outgoing connection, made and read on a thread of its own.
//
// Callbacks run on the client's thread: OnConnect, then OnLine for every received line (pieces of at most 79
// bytes), then OnDisconnect once; or OnConnectFailed alone when the connection could not be made (the name did not
// resolve, nobody answered, or Close ended the attempt). So every Connect that returned true ends in exactly one
// of OnDisconnect and OnConnectFailed, and the thread ends right after it.
//
// A derived class must call Shutdown() in its own destructor, so no callback runs into a half-destroyed object.

#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace pyrandel {

class ConnectClient : public WorkerThread {
public:
    ConnectClient() = default;
    ~ConnectClient() override;

    // Starts connecting to `host` (a name or a dotted address) at `port`. The name is looked up on the client's
    // thread, so the caller never waits for the name service. False while an earlier connection of this object
    // is still being made or read, or when no socket can be made. Called once the earlier
    // connection has been closed but its thread still runs (a player reconnecting as soon as the lobby says the
    // connection ended, or the lobby closing and reconnecting at once), the new attempt is handed to the same
    // thread, which makes it once the last callback has returned.
    bool Connect(std::string_view host, int port);
    // From any thread. False when not connected or the send failed (the connection then ends).
    bool SendLine(std::string_view text);
    // Ends the connection or the attempt from any thread, without waiting.
    void Close();
    // Close, then wait for the client's thread to end. Never from the client's own thread.
    void Shutdown();
    [[nodiscard]] bool IsConnected() const;

protected:
    virtual void OnConnect() {}
    virtual void OnDisconnect() {}
    virtual void OnLine(const char* line) { (void)line; }
    virtual void OnConnectFailed() {}
    // During OnLine: the line is not a line of its own but the rest of a longer one, cut after 79 bytes.
    [[nodiscard]] bool LineContinues() const { return line_continues; }

private:
    // Where the client's thread is, as Connect needs to know it.
    enum class Phase { ACTIVE, LAST_CALLBACK, EXITING };
    // Whether an attempt has its socket: none when it could not be made, or Close came before the attempt.
    enum class AttemptSocket { READY, MISSING };

    void Run() override;
    // One attempt: connect (when the socket is ready), then deliver lines until the connection ends.
    void Attempt(AttemptSocket attempt_socket);

    TcpSocket socket;
    std::mutex connect_lock; // one Connect at a time; guards everything below
    std::string host;
    int port = 0;
    Phase phase = Phase::ACTIVE;
    bool attempt_pending = false;
    bool pending_cancelled = false; // Close came before the thread took up the pending attempt
    bool line_continues = false; // the client's thread only
};

} // namespace pyrandel
