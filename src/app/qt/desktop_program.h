#pragma once
// The desktop program from start to end: the application object, the view, the program-wide objects (random
// generator, participant list, board, host, player's session and the lobby over them), the lobby until the player
// quits, and an orderly end: the lobby stops the network threads and joins them before the view and the
// application object go, so no thread ever reaches a widget that is gone.
//
// The shipped program's main.cpp is nothing but a call of RunDesktopProgram; a test program calls it too, with a
// setup of its own, so what it drives is the program as shipped.

#include "app/lobby.h"

#include <functional>

namespace pyrandel {

class QtLobbyView;

struct DesktopSetup {
    // Where the game is played and where kq.ini lives: as shipped, port 1224 on every address and the current
    // directory.
    LobbyOptions lobby;
    // Called on the window thread once the view exists, before the lobby runs. An object made here with the view
    // as its Qt parent goes with the view.
    std::function<void(QtLobbyView& view)> attach;
};

// Runs the program and returns its exit code. `argc` and `argv` are the process's own, for Qt's options.
int RunDesktopProgram(int argc, char* argv[], DesktopSetup setup = {});

} // namespace pyrandel
