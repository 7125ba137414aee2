#include "support/scripted_host.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace pyrandel::test {

ScriptedHost::ScriptedHost()
{
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0) {
        return;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
}

ScriptedHost::~ScriptedHost()
{
    Drop();
    StopListening();
}

bool ScriptedHost::Accept(std::chrono::milliseconds timeout)
{
    pollfd waiting{listener, POLLIN, 0};
    if (listener < 0 || ::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
        return false;
    }
    Drop();
    connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    pending.clear();
    return connection >= 0;
}

bool ScriptedHost::Send(std::string_view text)
{
    std::string line(text);
    line += "\r\n";
    std::size_t sent = 0;
    while (connection >= 0 && sent < line.size()) {
        const ssize_t n = ::send(connection, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return connection >= 0;
}

bool ScriptedHost::Fill(std::chrono::milliseconds timeout)
{
    pollfd waiting{connection, POLLIN, 0};
    if (connection < 0 || ::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
        return false;
    }
    char buffer[512];
    const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
    if (n <= 0) {
        return false;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> ScriptedHost::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto end = pending.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Fill(left)) {
            return std::nullopt;
        }
    }
}

std::optional<std::vector<std::string>> ScriptedHost::ReadUntil(const std::function<bool(std::string_view)>& is_marker,
                                                                std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> before;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto line = ReadLine(std::max(left, std::chrono::milliseconds(0)));
        if (!line) {
            return std::nullopt;
        }
        if (is_marker(*line)) {
            return before;
        }
        before.push_back(std::move(*line));
    }
}

void ScriptedHost::Drop()
{
    if (connection >= 0) {
        ::close(connection);
        connection = -1;
    }
}

void ScriptedHost::StopListening()
{
    if (listener >= 0) {
        ::close(listener);
        listener = -1;
    }
}

} // namespace pyrandel::test
