#pragma once
// The command line of pyrandel-host: pyrandel-host [--port N] [--seed N] [--quiet] [--trusting]
// [--web [ADDRESS:]PORT].

#include "protocol/messages.h"
#include "web/web_address.h"

#include <cstdint>
#include <optional>
#include <ostream>

namespace pyrandel {

struct HostOptions {
    int port = protocol::GAME_PORT;
    std::optional<std::uint32_t> seed; // nothing: the calendar time in seconds, as the desktop host does
    bool quiet = false;                // errors only
    bool trusting = false;             // relay every move as told, as the desktop program's host does
    std::optional<WebAddress> web;     // serve the page and seat browsers in the room
};

// Nothing when the host should run with `options`; otherwise the exit code (0 after --help or --version, 2 for a bad
// option or value), with the text already written to `out` or `err`.
[[nodiscard]] std::optional<int> ParseHostOptions(int argc, const char* const* argv, HostOptions& options,
                                                  std::ostream& out, std::ostream& err);

} // namespace pyrandel
