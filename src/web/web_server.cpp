#include "web/web_server.h"

#include "text/text_codec.h"
#include "text/texts.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <optional>
#include <utility>

namespace pyrandel {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using ErrorCode = beast::error_code;

namespace {

// The peer's address as the limits count it: an IPv4 peer of a dual-stack socket by its IPv4 address.
[[nodiscard]] std::string PeerAddress(const tcp::socket& socket)
{
    ErrorCode error;
    net::ip::address address = socket.remote_endpoint(error).address();
    if (error) {
        return {};
    }
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        address = net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6());
    }
    return address.to_string();
}

} // namespace

// One HTTP connection: requests answered in turn until the peer stops, a request takes too long, or it asks to
// become a page socket (handed to the server, which counts it).
class HttpConnection final : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(tcp::socket socket, std::string address, WebServer& server)
        : stream(std::move(socket)), address(std::move(address)), server(server)
    {
    }

    void Read()
    {
        parser.emplace();
        parser->header_limit(REQUEST_LIMIT);
        parser->body_limit(REQUEST_LIMIT);
        stream.expires_after(server.limits().handshake);
        http::async_read(stream, buffer, *parser,
                         [self = shared_from_this()](ErrorCode error, std::size_t) { self->OnRequest(error); });
    }

    void Abort()
    {
        ErrorCode ignored;
        stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream.close();
        End();
    }

private:
    void OnRequest(ErrorCode error)
    {
        if (error == http::error::end_of_stream || error == beast::error::timeout ||
            error == net::error::operation_aborted || error == net::error::connection_reset || ended) {
            Abort();
            return;
        }
        if (error) {
            // Not HTTP, a header too long, a body where none belongs.
            Write(BadRequest(11), false);
            return;
        }
        HttpRequest request = parser->release();
        if (beast::websocket::is_upgrade(request)) {
            if (auto refusal = RefuseUpgrade(request)) {
                refusal->keep_alive(false);
                Write(std::move(*refusal), false);
                return;
            }
            stream.expires_never();
            End();
            server.Upgrade(std::move(stream), address, std::move(request));
            return;
        }
        HttpResponse response = AnswerRequest(request);
        const bool keep_alive = response.keep_alive();
        Write(std::move(response), keep_alive);
    }

    void Write(HttpResponse answer, bool keep_alive)
    {
        response = std::move(answer);
        stream.expires_after(server.limits().handshake);
        http::async_write(stream, *response, [self = shared_from_this(), keep_alive](ErrorCode error, std::size_t) {
            if (error || !keep_alive || self->ended) {
                self->Abort();
                return;
            }
            self->Read();
        });
    }

    void End()
    {
        if (!ended) {
            ended = true;
            server.HttpEnded();
        }
    }

    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    std::optional<HttpResponse> response;
    const std::string address;
    WebServer& server;
    bool ended = false;
};

WebServer::WebServer(const WebLimits& limits, PageSocketEvents& events) : limits_(limits), events(events), acceptor(io)
{
}

WebServer::~WebServer()
{
    Stop();
}

ListenError WebServer::Listen(const WebAddress& where)
{
    ErrorCode error;
    const auto open = [&](const net::ip::address& address, bool dual_stack) {
        error.clear();
        const tcp::endpoint endpoint(address, static_cast<unsigned short>(where.port));
        acceptor.open(endpoint.protocol(), error);
        if (error) {
            return false;
        }
        acceptor.set_option(net::socket_base::reuse_address(true), error);
        if (dual_stack) {
            acceptor.set_option(net::ip::v6_only(false), error);
        }
        acceptor.bind(endpoint, error);
        if (!error) {
            acceptor.listen(net::socket_base::max_listen_connections, error);
        }
        if (error) {
            ErrorCode ignored;
            acceptor.close(ignored);
            return false;
        }
        return true;
    };
    bool listening = false;
    if (where.address.empty()) {
        // A machine without IPv6 still serves IPv4.
        listening = open(net::ip::address_v6::any(), true) ||
                    (error != net::error::address_in_use && open(net::ip::address_v4::any(), false));
    } else {
        const net::ip::address address = net::ip::make_address(where.address, error);
        listening = !error && open(address, false);
    }
    if (!listening) {
        if (error == net::error::address_in_use) {
            return ListenError::PORT_IN_USE;
        }
        if (error == net::error::access_denied) {
            return ListenError::NOT_PERMITTED;
        }
        return error == boost::system::errc::address_not_available ? ListenError::ADDRESS_NOT_AVAILABLE
                                                                   : ListenError::FAILED;
    }
    port.store(acceptor.local_endpoint().port());
    Accept();
    thread = std::thread([this] { io.run(); });
    return ListenError::NONE;
}

void WebServer::Accept()
{
    acceptor.async_accept([this](ErrorCode error, tcp::socket socket) {
        if (error == net::error::operation_aborted || closed) {
            return;
        }
        if (!error) {
            if (http_open >= limits_.http_connections) {
                // Too many at once: the peer sees the connection end and may try again.
                ErrorCode ignored;
                socket.close(ignored);
            } else {
                ++http_open;
                // Events are small and each matters at once: no waiting to fill a segment.
                ErrorCode ignored;
                socket.set_option(tcp::no_delay(true), ignored);
                std::string address = PeerAddress(socket);
                auto connection = std::make_shared<HttpConnection>(std::move(socket), std::move(address), *this);
                live_connections.remove_if([](const auto& weak) { return weak.expired(); });
                live_connections.push_back(connection);
                connection->Read();
            }
        }
        Accept();
    });
}

void WebServer::Upgrade(beast::tcp_stream stream, std::string address, HttpRequest request)
{
    std::optional<std::pair<CloseCode, std::string>> refusal;
    if (sockets_open >= limits_.sockets_total) {
        refusal.emplace(CloseCode::TRY_AGAIN_LATER, Cp932ToUtf8(texts::CLOSE_TOO_MANY));
    } else if (sockets_from[address] >= limits_.sockets_per_address) {
        refusal.emplace(CloseCode::POLICY, Cp932ToUtf8(texts::CLOSE_TOO_MANY_FROM_ADDRESS));
    }
    PageSocket::Ended ended;
    if (refusal) {
        // A refused socket lives until its close handshake is over; it counts as an HTTP connection meanwhile.
        ++http_open;
        ended = [this] { HttpEnded(); };
    } else {
        ++sockets_open;
        ++sockets_from[address];
        ended = [this, address] {
            --sockets_open;
            if (--sockets_from[address] == 0) {
                sockets_from.erase(address);
            }
        };
    }
    auto socket = std::make_shared<PageSocket>(std::move(stream), address, limits_, events, std::move(ended));
    live_sockets.remove_if([](const auto& weak) { return weak.expired(); });
    live_sockets.push_back(socket);
    socket->Start(std::move(request), std::move(refusal));
}

void WebServer::HttpEnded()
{
    --http_open;
}

void WebServer::Close()
{
    net::post(io, [this] {
        if (closed) {
            return;
        }
        closed = true;
        ErrorCode ignored;
        acceptor.close(ignored);
        for (auto& weak : live_connections) {
            if (auto connection = weak.lock()) {
                connection->Abort();
            }
        }
        // A page hears that the server goes, with what was queued for it before that.
        for (auto& weak : live_sockets) {
            if (auto socket = weak.lock()) {
                socket->Close(CloseCode::GOING_AWAY, "");
            }
        }
    });
}

void WebServer::Stop()
{
    if (!thread.joinable()) {
        return;
    }
    Close();
    // Work the owner left queued (a timer it did not cancel) must not keep the thread.
    net::post(io, [this] { io.stop(); });
    thread.join();
}

} // namespace pyrandel
