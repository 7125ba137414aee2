// The accepting thread owns the slot placement; every other thread only sends to slots and closes them, which the
// sockets make safe on their own. A slot is handed a new connection only after its previous thread has ended, and
// a run ends only after every slot thread of that run has ended, so OnListenEnd is the last callback of a run.

#include "net/listen_server.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace pyrandel {

ListenServer::ListenServer(int slot_count)
{
    for (int index = 0; index < slot_count; ++index) {
        slots.push_back(std::make_unique<LineConnection>(*this, index, slot_count));
    }
}

ListenServer::~ListenServer()
{
    Shutdown();
}

namespace {

// Binds and listens on `local`; the socket is closed again when that fails.
ListenError ListenOn(TcpSocket& socket, const SocketAddress& local, int backlog)
{
    if (!socket.Create(local.family())) {
        return ListenError::FAILED;
    }
    const BindResult bound = socket.Bind(local, AddressReuse::YES);
    if (bound == BindResult::BOUND && socket.Listen(backlog)) {
        return ListenError::NONE;
    }
    socket.Close();
    switch (bound) {
    case BindResult::ADDRESS_IN_USE:
        return ListenError::PORT_IN_USE;
    case BindResult::NOT_PERMITTED:
        return ListenError::NOT_PERMITTED;
    case BindResult::ADDRESS_NOT_AVAILABLE:
        return ListenError::ADDRESS_NOT_AVAILABLE;
    case BindResult::BOUND: // bound, but listen failed
    case BindResult::FAILED:
        break;
    }
    return ListenError::FAILED;
}

} // namespace

std::string_view ListenErrorText(ListenError error)
{
    switch (error) {
    case ListenError::NONE:
        return "listening";
    case ListenError::ALREADY_LISTENING:
        return "already listening";
    case ListenError::PORT_IN_USE:
        return "another program uses it";
    case ListenError::NOT_PERMITTED:
        return "not permitted (a port below 1024 needs root or CAP_NET_BIND_SERVICE)";
    case ListenError::ADDRESS_NOT_AVAILABLE:
        return "the address is not one of this machine's";
    case ListenError::FAILED:
        break;
    }
    return "the network is not available";
}

ListenResult ListenServer::Listen(int port, int backlog, std::string_view address)
{
    if (slots.empty()) {
        return {ListenError::FAILED};
    }
    if (socket.IsOpen()) {
        return {ListenError::ALREADY_LISTENING};
    }
    if (Running()) {
        // The last run was closed and only has its last callbacks left, none of which waits for anybody.
        Join();
        if (Running()) {
            return {ListenError::ALREADY_LISTENING}; // called from one of those callbacks
        }
    }
    ListenError error = ListenError::FAILED;
    if (address.empty()) {
        // One IPv6 socket serves both families; a machine without IPv6 gets an IPv4 one instead. A port taken on
        // IPv6 is taken, full stop: falling back would let this host share the port with another program; and a
        // port not permitted on IPv6 is not permitted on IPv4 either.
        error = ListenOn(socket, SocketAddress::AnyIpv6(port), backlog);
        if (error == ListenError::FAILED || error == ListenError::ADDRESS_NOT_AVAILABLE) {
            error = ListenOn(socket, SocketAddress::AnyIpv4(port), backlog);
        }
    } else if (const auto local = SocketAddress::Numeric(address, port)) {
        error = ListenOn(socket, *local, backlog);
    }
    if (error != ListenError::NONE) {
        return {error};
    }
    if (!Start()) {
        socket.Close();
        return {ListenError::FAILED};
    }
    return {};
}

int ListenServer::Port() const
{
    return socket.LocalPort();
}

bool ListenServer::IsListening() const
{
    return socket.IsOpen();
}

void ListenServer::SendTo(int slot, std::string_view text)
{
    if (slot >= 0 && slot < SlotCount()) {
        slots[static_cast<std::size_t>(slot)]->SendLine(text, LineConnection::CallingSlot(*this));
    }
}

void ListenServer::SendToAll(std::string_view text)
{
    const int origin = LineConnection::CallingSlot(*this);
    for (const auto& connection : slots) {
        connection->SendLine(text, origin);
    }
}

void ListenServer::SendToAllExcept(int slot, std::string_view text)
{
    const int origin = LineConnection::CallingSlot(*this);
    for (const auto& connection : slots) {
        if (connection->index() != slot) {
            connection->SendLine(text, origin);
        }
    }
}

void ListenServer::WaitForReaders(int origin)
{
    LineConnection& own = *slots[static_cast<std::size_t>(origin)];
    std::unique_lock guard(relay_lock);
    while (own.IsOpen()) {
        std::optional<std::chrono::steady_clock::duration> look_again;
        for (const auto& connection : slots) {
            if (connection.get() == &own) {
                continue;
            }
            if (const auto hold = connection->HoldFor(origin)) {
                look_again = look_again ? std::min(*look_again, *hold) : *hold;
            }
        }
        if (!look_again) {
            return;
        }
        // Progress wakes the wait; the time limit is when a peer that took nothing meanwhile stops holding.
        relay_progress.wait_for(guard, *look_again);
    }
}

void ListenServer::RelayProgressed()
{
    // Taking the lock orders this after a waiter's look at the queues, so the wake-up is never lost.
    {
        const std::scoped_lock guard(relay_lock);
    }
    relay_progress.notify_all();
}

void ListenServer::Admit(int slot)
{
    if (slot >= 0 && slot < SlotCount()) {
        slots[static_cast<std::size_t>(slot)]->Admit();
    }
}

void ListenServer::CloseSlot(int slot)
{
    if (slot >= 0 && slot < SlotCount()) {
        slots[static_cast<std::size_t>(slot)]->Close();
    }
}

void ListenServer::CloseAllSlots()
{
    for (const auto& connection : slots) {
        connection->Close();
    }
}

void ListenServer::Close()
{
    CloseAllSlots();
    socket.Close();
}

void ListenServer::Shutdown()
{
    Close();
    Join(); // the accepting thread joins the slot threads of its run before it ends
    for (const auto& connection : slots) {
        connection->Close();
        connection->Join();
    }
}

LineConnection* ListenServer::PlaceFor() const
{
    // The lowest slot without a connection. Its thread may still be reporting the end of the last one; that
    // report is short, and waiting for it keeps the slot order exact without ever sharing a slot.
    for (const auto& connection : slots) {
        if (connection->IsOpen()) {
            continue;
        }
        connection->Join();
        return connection.get();
    }
    return nullptr;
}

void ListenServer::Run()
{
    OnListenStart();
    for (;;) {
        TcpSocket incoming = socket.Accept();
        if (!incoming.IsOpen()) {
            break;
        }
        if (LineConnection* slot = PlaceFor()) {
            slot->Serve(std::move(incoming), connection_limits);
        } else {
            OnRefuse(incoming);
            // Waits at most CLOSE_LINGER, so that what OnRefuse said reaches the peer rather than a reset.
            incoming.CloseInOrder();
            incoming.FinishSending();
        }
    }
    Close();
    for (const auto& connection : slots) {
        connection->Join();
    }
    OnListenEnd();
}

} // namespace pyrandel
