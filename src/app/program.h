#pragma once
// The program-wide objects, each once, in the order they must come to life: the random generator, the
// participant list, the board, the host and the player's session (with the lobby's shared controls before the
// board, which reports its status through them, and the lobby last, as it drives all of them). Members are
// destroyed in the reverse order; the lobby stops the network threads first.
//
// The program's entry makes one Program on its stack with its view and runs it; a test makes a host and several
// players in one process, each a Program with a view of its own.

#include "ai/engine.h"
#include "app/lobby.h"
#include "app/lobby_controls.h"
#include "app/lobby_view.h"
#include "app/participant_list.h"
#include "client/client_session.h"
#include "game/board.h"
#include "server/random_generator.h"
#include "server/server_session.h"

#include <cstdint>
#include <optional>

namespace pyrandel {

class Program {
public:
    Program(LobbyView& view, LobbyOptions options = {});
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Seeds the random generator (the entry passes the calendar time in seconds) and runs the lobby until the
    // player quits. Returns the program's exit code.
    int Run(std::uint32_t seed);

    // The objects, for the entry's wiring and for tests.
    [[nodiscard]] Board& board() { return board_; }
    [[nodiscard]] ServerSession& server() { return server_; }
    [[nodiscard]] ClientSession& client() { return client_; }
    [[nodiscard]] Lobby& lobby() { return lobby_; }
    [[nodiscard]] LobbyControls& controls() { return controls_; }
    [[nodiscard]] ParticipantList& participants() { return participants_; }
    [[nodiscard]] RandomGenerator& random() { return random_; }

private:
    RandomGenerator random_;
    ParticipantList participants_;
    LobbyControls controls_;
    Board board_;
    // The battle window's H key, on the window thread; made at the first hint, as most games never ask.
    std::optional<Engine> hint_engine;
    ServerSession server_;
    ClientSession client_;
    Lobby lobby_;
};

} // namespace pyrandel
