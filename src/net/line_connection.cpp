#include "net/line_connection.h"

#include "net/listen_server.h"

namespace pyrandel {

namespace {
// What the kernel may hold for one peer on top of the connection's queue. Game lines are a few dozen bytes; this
// carries a busy lobby over a slow link, and keeps a peer that stops reading from hiding megabytes in the kernel
// before its queue fills.
constexpr int KERNEL_SEND_BUFFER = 64 * 1024;
// The slot whose reading thread this is, so what its callbacks queue is charged to it.
thread_local const ListenServer* calling_server = nullptr;
thread_local int calling_slot = NO_ORIGIN;
} // namespace

LineConnection::LineConnection(ListenServer& owner, int index, int slots)
    : owner(owner), slot_index(index), sender(socket, slots)
{
    sender.SetProgressHandler([this] { this->owner.RelayProgressed(); });
}

int LineConnection::CallingSlot(const ListenServer& server)
{
    return calling_server == &server ? calling_slot : NO_ORIGIN;
}

LineConnection::~LineConnection()
{
    Close();
    Join();
    sender.Stop();
}

void LineConnection::Serve(TcpSocket&& accepted, const ConnectionLimits& limits)
{
    socket.TakeOver(accepted);
    socket.SetSendStallLimit(limits.send_stall);
    socket.LimitKernelSendBuffer(KERNEL_SEND_BUFFER);
    admission = limits.admission;
    // No writer or no thread to read it: never leave a slot occupied by a connection nobody serves.
    if (!sender.Start(limits.send_queue)) {
        socket.Close();
        return;
    }
    if (!Start()) {
        sender.Stop();
    }
}

bool LineConnection::SendLine(std::string_view text, int origin)
{
    return sender.Send(text, origin);
}

std::optional<std::chrono::steady_clock::duration> LineConnection::HoldFor(int origin) const
{
    return sender.HoldFor(origin);
}

void LineConnection::Admit()
{
    socket.SetReadDeadline(std::nullopt);
}

void LineConnection::Close()
{
    socket.CloseInOrder();
    owner.RelayProgressed(); // this slot's thread may be waiting for the others: it has to end instead
}

void LineConnection::Run()
{
    if (admission.count() > 0) {
        socket.SetReadDeadline(std::chrono::steady_clock::now() + admission);
    } else {
        socket.SetReadDeadline(std::nullopt);
    }
    calling_server = &owner;
    calling_slot = slot_index;
    owner.OnConnect(slot_index);
    char line[LINE_LIMIT + 1];
    // A piece of a long line (LINE_PARTIAL) is delivered like a whole line; an unfinished last line is not.
    while (socket.ReadLine(line, LINE_LIMIT) != LINE_NONE && socket.IsOpen()) {
        owner.OnLine(slot_index, line);
        owner.WaitForReaders(slot_index);
    }
    // After an orderly close what was queued goes out first; lines queued from now on are dropped. The writer is
    // gone before the departure is reported.
    sender.Stop();
    owner.OnDisconnect(slot_index, socket.LastEnd());
    calling_server = nullptr;
    calling_slot = NO_ORIGIN;
}

} // namespace pyrandel
