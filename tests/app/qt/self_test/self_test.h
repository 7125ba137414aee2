#pragma once
// The self-test of the desktop program, for the smoke test and the measurements in a virtual X server where no
// one clicks: it presses the lobby's own buttons, as a player would.
//
//   host-and-quit  press "サーバーになる", wait until the own player is listed, then press "終了"
//   host           press "サーバーになる" and stay (idle measurements; end the process from outside)
//
// The program that attaches it (main.cpp here) hosts on a free loopback port instead of the game's port, so a
// test never takes the port from a real game and never listens beyond this machine. It reports on standard
// error.

#include "app/lobby.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>
#include <string_view>

namespace pyrandel {

class LobbyWindow;

class SelfTest final : public QObject {
    Q_OBJECT

public:
    enum class Mode { HOST_AND_QUIT, HOST };

    // The mode a command-line word names, if any.
    [[nodiscard]] static std::optional<Mode> Parse(std::string_view word);
    // The lobby's options for a self-test: a free port on the loopback address.
    [[nodiscard]] static LobbyOptions Options();

    SelfTest(Mode mode, LobbyWindow& window, const QElapsedTimer& since_start, QObject* parent);

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
