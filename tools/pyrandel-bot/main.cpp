// pyrandel-bot: a computer player that joins a host from the command line and plays every match it is dealt
// into, until the host goes away (exit 0), SIGINT or SIGTERM (leaves the host, exit 0), or the command line is
// wrong (exit 2; --help and --version exit 0). A host that cannot be reached ends it with exit 1.
//
// The two signals are blocked in every thread and taken synchronously here, so no handler runs inside the
// player's threads and the shutdown is the ordinary one: leave, stop the search, join.

#include "bot/computer_player.h"
#include "cli/stop_signals.h"
#include "pyrandel-bot/bot_command_line.h"
#include "text/text_codec.h"

#include <iostream>

namespace {

constexpr std::chrono::milliseconds SIGNAL_POLL{100};

} // namespace

int main(int argc, char** argv)
{
    using namespace pyrandel;

    BotCommandLine command_line;
    if (const auto exit_code = ParseBotCommandLine(argc, argv, command_line, std::cout, std::cerr)) {
        return *exit_code;
    }

    const StopSignals stop; // before any thread exists

    ComputerPlayer player(command_line.player);
    const std::string shown_name = Cp932ToUtf8(player.name());
    if (!player.Connect(command_line.host, command_line.port)) {
        std::cerr << "pyrandel-bot: cannot start connecting to " << command_line.host << "\n";
        return 1;
    }
    while (!player.WaitUntilEnded(SIGNAL_POLL)) {
        if (stop.Arrived()) {
            std::cout << shown_name << ": leaving\n";
            player.Leave();
            return 0; // the destructor joins the player's threads
        }
    }
    if (player.ending() == ComputerEnding::CONNECT_FAILED) {
        std::cerr << "pyrandel-bot: cannot connect to " << command_line.host << ":" << command_line.port << "\n";
        return 1;
    }
    std::cout << shown_name << ": the host has gone\n";
    return 0;
}
