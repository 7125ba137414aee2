#include "net/connect_client.h"

namespace pyrandel {

ConnectClient::~ConnectClient()
{
    Shutdown();
}

bool ConnectClient::Connect(std::string_view host_name, int host_port)
{
    const std::scoped_lock guard(connect_lock);
    if (Running()) {
        switch (phase) {
        case Phase::ACTIVE:
            if (socket.IsOpen()) {
                return false; // a connection is being made or read
            }
            [[fallthrough]]; // closed: the thread is on its way to its last callback
        case Phase::LAST_CALLBACK:
            if (attempt_pending) {
                return false;
            }
            // The thread makes this attempt once its last callback has returned; it creates the socket then, so
            // nothing it still does to the old one can touch the new one.
            host.assign(host_name);
            port = host_port;
            attempt_pending = true;
            pending_cancelled = false;
            return true;
        case Phase::EXITING:
            Join(); // the thread has no callback left to run: only its return
            break;
        }
    }
    host.assign(host_name);
    port = host_port;
    // A fresh socket also forgets whatever the last connection left unread.
    if (!socket.Create()) {
        return false;
    }
    phase = Phase::ACTIVE;
    if (!Start()) {
        socket.Close();
        return false;
    }
    return true;
}

bool ConnectClient::SendLine(std::string_view text)
{
    return socket.SendLine(text);
}

void ConnectClient::Close()
{
    const std::scoped_lock guard(connect_lock);
    pending_cancelled = attempt_pending;
    socket.Close();
}

void ConnectClient::Shutdown()
{
    Close();
    Join();
}

bool ConnectClient::IsConnected() const
{
    return socket.IsConnected();
}

void ConnectClient::Run()
{
    AttemptSocket attempt_socket = AttemptSocket::READY; // Connect made the first attempt's socket
    for (;;) {
        Attempt(attempt_socket);
        const std::scoped_lock guard(connect_lock);
        if (!attempt_pending) {
            phase = Phase::EXITING;
            return;
        }
        attempt_pending = false;
        // Under the lock, so a Close from now on reaches the new socket.
        attempt_socket = !pending_cancelled && socket.Create() ? AttemptSocket::READY : AttemptSocket::MISSING;
        phase = Phase::ACTIVE;
    }
}

void ConnectClient::Attempt(AttemptSocket attempt_socket)
{
    std::string name;
    int attempt_port = 0;
    {
        const std::scoped_lock guard(connect_lock);
        name = host;
        attempt_port = port;
    }
    // The name is looked up here so the caller never waits for the name service.
    const std::uint32_t address =
        attempt_socket == AttemptSocket::READY ? TcpSocket::Resolve(name.c_str()) : ADDRESS_NONE;
    const bool connected = address != ADDRESS_NONE && socket.Connect(address, attempt_port);
    if (connected) {
        OnConnect();
        char line[LINE_LIMIT + 1];
        int result = LINE_NONE;
        while ((result = socket.ReadLine(line, LINE_LIMIT)) != LINE_NONE && socket.IsOpen()) {
            OnLine(line);
            // The piece after a cut one is the same line going on.
            line_continues = result == LINE_PARTIAL;
        }
        line_continues = false;
    }
    socket.Close();
    {
        const std::scoped_lock guard(connect_lock);
        phase = Phase::LAST_CALLBACK;
    }
    if (connected) {
        OnDisconnect();
    } else {
        OnConnectFailed();
    }
}

} // namespace pyrandel
