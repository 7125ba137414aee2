#include "app/qt/desktop_program.h"

#include "app/program.h"
#include "app/qt/desktop_command_line.h"
#include "app/qt/qt_lobby_view.h"
#include "game/qt/view_resources.h"

#include <QApplication>
#include <QStringList>

#include <cstdint>
#include <ctime>
#include <iostream>
#include <utility>

namespace pyrandel {

int RunDesktopProgram(int argc, char* argv[], DesktopSetup setup)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const DesktopParse command_line = ParseDesktopCommandLine(arguments);
    if (command_line.exit_code) {
        std::cout << command_line.out;
        std::cerr << command_line.err;
        return *command_line.exit_code;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pyrandel"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.pyrandel.Pyrandel"));
    // Only the lobby's own quitting ends the program, never a window that happens to close last.
    QApplication::setQuitOnLastWindowClosed(false);
    InitViewResources();
    InstallQtTranslation();

    QtLobbyView view;
    LobbyOptions options = std::move(setup.lobby);
    options.settings = SettingsFor(command_line.options);
    options.web = command_line.options.web;
    Program program(view, std::move(options));
    view.SetShownHandler([&] {
        ApplyDesktopCommandLine(command_line.options, program, view.lobby_window());
        if (setup.shown) {
            setup.shown(view);
        }
    });
    // The seed is the calendar time in seconds, as 32 bits.
    return program.Run(static_cast<std::uint32_t>(std::time(nullptr)));
}

} // namespace pyrandel
