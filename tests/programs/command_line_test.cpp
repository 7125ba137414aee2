// Every program's command line, run as the real program: help and version answered and exit 0, bad input
// refused with a message on stderr and exit 2. The desktop program is run with no display at all, so it must
// answer before it makes any window or application object.

#include "support/spawned_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pyrandel {
namespace {

struct CommandLineCase {
    const char* label;
    const char* program;
    std::vector<std::string> arguments;
    int exit_code;
    const char* out; // expected somewhere in stdout ("" for nothing in particular)
    const char* err; // expected somewhere in stderr
};

// No platform to open a window on: a program that tried would fail with Qt's own error instead.
const std::vector<std::string> NO_DISPLAY = {"QT_QPA_PLATFORM=xcb", "DISPLAY=", "WAYLAND_DISPLAY="};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, AnswersAndExitsWithoutStarting)
{
    const CommandLineCase& c = GetParam();
    const test::ProgramResult result = test::RunProgram(c.program, c.arguments, NO_DISPLAY);
    EXPECT_EQ(result.exit_code, c.exit_code);
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
}

constexpr const char* HOST = PYRANDEL_HOST_PROGRAM;

INSTANTIATE_TEST_SUITE_P(
    Host, CommandLineTest,
    ::testing::Values(CommandLineCase{"Help", HOST, {"--help"}, 0, "--seed", ""},
                      CommandLineCase{"Version", HOST, {"--version"}, 0, "pyrandel-host " PYRANDEL_VERSION "\n", ""},
                      CommandLineCase{"UnknownOption", HOST, {"--colour"}, 2, "", "--colour"},
                      CommandLineCase{"PortZero", HOST, {"--port", "0"}, 2, "", "from 1 to 65535"},
                      CommandLineCase{"PortTooHigh", HOST, {"--port", "65536"}, 2, "", "from 1 to 65535"},
                      CommandLineCase{"PortMissing", HOST, {"--port"}, 2, "", "--port"},
                      CommandLineCase{"SeedHex", HOST, {"--seed", "0x10"}, 2, "", "in decimal"},
                      CommandLineCase{"SeedNegative", HOST, {"--seed", "-1"}, 2, "", "--seed"},
                      CommandLineCase{"SeedAbove32Bits", HOST, {"--seed", "4294967296"}, 2, "", "in decimal"},
                      CommandLineCase{"StrayArgument", HOST, {"extra"}, 2, "", "extra"},
                      CommandLineCase{"HelpNamesWeb", HOST, {"--help"}, 0, "--web [ADDRESS:]PORT", ""},
                      CommandLineCase{"WebName", HOST, {"--web", "localhost:8080"}, 2, "", "numeric address"},
                      CommandLineCase{"WebPortTooHigh", HOST, {"--web", "70000"}, 2, "", "[ADDRESS:]PORT"}),
    [](const auto& info) { return std::string(info.param.label); });

constexpr const char* BOT = PYRANDEL_BOT_PROGRAM;

INSTANTIATE_TEST_SUITE_P(
    Bot, CommandLineTest,
    ::testing::Values(CommandLineCase{"Help", BOT, {"--help"}, 0, "--level", ""},
                      CommandLineCase{"Version", BOT, {"--version"}, 0, "pyrandel-bot " PYRANDEL_VERSION "\n", ""},
                      CommandLineCase{"UnknownOption", BOT, {"--host", "h", "--colour"}, 2, "", "--colour"},
                      CommandLineCase{"NoHost", BOT, {}, 2, "", "--host"}),
    [](const auto& info) { return std::string(info.param.label); });

constexpr const char* WEB = PYRANDEL_WEB_PROGRAM;

INSTANTIATE_TEST_SUITE_P(
    Web, CommandLineTest,
    ::testing::Values(CommandLineCase{"Help", WEB, {"--help"}, 0, "--listen", ""},
                      CommandLineCase{"Version", WEB, {"--version"}, 0, "pyrandel-web " PYRANDEL_VERSION "\n", ""},
                      CommandLineCase{"NoListen", WEB, {}, 2, "", "--listen"},
                      CommandLineCase{"ListenName", WEB, {"--listen", "localhost:80"}, 2, "", "--listen is not"},
                      CommandLineCase{"HostBadPort", WEB, {"--host", "h:0", "--listen", "0"}, 2, "", "--host is not"}),
    [](const auto& info) { return std::string(info.param.label); });

constexpr const char* ARENA = PYRANDEL_ARENA_PROGRAM;

INSTANTIATE_TEST_SUITE_P(
    Arena, CommandLineTest,
    ::testing::Values(CommandLineCase{"Help", ARENA, {"--help"}, 0, "--move-ms N", ""},
                      CommandLineCase{"Version", ARENA, {"--version"}, 0, "pyrandel-arena " PYRANDEL_VERSION "\n", ""},
                      CommandLineCase{"UnknownOption", ARENA, {"--colour"}, 2, "", "--colour"},
                      CommandLineCase{"NoGames", ARENA, {"--games", "0"}, 2, "", "from 1 to"},
                      CommandLineCase{"OneSeat", ARENA, {"--levels", "5"}, 2, "", "two to four"},
                      CommandLineCase{"LevelSix", ARENA, {"--levels", "5,6"}, 2, "", "two to four"},
                      CommandLineCase{"SeedHex", ARENA, {"--seed", "0x10"}, 2, "", "in decimal"}),
    [](const auto& info) { return std::string(info.param.label); });

#ifdef PYRANDEL_DESKTOP_PROGRAM
constexpr const char* DESKTOP = PYRANDEL_DESKTOP_PROGRAM;

INSTANTIATE_TEST_SUITE_P(
    Desktop, CommandLineTest,
    ::testing::Values(CommandLineCase{"Help", DESKTOP, {"--help"}, 0, "--settings-dir", ""},
                      CommandLineCase{"HelpNamesTheProgram", DESKTOP, {"--help"}, 0, "Usage: pyrandel [options]", ""},
                      CommandLineCase{"Version", DESKTOP, {"--version"}, 0, "pyrandel " PYRANDEL_VERSION "\n", ""},
                      CommandLineCase{"UnknownOption", DESKTOP, {"--colour"}, 2, "", "colour"},
                      CommandLineCase{"HelpNamesWeb", DESKTOP, {"--help"}, 0, "--web <[ADDRESS:]PORT>", ""},
                      CommandLineCase{
                          "WebNotAnAddress", DESKTOP, {"--web", "[::1:80"}, 2, "", "--web is not [ADDRESS:]PORT"},
                      CommandLineCase{"NameTooLong",
                                      DESKTOP,
                                      {"--name", std::string(40, 'x') + "\xe3\x81\x82" + std::string(37, 'x')},
                                      2,
                                      "",
                                      "longer than 78 bytes"},
                      CommandLineCase{"NameWithTab", DESKTOP, {"--name", "a\tb"}, 2, "", "tabs"},
                      CommandLineCase{"NameNotInShiftJis", DESKTOP, {"--name", "\xf0\x9f\x8e\xb2"}, 2, "", "Shift-JIS"},
                      CommandLineCase{"EmptyAddress", DESKTOP, {"--join", ""}, 2, "", "--join needs"},
                      CommandLineCase{"JoinAndHost", DESKTOP, {"--join", "example", "--host"}, 2, "", "exclude"},
                      CommandLineCase{"StrayArgument", DESKTOP, {"extra"}, 2, "", "extra"}),
    [](const auto& info) { return std::string(info.param.label); });
#endif

} // namespace
} // namespace pyrandel
