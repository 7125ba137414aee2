#include "line_client.h"

#include "deadline.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace pyrandel::test {

LineClient::LineClient(int port, ReceiveBuffer buffer)
{
    Connect(port, buffer);
}

LineClient::~LineClient()
{
    Close();
}

LineClient::LineClient(LineClient&& from) noexcept
    : fd(std::exchange(from.fd, -1)), peer_closed(from.peer_closed), pending(std::move(from.pending))
{
}

LineClient& LineClient::operator=(LineClient&& from) noexcept
{
    if (this != &from) {
        Close();
        fd = std::exchange(from.fd, -1);
        peer_closed = from.peer_closed;
        pending = std::move(from.pending);
    }
    return *this;
}

bool LineClient::Connect(int port, ReceiveBuffer buffer)
{
    Close();
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (buffer == ReceiveBuffer::SMALL) {
        // Before connecting, so the window offered to the peer stays small too.
        const int bytes = 4096;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int result = 0;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        Close();
        return false;
    }
    // Lines go out one by one in the tests and the benchmark; Nagle would only add delay.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

void LineClient::Close()
{
    if (fd >= 0) {
        ::close(std::exchange(fd, -1));
    }
    peer_closed = false;
    pending.clear();
}

bool LineClient::Send(std::string_view text)
{
    std::string line(text);
    line += "\r\n";
    return SendRaw(line);
}

bool LineClient::SendRaw(std::string_view bytes)
{
    if (fd < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool LineClient::Fill(std::chrono::milliseconds timeout)
{
    if (fd < 0 || peer_closed) {
        return false;
    }
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        return false;
    }
    char chunk[4096];
    ssize_t got = 0;
    do {
        got = ::recv(fd, chunk, sizeof chunk, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        peer_closed = true;
        return false;
    }
    pending.append(chunk, static_cast<std::size_t>(got));
    return true;
}

std::optional<std::string> LineClient::TakeLine()
{
    const std::size_t end = pending.find("\r\n");
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 2);
    return line;
}

std::optional<std::string> LineClient::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto line = TakeLine()) {
            return line;
        }
        if (!Fill(std::chrono::milliseconds(RemainingMs(deadline)))) {
            return std::nullopt;
        }
    }
}

std::vector<std::string> LineClient::ReadLines(int count, std::chrono::milliseconds timeout)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        auto line = ReadLine(timeout);
        if (!line) {
            break;
        }
        lines.push_back(std::move(*line));
    }
    return lines;
}

std::optional<std::vector<std::string>> LineClient::ReadUntil(const std::function<bool(std::string_view)>& is_marker,
                                                              std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::vector<std::string> before;
    while (auto line = ReadLine(std::chrono::milliseconds(RemainingMs(deadline)))) {
        if (is_marker(*line)) {
            return before;
        }
        before.push_back(std::move(*line));
    }
    return std::nullopt;
}

bool LineClient::ExpectClosed(std::chrono::milliseconds timeout)
{
    if (!pending.empty()) {
        return false;
    }
    const auto deadline = Clock::now() + timeout;
    while (!peer_closed) {
        if (!Fill(std::chrono::milliseconds(RemainingMs(deadline)))) {
            return peer_closed;
        }
        if (!pending.empty()) {
            return false;
        }
    }
    return true;
}

} // namespace pyrandel::test
