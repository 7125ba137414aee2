// pyrandel-self-test MODE [options]: the desktop program through its shipped entry, with the self-test attached
// (MODE: host-and-quit or host, see self_test.h) and the host on a free loopback port. The options after the
// mode are the desktop program's own.

#include "app/qt/desktop_program.h"
#include "app/qt/qt_lobby_view.h"
#include "app/qt/self_test/self_test.h"

#include <QElapsedTimer>

#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

int main(int argc, char* argv[])
{
    QElapsedTimer since_start;
    since_start.start();
    const std::optional<pyrandel::SelfTest::Mode> mode = argc >= 2 ? pyrandel::SelfTest::Parse(argv[1]) : std::nullopt;
    if (!mode) {
        std::fputs("usage: pyrandel-self-test host-and-quit|host [options]\n", stderr);
        return 2;
    }

    pyrandel::DesktopSetup setup;
    setup.lobby = pyrandel::SelfTest::Options();
    setup.shown = [&](pyrandel::QtLobbyView& view) {
        (new pyrandel::SelfTest(*mode, view.lobby_window(), since_start, &view))->Start();
    };
    // The program sees its own name and whatever follows the mode.
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    arguments.push_back(nullptr);
    return pyrandel::RunDesktopProgram(static_cast<int>(arguments.size()) - 1, arguments.data(), std::move(setup));
}
