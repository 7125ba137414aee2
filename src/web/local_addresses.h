#pragma once
// The addresses other players can reach this machine at: every non-loopback IPv4 and IPv6 address of its
// interfaces that are up. The desktop host tells its own player the addresses for the desktop program (a local
// chat line), and a web front the links for a browser; nothing of it goes on the wire.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Where the address list comes from; tests hand a fixed one.
using AddressSource = std::function<std::vector<std::string>()>;

// The machine's addresses in interface order, numeric, without duplicates. IPv6 link-local addresses are left
// out: they need an interface name that differs from machine to machine, so no other player could type one.
[[nodiscard]] std::vector<std::string> LocalAddresses();

// The page's link at `address` (IPv6 in brackets) and `port`: "http://192.0.2.7:8080/".
[[nodiscard]] std::string PageUrl(std::string_view address, int port);
// The links to give out for a page served on `bound_address` (empty, "0.0.0.0" or "::" for every address):
// that address alone, or one link per address of the machine, or the loopback link when the machine has none.
[[nodiscard]] std::vector<std::string> PageUrls(std::string_view bound_address, int port,
                                                const AddressSource& addresses);

} // namespace pyrandel
