#pragma once
// The addresses other players can join this machine's game with: every non-loopback IPv4 and IPv6 address of
// its interfaces that are up. Told to the host's own player only (a local chat line); nothing of it goes on
// the wire.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Where the lobby gets the list; tests hand it a fixed one.
using AddressSource = std::function<std::vector<std::string>()>;

// The machine's addresses in interface order, numeric, without duplicates. IPv6 link-local addresses are left
// out: they need an interface name that differs from machine to machine, so no other player could type one.
[[nodiscard]] std::vector<std::string> LocalAddresses();

// The chat line that lists `addresses` (code page 932), or the empty text when there are none.
[[nodiscard]] std::string HostAddressLine(const std::vector<std::string>& addresses);

} // namespace pyrandel
