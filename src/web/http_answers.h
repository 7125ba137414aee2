#pragma once
// What the page server answers: the embedded page's files to GET, a refusal with its reason to anything else,
// and the checks an upgrade to the page's WebSocket must pass. Pure functions of the request, so the policy is
// tested without a socket.
//
// Every answer carries the same security headers: a Content-Security-Policy that lets the page load only its own
// scripts, styles and images and connect only to its own origin's WebSocket (never framed), nosniff, no referrer.

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace pyrandel {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;
using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

inline constexpr std::string_view PAGE_SOCKET_PATH = "/ws";
inline constexpr std::string_view PAGE_SUBPROTOCOL = "pyrandel.v1";
// The longest request the server reads: a GET has no body, so a few headers' worth.
inline constexpr std::size_t REQUEST_LIMIT = 8192;

// A page file for GET; 404 for a path the page does not have, 405 for any other method.
[[nodiscard]] HttpResponse AnswerRequest(const HttpRequest& request);
// Nothing when `request` (an upgrade) may become a page's socket; otherwise the refusal: 404 off the socket's
// path, 403 from another origin (or none), 400 without the subprotocol.
[[nodiscard]] std::optional<HttpResponse> RefuseUpgrade(const HttpRequest& request);
// The answer to a request that could not be read at all.
[[nodiscard]] HttpResponse BadRequest(unsigned version);

// Whether the Origin a browser sent is the page's own, as the Host header names it (http or https: a reverse
// proxy may serve the page over TLS).
[[nodiscard]] bool IsOwnOrigin(std::string_view origin, std::string_view host);
// Whether a Sec-WebSocket-Protocol list offers the page's subprotocol.
[[nodiscard]] bool OffersSubprotocol(std::string_view offered);
// The Content-Security-Policy for a page served under `host` (the Host header).
[[nodiscard]] std::string ContentSecurityPolicy(std::string_view host);

} // namespace pyrandel
