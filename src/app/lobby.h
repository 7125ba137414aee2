#pragma once
// The lobby window's logic: initialisation, every command, the two modes (join a host, become the host), and
// quitting. It keeps no state of its own: the lobby's state is the position of its two toggles together with
// the player's connection and the host's listening.
//
// Threads: everything runs on the window thread except HostStopped, which the host's accepting thread calls
// once the host has stopped. Nothing here waits for a network thread; the destructor alone joins them.

#include "app/lobby_controls.h"
#include "app/lobby_events.h"
#include "app/lobby_view.h"
#include "app/settings_file.h"
#include "client/client_session.h"
#include "game/board.h"
#include "net/listen_server.h"
#include "server/server_session.h"

#include <cstdint>
#include <string_view>

namespace pyrandel {

inline constexpr int GAME_PORT = 1224;
inline constexpr int LISTEN_BACKLOG = 5;
inline constexpr std::string_view LOOPBACK_HOST = "localhost";

struct LobbyOptions {
    // Where players connect and the host listens. Port 0 lets a host pick a free port (tests); its own player
    // then connects to the port actually bound.
    int port = GAME_PORT;
    std::uint32_t listen_address = ANY_ADDRESS; // network byte order
    SettingsFile settings;                      // kq.ini in the current directory
};

class Lobby final : public LobbyEvents {
public:
    Lobby(LobbyView& view, LobbyControls& controls, Board& board, ServerSession& server, ClientSession& client,
          LobbyOptions options);
    // Stops the player's connection and the host first, so no network thread calls into a lobby that is gone.
    ~Lobby();
    Lobby(const Lobby&) = delete;
    Lobby& operator=(const Lobby&) = delete;

    // Runs the lobby window until QuitLobby; the result is the lobby's (0).
    int Run();

    // LobbyEvents (window thread)
    void OnInit() override;
    CommandResult OnCommand(int id, int param) override;
    // Enter in the chat input sends the line on every key-down, key repeat included, and never reaches the input.
    InputResult FilterChatInput(KeyMessage message, int code) override;

    // Modes
    void ConnectToHost();
    // True when listening started; the host's own player then joins through "localhost".
    bool StartHosting();
    void StopHosting();
    void Disconnect();
    // The host has stopped (accepting thread).
    void HostStopped();
    // Leaves any match telling the host, stops hosting, closes the connection, saves the settings, ends the lobby.
    void QuitLobby();

    // Settings
    void LoadSettings();
    void SaveSettings();

private:
    void ConnectTo(int port);

    LobbyView& view;
    LobbyControls& controls;
    Board& board;
    ServerSession& server;
    ClientSession& client;
    const LobbyOptions options;
};

} // namespace pyrandel
