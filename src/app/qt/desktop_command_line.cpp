#include "app/qt/desktop_command_line.h"

#include "app/program.h"
#include "app/qt/lobby_window.h"
#include "protocol/player_name.h"
#include "text/text_codec.h"
#include "version.h"

#include <QCommandLineParser>
#include <QPushButton>

#include <cstdlib>

namespace pyrandel {

namespace {

constexpr int EXIT_BAD_COMMAND_LINE = 2;

// The parser names the program after the application object's first argument; none exists yet while the command
// line is read (so --help works without a display), and it would print a placeholder instead.
[[nodiscard]] std::string HelpText(const QCommandLineParser& parser)
{
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("pyrandel")).toStdString();
}

[[nodiscard]] DesktopParse Fail(const QCommandLineParser& parser, const std::string& what)
{
    DesktopParse result;
    result.exit_code = EXIT_BAD_COMMAND_LINE;
    result.err = "pyrandel: " + what + "\n" + HelpText(parser);
    return result;
}

void Press(LobbyWindow& window, int id)
{
    if (auto* button = qobject_cast<QPushButton*>(window.Control(id)); button != nullptr && !button->isChecked()) {
        button->click();
    }
}

} // namespace

DesktopParse ParseDesktopCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pyrandel, a board game for two to four players over the network."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Print the program's name and version and exit."));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Your name for this run (saved on quit)."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption join(QStringLiteral("join"), QStringLiteral("Connect to the host at ADDRESS at once."),
                                  QStringLiteral("ADDRESS"));
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Start hosting at once."));
    const QCommandLineOption settings_dir(QStringLiteral("settings-dir"),
                                          QStringLiteral("Keep kq.ini in DIR instead of the usual place."),
                                          QStringLiteral("DIR"));
    const QCommandLineOption web(
        QStringLiteral("web"),
        QStringLiteral("While hosting, serve the browser page on PORT (on every address, or on "
                       "ADDRESS alone) and seat browsers in the room."),
        QStringLiteral("[ADDRESS:]PORT"));
    parser.addOptions({help, version, name, join, host, settings_dir, web});

    if (!parser.parse(arguments)) {
        return Fail(parser, parser.errorText().toStdString());
    }
    DesktopParse result;
    if (parser.isSet(help)) {
        result.exit_code = 0;
        result.out = HelpText(parser);
        return result;
    }
    if (parser.isSet(version)) {
        result.exit_code = 0;
        result.out = std::string("pyrandel ") + VERSION + "\n";
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Fail(parser, "unexpected argument: " + parser.positionalArguments().first().toStdString());
    }
    for (const QCommandLineOption* single : {&name, &join, &settings_dir, &web}) {
        if (parser.values(*single).size() > 1) {
            return Fail(parser, "--" + single->names().first().toStdString() + " is given more than once");
        }
    }
    DesktopCommandLine& options = result.options;
    if (parser.isSet(name)) {
        auto checked = CheckPlayerName(parser.value(name).toStdString());
        if (const auto* error = std::get_if<NameError>(&checked)) {
            return Fail(parser, "--name " + error->reason);
        }
        options.name = std::get<std::string>(std::move(checked));
    }
    if (parser.isSet(join)) {
        const std::string address = parser.value(join).trimmed().toStdString();
        if (address.empty()) {
            return Fail(parser, "--join needs a host name or address");
        }
        options.join = Utf8ToCp932(address);
    }
    options.host = parser.isSet(host);
    if (options.host && options.join) {
        return Fail(parser, "--join and --host exclude each other");
    }
    if (parser.isSet(web)) {
        options.web = ParseWebAddress(parser.value(web).toStdString());
        if (!options.web) {
            return Fail(parser,
                        "--web is not [ADDRESS:]PORT with a numeric address: " + parser.value(web).toStdString());
        }
    }
    if (parser.isSet(settings_dir)) {
        if (parser.value(settings_dir).isEmpty()) {
            return Fail(parser, "--settings-dir needs a folder");
        }
        options.settings_dir = std::filesystem::path(parser.value(settings_dir).toStdString());
    }
    return result;
}

SettingsFile SettingsFor(const DesktopCommandLine& options)
{
    if (options.settings_dir) {
        return SettingsFile(*options.settings_dir);
    }
    return SettingsFile(DefaultSettingsDirectory(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
}

void ApplyDesktopCommandLine(const DesktopCommandLine& options, Program& program, LobbyWindow& window)
{
    if (options.name) {
        program.controls().WriteField(CONTROL_NAME, *options.name);
    }
    if (options.join) {
        program.controls().WriteField(CONTROL_ADDRESS, *options.join);
        Press(window, CONTROL_CONNECT);
    }
    if (options.host) {
        Press(window, CONTROL_HOST);
    }
}

} // namespace pyrandel
