#pragma once
// One TCP stream socket (IPv4 or IPv6) and the line reader over it. Move-only; the object that holds the descriptor closes
// it. All calls block, but Close() from any thread wakes a recv, accept or connect blocked on the same socket
// and makes it fail, without the descriptor number being reused while that call still uses it.
//
// Lines: a sent line is the text (up to its first NUL) and CR LF, sent whole. A received line ends at CR, at LF
// or at the pair CR LF; ReadLine hands out at most `max` bytes at a time.
//
// Two ways to end a connection: Close cuts it (whatever is still being sent is lost), CloseInOrder ends the
// reading at once but lets what is being sent reach the peer first, within CLOSE_LINGER (FinishSending).

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct iovec;

namespace pyrandel {

enum class AddressReuse { NO, YES };

// The most bytes of text a received line holds: both reading loops (LineConnection, ConnectClient) read with this
// limit, so a longer line reaches its reader as pieces of this length, each taken as a line of its own.
inline constexpr int LINE_LIMIT = 79;

// ReadLine results.
inline constexpr int LINE_NONE = 0;    // not connected on entry, or the connection ended (socket now closed)
inline constexpr int LINE_WHOLE = 1;   // a whole line was stored, its end consumed
inline constexpr int LINE_PARTIAL = 2; // `max` bytes were stored and the line goes on

// A peer that takes no byte for this long has stopped reading (the kernel holds hundreds of kilobytes for it, a
// game sends a few dozen a line). Its connection is ended, so its writer is held up for a bounded time only.
inline constexpr std::chrono::milliseconds SEND_STALL_LIMIT = std::chrono::seconds(10);

// How long an orderly close may take to hand the peer what was sent before it. A peer that reads takes a few
// lines within a round trip; one that does not must not hold up a program that quits.
inline constexpr std::chrono::milliseconds CLOSE_LINGER = std::chrono::seconds(1);

// An IPv4 or IPv6 address with a port, as the kernel takes it. A plain value.
class SocketAddress {
public:
    SocketAddress() = default; // no address: connecting to it fails
    SocketAddress(const sockaddr* address, socklen_t size);
    // A numeric address ("127.0.0.1", "::1", "[::1]") at `port`; nothing for anything else, names included.
    [[nodiscard]] static std::optional<SocketAddress> Numeric(std::string_view text, int port);
    // Every local address of the family at `port`.
    [[nodiscard]] static SocketAddress AnyIpv6(int port);
    [[nodiscard]] static SocketAddress AnyIpv4(int port);

    [[nodiscard]] int family() const { return storage.ss_family; }
    [[nodiscard]] const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    [[nodiscard]] socklen_t size() const { return length; }

private:
    sockaddr_storage storage{};
    socklen_t length = 0;
};

enum class BindResult { BOUND, ADDRESS_IN_USE, NOT_PERMITTED, ADDRESS_NOT_AVAILABLE, FAILED };
// Why a connection ended. Of several causes at once, the first to close the connection is the one kept.
enum class DisconnectReason {
    NONE,            // not ended: still open, or never connected
    PEER_CLOSED,     // the peer closed its side in order
    BROKEN,          // a receive or a send failed: reset by the peer, or the way to it lost
    READ_DEADLINE,   // nothing arrived by the read deadline (a host's connection not admitted in time)
    SEND_STALLED,    // the peer took no byte for the send stall limit
    SEND_QUEUE_FULL, // more than the send queue limit waited for the peer (LineSender)
    CLOSED,          // this side closed it: let go, stopped or shut down
};
// How an attempt to connect ended. Timed out and unreachable are one answer: either way nobody answered.
enum class ConnectResult { CONNECTED, REFUSED, UNREACHABLE, CLOSED, FAILED };

struct ResolveResult {
    bool name_found = false;
    std::vector<SocketAddress> addresses; // in the resolver's order
};

class TcpSocket {
public:
    TcpSocket();
    ~TcpSocket();
    TcpSocket(TcpSocket&& from) noexcept;
    TcpSocket& operator=(TcpSocket&& from) noexcept; // TakeOver
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Takes the connection of `from`, closing any this object held first. The reader starts empty.
    TcpSocket& TakeOver(TcpSocket& from);

    // Set-up
    // A socket of `family` (AF_INET or AF_INET6). An IPv6 socket also takes IPv4 peers (mapped addresses), so
    // one socket bound to every IPv6 address serves both families.
    bool Create(int family = AF_INET);
    // A listening socket asks for address reuse so a host stopped and started again at once can listen on the
    // same port.
    BindResult Bind(const SocketAddress& local, AddressReuse reuse = AddressReuse::NO);
    bool Listen(int backlog);
    // The accepted connection, or a socket that holds nothing when accept failed (above all after Close).
    [[nodiscard]] TcpSocket Accept();
    // Connects the created socket (of the address's family). Not CONNECTED when already connected, when nobody
    // answers within the connect time limit, on failure, or when closed meanwhile.
    ConnectResult Connect(const SocketAddress& remote);
    // Looks `host` up for a stream connection to `port`, both families; numeric addresses need no lookup. Blocks
    // for as long as the name service takes.
    [[nodiscard]] static ResolveResult Resolve(const std::string& host, int port);

    // Lines
    int ReadLine(char* out, int max);
    // Sends all of the line, waiting while the peer reads slowly; lines sent from several threads at once never
    // interleave. False when not connected (a connection still being made is left alone), when closed meanwhile,
    // or when the connection failed (the socket is then closed). A peer that takes no byte for the stall limit
    // (10 s unless set) has its connection ended, so one peer that stopped reading cannot hold its sender for
    // good. Blocking: the host and the client send through a LineSender's queue, never from a thread that
    // others wait on.
    bool SendLine(std::string_view text);
    // The same for bytes that are already framed (whole lines with their CR LF), as a connection's writer sends
    // what has gathered in its queue. Also after CloseInOrder, until FinishSending.
    bool SendRaw(std::string_view bytes);
    // Hands the kernel as much of the line (text up to its first NUL, then CR LF) as it takes at once, without
    // waiting: how many bytes it took, or nothing when the connection failed (the socket is then closed) or is
    // not connected. For a connection's writer's owner that sends directly while nothing waits before the line.
    [[nodiscard]] std::optional<std::size_t> SendLineNow(std::string_view text);
    void SetSendStallLimit(std::chrono::milliseconds limit);
    // Caps what the kernel holds for the peer (it would otherwise let the buffer grow to megabytes), so a queue
    // in front of the socket is what decides how far a peer may fall behind.
    void LimitKernelSendBuffer(int bytes);
    // A receive still waiting at `deadline` ends the connection in order; nothing: no limit. Any thread may set
    // it.
    void SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);
    // How sending goes, for whoever paces what it queues to what the peer takes: bytes handed to the kernel in
    // all, and how long the send under way has waited for the peer to take anything (zero when none waits).
    [[nodiscard]] std::uint64_t BytesSent() const;
    [[nodiscard]] std::chrono::steady_clock::duration SendWaiting() const;

    // Ending: callable from any thread, any number of times. Also empties the line reader, so unread bytes of an
    // old connection never become the start of the next one. `reason` is kept when this call ends a connection.
    // Close cuts: a send under way fails and what it had not handed to the kernel is lost.
    void Close(DisconnectReason reason = DisconnectReason::CLOSED);
    // Ends the connection in order: from now on IsOpen and IsConnected are false and a blocked or later receive
    // returns nothing, but sending goes on until FinishSending, or until CLOSE_LINGER has passed. An attempt to
    // connect, or a listening socket, has nothing to deliver: for them this is Close.
    void CloseInOrder(DisconnectReason reason = DisconnectReason::CLOSED);
    // The connection was ended in order and its sending side is still open.
    [[nodiscard]] bool ClosingInOrder() const;
    // After CloseInOrder, from the thread that sends: nothing more will be sent. Tells the peer so, waits until
    // the peer has acknowledged every byte (at most until the close's CLOSE_LINGER is up), then closes for good.
    void FinishSending();
    // Why the last connection ended; NONE while one is held or before any has ended.
    [[nodiscard]] DisconnectReason LastEnd() const;

    [[nodiscard]] bool IsOpen() const;
    [[nodiscard]] bool IsConnected() const;
    // The local port (after Bind), for servers that bound port 0.
    [[nodiscard]] int LocalPort() const;

private:
    // One receive for the line reader: up to `capacity` bytes into `destination`; 0 when the connection ended
    // (the socket is then closed) or was closed.
    int Receive(char* destination, int capacity);
    // Sends the parts in turn, all of them or nothing more once the connection fails.
    bool SendParts(iovec* next, int remaining_parts);

    struct State;
    std::unique_ptr<State> state;
};

} // namespace pyrandel
