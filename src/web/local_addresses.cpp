#include "web/local_addresses.h"

#include <algorithm>
#include <array>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace pyrandel {

namespace {

[[nodiscard]] std::string Numeric(const sockaddr* address)
{
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        if (ntohl(v4->sin_addr.s_addr) >> 24 == 127) {
            return {};
        }
        return inet_ntop(AF_INET, &v4->sin_addr, text.data(), text.size()) != nullptr ? text.data() : "";
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        if (IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) || IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr) ||
            IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
            return {};
        }
        return inet_ntop(AF_INET6, &v6->sin6_addr, text.data(), text.size()) != nullptr ? text.data() : "";
    }
    return {};
}

} // namespace

std::vector<std::string> LocalAddresses()
{
    std::vector<std::string> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return found;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        std::string address = Numeric(entry->ifa_addr);
        if (!address.empty() && std::find(found.begin(), found.end(), address) == found.end()) {
            found.push_back(std::move(address));
        }
    }
    freeifaddrs(list);
    return found;
}

std::string PageUrl(std::string_view address, int port)
{
    const bool v6 = address.find(':') != std::string_view::npos;
    std::string link = "http://";
    link.append(v6 ? "[" : "").append(address).append(v6 ? "]" : "");
    link.append(":").append(std::to_string(port)).append("/");
    return link;
}

std::vector<std::string> PageUrls(std::string_view bound_address, int port, const AddressSource& addresses)
{
    std::vector<std::string> links;
    const bool every_address = bound_address.empty() || bound_address == "0.0.0.0" || bound_address == "::";
    if (!every_address) {
        links.push_back(PageUrl(bound_address, port));
        return links;
    }
    for (const std::string& address : addresses ? addresses() : std::vector<std::string>{}) {
        links.push_back(PageUrl(address, port));
    }
    if (links.empty()) {
        // No other machine can reach this one; the person at it still can.
        links.push_back(PageUrl("127.0.0.1", port));
    }
    return links;
}

} // namespace pyrandel
