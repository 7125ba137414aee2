#pragma once
// The limits a web front keeps to, in one place: the defaults are what the programs serve with; tests shorten
// the times. Every limit is enforced by the server (web_server.h) or the front (web_front.h).

#include <chrono>
#include <cstddef>

namespace pyrandel {

using namespace std::chrono_literals;

// A burst of `burst` at once, then `per_second` on average.
struct RateLimit {
    double burst = 0;
    double per_second = 0;
};

struct WebLimits {
    // WebSocket sockets, counted when the upgrade is accepted; the page's own file requests are not counted here
    // (a browser opens several at once for one page) but have a bound of their own.
    int sockets_per_address = 4;
    int sockets_total = 32;
    int http_connections = 64;
    // One text message from a page; a longer one closes its socket (1009).
    std::size_t message_bytes = 1024;
    // To send a whole HTTP request, the upgrade included, and to finish a WebSocket handshake or close.
    std::chrono::milliseconds handshake = 10s;
    // A ping goes out this often; a socket that has sent nothing (no pong, no message) for `silence` is closed.
    std::chrono::milliseconds ping_interval = 25s;
    std::chrono::milliseconds silence = 60s;
    // How long a seat waits in the room for its page to come back.
    std::chrono::milliseconds grace = 60s;
    // Events queued for one page beyond this close its socket; the page gets everything again from the snapshot
    // when it comes back.
    std::size_t queued_bytes = 1 << 20;
    // Intents of any kind, and chat lines (a person's pace, after a burst).
    RateLimit intents{40, 10};
    RateLimit chat{10, 3};
};

} // namespace pyrandel
