#pragma once
// A page's WebSocket for tests and benchmarks, with no browser and no code of the page: Beast's client speaking
// to /ws on 127.0.0.1, with the Origin a browser on the page would send unless a test says otherwise. Every wait
// has a limit; a limit that passes ends the connection (the test has failed by then).
//
// One PageClient is used by one thread at a time.

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <boost/json/object.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pyrandel::test {

using namespace std::chrono_literals;

struct PageHandshake {
    std::optional<std::string> origin; // nothing: the page's own, http://127.0.0.1:<port>
    bool send_origin = true;
    std::string subprotocol = "pyrandel.v1";
    std::string path = "/ws";
    bool offer_deflate = false;
};

class PageClient {
public:
    explicit PageClient(int port, PageHandshake handshake = {});
    ~PageClient();
    PageClient(const PageClient&) = delete;
    PageClient& operator=(const PageClient&) = delete;

    // Whether the upgrade was accepted; otherwise the HTTP status the server answered with (0: none).
    [[nodiscard]] bool Open() const { return open; }
    [[nodiscard]] int RefusedStatus() const { return refused_status; }
    // Headers of the accepted upgrade's answer.
    [[nodiscard]] const std::string& Subprotocol() const { return subprotocol; }
    [[nodiscard]] const std::string& Extensions() const { return extensions; }

    bool Send(std::string_view text);
    bool SendBinary(std::string_view bytes);
    // Sends {"type": type, ...fields}.
    bool Intent(std::string_view type, boost::json::object fields = {});

    // The next event, or nothing when none comes in time or the socket closes.
    [[nodiscard]] std::optional<boost::json::object> Next(std::chrono::milliseconds limit = 10s);
    // The next event of `type` (the ones before it are kept in Seen()); `with` also matches a field's text.
    [[nodiscard]] std::optional<boost::json::object> WaitFor(std::string_view type,
                                                             std::chrono::milliseconds limit = 10s);
    [[nodiscard]] std::optional<boost::json::object> WaitForNotice(std::string_view text,
                                                                   std::chrono::milliseconds limit = 10s);
    // Reads (and answers pings) until the server closes; the close code and reason.
    [[nodiscard]] std::optional<std::pair<int, std::string>> WaitClosed(std::chrono::milliseconds limit = 10s);
    [[nodiscard]] const std::vector<boost::json::object>& Seen() const { return seen; }
    // The bytes that arrive, unread by the WebSocket (so no ping is answered), until the server ends the
    // connection; nothing when it does not within `limit`.
    [[nodiscard]] std::optional<std::string> ReadRawUntilEnd(std::chrono::milliseconds limit = 10s);
    // Ends the connection without a close frame, as a tab that is killed.
    void Drop();

private:
    boost::asio::io_context io;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws;
    boost::beast::flat_buffer buffer;
    bool open = false;
    bool closed = false;
    int refused_status = 0;
    std::string subprotocol;
    std::string extensions;
    std::vector<boost::json::object> seen;
};

} // namespace pyrandel::test
