#include "cli/tool_command_line.h"

#include "version.h"

#include <charconv>

namespace pyrandel {

namespace {

[[nodiscard]] std::optional<std::uint64_t> ParseDecimal(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '+' || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

void AddStandardOptions(CLI::App& app)
{
    app.set_version_flag("--version", app.get_name() + " " + VERSION, "Print the program's name and version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
}

std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                                        std::ostream& err)
{
    // Help and version win wherever they stand, even beside a bad value (CLI11 would check values first).
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            out << app.help();
            return 0;
        }
        if (argument == "--version") {
            out << app.get_name() << " " << VERSION << "\n";
            return 0;
        }
    }
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& error) {
        err << app.get_name() << ": " << error.what() << "\n" << app.help();
        return EXIT_BAD_COMMAND_LINE;
    }
}

CLI::Validator DecimalNumber(std::uint64_t low, std::uint64_t high, std::string what)
{
    return CLI::Validator(
        [low, high, what](std::string& text) -> std::string {
            const auto value = ParseDecimal(text);
            if (!value || *value < low || *value > high) {
                return "must be " + what + " from " + std::to_string(low) + " to " + std::to_string(high) +
                       ", in decimal: " + text;
            }
            return {};
        },
        "", "");
}

CLI::Validator PortNumber()
{
    return DecimalNumber(1, 65535, "a port number");
}

std::uint64_t DecimalValue(std::string_view text)
{
    return ParseDecimal(text).value_or(0);
}

} // namespace pyrandel
