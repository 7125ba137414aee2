#pragma once
// The far end of a connection under test: plain blocking POSIX sockets on 127.0.0.1, so every byte that the
// transport sends or receives can be written and checked exactly. Also the waits and the process counts the
// network tests share.

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace pyrandel::test {

inline const std::uint32_t LOOPBACK = htonl(INADDR_LOOPBACK);

// Waits for `condition` without assuming how fast the machine is; false only when it never came true.
template <typename Condition>
bool WaitUntil(Condition&& condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline int CountEntries(const char* directory)
{
    int count = 0;
    if (DIR* dir = ::opendir(directory)) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                ++count;
            }
        }
        ::closedir(dir);
    }
    return count;
}

// Open descriptors and threads of this process.
inline int OpenDescriptors()
{
    return CountEntries("/proc/self/fd");
}
inline int Threads()
{
    return CountEntries("/proc/self/task");
}

// The thread count to come back to. One thread is started and joined first, because a sanitizer's runtime starts
// a helper thread of its own with the process's first thread and keeps it.
inline int ThreadsAtStart()
{
    std::thread([] {}).join();
    return Threads();
}

// Whether the thread count comes down to `threads`: a joined thread can still be listed for a moment, because the
// kernel wakes its joiner before it takes the thread away.
inline bool ThreadsBackTo(int threads)
{
    return WaitUntil([&] { return Threads() <= threads; });
}

// Sockets of this machine still sending their SYN to `port` (connects that the listener has not answered).
inline int SynPendingTo(int port)
{
    std::ifstream table("/proc/self/net/tcp");
    std::string line;
    std::getline(table, line); // heading
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    int count = 0;
    while (std::getline(table, line)) {
        // "  sl  local_address rem_address   st ..."; state 02 is SYN_SENT
        char local[64], remote[64];
        unsigned state = 0;
        if (std::sscanf(line.c_str(), " %*d: %63s %63s %x", local, remote, &state) == 3 && state == 0x02 &&
            std::string_view(remote).ends_with(wanted)) {
            ++count;
        }
    }
    return count;
}

class RawPeer;
// Connects non-blocking to `port` until the listener's queue is full and a request is left unanswered.
std::vector<RawPeer> FillListenQueue(int port);

class RawPeer {
public:
    RawPeer() = default;
    explicit RawPeer(int fd) : fd(fd) {}
    ~RawPeer() { Close(); }
    RawPeer(RawPeer&& from) noexcept : fd(std::exchange(from.fd, -1)) {}
    RawPeer& operator=(RawPeer&& from) noexcept
    {
        if (this != &from) {
            Close();
            fd = std::exchange(from.fd, -1);
        }
        return *this;
    }

    // Connects to 127.0.0.1:`port`; each Send then leaves as its own segment.
    [[nodiscard]] static RawPeer ConnectTo(int port)
    {
        RawPeer peer(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = LOOPBACK;
        if (::connect(peer.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            peer.Close();
            return peer;
        }
        const int on = 1;
        ::setsockopt(peer.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return peer;
    }

    [[nodiscard]] bool IsOpen() const { return fd >= 0; }

    bool Send(std::string_view bytes) const
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Bytes up to and including the next LF; empty when the connection ended first.
    [[nodiscard]] std::string ReceiveLine()
    {
        std::string line;
        for (;;) {
            const auto end = pending.find('\n');
            if (end != std::string::npos) {
                line = pending.substr(0, end + 1);
                pending.erase(0, end + 1);
                return line;
            }
            if (!ReceiveMore()) {
                return {};
            }
        }
    }

    // Everything until the peer closes.
    [[nodiscard]] std::string ReceiveAll()
    {
        while (ReceiveMore()) {
        }
        return std::exchange(pending, {});
    }

    // Whether the other side has closed (after any bytes it sent, which are dropped).
    [[nodiscard]] bool WaitForClose()
    {
        while (ReceiveMore()) {
            pending.clear();
        }
        return true;
    }

    void Close()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

    [[nodiscard]] int Descriptor() const { return fd; }

private:
    bool ReceiveMore()
    {
        char chunk[4096];
        const ssize_t received = ::recv(fd, chunk, sizeof chunk, 0);
        if (received <= 0) {
            return false;
        }
        pending.append(chunk, static_cast<std::size_t>(received));
        return true;
    }

    int fd = -1;
    std::string pending;
};

// A plain listening socket on 127.0.0.1 with an ephemeral port, for the client side's tests.
class RawListener {
public:
    // `receive_buffer` above 0: the accepted connections offer a window that small.
    explicit RawListener(int backlog = 8, int receive_buffer = 0) : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        if (receive_buffer > 0) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = LOOPBACK;
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::listen(fd, backlog);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        bound_port = ntohs(address.sin_port);
    }
    ~RawListener() { ::close(fd); }
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    [[nodiscard]] int Port() const { return bound_port; }
    [[nodiscard]] RawPeer Accept() const
    {
        RawPeer peer(::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC));
        const int on = 1;
        ::setsockopt(peer.Descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return peer;
    }

private:
    int fd;
    int bound_port = 0;
};

inline std::vector<RawPeer> FillListenQueue(int port)
{
    std::vector<RawPeer> fillers;
    while (SynPendingTo(port) == 0 && fillers.size() < 64) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = LOOPBACK;
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers.emplace_back(fd);
        // The handshake of a request that is answered completes at once on loopback: wait for it, but not for
        // long, as a request the full queue drops never completes.
        pollfd connected{fd, POLLOUT, 0};
        ::poll(&connected, 1, 5);
    }
    return fillers;
}

} // namespace pyrandel::test
