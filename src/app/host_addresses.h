#pragma once
// The chat line that tells a hosting player where the others can join: the machine's addresses for the desktop
// program and, when browsers are served, the page's links. Told to the host's own player only; nothing of it
// goes on the wire.

#include "web/local_addresses.h"

#include <string>
#include <vector>

namespace pyrandel {

// The chat line that lists `addresses` and then `links` (code page 932), or the empty text when both are empty.
[[nodiscard]] std::string HostAddressLine(const std::vector<std::string>& addresses,
                                          const std::vector<std::string>& links = {});

} // namespace pyrandel
