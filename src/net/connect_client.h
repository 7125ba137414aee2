#pragma once
// The player's side of the transport: one outgoing connection, made and read on a thread of its own.
//
// Callbacks run on the client's thread: OnConnect, then OnLine for every received line (pieces of at most 79
// bytes), then OnDisconnect once; or OnConnectFailed alone, with the reason, when the connection could not be
// made (the name did not resolve, nobody answered, or Close ended the attempt). So every Connect that returned
// true ends in exactly one of OnDisconnect and OnConnectFailed, and the thread ends right after it.
//
// The name is looked up on a detached thread of its own that shares only the lookup's state with the attempt
// (a shared_ptr): the attempt waits for the answer or for Close, whichever comes first, so neither Close nor
// Shutdown ever waits for the name service. A lookup that answers after that finds nobody waiting and ends.
// Lines go out through the connection's own queue and writer, so a send never waits on the host.
//
// A derived class must call Shutdown() in its own destructor, so no callback runs into a half-destroyed object.

#include "net/line_sender.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace pyrandel {

enum class ConnectFailure {
    NAME_NOT_FOUND, // the name service knows no address for the name
    REFUSED,        // the machine answered, but nobody listens on the port
    UNREACHABLE,    // no answer in time, or no way to the machine
    CANCELLED,      // Close ended the attempt
    FAILED,         // anything else (no socket could be made)
};

// Looks a host up for a connection to `port`. Tests put in one that answers late or never.
using Resolver = std::function<ResolveResult(const std::string& host, int port)>;

class ConnectClient : public WorkerThread {
public:
    ConnectClient() = default;
    ~ConnectClient() override;

    // Starts connecting to `host` (a name, or an IPv4 or IPv6 address, brackets allowed) at `port`; the
    // addresses a name has are tried in the resolver's order until one answers. The caller never waits for the
    // name service. False while an earlier connection of this object
    // is still being made or read, or when no socket can be made. Called once the earlier
    // connection has been closed but its thread still runs (a player reconnecting as soon as the lobby says the
    // connection ended, or the lobby closing and reconnecting at once), the new attempt is handed to the same
    // thread, which makes it once the last callback has returned.
    bool Connect(std::string_view host, int port);
    // From any thread. False when not connected or the send failed (the connection then ends).
    bool SendLine(std::string_view text);
    // Ends the connection or the attempt from any thread, without waiting. A connection ends in order: no line is
    // read any more, and what was sent before the close reaches the host first (within CLOSE_LINGER, on the
    // client's thread, before OnDisconnect).
    void Close();
    // Close, then wait for the client's thread to end. Never from the client's own thread.
    void Shutdown();
    [[nodiscard]] bool IsConnected() const;
    // Replaces the name service for the attempts started from now on.
    void SetResolver(Resolver lookup);

protected:
    virtual void OnConnect() {}
    virtual void OnDisconnect() {}
    virtual void OnLine(const char* line) { (void)line; }
    virtual void OnConnectFailed(ConnectFailure reason) { (void)reason; }
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
    // The host's addresses, or nothing when Close came first. Numeric addresses need no lookup.
    struct Lookup;
    [[nodiscard]] ResolveResult LookUp(const std::string& name, int attempt_port, bool& cancelled);
    // Tries each address in turn; the result is CONNECTED, or why the last attempt that got an answer failed.
    [[nodiscard]] ConnectResult ConnectToAny(const ResolveResult& found);

    TcpSocket socket;
    LineSender sender{socket};
    std::mutex connect_lock; // one Connect at a time; guards everything below
    std::string host;
    int port = 0;
    Resolver resolver = TcpSocket::Resolve;
    std::shared_ptr<Lookup> lookup; // the lookup the current attempt waits for
    Phase phase = Phase::ACTIVE;
    bool attempt_pending = false;
    bool pending_cancelled = false; // Close came before the thread took up the pending attempt
    bool attempt_cancelled = false; // Close came during the current attempt
    bool line_continues = false;    // the client's thread only
};

} // namespace pyrandel
