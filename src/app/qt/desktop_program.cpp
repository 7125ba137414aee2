#include "app/qt/desktop_program.h"

#include "app/program.h"
#include "app/qt/qt_lobby_view.h"
#include "game/qt/view_resources.h"

#include <QApplication>

#include <cstdint>
#include <ctime>
#include <utility>

namespace pyrandel {

int RunDesktopProgram(int argc, char* argv[], DesktopSetup setup)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pyrandel"));
    QApplication::setDesktopFileName(QStringLiteral("pyrandel"));
    // Only the lobby's own quitting ends the program, never a window that happens to close last.
    QApplication::setQuitOnLastWindowClosed(false);
    InitViewResources();

    QtLobbyView view;
    if (setup.attach) {
        setup.attach(view);
    }
    Program program(view, std::move(setup.lobby));
    // The seed is the calendar time in seconds, as 32 bits.
    return program.Run(static_cast<std::uint32_t>(std::time(nullptr)));
}

} // namespace pyrandel
