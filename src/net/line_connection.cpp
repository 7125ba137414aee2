#include "net/line_connection.h"

#include "net/listen_server.h"

namespace pyrandel {

LineConnection::LineConnection(ListenServer& owner, int index) : owner(owner), slot_index(index) {}

LineConnection::~LineConnection()
{
    Close();
    Join();
}

void LineConnection::Serve(TcpSocket&& accepted)
{
    socket.TakeOver(accepted);
    if (!Start()) {
        socket.Close(); // no thread to read it: never leave a slot occupied by a connection nobody serves
    }
}

bool LineConnection::SendLine(std::string_view text)
{
    return socket.SendLine(text);
}

void LineConnection::Close()
{
    socket.Close();
}

void LineConnection::Run()
{
    owner.OnConnect(slot_index);
    char line[LINE_LIMIT + 1];
    // A piece of a long line (LINE_PARTIAL) is delivered like a whole line; an unfinished last line is not.
    while (socket.ReadLine(line, LINE_LIMIT) != LINE_NONE && socket.IsOpen()) {
        owner.OnLine(slot_index, line);
    }
    socket.Close();
    owner.OnDisconnect(slot_index);
}

} // namespace pyrandel
