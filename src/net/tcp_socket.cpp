// Blocking calls that another thread can always interrupt.
//
// Every descriptor is non-blocking underneath; a call that would block waits in poll() on the descriptor and on a
// wake-up eventfd that belongs to the same connection. Close() marks the connection closed and signals the
// eventfd, which stays readable for good, so every waiter (and every later waiter) returns at once. The
// descriptors themselves are closed only when the last call that uses them has let go (a shared_ptr counts the
// users), so a descriptor number is never reused while some thread still passes it to the kernel.
//
// An orderly close ends only the reading side at first: shutdown(SHUT_RD) wakes a receive blocked in poll, and
// the sending side goes on until the writer has handed over everything and the peer has acknowledged it, or
// until the close's deadline. Only then is the descriptor closed, so the last lines are never lost to a reset
// that a close with unread input (or with bytes still on their way) would send.

#include "net/tcp_socket.h"

#include "net/line_reader.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

namespace pyrandel {

namespace {

// One open connection: the descriptor, its wake-up eventfd and the lock that keeps lines whole.
class Connection {
public:
    Connection(int socket_fd, int wake_fd) : fd(socket_fd), wake(wake_fd) {}
    ~Connection()
    {
        ::close(fd);
        ::close(wake);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Makes every present and future wait on this connection return.
    void Interrupt()
    {
        closed.store(true, std::memory_order_release);
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake, &one, sizeof one);
    }
    [[nodiscard]] bool Interrupted() const { return closed.load(std::memory_order_acquire); }

    // Makes every present and future receive on this connection return; sending goes on.
    void EndReading()
    {
        reading_closed.store(true, std::memory_order_release);
        ::shutdown(fd, SHUT_RD); // a receive waiting in poll sees the descriptor readable and comes to look
    }
    [[nodiscard]] bool ReadingEnded() const { return reading_closed.load(std::memory_order_acquire); }

    enum class Wait { READY, INTERRUPTED };
    // Waits until the descriptor shows `events` or the connection is interrupted. `timeout_ms` -1: no limit.
    // With no events, only the time passes (or the interruption comes).
    [[nodiscard]] Wait WaitFor(short events, int timeout_ms = -1) const
    {
        for (;;) {
            if (Interrupted()) {
                return Wait::INTERRUPTED;
            }
            pollfd fds[2] = {{events != 0 ? fd : -1, events, 0}, {wake, POLLIN, 0}};
            const int ready = ::poll(fds, 2, timeout_ms);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0 || (fds[1].revents & POLLIN) != 0 || Interrupted()) {
                return Wait::INTERRUPTED;
            }
            return Wait::READY; // readiness, a timeout or an error condition: the caller's next call tells which
        }
    }

    const int fd;
    const int wake;
    std::mutex send_lock; // held for a whole line, so lines from several threads never interleave

private:
    std::atomic<bool> closed{false};
    std::atomic<bool> reading_closed{false};
};

using ConnectionPtr = std::shared_ptr<Connection>;

// A socket and its eventfd, both close-on-exec and non-blocking; null when either cannot be made.
ConnectionPtr MakeConnection(int socket_fd)
{
    if (socket_fd < 0) {
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        ::close(socket_fd);
        return nullptr;
    }
    return std::make_shared<Connection>(socket_fd, wake);
}

// A game line is a few dozen bytes and a player waits for each one: never hold it back to fill a packet.
void SendLinesAtOnce(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// How long a connect waits for an answer before the address counts as unreachable. A host on the same network
// answers within milliseconds; this leaves room for two lost SYNs and still lets the next address be tried.
constexpr auto CONNECT_TIMEOUT = std::chrono::seconds(10);

[[nodiscard]] ConnectResult ConnectFailure(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return ConnectResult::REFUSED;
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
    case EADDRNOTAVAIL: // for example an IPv6 address on a machine without IPv6 routes
        return ConnectResult::UNREACHABLE;
    default:
        return ConnectResult::FAILED;
    }
}

// A steady-clock time kept in an atomic as its tick count.
[[nodiscard]] std::chrono::steady_clock::time_point TimeOf(std::chrono::steady_clock::rep ticks)
{
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(ticks));
}

[[nodiscard]] int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left) + 1;
}

// Whether the peer's side holds every byte sent on `fd`, or never will: the connection is gone (reset). The FIN
// that follows the data counts one in the send queue; its acknowledgement is not waited for, as a peer that has
// not closed yet delays it on purpose (hoping to send its own FIN with it).
bool AllAcknowledged(int fd)
{
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 || info.tcpi_state == TCP_CLOSE) {
        return true;
    }
    int unacknowledged = 0;
    return ::ioctl(fd, SIOCOUTQ, &unacknowledged) != 0 || unacknowledged <= 1;
}

// The longest a send waits for the peer before it looks at its deadlines again.
constexpr std::chrono::milliseconds SEND_WAIT_SLICE{100};

// Resource shortages (descriptors, memory) pass; an accepting loop waits this long before it tries again.
constexpr int ACCEPT_RETRY_MS = 100;

bool IsTransientAcceptError(int error)
{
    switch (error) {
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return true;
    default:
        return false;
    }
}

// Errors after which accept simply waits for the next connection: nothing is ready yet, or a connection died in
// the queue before it could be taken.
bool IsRetryAcceptError(int error)
{
    switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

} // namespace

// Whether a connection that a socket takes on is connected to a peer (accepted, connected, moved from one that
// was) or not yet (made for binding or connecting).
enum class Link { NOT_CONNECTED, CONNECTED };

struct TcpSocket::State {
    mutable std::mutex lock; // guards the fields below up to the reader
    ConnectionPtr connection;
    std::atomic<bool> connected{false};
    std::atomic<std::chrono::milliseconds::rep> send_stall_limit_ms{
        std::chrono::duration_cast<std::chrono::milliseconds>(SEND_STALL_LIMIT).count()};
    // Steady-clock time (in its own ticks) by which a receive must have brought something; NO_DEADLINE: none.
    static constexpr std::chrono::steady_clock::rep NO_DEADLINE = 0;
    std::atomic<std::chrono::steady_clock::rep> read_deadline{NO_DEADLINE};
    // Bumped whenever the socket gets a new connection; the reader empties itself when it sees a new value.
    std::atomic<std::uint64_t> generation{0};
    DisconnectReason last_end = DisconnectReason::NONE; // why the last connection ended
    // The connection was ended in order: nobody reads it any more, its sending side is open until the deadline.
    std::atomic<bool> reading_over{false};
    std::atomic<std::chrono::steady_clock::rep> close_deadline{NO_DEADLINE};
    // Send progress: bytes handed to the kernel, and since when the send under way waits for the peer (0: none).
    std::atomic<std::uint64_t> bytes_sent{0};
    std::atomic<std::chrono::steady_clock::rep> send_waiting_since{NO_DEADLINE};

    // Reader: only the reading thread touches these.
    LineReader reader;
    std::uint64_t reader_generation = 0;

    [[nodiscard]] ConnectionPtr Current() const
    {
        const std::scoped_lock guard(lock);
        return connection;
    }

    // Installs a new connection (or none) and returns the old one, which the caller interrupts.
    [[nodiscard]] ConnectionPtr Replace(ConnectionPtr next, Link link)
    {
        if (next) {
            last_end = DisconnectReason::NONE;
        }
        ConnectionPtr old = std::move(connection);
        connection = std::move(next);
        connected.store(link == Link::CONNECTED, std::memory_order_release);
        reading_over.store(false, std::memory_order_release);
        close_deadline.store(NO_DEADLINE, std::memory_order_release);
        generation.fetch_add(1, std::memory_order_acq_rel);
        return old;
    }

    // Ends the connection with `reason`; the caller holds the lock and interrupts what is returned.
    [[nodiscard]] ConnectionPtr End(DisconnectReason reason)
    {
        // An orderly close has already said why the connection ended.
        if (connection && !reading_over.load(std::memory_order_acquire)) {
            last_end = reason;
        }
        return Replace(nullptr, Link::NOT_CONNECTED);
    }

    // Ends the reading side of `expected` (any connection when null) with `reason`; the sending side stays for
    // CLOSE_LINGER. A connection not yet connected is ended outright. The caller holds the lock and, of what is
    // returned, interrupts `cut` and ends the reading of `reading`.
    struct OrderlyEnd {
        ConnectionPtr cut;
        ConnectionPtr reading;
    };
    [[nodiscard]] OrderlyEnd EndInOrder(const Connection* expected, DisconnectReason reason)
    {
        if (!connection || (expected != nullptr && connection.get() != expected) ||
            reading_over.load(std::memory_order_acquire)) {
            return {};
        }
        if (!connected.load(std::memory_order_acquire)) {
            return {End(reason), nullptr};
        }
        last_end = reason;
        close_deadline.store((std::chrono::steady_clock::now() + CLOSE_LINGER).time_since_epoch().count(),
                             std::memory_order_release);
        reading_over.store(true, std::memory_order_release);
        return {nullptr, connection};
    }

    // Ends `expected` if it is still this socket's connection, so a failure seen on an old connection never ends
    // the one that replaced it meanwhile.
    void CloseIf(const Connection* expected, DisconnectReason reason)
    {
        ConnectionPtr old;
        {
            const std::scoped_lock guard(lock);
            if (connection.get() != expected || expected == nullptr) {
                return;
            }
            old = End(reason);
        }
        old->Interrupt();
    }

    // EndInOrder under the lock, then what it asks for.
    void CloseInOrderIf(const Connection* expected, DisconnectReason reason)
    {
        OrderlyEnd ended;
        {
            const std::scoped_lock guard(lock);
            ended = EndInOrder(expected, reason);
        }
        if (ended.cut) {
            ended.cut->Interrupt();
        }
        if (ended.reading) {
            ended.reading->EndReading();
        }
    }
};

TcpSocket::TcpSocket() : state(std::make_unique<State>())
{
}

TcpSocket::~TcpSocket()
{
    Close();
}

TcpSocket::TcpSocket(TcpSocket&& from) noexcept : state(std::make_unique<State>())
{
    TakeOver(from);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& from) noexcept
{
    return TakeOver(from);
}

TcpSocket& TcpSocket::TakeOver(TcpSocket& from)
{
    if (&from == this) {
        return *this;
    }
    // The descriptor moves between the two existing states under both locks, so threads that are sending to or
    // closing either object at this moment see the connection in exactly one of them.
    ConnectionPtr old;
    {
        const std::scoped_lock guard(state->lock, from.state->lock);
        const Link link = from.state->connected.load(std::memory_order_acquire) ? Link::CONNECTED : Link::NOT_CONNECTED;
        ConnectionPtr taken = from.state->Replace(nullptr, Link::NOT_CONNECTED);
        old = state->Replace(std::move(taken), link);
    }
    if (old) {
        old->Interrupt();
    }
    return *this;
}

bool TcpSocket::Create(int family)
{
    ConnectionPtr fresh = MakeConnection(::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fresh && family == AF_INET6) {
        // Dual stack: a socket bound to every IPv6 address takes IPv4 peers as well, whatever the system default.
        const int off = 0;
        ::setsockopt(fresh->fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    }
    ConnectionPtr old;
    {
        const std::scoped_lock guard(state->lock);
        old = state->Replace(fresh, Link::NOT_CONNECTED);
    }
    if (old) {
        old->Interrupt();
    }
    return fresh != nullptr;
}

BindResult TcpSocket::Bind(const SocketAddress& local, AddressReuse reuse)
{
    const ConnectionPtr connection = state->Current();
    if (!connection) {
        return BindResult::FAILED;
    }
    if (reuse == AddressReuse::YES) {
        const int on = 1;
        ::setsockopt(connection->fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    if (::bind(connection->fd, local.get(), local.size()) == 0) {
        return BindResult::BOUND;
    }
    switch (errno) {
    case EADDRINUSE:
        return BindResult::ADDRESS_IN_USE;
    case EACCES: // a port below the system's unprivileged start, without the right to bind it
    case EPERM:
        return BindResult::NOT_PERMITTED;
    case EADDRNOTAVAIL: // an address that is not one of this machine's
        return BindResult::ADDRESS_NOT_AVAILABLE;
    default:
        return BindResult::FAILED;
    }
}

bool TcpSocket::Listen(int backlog)
{
    const ConnectionPtr connection = state->Current();
    return connection && ::listen(connection->fd, backlog) == 0;
}

TcpSocket TcpSocket::Accept()
{
    TcpSocket accepted;
    const ConnectionPtr listener = state->Current();
    if (!listener) {
        return accepted;
    }
    for (;;) {
        if (listener->Interrupted()) {
            return accepted;
        }
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd =
            ::accept4(listener->fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            ConnectionPtr connection = MakeConnection(fd);
            if (!connection) {
                // No descriptor left for the wake-up: this peer is dropped, the listener carries on.
                if (listener->WaitFor(0, ACCEPT_RETRY_MS) == Connection::Wait::INTERRUPTED) {
                    return accepted;
                }
                continue;
            }
            SendLinesAtOnce(fd);
            {
                const std::scoped_lock guard(accepted.state->lock);
                (void)accepted.state->Replace(std::move(connection), Link::CONNECTED);
            }
            return accepted;
        }
        const int error = errno;
        if (IsRetryAcceptError(error)) {
            if (listener->WaitFor(POLLIN) == Connection::Wait::INTERRUPTED) {
                return accepted;
            }
        } else if (IsTransientAcceptError(error)) {
            if (listener->WaitFor(0, ACCEPT_RETRY_MS) == Connection::Wait::INTERRUPTED) {
                return accepted;
            }
        } else {
            return accepted;
        }
    }
}

ConnectResult TcpSocket::Connect(const SocketAddress& remote)
{
    ConnectionPtr connection;
    {
        const std::scoped_lock guard(state->lock);
        if (state->connected.load(std::memory_order_acquire)) {
            return ConnectResult::FAILED;
        }
        connection = state->connection;
    }
    if (!connection || connection->Interrupted()) {
        return ConnectResult::CLOSED;
    }
    int result = ::connect(connection->fd, remote.get(), remote.size());
    int error = result == 0 ? 0 : errno;
    if (result != 0 && (error == EINPROGRESS || error == EINTR)) {
        // The attempt goes on in the kernel; wait for its outcome, for Close, or for the time limit.
        const auto deadline = std::chrono::steady_clock::now() + CONNECT_TIMEOUT;
        for (;;) {
            const int left = MillisecondsUntil(deadline);
            if (left == 0) {
                return ConnectResult::UNREACHABLE;
            }
            if (connection->WaitFor(POLLOUT, left) == Connection::Wait::INTERRUPTED) {
                return ConnectResult::CLOSED;
            }
            pollfd probe{connection->fd, POLLOUT, 0};
            if (::poll(&probe, 1, 0) > 0) {
                break;
            }
        }
        socklen_t length = sizeof error;
        if (::getsockopt(connection->fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        result = error == 0 ? 0 : -1;
    }
    if (result != 0) {
        return ConnectFailure(error);
    }
    SendLinesAtOnce(connection->fd);
    const std::scoped_lock guard(state->lock);
    if (state->connection != connection || connection->Interrupted()) {
        return ConnectResult::CLOSED; // closed, or replaced, while connecting
    }
    state->connected.store(true, std::memory_order_release);
    return ConnectResult::CONNECTED;
}

ResolveResult TcpSocket::Resolve(const std::string& host, int port)
{
    ResolveResult result;
    if (const auto numeric = SocketAddress::Numeric(host, port)) {
        result.name_found = true;
        result.addresses.push_back(*numeric);
        return result;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (host.empty() || ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
        return result;
    }
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if ((entry->ai_family == AF_INET || entry->ai_family == AF_INET6) && entry->ai_addr != nullptr) {
            result.addresses.emplace_back(entry->ai_addr, entry->ai_addrlen);
        }
    }
    ::freeaddrinfo(found);
    result.name_found = !result.addresses.empty();
    return result;
}

int TcpSocket::ReadLine(char* out, int max)
{
    if (!IsConnected()) {
        return LINE_NONE;
    }
    const std::uint64_t generation = state->generation.load(std::memory_order_acquire);
    if (generation != state->reader_generation) {
        state->reader.Clear();
        state->reader_generation = generation;
    }
    return state->reader.ReadLine(out, max,
                                  [this](char* destination, int capacity) { return Receive(destination, capacity); });
}

int TcpSocket::Receive(char* destination, int capacity)
{
    const ConnectionPtr connection = state->Current();
    if (!connection) {
        return 0;
    }
    for (;;) {
        if (connection->Interrupted() || connection->ReadingEnded()) {
            return 0;
        }
        const ssize_t received = ::recv(connection->fd, destination, static_cast<std::size_t>(capacity), 0);
        if (connection->ReadingEnded()) {
            return 0; // closed in order meanwhile: what came is not for anybody, and its end is not the peer's
        }
        if (received > 0) {
            return static_cast<int>(received);
        }
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            // Without a deadline the wait has no time limit, so an idle connection costs no wake-ups.
            const auto deadline = state->read_deadline.load(std::memory_order_acquire);
            int timeout_ms = -1;
            if (deadline != State::NO_DEADLINE) {
                timeout_ms = MillisecondsUntil(TimeOf(deadline));
                if (timeout_ms == 0) {
                    // This side gives up on the peer: what was sent to it still goes out.
                    state->CloseInOrderIf(connection.get(), DisconnectReason::READ_DEADLINE);
                    return 0;
                }
            }
            if (connection->WaitFor(POLLIN, timeout_ms) == Connection::Wait::INTERRUPTED) {
                return 0;
            }
            continue;
        }
        // The peer closed in order, or the connection broke: either way it is over.
        state->CloseIf(connection.get(), received == 0 ? DisconnectReason::PEER_CLOSED : DisconnectReason::BROKEN);
        return 0;
    }
}

bool TcpSocket::SendLine(std::string_view text)
{
    const std::size_t length = std::min(text.size(), text.find('\0'));
    static constexpr char LINE_END[] = "\r\n";
    iovec parts[2] = {{const_cast<char*>(text.data()), length}, {const_cast<char*>(LINE_END), 2}};
    return SendParts(parts, 2);
}

std::optional<std::size_t> TcpSocket::SendLineNow(std::string_view text)
{
    const ConnectionPtr connection = state->Current();
    if (!connection || !state->connected.load(std::memory_order_acquire) || connection->Interrupted()) {
        return std::nullopt;
    }
    const std::size_t length = std::min(text.size(), text.find('\0'));
    static constexpr char LINE_END[] = "\r\n";
    iovec parts[2] = {{const_cast<char*>(text.data()), length}, {const_cast<char*>(LINE_END), 2}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    const std::scoped_lock whole_line(connection->send_lock);
    for (;;) {
        const ssize_t sent = ::sendmsg(connection->fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            state->bytes_sent.fetch_add(static_cast<std::uint64_t>(sent), std::memory_order_acq_rel);
            return static_cast<std::size_t>(sent);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        state->CloseIf(connection.get(), DisconnectReason::BROKEN);
        return std::nullopt;
    }
}

bool TcpSocket::SendRaw(std::string_view bytes)
{
    iovec part{const_cast<char*>(bytes.data()), bytes.size()};
    return SendParts(&part, 1);
}

bool TcpSocket::SendParts(iovec* next, int remaining_parts)
{
    const ConnectionPtr connection = state->Current();
    if (!connection || !state->connected.load(std::memory_order_acquire)) {
        return false; // nothing to send on; a connection still being made is left alone
    }

    const std::scoped_lock whole_line(connection->send_lock);
    const std::chrono::milliseconds stall_limit{state->send_stall_limit_ms.load(std::memory_order_relaxed)};
    auto stall_deadline = std::chrono::steady_clock::now() + stall_limit;
    // Whatever way this send ends, it no longer waits for the peer.
    struct WaitingEnds {
        State& state;
        ~WaitingEnds() { state.send_waiting_since.store(State::NO_DEADLINE, std::memory_order_release); }
    } waiting_ends{*state};
    while (remaining_parts > 0) {
        if (connection->Interrupted()) {
            return false;
        }
        msghdr message{};
        message.msg_iov = next;
        message.msg_iovlen = static_cast<std::size_t>(remaining_parts);
        const ssize_t sent = ::sendmsg(connection->fd, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            const int error = errno;
            if (error == EINTR) {
                continue;
            }
            if (error == EAGAIN || error == EWOULDBLOCK) {
                // The peer reads slowly: wait for room, unless the connection is closed meanwhile or the peer has
                // taken nothing for too long. After an orderly close, the close's deadline ends the wait too.
                const auto now = std::chrono::steady_clock::now();
                auto expected_idle = State::NO_DEADLINE;
                state->send_waiting_since.compare_exchange_strong(expected_idle, now.time_since_epoch().count(),
                                                                  std::memory_order_acq_rel);
                auto deadline = stall_deadline;
                if (const auto closing = state->close_deadline.load(std::memory_order_acquire);
                    closing != State::NO_DEADLINE) {
                    deadline = std::min(deadline, TimeOf(closing));
                }
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
                if (left.count() <= 0) {
                    state->CloseIf(connection.get(), DisconnectReason::SEND_STALLED);
                    return false;
                }
                // In slices, so a deadline that an orderly close sets meanwhile is seen in time.
                const int slice_ms = static_cast<int>(std::min(left, SEND_WAIT_SLICE).count()) + 1;
                if (connection->WaitFor(POLLOUT, slice_ms) == Connection::Wait::READY) {
                    continue;
                }
                return false;
            }
            state->CloseIf(connection.get(), DisconnectReason::BROKEN);
            return false;
        }
        // A short send is not the end of the line: go on from where the kernel stopped.
        stall_deadline = std::chrono::steady_clock::now() + stall_limit;
        state->bytes_sent.fetch_add(static_cast<std::uint64_t>(sent), std::memory_order_acq_rel);
        state->send_waiting_since.store(State::NO_DEADLINE, std::memory_order_release);
        auto done = static_cast<std::size_t>(sent);
        while (remaining_parts > 0 && done >= next->iov_len) {
            done -= next->iov_len;
            ++next;
            --remaining_parts;
        }
        if (remaining_parts > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + done;
            next->iov_len -= done;
        }
    }
    return true;
}

void TcpSocket::SetSendStallLimit(std::chrono::milliseconds limit)
{
    state->send_stall_limit_ms.store(limit.count(), std::memory_order_relaxed);
}

void TcpSocket::LimitKernelSendBuffer(int bytes)
{
    if (const ConnectionPtr connection = state->Current()) {
        ::setsockopt(connection->fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    }
}

void TcpSocket::SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    state->read_deadline.store(deadline ? deadline->time_since_epoch().count() : State::NO_DEADLINE,
                               std::memory_order_release);
}

void TcpSocket::Close(DisconnectReason reason)
{
    ConnectionPtr old;
    {
        const std::scoped_lock guard(state->lock);
        old = state->End(reason);
    }
    if (old) {
        old->Interrupt();
    }
}

void TcpSocket::CloseInOrder(DisconnectReason reason)
{
    state->CloseInOrderIf(nullptr, reason);
}

bool TcpSocket::ClosingInOrder() const
{
    const std::scoped_lock guard(state->lock);
    return state->connection != nullptr && state->reading_over.load(std::memory_order_acquire);
}

void TcpSocket::FinishSending()
{
    ConnectionPtr connection;
    {
        const std::scoped_lock guard(state->lock);
        if (!state->reading_over.load(std::memory_order_acquire)) {
            return; // not closing in order: a cut, or a connection still open, is not this call's to end
        }
        connection = state->connection;
    }
    if (!connection) {
        return;
    }
    const auto deadline = TimeOf(state->close_deadline.load(std::memory_order_acquire));
    // FIN goes out behind the data; once the data is acknowledged, the peer's side holds every byte, and what is
    // left of the close the kernel finishes on its own.
    ::shutdown(connection->fd, SHUT_WR);
    int wait_ms = 1;
    while (!AllAcknowledged(connection->fd)) {
        const int left = MillisecondsUntil(deadline);
        if (left == 0 || connection->WaitFor(0, std::min(wait_ms, left)) == Connection::Wait::INTERRUPTED) {
            break;
        }
        wait_ms = std::min(wait_ms * 2, 50); // on loopback the answer is there at once, far away a round trip later
    }
    // Bytes the peer sent that nobody read would make the close a reset; they are not for anybody now.
    char discard[4096];
    while (::recv(connection->fd, discard, sizeof discard, 0) > 0) {
    }
    state->CloseIf(connection.get(), DisconnectReason::CLOSED);
}

std::uint64_t TcpSocket::BytesSent() const
{
    return state->bytes_sent.load(std::memory_order_acquire);
}

std::chrono::steady_clock::duration TcpSocket::SendWaiting() const
{
    const auto since = state->send_waiting_since.load(std::memory_order_acquire);
    if (since == State::NO_DEADLINE) {
        return std::chrono::steady_clock::duration::zero();
    }
    return std::chrono::steady_clock::now() - TimeOf(since);
}

DisconnectReason TcpSocket::LastEnd() const
{
    const std::scoped_lock guard(state->lock);
    return state->last_end;
}

bool TcpSocket::IsOpen() const
{
    const std::scoped_lock guard(state->lock);
    return state->connection != nullptr && !state->reading_over.load(std::memory_order_acquire);
}

bool TcpSocket::IsConnected() const
{
    return state->connected.load(std::memory_order_acquire) && !state->reading_over.load(std::memory_order_acquire);
}

int TcpSocket::LocalPort() const
{
    const ConnectionPtr connection = state->Current();
    if (!connection) {
        return 0;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(connection->fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    // The port sits at the same place in both families' addresses.
    return ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
}

// SocketAddress

SocketAddress::SocketAddress(const sockaddr* address, socklen_t size)
{
    if (address != nullptr && size > 0 && size <= static_cast<socklen_t>(sizeof storage)) {
        std::memcpy(&storage, address, size);
        length = size;
    }
}

std::optional<SocketAddress> SocketAddress::Numeric(std::string_view text, int port)
{
    // Brackets are how an IPv6 address is written beside a port; a user may type them out of habit.
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        text = text.substr(1, text.size() - 2);
    }
    const std::string literal(text);
    const auto network_port = htons(static_cast<std::uint16_t>(port));
    sockaddr_in v4{};
    if (::inet_pton(AF_INET, literal.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = network_port;
        return SocketAddress(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
    }
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET6, literal.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = network_port;
        return SocketAddress(reinterpret_cast<const sockaddr*>(&v6), sizeof v6);
    }
    return std::nullopt;
}

SocketAddress SocketAddress::AnyIpv6(int port)
{
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    any.sin6_port = htons(static_cast<std::uint16_t>(port));
    any.sin6_addr = in6addr_any;
    return SocketAddress(reinterpret_cast<const sockaddr*>(&any), sizeof any);
}

SocketAddress SocketAddress::AnyIpv4(int port)
{
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(static_cast<std::uint16_t>(port));
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    return SocketAddress(reinterpret_cast<const sockaddr*>(&any), sizeof any);
}

} // namespace pyrandel
