// The program entry: the command line first (no application object yet, so --help and bad input need no display),
// then the application object, the view, the program-wide objects (random generator, participant list, board,
// host, player's session and the lobby over them), the lobby until the player quits, and an orderly end: the
// lobby stops the network threads and joins them before the view and the application object go, so no thread
// ever reaches a widget that is gone.

#include "app/program.h"
#include "app/qt/desktop_command_line.h"
#include "app/qt/qt_lobby_view.h"
#include "app/qt/self_test.h"
#include "app/qt/view_resources.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <ctime>
#include <iostream>
#include <optional>

int main(int argc, char* argv[])
{
    QElapsedTimer since_start;
    since_start.start();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const pyrandel::DesktopParse command_line = pyrandel::ParseDesktopCommandLine(arguments);
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
    pyrandel::InitViewResources();
    pyrandel::InstallQtTranslation();

    pyrandel::QtLobbyView view;
    const std::optional<pyrandel::SelfTest::Mode> self_test_mode = pyrandel::SelfTest::FromEnvironment();
    pyrandel::LobbyOptions options = self_test_mode ? pyrandel::SelfTest::Options() : pyrandel::LobbyOptions{};
    options.settings = pyrandel::SettingsFor(command_line.options);
    pyrandel::Program program(view, std::move(options));

    std::optional<pyrandel::SelfTest> self_test;
    if (self_test_mode) {
        self_test.emplace(*self_test_mode, view.lobby_window(), since_start);
    }
    view.SetShownHandler([&] {
        pyrandel::ApplyDesktopCommandLine(command_line.options, program, view.lobby_window());
        if (self_test) {
            self_test->Start();
        }
    });
    // The seed is the calendar time in seconds, as 32 bits.
    return program.Run(static_cast<std::uint32_t>(std::time(nullptr)));
}
