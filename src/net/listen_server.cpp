// The accepting thread owns the slot placement; every other thread only sends to slots and closes them, which the
// sockets make safe on their own. A slot is handed a new connection only after its previous thread has ended, and
// a run ends only after every slot thread of that run has ended, so OnListenEnd is the last callback of a run.

#include "net/listen_server.h"

namespace pyrandel {

ListenServer::ListenServer(int slot_count)
{
    for (int index = 0; index < slot_count; ++index) {
        slots.push_back(std::make_unique<LineConnection>(*this, index));
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
    return bound == BindResult::ADDRESS_IN_USE ? ListenError::PORT_IN_USE : ListenError::FAILED;
}

} // namespace

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
        // IPv6 is taken, full stop: falling back would let this host share the port with another program.
        error = ListenOn(socket, SocketAddress::AnyIpv6(port), backlog);
        if (error == ListenError::FAILED) {
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
        slots[static_cast<std::size_t>(slot)]->SendLine(text);
    }
}

void ListenServer::SendToAll(std::string_view text)
{
    for (const auto& connection : slots) {
        connection->SendLine(text);
    }
}

void ListenServer::SendToAllExcept(int slot, std::string_view text)
{
    for (const auto& connection : slots) {
        if (connection->index() != slot) {
            connection->SendLine(text);
        }
    }
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
            incoming.Close();
        }
    }
    Close();
    for (const auto& connection : slots) {
        connection->Join();
    }
    OnListenEnd();
}

} // namespace pyrandel
