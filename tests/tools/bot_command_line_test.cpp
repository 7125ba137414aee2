// The command line of pyrandel-bot.

#include "pyrandel-bot/bot_command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace pyrandel {
namespace {

// What the tool does with its command line: runs, or exits at once with 0 (help) or 2 (bad input).
enum class BotAction { RUN, HELP, ERROR };

struct CommandLineCase {
    const char* what;
    std::vector<std::string> arguments;
    BotAction action;
    std::string host;
    int port;
    std::string name; // code page 932
    int level;
    int pause_ms;
};

TEST(BotCommandLine, ReadsOptionsOrSaysWhatIsWrong)
{
    const std::string LONGEST_NAME(FIELD_READ_BYTES, 'a');
    const std::string TOO_LONG_NAME(FIELD_READ_BYTES + 1, 'a');
    constexpr int PORT = protocol::GAME_PORT;
    constexpr int LEVEL = DEFAULT_COMPUTER_LEVEL;
    constexpr int PAUSE = static_cast<int>(HUMAN_PAUSE.count());
    const std::vector<CommandLineCase> cases = {
        {"host alone: defaults", {"--host", "example"}, BotAction::RUN, "example", PORT, "CPU1", LEVEL, PAUSE},
        {"everything",
         {"--host", "10.0.0.2", "--name", "Bot", "--level", "5", "--port", "4000", "--pause", "0"},
         BotAction::RUN,
         "10.0.0.2",
         4000,
         "Bot",
         5,
         0},
        {"equals form", {"--host=h", "--level=1", "--port=1"}, BotAction::RUN, "h", 1, "CPU1", 1, PAUSE},
        {"UTF-8 name leaves as Shift-JIS",
         {"--host", "h", "--name", "\xE9\x9D\x92"},
         BotAction::RUN,
         "h",
         PORT,
         "\x90\xC2",
         LEVEL,
         PAUSE},
        // Help wins wherever it stands, as with every tool.
        {"bad level before help", {"--level", "9", "--help"}, BotAction::HELP, "", 0, "", 0, 0},
        {"help first", {"--help", "--level", "9"}, BotAction::HELP, "", 0, "", 0, 0},
        {"version", {"--version"}, BotAction::HELP, "", 0, "", 0, 0},
        {"leading zero is still decimal",
         {"--host", "h", "--port", "010"},
         BotAction::RUN,
         "h",
         10,
         "CPU1",
         LEVEL,
         PAUSE},
        {"hexadecimal port", {"--host", "h", "--port", "0x10"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"name outside Shift-JIS", {"--host", "h", "--name", "\xF0\x9F\x8E\xB2"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"no host", {"--name", "Bot"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"no arguments", {}, BotAction::ERROR, "", 0, "", 0, 0},
        {"empty host", {"--host", ""}, BotAction::ERROR, "", 0, "", 0, 0},
        {"missing value", {"--host"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"unknown option", {"--host", "h", "--colour", "1"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"stray word", {"--host", "h", "extra"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"level too low", {"--host", "h", "--level", "0"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"level too high", {"--host", "h", "--level", "6"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"level not a number", {"--host", "h", "--level", "3x"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"port zero", {"--host", "h", "--port", "0"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"port too high", {"--host", "h", "--port", "65536"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"negative pause", {"--host", "h", "--pause", "-1"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"empty name", {"--host", "h", "--name", ""}, BotAction::ERROR, "", 0, "", 0, 0},
        {"name with a tab would split the line", {"--host", "h", "--name", "a\tb"}, BotAction::ERROR, "", 0, "", 0, 0},
        {"longest name",
         {"--host", "h", "--name", LONGEST_NAME},
         BotAction::RUN,
         "h",
         PORT,
         LONGEST_NAME,
         LEVEL,
         PAUSE},
        {"name too long", {"--host", "h", "--name", TOO_LONG_NAME}, BotAction::ERROR, "", 0, "", 0, 0},
    };
    for (const CommandLineCase& c : cases) {
        std::vector<const char*> argv{"pyrandel-bot"};
        for (const std::string& argument : c.arguments) {
            argv.push_back(argument.c_str());
        }
        BotCommandLine parsed;
        std::ostringstream out;
        std::ostringstream err;
        const auto exit_code = ParseBotCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, out, err);
        const BotAction action = !exit_code ? BotAction::RUN : *exit_code == 0 ? BotAction::HELP : BotAction::ERROR;
        EXPECT_EQ(action, c.action) << c.what;
        if (c.action == BotAction::ERROR) {
            EXPECT_EQ(*exit_code, 2) << c.what;
            EXPECT_NE(err.str().find("pyrandel-bot: "), std::string::npos) << c.what;
            continue;
        }
        if (c.action == BotAction::HELP) {
            EXPECT_FALSE(out.str().empty()) << c.what;
            continue;
        }
        EXPECT_EQ(parsed.host, c.host) << c.what;
        EXPECT_EQ(parsed.port, c.port) << c.what;
        EXPECT_EQ(parsed.player.name, c.name) << c.what;
        EXPECT_EQ(parsed.player.level, c.level) << c.what;
        EXPECT_EQ(parsed.player.pause.count(), c.pause_ms) << c.what;
    }
}

} // namespace
} // namespace pyrandel
