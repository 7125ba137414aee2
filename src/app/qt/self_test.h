#pragma once
// A test-only driver for the real program, used by the smoke test and the measurements in a virtual X server
// where no one clicks: with PYRANDEL_SELF_TEST set it presses the lobby's own buttons, as a player would.
//
//   host-and-quit  press "サーバーになる", wait until the own player is listed, then press "終了"
//   host           press "サーバーになる" and stay (idle measurements; end the process from outside)
//
// In either mode the host listens on a free loopback port instead of the game's port, so a test never takes
// port 1224 from a real game and never listens beyond this machine. It reports on standard error.
// Without the variable the program behaves as shipped.

#include "app/lobby.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

namespace pyrandel {

class LobbyWindow;

class SelfTest final : public QObject {
    Q_OBJECT

public:
    enum class Mode { HOST_AND_QUIT, HOST };

    // The mode PYRANDEL_SELF_TEST asks for, if any.
    [[nodiscard]] static std::optional<Mode> FromEnvironment();
    // The lobby's options for a self-test: a free port on the loopback address.
    [[nodiscard]] static LobbyOptions Options();

    SelfTest(Mode mode, LobbyWindow& window, const QElapsedTimer& since_start);

    // The lobby is on screen: report the start-up time and begin.
    void Start();

private:
    void Joined();

    Mode mode;
    LobbyWindow& window;
    const QElapsedTimer& since_start;
    bool joined = false;
};

} // namespace pyrandel
