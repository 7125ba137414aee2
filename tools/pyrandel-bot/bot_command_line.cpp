#include "pyrandel-bot/bot_command_line.h"

#include "cli/tool_command_line.h"
#include "protocol/player_name.h"

#include <chrono>
#include <string>
#include <variant>

namespace pyrandel {

namespace {

constexpr int MAX_PAUSE_MS = 10000;

} // namespace

std::optional<int> ParseBotCommandLine(int argc, const char* const* argv, BotCommandLine& result, std::ostream& out,
                                       std::ostream& err)
{
    CLI::App app("A computer player that joins a Pyrandel host and plays every match it is dealt into.",
                 "pyrandel-bot");
    AddStandardOptions(app);
    // The defaults and limits the help names are the ones in force.
    const ComputerPlayerOptions defaults;
    std::string name;
    std::string level = std::to_string(result.player.level);
    std::string port = std::to_string(result.port);
    std::string pause = std::to_string(result.player.pause.count());
    app.add_option("--host", result.host, "The host to join: a name or an address")
        ->type_name("HOST")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& text) { return text.empty() ? std::string("needs a host name or address") : ""; }, "",
            ""));
    app.add_option("--name", name,
                   "The player's name (default " + defaults.name + "), at most " + std::to_string(FIELD_READ_BYTES) +
                       " bytes in Shift-JIS")
        ->type_name("NAME")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                if (text.empty()) {
                    return "must not be empty";
                }
                const auto checked = CheckPlayerName(text);
                const auto* error = std::get_if<NameError>(&checked);
                return error != nullptr ? error->reason : std::string();
            },
            "", ""));
    app.add_option("--level", level,
                   std::to_string(Engine::MIN_LEVEL) + " (random) to " + std::to_string(Engine::MAX_LEVEL) +
                       " (strongest), default " + std::to_string(defaults.level))
        ->type_name("N")
        ->check(DecimalNumber(Engine::MIN_LEVEL, Engine::MAX_LEVEL, "a level"));
    app.add_option("--port", port, "The host's port, default " + std::to_string(protocol::GAME_PORT))
        ->type_name("N")
        ->check(PortNumber());
    app.add_option("--pause", pause,
                   "The pause before each move in milliseconds, 0 to " + std::to_string(MAX_PAUSE_MS) + ", default " +
                       std::to_string(defaults.pause.count()))
        ->type_name("MS")
        ->check(DecimalNumber(0, MAX_PAUSE_MS, "a number of milliseconds"));
    if (const auto exit_code = ParseToolCommandLine(app, argc, argv, out, err)) {
        return exit_code;
    }
    if (!name.empty()) {
        result.player.name = std::get<std::string>(CheckPlayerName(name));
    }
    result.player.level = static_cast<int>(DecimalValue(level));
    result.port = static_cast<int>(DecimalValue(port));
    result.player.pause = std::chrono::milliseconds(DecimalValue(pause));
    return std::nullopt;
}

} // namespace pyrandel
