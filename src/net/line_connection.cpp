#include "net/line_connection.h"

#include "net/listen_server.h"

namespace pyrandel {

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

bool LineConnection::IsFree() const
{
    return !socket.IsOpen() && !Running();
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
    owner.OnDisconnect(slot_index);
}

} // namespace pyrandel
