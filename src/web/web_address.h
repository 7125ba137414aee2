#pragma once
// Where a web front listens, as the programs' --web takes it: "[ADDRESS:]PORT", the address numeric (IPv6 in
// brackets). Without an address the page is served on every address of the machine, IPv6 and IPv4.

#include <optional>
#include <string>
#include <string_view>

namespace pyrandel {

struct WebAddress {
    std::string address; // empty: every address
    int port = 0;        // 0: a free port of the system's choosing (tests; the log tells which)
    friend bool operator==(const WebAddress&, const WebAddress&) = default;
};

// Nothing for a text that is not PORT (0 to 65535, decimal digits only), IPV4:PORT or [IPV6]:PORT.
[[nodiscard]] std::optional<WebAddress> ParseWebAddress(std::string_view text);

} // namespace pyrandel
