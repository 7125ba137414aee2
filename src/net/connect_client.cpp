#include "net/connect_client.h"

#include "net/line_connection.h"

namespace pyrandel {

ConnectClient::~ConnectClient()
{
    Shutdown();
}

bool ConnectClient::Connect(std::string_view host_name, int host_port)
{
    const std::scoped_lock guard(connect_lock);
    bool hand_over = false;
    if (Running()) {
        switch (phase) {
        case Phase::ACTIVE:
            return false;
        case Phase::LAST_CALLBACK:
            if (attempt_pending) {
                return false;
            }
            hand_over = true;
            break;
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
    if (hand_over) {
        attempt_pending = true;
        return true;
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
    for (;;) {
        Attempt();
        const std::scoped_lock guard(connect_lock);
        if (!attempt_pending) {
            phase = Phase::EXITING;
            return;
        }
        attempt_pending = false;
        phase = Phase::ACTIVE;
    }
}

void ConnectClient::Attempt()
{
    std::string name;
    int attempt_port = 0;
    {
        const std::scoped_lock guard(connect_lock);
        name = host;
        attempt_port = port;
    }
    // The name is looked up here so the caller never waits for the name service.
    const std::uint32_t address = TcpSocket::Resolve(name.c_str());
    const bool connected = address != ADDRESS_NONE && socket.Connect(address, attempt_port);
    if (connected) {
        OnConnect();
        char line[LINE_LIMIT + 1];
        while (socket.ReadLine(line, LINE_LIMIT) != LINE_NONE && socket.IsOpen()) {
            OnLine(line);
        }
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
