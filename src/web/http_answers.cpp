#include "web/http_answers.h"

#include "web/page_files.h"

#include <boost/beast/http/field.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/verb.hpp>

#include <algorithm>
#include <cctype>

namespace pyrandel {

namespace http = boost::beast::http;

namespace {

[[nodiscard]] bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A Host header fit to be written into the policy: a name or address with an optional port, nothing else.
[[nodiscard]] bool IsPlainHost(std::string_view host)
{
    return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    });
}

void SetSecurityHeaders(HttpResponse& response, std::string_view host)
{
    response.set(http::field::server, "pyrandel");
    response.set("Content-Security-Policy", ContentSecurityPolicy(host));
    response.set("X-Content-Type-Options", "nosniff");
    response.set("X-Frame-Options", "DENY");
    response.set("Referrer-Policy", "no-referrer");
    // The page is small and changes with the program: always asked for again.
    response.set(http::field::cache_control, "no-cache");
}

[[nodiscard]] HttpResponse Answer(http::status status, unsigned version, bool keep_alive, std::string_view host,
                                  std::string_view content_type, std::string body)
{
    HttpResponse response(status, version);
    SetSecurityHeaders(response, host);
    response.set(http::field::content_type, content_type);
    response.body() = std::move(body);
    response.keep_alive(keep_alive);
    response.prepare_payload();
    return response;
}

[[nodiscard]] HttpResponse Refusal(http::status status, const HttpRequest& request, std::string_view why)
{
    return Answer(status, request.version(), request.keep_alive(), request[http::field::host],
                  "text/plain; charset=utf-8", std::string(why) + "\n");
}

} // namespace

std::string ContentSecurityPolicy(std::string_view host)
{
    std::string connect = "'self'";
    if (IsPlainHost(host)) {
        // 'self' covers the page's own ws: and wss: in current browsers; older ones need them named.
        connect.append(" ws://").append(host).append(" wss://").append(host);
    }
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src " + connect +
           "; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

bool IsOwnOrigin(std::string_view origin, std::string_view host)
{
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (origin.size() > scheme.size() && EqualIgnoringCase(origin.substr(0, scheme.size()), scheme)) {
            return !host.empty() && EqualIgnoringCase(origin.substr(scheme.size()), host);
        }
    }
    return false;
}

bool OffersSubprotocol(std::string_view offered)
{
    while (!offered.empty()) {
        const std::size_t comma = offered.find(',');
        std::string_view item = offered.substr(0, comma);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
            item.remove_suffix(1);
        }
        if (item == PAGE_SUBPROTOCOL) {
            return true;
        }
        offered = comma == std::string_view::npos ? std::string_view{} : offered.substr(comma + 1);
    }
    return false;
}

HttpResponse AnswerRequest(const HttpRequest& request)
{
    if (request.method() != http::verb::get) {
        HttpResponse refusal = Refusal(http::status::method_not_allowed, request, "Only GET is answered here.");
        refusal.set(http::field::allow, "GET");
        return refusal;
    }
    const PageFile* file = FindPageFile(request.target());
    if (file == nullptr) {
        return Refusal(http::status::not_found, request, "Not found.");
    }
    return Answer(http::status::ok, request.version(), request.keep_alive(), request[http::field::host],
                  file->content_type, std::string(file->body));
}

std::optional<HttpResponse> RefuseUpgrade(const HttpRequest& request)
{
    const std::string_view target = request.target();
    if (target.substr(0, target.find('?')) != PAGE_SOCKET_PATH) {
        return Refusal(http::status::not_found, request, "Not found.");
    }
    if (!IsOwnOrigin(request[http::field::origin], request[http::field::host])) {
        return Refusal(http::status::forbidden, request, "The page's socket is for the page's own origin only.");
    }
    if (!OffersSubprotocol(request[http::field::sec_websocket_protocol])) {
        return Refusal(http::status::bad_request, request, "The socket speaks the subprotocol pyrandel.v1 only.");
    }
    return std::nullopt;
}

HttpResponse BadRequest(unsigned version)
{
    HttpResponse response =
        Answer(http::status::bad_request, version, false, {}, "text/plain; charset=utf-8", "Bad request.\n");
    return response;
}

} // namespace pyrandel
