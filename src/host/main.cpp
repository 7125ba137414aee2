// pyrandel-host: one room of four seats, always open, without a window or a player of its own. The same
// ServerSession as the desktop host, so every line it sends is the desktop host's; it referees the room (drops
// what no honest player's program sends) unless started with --trusting.
//
// SIGINT and SIGTERM are blocked before any thread starts, so every thread inherits the mask, and main waits for
// them with sigwait: no handler runs inside the host's threads, and an idle host sleeps in the kernel. On a signal
// the host closes every connection, joins its threads and exits 0.
//
// With --web the host also serves the browser page and seats browsers in its own room: each seat joins over
// loopback like any player. Its links are logged at the start, one per address of the machine.

#include "cli/stop_signals.h"
#include "host/host_log.h"
#include "host/host_options.h"
#include "server/random_generator.h"
#include "server/server_session.h"
#include "web/local_addresses.h"
#include "web/web_front.h"

#include <csignal>
#include <cstring>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>

#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace pyrandel;

    HostOptions options;
    if (const auto exit_code = ParseHostOptions(argc, argv, options, std::cout, std::cerr)) {
        return *exit_code;
    }

    const StopSignals stop; // before any thread exists
    // A log reader that goes away (a closed pipe) must not end the room; the write just fails.
    std::signal(SIGPIPE, SIG_IGN);

    LogWriter writer(STDOUT_FILENO);
    HostLog log(writer, options.quiet ? LogLevel::ERRORS_ONLY : LogLevel::EVENTS);
    RandomGenerator random;
    // The calendar time in seconds, as 32 bits, as the desktop host seeds it.
    random.SetSeed(options.seed.value_or(static_cast<std::uint32_t>(std::time(nullptr))));
    ServerSession server(random);
    server.SetObserver(log);
    // A room open to strangers referees its moves unless told to trust its players.
    server.SetRefereeing(options.trusting ? Refereeing::TRUSTING : Refereeing::REFEREED);

    // Every address of the machine, IPv6 and IPv4 alike.
    if (const ListenResult listening = server.Listen(options.port, LISTEN_BACKLOG); !listening) {
        std::cerr << "pyrandel-host: cannot listen on port " << options.port << ": " << ListenErrorText(listening.error)
                  << "\n";
        return 1;
    }
    log.Note("listening on port " + std::to_string(server.Port()) +
             (options.seed ? ", seed " + std::to_string(*options.seed) : std::string()) +
             (options.trusting ? ", trusting the players" : std::string()));

    std::optional<WebFront> web;
    if (options.web) {
        WebFrontOptions front;
        front.listen = *options.web;
        front.host = "localhost";
        front.port = server.Port();
        web.emplace(std::move(front));
        if (const ListenError error = web->Start(); error != ListenError::NONE) {
            std::cerr << "pyrandel-host: cannot serve the page on port " << options.web->port << ": "
                      << ListenErrorText(error) << "\n";
            return 1;
        }
        for (const std::string& link : PageUrls(options.web->address, web->Port(), LocalAddresses)) {
            log.Note("page for browsers at " + link);
        }
    }

    const int signal = stop.Wait();
    log.Note(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    // The seats leave the room first, as players closing their programs.
    web.reset();
    server.Shutdown();
    log.Note("stopped");
    return 0;
}
