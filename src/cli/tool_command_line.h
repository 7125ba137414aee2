#pragma once
// The command line of the headless tools (pyrandel-host, pyrandel-bot), in one style: CLI11 with GNU-style long
// options, --help and --version, and the same exit codes everywhere: 0 after help or version, 2 for a bad option or
// value (with the message and the usage on stderr).
//
// CLI11 reports through exceptions; they are caught here, so a tool's main sees only results.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace pyrandel {

inline constexpr int EXIT_BAD_COMMAND_LINE = 2;

// Gives `app` (made with the tool's description and name) --help and --version ("<name> <version>").
void AddStandardOptions(CLI::App& app);

// Parses `argv` into the options bound to `app`. Nothing when the tool should go on; otherwise the exit code,
// after the help or version text went to `out` or the error and the usage to `err`.
[[nodiscard]] std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, const char* const* argv,
                                                      std::ostream& out, std::ostream& err);

// Checks for option values, strict where CLI11 is lenient (it would take "0x10", "010" or "1e3"): digits only,
// in decimal, within range. Each returns CLI11's empty text for a good value, else what is wrong.
[[nodiscard]] CLI::Validator PortNumber(); // 1 to 65535
[[nodiscard]] CLI::Validator DecimalNumber(std::uint64_t low, std::uint64_t high, std::string what);

// The value of a text that passed DecimalNumber.
[[nodiscard]] std::uint64_t DecimalValue(std::string_view text);

} // namespace pyrandel
