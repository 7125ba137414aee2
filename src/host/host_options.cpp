#include "host/host_options.h"

#include "cli/tool_command_line.h"

#include <limits>
#include <string>

namespace pyrandel {

std::optional<int> ParseHostOptions(int argc, const char* const* argv, HostOptions& options, std::ostream& out,
                                    std::ostream& err)
{
    CLI::App app("Hosts one Pyrandel room of four seats, without a window.", "pyrandel-host");
    AddStandardOptions(app);
    std::string port = std::to_string(options.port);
    std::string seed;
    app.add_option("--port", port,
                   "TCP port to listen on, IPv4 and IPv6 (default " + std::to_string(protocol::GAME_PORT) + ")")
        ->type_name("N")
        ->check(PortNumber());
    app.add_option("--seed", seed,
                   "Seed of the draw of turn order and colours, for reproducible matches "
                   "(default: the current time)")
        ->type_name("N")
        ->check(DecimalNumber(0, std::numeric_limits<std::uint32_t>::max(), "a number"));
    app.add_flag("--quiet", options.quiet, "Log errors only");
    app.add_flag("--trusting", options.trusting,
                 "Relay every move as told, as the desktop program's host does (default: referee the moves, "
                 "starts and chat, and drop what breaks the rules)");
    std::string web;
    app.add_option("--web", web,
                   "Serve the browser page on PORT (0: a free one), on every address or on ADDRESS "
                   "alone, and seat browsers in this room")
        ->type_name("[ADDRESS:]PORT")
        ->check([](const std::string& value) {
            return ParseWebAddress(value) ? std::string() : "not [ADDRESS:]PORT with a numeric address: " + value;
        });
    if (const auto exit_code = ParseToolCommandLine(app, argc, argv, out, err)) {
        return exit_code;
    }
    options.port = static_cast<int>(DecimalValue(port));
    if (!seed.empty()) {
        options.seed = static_cast<std::uint32_t>(DecimalValue(seed));
    }
    if (!web.empty()) {
        options.web = ParseWebAddress(web);
    }
    return std::nullopt;
}

} // namespace pyrandel
