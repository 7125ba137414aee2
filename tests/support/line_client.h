#pragma once
// A raw loopback line client for tests: speaks the wire format byte for byte, with no code of the program in
// between, so a test sees exactly what a peer would see.
//
// Sending: Send adds CR LF to the text; SendRaw sends the bytes as they are (for split or odd line ends).
// Receiving: a line is the bytes up to CR LF, handed out without that pair. Anything else (a lone CR or LF)
// stays inside the line, so a sender that ends a line wrongly shows up in the test's comparison.
// Every wait has a timeout, so a missing line fails the test instead of hanging it. No wait decides that nothing
// more will come: a test proves that with a marker line ordered behind everything it expects (host_round_trip.h).
//
// One LineClient is used by one thread at a time. Connections go to 127.0.0.1 only.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel::test {

using namespace std::chrono_literals;

// How long a line is awaited before the wait counts as failed; generous, as sanitizer builds are slow.
inline constexpr std::chrono::milliseconds LINE_TIMEOUT = 5s;

// A small receive buffer makes a client that stops reading hold up its sender soon, for tests of a stalled peer.
enum class ReceiveBuffer { DEFAULT, SMALL };

class LineClient {
public:
    LineClient() = default;
    // Connects at once to 127.0.0.1:port; check IsConnected().
    explicit LineClient(int port, ReceiveBuffer buffer = ReceiveBuffer::DEFAULT);
    ~LineClient();
    LineClient(LineClient&& from) noexcept;
    LineClient& operator=(LineClient&& from) noexcept;
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    // Connection
    bool Connect(int port, ReceiveBuffer buffer = ReceiveBuffer::DEFAULT);
    [[nodiscard]] bool IsConnected() const { return fd >= 0; }
    // Closes the socket; the peer sees the connection end.
    void Close();

    // Sending
    bool Send(std::string_view text);     // text + CR LF
    bool SendRaw(std::string_view bytes); // exactly these bytes

    // Receiving
    // The next line, or nothing when none arrives in time or the connection ends first.
    [[nodiscard]] std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = LINE_TIMEOUT);
    // Up to `count` lines; fewer when the timeout for one of them passes or the connection ends.
    [[nodiscard]] std::vector<std::string> ReadLines(int count, std::chrono::milliseconds timeout = LINE_TIMEOUT);
    // The lines before the first one that `is_marker` accepts, which is taken too; nothing when no such line
    // arrives in time or the connection ends first.
    [[nodiscard]] std::optional<std::vector<std::string>>
    ReadUntil(const std::function<bool(std::string_view)>& is_marker, std::chrono::milliseconds timeout = LINE_TIMEOUT);
    // True when the peer ends the connection within `timeout` with no further byte sent before that.
    [[nodiscard]] bool ExpectClosed(std::chrono::milliseconds timeout = LINE_TIMEOUT);

private:
    // Reads what is there into `pending`, waiting at most `timeout`. False on timeout or end of connection.
    bool Fill(std::chrono::milliseconds timeout);
    [[nodiscard]] std::optional<std::string> TakeLine();

    int fd = -1;
    bool peer_closed = false;
    std::string pending;
};

} // namespace pyrandel::test
