#include "pyrandel-bot/bot_command_line.h"

#include "protocol/text_codec.h"

#include <charconv>
#include <optional>
#include <string>

namespace pyrandel {

namespace {

[[nodiscard]] std::optional<int> Number(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

[[nodiscard]] BotCommandLine Error(std::string message)
{
    BotCommandLine result;
    result.action = BotAction::ERROR;
    result.error = std::move(message);
    return result;
}

// A name goes out as a field of a line: a TAB would split it, a line end would end the line early.
[[nodiscard]] bool HasControlBytes(std::string_view text)
{
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string BotUsage()
{
    const ComputerPlayerOptions defaults;
    return "usage: pyrandel-bot --host HOST [--name NAME] [--level N] [--port PORT] [--pause MS]\n"
           "  --host HOST   the host to join (a name or a dotted address)\n"
           "  --name NAME   the player's name (default " +
           defaults.name + "), at most " + std::to_string(FIELD_READ_BYTES) +
           " bytes once in Shift-JIS\n"
           "  --level N     " +
           std::to_string(Engine::MIN_LEVEL) + " (random) to " + std::to_string(Engine::MAX_LEVEL) +
           " (strongest), default " + std::to_string(defaults.level) +
           "\n"
           "  --port PORT   the host's port, default " +
           std::to_string(protocol::GAME_PORT) +
           "\n"
           "  --pause MS    the pause before each move in milliseconds, 0 to " +
           std::to_string(MAX_PAUSE_MS) + ", default " + std::to_string(defaults.pause.count()) +
           "\n"
           "  --help        this text\n";
}

BotCommandLine ParseBotCommandLine(std::span<const std::string_view> arguments)
{
    BotCommandLine result;
    result.action = BotAction::RUN;
    bool have_host = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view option = arguments[i];
        if (option == "--help" || option == "-h") {
            result.action = BotAction::HELP;
            return result;
        }
        std::optional<std::string_view> value;
        if (const auto equals = option.find('='); option.starts_with("--") && equals != std::string_view::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
        }
        if (option != "--host" && option != "--name" && option != "--level" && option != "--port" &&
            option != "--pause") {
            return Error("unknown argument: " + std::string(arguments[i]));
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                return Error(std::string(option) + " needs a value");
            }
            value = arguments[++i];
        }
        if (option == "--host") {
            if (value->empty()) {
                return Error("--host needs a host name or address");
            }
            result.host = std::string(*value);
            have_host = true;
        } else if (option == "--name") {
            std::string name = Utf8ToCp932(*value);
            if (name.empty()) {
                return Error("--name must not be empty");
            }
            if (name.size() > FIELD_READ_BYTES) {
                return Error("--name is longer than " + std::to_string(FIELD_READ_BYTES) + " bytes in Shift-JIS");
            }
            if (HasControlBytes(name)) {
                return Error("--name must not hold tabs, line ends or other control characters");
            }
            result.player.name = std::move(name);
        } else if (option == "--level") {
            const auto level = Number(*value, Engine::MIN_LEVEL, Engine::MAX_LEVEL);
            if (!level) {
                return Error("--level must be a number from " + std::to_string(Engine::MIN_LEVEL) + " to " +
                             std::to_string(Engine::MAX_LEVEL) + ": " + std::string(*value));
            }
            result.player.level = *level;
        } else if (option == "--port") {
            const auto port = Number(*value, 1, 65535);
            if (!port) {
                return Error("--port must be a number from 1 to 65535: " + std::string(*value));
            }
            result.port = *port;
        } else {
            const auto pause = Number(*value, 0, MAX_PAUSE_MS);
            if (!pause) {
                return Error("--pause must be a number of milliseconds from 0 to " + std::to_string(MAX_PAUSE_MS) +
                             ": " + std::string(*value));
            }
            result.player.pause = std::chrono::milliseconds(*pause);
        }
    }
    if (!have_host) {
        return Error("--host is required");
    }
    return result;
}

} // namespace pyrandel
