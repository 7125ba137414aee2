// pyrandel-web: a browser front for any host. It serves the page and seats each browser in the room of the one
// host it is given, over TCP like any player's program; a page never names an address.
//
// SIGINT and SIGTERM are blocked before any thread starts and waited for here, as in pyrandel-host; on either the
// seats leave their room and the program exits 0.

#include "cli/stop_signals.h"
#include "cli/tool_command_line.h"
#include "web/local_addresses.h"
#include "web/web_front.h"

#include <csignal>
#include <iostream>
#include <optional>
#include <string>

namespace {

using namespace pyrandel;

// HOST[:PORT]: a name or an address (IPv6 in brackets), the game port unless given.
[[nodiscard]] std::optional<std::pair<std::string, int>> ParseHost(const std::string& text)
{
    std::string host = text;
    int port = protocol::GAME_PORT;
    const std::size_t colon = text.rfind(':');
    const bool bracketed = !text.empty() && text.front() == '[';
    if (bracketed) {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                return std::nullopt;
            }
            const auto parsed = ParseWebAddress(text.substr(close + 2));
            if (!parsed || parsed->port == 0) {
                return std::nullopt;
            }
            port = parsed->port;
        }
    } else if (colon != std::string::npos && text.find(':') == colon) {
        host = text.substr(0, colon);
        const auto parsed = ParseWebAddress(text.substr(colon + 1));
        if (!parsed || parsed->port == 0) {
            return std::nullopt;
        }
        port = parsed->port;
    }
    if (host.empty()) {
        return std::nullopt;
    }
    return std::pair(host, port);
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Serves the Pyrandel browser page and seats browsers in the room of one host.", "pyrandel-web");
    AddStandardOptions(app);
    std::string host = "localhost";
    std::string listen;
    app.add_option("--host", host, "The host whose room the browsers join (default localhost:1224)")
        ->type_name("HOST[:PORT]");
    app.add_option("--listen", listen, "Serve the page on PORT, on every address or on ADDRESS alone")
        ->type_name("[ADDRESS:]PORT")
        ->required();
    if (const auto exit_code = ParseToolCommandLine(app, argc, argv, std::cout, std::cerr)) {
        return *exit_code;
    }
    const auto room = ParseHost(host);
    const auto where = ParseWebAddress(listen);
    if (!room || !where) {
        std::cerr << "pyrandel-web: "
                  << (!room ? "--host is not HOST[:PORT]: " + host : "--listen is not [ADDRESS:]PORT: " + listen)
                  << "\n";
        return EXIT_BAD_COMMAND_LINE;
    }

    const StopSignals stop; // before any thread exists
    std::signal(SIGPIPE, SIG_IGN);
    WebFrontOptions options;
    options.listen = *where;
    options.host = room->first;
    options.port = room->second;
    WebFront front(std::move(options));
    if (const ListenError error = front.Start(); error != ListenError::NONE) {
        std::cerr << "pyrandel-web: cannot serve the page on " << listen << ": " << ListenErrorText(error) << "\n";
        return 1;
    }
    for (const std::string& link : PageUrls(where->address, front.Port(), LocalAddresses)) {
        std::cout << "page for browsers at " << link << std::endl;
    }
    (void)stop.Wait();
    return 0;
}
