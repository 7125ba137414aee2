#pragma once
// The command line of pyrandel-bot, in the tools' common style (cli/tool_command_line.h). Names arrive as UTF-8
// from the terminal and leave as the code page 932 bytes that go on the wire.

#include "bot/computer_player.h"
#include "protocol/messages.h"

#include <optional>
#include <ostream>
#include <string>

namespace pyrandel {

struct BotCommandLine {
    std::string host;
    int port = protocol::GAME_PORT;
    ComputerPlayerOptions player;
};

// Nothing when the player should run with `result`; otherwise the exit code (0 after --help or --version, 2 for
// a bad option or value), with the text already written to `out` or `err`.
[[nodiscard]] std::optional<int> ParseBotCommandLine(int argc, const char* const* argv, BotCommandLine& result,
                                                     std::ostream& out, std::ostream& err);

} // namespace pyrandel
