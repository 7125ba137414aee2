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

bool ListenServer::Listen(int port, int backlog, std::uint32_t address)
{
    if (slots.empty() || socket.IsOpen()) {
        return false;
    }
    if (Running()) {
        // The last run was closed and only has its last callbacks left, none of which waits for anybody.
        Join();
        if (Running()) {
            return false; // called from one of those callbacks
        }
    }
    if (!socket.Create()) {
        return false;
    }
    // A port that cannot be had ends the run at once (OnListenStart, OnListenEnd). Listening on an unbound socket
    // would quietly pick a random port instead, so the socket is closed before the accepting thread sees it.
    if (!socket.Bind(port, address, AddressReuse::YES) || !socket.Listen(backlog)) {
        socket.Close();
    }
    if (!Start()) {
        socket.Close();
        return false;
    }
    return true;
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
            slot->Serve(std::move(incoming));
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
