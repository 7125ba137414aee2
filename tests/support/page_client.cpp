#include "support/page_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/websocket/option.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include <poll.h>
#include <sys/socket.h>

namespace pyrandel::test {

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

PageClient::PageClient(int port, PageHandshake handshake) : ws(io)
{
    beast::error_code error;
    auto& stream = beast::get_lowest_layer(ws);
    stream.expires_after(10s);
    stream.socket().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)),
                            error);
    if (error) {
        return;
    }
    stream.socket().set_option(tcp::no_delay(true), error);
    const std::string host = "127.0.0.1:" + std::to_string(port);
    const std::string origin = handshake.origin.value_or("http://" + host);
    ws.set_option(websocket::stream_base::decorator([&](websocket::request_type& request) {
        if (handshake.send_origin) {
            request.set(beast::http::field::origin, origin);
        }
        if (!handshake.subprotocol.empty()) {
            request.set(beast::http::field::sec_websocket_protocol, handshake.subprotocol);
        }
    }));
    if (handshake.offer_deflate) {
        websocket::permessage_deflate deflate;
        deflate.client_enable = true;
        ws.set_option(deflate);
    }
    websocket::response_type response;
    bool done = false;
    ws.async_handshake(response, host, handshake.path, [&](beast::error_code result) {
        error = result;
        done = true;
    });
    io.run();
    io.restart();
    if (!done || error) {
        refused_status = static_cast<int>(response.result_int());
        return;
    }
    subprotocol = std::string(response[beast::http::field::sec_websocket_protocol]);
    extensions = std::string(response[beast::http::field::sec_websocket_extensions]);
    beast::get_lowest_layer(ws).expires_never();
    open = true;
}

PageClient::~PageClient()
{
    Drop();
}

bool PageClient::Send(std::string_view text)
{
    if (!open || closed) {
        return false;
    }
    beast::error_code error;
    ws.text(true);
    ws.write(net::buffer(text.data(), text.size()), error);
    return !error;
}

bool PageClient::SendBinary(std::string_view bytes)
{
    if (!open || closed) {
        return false;
    }
    beast::error_code error;
    ws.binary(true);
    ws.write(net::buffer(bytes.data(), bytes.size()), error);
    return !error;
}

bool PageClient::Intent(std::string_view type, boost::json::object fields)
{
    fields["type"] = type;
    return Send(boost::json::serialize(fields));
}

std::optional<boost::json::object> PageClient::Next(std::chrono::milliseconds limit)
{
    if (!open || closed) {
        return std::nullopt;
    }
    beast::error_code error;
    bool done = false;
    beast::get_lowest_layer(ws).expires_after(limit);
    ws.async_read(buffer, [&](beast::error_code result, std::size_t) {
        error = result;
        done = true;
    });
    io.run();
    io.restart();
    beast::get_lowest_layer(ws).expires_never();
    if (!done || error) {
        closed = true;
        return std::nullopt;
    }
    const std::string text = beast::buffers_to_string(buffer.data());
    buffer.consume(buffer.size());
    beast::error_code parse_error;
    boost::json::value value = boost::json::parse(text, parse_error);
    if (parse_error || !value.is_object()) {
        return boost::json::object{{"type", "unreadable"}, {"text", text}};
    }
    seen.push_back(value.get_object());
    return value.get_object();
}

std::optional<boost::json::object> PageClient::WaitFor(std::string_view type, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto event = Next(std::max(left, 1ms));
        if (!event) {
            return std::nullopt;
        }
        if (event->at("type").as_string() == type) {
            return event;
        }
    }
    return std::nullopt;
}

std::optional<boost::json::object> PageClient::WaitForNotice(std::string_view text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto event = WaitFor("notice", std::max(left, 1ms));
        if (!event) {
            return std::nullopt;
        }
        if (event->at("text").as_string() == text) {
            return event;
        }
    }
    return std::nullopt;
}

std::optional<std::pair<int, std::string>> PageClient::WaitClosed(std::chrono::milliseconds limit)
{
    if (!open) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!closed && std::chrono::steady_clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        (void)Next(std::max(left, 1ms));
    }
    const websocket::close_reason& reason = ws.reason();
    if (reason.code == websocket::close_code::none) {
        return std::nullopt;
    }
    return std::pair(static_cast<int>(reason.code), std::string(reason.reason.c_str()));
}

std::optional<std::string> PageClient::ReadRawUntilEnd(std::chrono::milliseconds limit)
{
    std::string bytes;
    const int fd = beast::get_lowest_layer(ws).socket().native_handle();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) {
            return std::nullopt;
        }
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char chunk[512];
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            closed = true;
            return bytes;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

void PageClient::Drop()
{
    beast::error_code ignored;
    beast::get_lowest_layer(ws).socket().shutdown(tcp::socket::shutdown_both, ignored);
    beast::get_lowest_layer(ws).socket().close(ignored);
    closed = true;
}

} // namespace pyrandel::test
