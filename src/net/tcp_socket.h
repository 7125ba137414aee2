#pragma once
// One IPv4 TCP stream socket and the line reader over it. Move-only; the object that holds the descriptor closes
// it. All calls block, but Close() from any thread wakes a recv, accept or connect blocked on the same socket
// and makes it fail, without the descriptor number being reused while that call still uses it.
//
// Lines: a sent line is the text (up to its first NUL) and CR LF, sent whole. A received line ends at CR, at LF
// or at the pair CR LF; ReadLine hands out at most `max` bytes at a time.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

namespace pyrandel {

enum class AddressReuse { NO, YES };

// The most bytes of text a received line holds: both reading loops (LineConnection, ConnectClient) read with this
// limit, so a longer line reaches its reader as pieces of this length, each taken as a line of its own.
inline constexpr int LINE_LIMIT = 79;

// ReadLine results.
inline constexpr int LINE_NONE = 0;     // not connected on entry, or the connection ended (socket now closed)
inline constexpr int LINE_WHOLE = 1;    // a whole line was stored, its end consumed
inline constexpr int LINE_PARTIAL = 2;  // `max` bytes were stored and the line goes on

inline constexpr std::uint32_t ADDRESS_NONE = 0xFFFFFFFFu; // Resolve's answer for an unknown host

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
    bool Create();
    // `address` in network byte order (0: any local address). A listening socket asks for address reuse so a
    // host stopped and started again at once can listen on the same port.
    bool Bind(int port, std::uint32_t address, AddressReuse reuse = AddressReuse::NO);
    bool Listen(int backlog);
    // The accepted connection, or a socket that holds nothing when accept failed (above all after Close).
    [[nodiscard]] TcpSocket Accept();
    // `address` in network byte order. False when already connected, on failure, or when closed meanwhile.
    bool Connect(std::uint32_t address, int port);
    // Name service first (IPv4 only), dotted address second, ADDRESS_NONE when neither works. Network order.
    [[nodiscard]] static std::uint32_t Resolve(const char* host);

    // Lines
    int ReadLine(char* out, int max);
    // Sends all of the line, waiting while the peer reads slowly; lines sent from several threads at once never
    // interleave. False when not connected (a connection still being made is left alone), when closed meanwhile,
    // or when the connection failed (the socket is then closed). A peer that takes no byte for the stall limit
    // (10 s unless set) has its connection ended, so one peer that stopped reading cannot hold its senders for
    // good (a host relays to everybody under one lock).
    bool SendLine(std::string_view text);
    // The program keeps the 10 s; a test shortens it to see a peer that stopped reading cut off in good time.
    void SetSendStallLimit(std::chrono::milliseconds limit);

    // Ending: callable from any thread, any number of times. Also empties the line reader, so unread bytes of an
    // old connection never become the start of the next one.
    void Close();

    [[nodiscard]] bool IsOpen() const;
    [[nodiscard]] bool IsConnected() const;
    // The local port (after Bind), for servers that bound port 0.
    [[nodiscard]] int LocalPort() const;

private:
    // One receive for the line reader: up to `capacity` bytes into `destination`; 0 when the connection ended
    // (the socket is then closed) or was closed.
    int Receive(char* destination, int capacity);

    struct State;
    std::unique_ptr<State> state;
};

} // namespace pyrandel
