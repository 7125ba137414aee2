#include "net/connect_client.h"

#include <condition_variable>
#include <system_error>
#include <thread>
#include <utility>

namespace pyrandel {

// What a name lookup and the attempt waiting for it share. The lookup thread owns a reference, so the state lives
// as long as either side needs it.
struct ConnectClient::Lookup {
    std::mutex lock;
    std::condition_variable changed;
    bool answered = false;
    bool cancelled = false;
    ResolveResult result;

    void Cancel()
    {
        {
            const std::scoped_lock guard(lock);
            cancelled = true;
        }
        changed.notify_all();
    }
};

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
    // A fresh socket also forgets whatever the last connection left unread. It stands for the attempt until the
    // host's address is known, so Close has something to close from the start.
    if (!socket.Create()) {
        return false;
    }
    phase = Phase::ACTIVE;
    attempt_cancelled = false;
    if (!Start()) {
        socket.Close();
        return false;
    }
    return true;
}

bool ConnectClient::SendLine(std::string_view text)
{
    return sender.Send(text);
}

void ConnectClient::Close()
{
    const std::scoped_lock guard(connect_lock);
    pending_cancelled = attempt_pending;
    attempt_cancelled = true;
    if (lookup) {
        lookup->Cancel();
    }
    // In order: the lines sent before (a player's last END_VS) still reach the host.
    socket.CloseInOrder();
}

void ConnectClient::Shutdown()
{
    Close();
    Join();
    sender.Stop();
}

bool ConnectClient::IsConnected() const
{
    return socket.IsConnected();
}

void ConnectClient::SetResolver(Resolver lookup_host)
{
    const std::scoped_lock guard(connect_lock);
    resolver = std::move(lookup_host);
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
        attempt_cancelled = pending_cancelled;
        attempt_socket = !pending_cancelled && socket.Create() ? AttemptSocket::READY : AttemptSocket::MISSING;
        phase = Phase::ACTIVE;
    }
}

ResolveResult ConnectClient::LookUp(const std::string& name, int attempt_port, bool& cancelled)
{
    auto shared = std::make_shared<Lookup>();
    Resolver look_up;
    {
        const std::scoped_lock guard(connect_lock);
        if (attempt_cancelled) {
            cancelled = true;
            return {};
        }
        look_up = resolver;
        lookup = shared;
    }
    try {
        std::thread([shared, look_up = std::move(look_up), name, attempt_port] {
            ResolveResult result = look_up(name, attempt_port);
            {
                const std::scoped_lock guard(shared->lock);
                shared->result = std::move(result);
                shared->answered = true;
            }
            shared->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        const std::scoped_lock guard(connect_lock);
        lookup.reset();
        return {};
    }
    ResolveResult found;
    {
        std::unique_lock guard(shared->lock);
        shared->changed.wait(guard, [&] { return shared->answered || shared->cancelled; });
        cancelled = !shared->answered;
        if (shared->answered) {
            found = std::move(shared->result);
        }
    }
    const std::scoped_lock guard(connect_lock);
    lookup.reset();
    return found;
}

ConnectResult ConnectClient::ConnectToAny(const ResolveResult& found)
{
    // A refusal says more than silence: the machine is there but hosts nothing, whichever address said so.
    ConnectResult outcome = ConnectResult::FAILED;
    for (const SocketAddress& address : found.addresses) {
        {
            const std::scoped_lock guard(connect_lock);
            if (attempt_cancelled) {
                return ConnectResult::CLOSED;
            }
            // Under the lock, so a Close from now on reaches this socket.
            if (!socket.Create(address.family())) {
                continue;
            }
        }
        const ConnectResult result = socket.Connect(address);
        if (result == ConnectResult::CONNECTED || result == ConnectResult::CLOSED) {
            return result;
        }
        if (result == ConnectResult::REFUSED || outcome == ConnectResult::FAILED) {
            outcome = result;
        }
    }
    return outcome;
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
    ConnectFailure failure = ConnectFailure::FAILED;
    bool connected = false;
    if (attempt_socket == AttemptSocket::READY) {
        bool cancelled = false;
        const auto numeric = SocketAddress::Numeric(name, attempt_port);
        const ResolveResult found = numeric ? ResolveResult{true, {*numeric}} : LookUp(name, attempt_port, cancelled);
        if (cancelled) {
            failure = ConnectFailure::CANCELLED;
        } else if (!found.name_found) {
            failure = ConnectFailure::NAME_NOT_FOUND;
        } else {
            switch (ConnectToAny(found)) {
            case ConnectResult::CONNECTED:
                connected = true;
                break;
            case ConnectResult::REFUSED:
                failure = ConnectFailure::REFUSED;
                break;
            case ConnectResult::UNREACHABLE:
                failure = ConnectFailure::UNREACHABLE;
                break;
            case ConnectResult::CLOSED:
                failure = ConnectFailure::CANCELLED;
                break;
            case ConnectResult::FAILED:
                failure = ConnectFailure::FAILED;
                break;
            }
        }
    } else {
        const std::scoped_lock guard(connect_lock);
        failure = attempt_cancelled ? ConnectFailure::CANCELLED : ConnectFailure::FAILED;
    }
    if (connected && sender.Start()) {
        OnConnect();
        char line[LINE_LIMIT + 1];
        int result = LINE_NONE;
        while ((result = socket.ReadLine(line, LINE_LIMIT)) != LINE_NONE && socket.IsOpen()) {
            OnLine(line);
            // The piece after a cut one is the same line going on.
            line_continues = result == LINE_PARTIAL;
        }
        line_continues = false;
    } else if (connected) {
        connected = false; // no writer could be started: as good as no connection
    }
    // After Close, what was sent before it goes out first (within CLOSE_LINGER); lines sent from now on are
    // dropped.
    sender.Stop();
    {
        const std::scoped_lock guard(connect_lock);
        phase = Phase::LAST_CALLBACK;
    }
    if (connected) {
        OnDisconnect();
    } else {
        OnConnectFailed(failure);
    }
}

} // namespace pyrandel
