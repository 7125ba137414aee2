#pragma once
// The desktop program's command line (QCommandLineParser), read before any window or application object exists,
// so --help, --version and bad input are answered without a display. What it asks for is done once the lobby is
// shown, as if the player had typed and pressed it: the name written into the name field (after the settings are
// loaded, so it wins over the saved one, and it is saved on quit as usual), then "サーバーへ接続" with the address
// or "サーバーになる".

#include "app/lobby.h"

#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

namespace pyrandel {

class LobbyWindow;
class Program;

struct DesktopCommandLine {
    std::optional<std::string> name; // code page 932, checked for the wire
    std::optional<std::string> join; // the host's address, code page 932
    bool host = false;
    std::optional<WebAddress> web; // while hosting: serve the browser page here
    std::optional<std::filesystem::path> settings_dir;
};

struct DesktopParse {
    std::optional<int> exit_code; // set when the program ends at once: 0 after help or version, 2 for bad input
    std::string out;              // for stdout (help, version)
    std::string err;              // for stderr (what is wrong, then the usage)
    DesktopCommandLine options;
};

// `arguments` as QCoreApplication would give them, the program's name first.
[[nodiscard]] DesktopParse ParseDesktopCommandLine(const QStringList& arguments);

// kq.ini's folder for this run: --settings-dir, else the usual place (DefaultSettingsDirectory).
[[nodiscard]] SettingsFile SettingsFor(const DesktopCommandLine& options);

// Does what the command line asks of the lobby; call once the lobby has been shown (its settings are loaded).
void ApplyDesktopCommandLine(const DesktopCommandLine& options, Program& program, LobbyWindow& window);

} // namespace pyrandel
