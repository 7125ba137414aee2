#pragma once
// One page's WebSocket at /ws: the server side of the socket, text messages of at most the message limit, a
// ping every ping interval, and closed once the page has been silent for the silence limit. Made by the
// WebServer once an upgrade has passed its checks; its events go to the server's PageSocketEvents.
//
// Threads: everything but Send and Close runs on the web thread (the server's io_context), which alone touches
// the stream. Send and Close may come from any thread: they post to the web thread, which writes in call order,
// one write at a time (messages, pings and the close frame share one queue, as the stream allows one write).
// The object lives as long as anybody holds it; once ended, Send and Close do nothing.

#include "web/http_answers.h"
#include "web/page_link.h"
#include "web/web_limits.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pyrandel {

class PageSocket;

// What the server reports of its page sockets, on the web thread. Received and Closed follow Opened only.
class PageSocketEvents {
public:
    virtual void Opened(const std::shared_ptr<PageSocket>& socket) = 0;
    virtual void Received(const std::shared_ptr<PageSocket>& socket, std::string_view text) = 0;
    virtual void Closed(const std::shared_ptr<PageSocket>& socket) = 0;

protected:
    ~PageSocketEvents() = default;
};

class PageSocket final : public PageLink, public std::enable_shared_from_this<PageSocket> {
public:
    using Clock = std::chrono::steady_clock;
    // Called once on the web thread when the socket has ended, however it ended.
    using Ended = std::function<void()>;

    PageSocket(boost::beast::tcp_stream stream, std::string address, const WebLimits& limits, PageSocketEvents& events,
               Ended ended);
    ~PageSocket();
    PageSocket(const PageSocket&) = delete;
    PageSocket& operator=(const PageSocket&) = delete;

    // Web thread: answers the upgrade (the page's subprotocol, no extensions), then reads. With a refusal the
    // handshake is completed and the socket closed at once with that code and reason, so a browser can show it.
    void Start(HttpRequest request, std::optional<std::pair<CloseCode, std::string>> refusal = std::nullopt);

    // PageLink, any thread
    void Send(std::string message) override;
    void Close(CloseCode code, std::string_view reason) override;

    // The peer's IP address, as the limits count it.
    [[nodiscard]] const std::string& address() const { return peer; }
    // Web thread: the socket ends at once, without a close frame (the server stops).
    void Abort();

private:
    enum class Stage { HANDSHAKE, OPEN, CLOSING, ENDED };

    void Read();
    void Queue(std::string message);
    void BeginClose(CloseCode code, std::string reason);
    // Starts the next write, ping or close frame when none is in flight.
    void WriteNext();
    void ArmPing();
    void End();

    boost::beast::websocket::stream<boost::beast::tcp_stream> ws;
    boost::beast::flat_buffer buffer;
    boost::asio::steady_timer ping_timer;
    const std::string peer;
    const WebLimits& limits;
    PageSocketEvents& events;
    Ended ended;

    // Web thread only
    Stage stage = Stage::HANDSHAKE;
    bool opened = false;  // Opened was reported
    bool writing = false; // a write, ping or close is in flight
    bool ping_due = false;
    bool dropping = false; // the rest of a refused message is read and dropped
    std::deque<std::string> outbox;
    std::size_t outbox_bytes = 0;
    std::optional<std::pair<CloseCode, std::string>> close_due;
    Clock::time_point last_heard;
};

} // namespace pyrandel
