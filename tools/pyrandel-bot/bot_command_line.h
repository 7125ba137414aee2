#pragma once
// The command line of pyrandel-bot, read into options or into the one message that says what is wrong with it.
// Names arrive as UTF-8 from the terminal and leave as the code page 932 bytes that go on the wire.

#include "bot/computer_player.h"
#include "protocol/messages.h"

#include <span>
#include <string>
#include <string_view>

namespace pyrandel {

// The longest pause before a move that may be asked for.
inline constexpr int MAX_PAUSE_MS = 10000;

// The text of --help, with every default and limit as the program has it.
[[nodiscard]] std::string BotUsage();

enum class BotAction { RUN, HELP, ERROR };

struct BotCommandLine {
    BotAction action = BotAction::ERROR;
    std::string error; // for ERROR: what is wrong, one line
    std::string host;
    int port = protocol::GAME_PORT;
    ComputerPlayerOptions player;
};

// `arguments` without the program's name. Accepts "--option value" and "--option=value".
[[nodiscard]] BotCommandLine ParseBotCommandLine(std::span<const std::string_view> arguments);

} // namespace pyrandel
