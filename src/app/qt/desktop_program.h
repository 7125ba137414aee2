#pragma once
// The desktop program from start to end: the command line first (no application object yet, so --help and bad
// input need no display), then the application object, the view, the program-wide objects (random generator,
// participant list, board, host, player's session and the lobby over them), the lobby until the player quits,
// and an orderly end: the lobby stops the network threads and joins them before the view and the application
// object go, so no thread ever reaches a widget that is gone.
//
// The shipped program's main.cpp is nothing but a call of RunDesktopProgram; a test program calls it too, with a
// setup of its own, so what it drives is the program as shipped.

#include "app/lobby.h"

#include <functional>

namespace pyrandel {

class QtLobbyView;

struct DesktopSetup {
    // Where the game is played: as shipped, port 1224 on every address. The folder of kq.ini is the command
    // line's (--settings-dir, else the usual place) whatever this says.
    LobbyOptions lobby;
    // Called on the window thread once the lobby is on screen, after what the command line asks of it. An object
    // made here with the view as its Qt parent goes with the view.
    std::function<void(QtLobbyView& view)> shown;
};

// Runs the program and returns its exit code. `argc` and `argv` are the process's own: the desktop program's
// options (desktop_command_line.h) and Qt's.
int RunDesktopProgram(int argc, char* argv[], DesktopSetup setup = {});

} // namespace pyrandel
