#include "net/line_connection.h"

#include "net/listen_server.h"

namespace pyrandel {

namespace {
// What the kernel may hold for one peer on top of the connection's queue. Game lines are a few dozen bytes; this
// carries a busy lobby over a slow link, and keeps a peer that stops reading from hiding megabytes in the kernel
// before its queue fills.
constexpr int KERNEL_SEND_BUFFER = 64 * 1024;
} // namespace

LineConnection::LineConnection(ListenServer& owner, int index) : owner(owner), slot_index(index) {}

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

bool LineConnection::SendLine(std::string_view text)
{
    return sender.Send(text);
}

void LineConnection::Admit()
{
    socket.SetReadDeadline(std::nullopt);
}

void LineConnection::Close()
{
    socket.Close();
}

void LineConnection::Run()
{
    if (admission.count() > 0) {
        socket.SetReadDeadline(std::chrono::steady_clock::now() + admission);
    } else {
        socket.SetReadDeadline(std::nullopt);
    }
    owner.OnConnect(slot_index);
    char line[LINE_LIMIT + 1];
    // A piece of a long line (LINE_PARTIAL) is delivered like a whole line; an unfinished last line is not.
    while (socket.ReadLine(line, LINE_LIMIT) != LINE_NONE && socket.IsOpen()) {
        owner.OnLine(slot_index, line);
    }
    // Lines queued for the peer from now on are dropped; the writer is gone before the departure is reported.
    sender.Stop();
    owner.OnDisconnect(slot_index, socket.LastEnd());
}

} // namespace pyrandel
