#pragma once
// The command line of pyrandel-bot, read into options or into the one message that says what is wrong with it.
// Names arrive as UTF-8 from the terminal and leave as the code page 932 bytes that go on the wire.

#include "bot/computer_player.h"

#include <span>
#include <string>
#include <string_view>

namespace pyrandel {

inline constexpr int DEFAULT_BOT_PORT = 1224;
inline constexpr std::string_view BOT_USAGE =
    "usage: pyrandel-bot --host HOST [--name NAME] [--level N] [--port PORT] [--pause MS]\n"
    "  --host HOST   the host to join (a name or a dotted address)\n"
    "  --name NAME   the player's name (default CPU1), at most 78 bytes once in Shift-JIS\n"
    "  --level N     1 (random) to 5 (strongest), default 3\n"
    "  --port PORT   the host's port, default 1224\n"
    "  --pause MS    the pause before each move in milliseconds, 0 to 10000, default 500\n"
    "  --help        this text\n";

enum class BotAction { RUN, HELP, ERROR };

struct BotCommandLine {
    BotAction action = BotAction::ERROR;
    std::string error; // for ERROR: what is wrong, one line
    std::string host;
    int port = DEFAULT_BOT_PORT;
    ComputerPlayerOptions player;
};

// `arguments` without the program's name. Accepts "--option value" and "--option=value".
[[nodiscard]] BotCommandLine ParseBotCommandLine(std::span<const std::string_view> arguments);

} // namespace pyrandel
