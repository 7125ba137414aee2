#pragma once
// What a browser seat needs of the page it serves: a way to send it one event, and to end the page's socket
// with a reason the page can show. The WebSocket of a page implements it (PageSocket).
//
// Threads: both may be called from any thread and return at once; the socket's own thread does the writing, in
// the order of the calls.

#include <string>
#include <string_view>

namespace pyrandel {

// WebSocket close codes (RFC 6455, 7.4) the server uses, and those of its own in the private range.
enum class CloseCode : unsigned short {
    NORMAL = 1000,
    GOING_AWAY = 1001,       // the server stops
    UNSUPPORTED_DATA = 1003, // a binary frame
    POLICY = 1008,           // too many sockets
    TOO_BIG = 1009,          // a message over the limit
    TRY_AGAIN_LATER = 1013,  // every socket the server allows is taken
    TAKEN_OVER = 4001,       // another tab resumed this seat
    NO_ANSWER = 4002,        // no pong, no message for the silence limit
};

class PageLink {
public:
    // One JSON text message, queued for the page.
    virtual void Send(std::string message) = 0;
    // Sends what is queued, then the close frame with `code` and `reason` (UTF-8, at most 123 bytes).
    virtual void Close(CloseCode code, std::string_view reason) = 0;

protected:
    ~PageLink() = default;
};

} // namespace pyrandel
