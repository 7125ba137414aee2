#include "web/web_address.h"

#include <boost/asio/ip/address.hpp>

#include <algorithm>

namespace pyrandel {

namespace {

[[nodiscard]] std::optional<int> Port(std::string_view text)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int port = std::stoi(std::string(text));
    return port <= 65535 ? std::optional(port) : std::nullopt;
}

[[nodiscard]] bool IsAddress(const std::string& text, bool v6)
{
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(text, error);
    return !error && address.is_v6() == v6;
}

} // namespace

std::optional<WebAddress> ParseWebAddress(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        const auto port = Port(text);
        return port ? std::optional(WebAddress{{}, *port}) : std::nullopt;
    }
    const auto port = Port(text.substr(colon + 1));
    std::string address(text.substr(0, colon));
    if (!port) {
        return std::nullopt;
    }
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
        return IsAddress(address, true) ? std::optional(WebAddress{address, *port}) : std::nullopt;
    }
    return IsAddress(address, false) ? std::optional(WebAddress{address, *port}) : std::nullopt;
}

} // namespace pyrandel
