#pragma once
// The lobby window's logic: initialisation, every command, the two modes (join a host, become the host), the
// computer players a host may add, and quitting. The lobby's state is the position of its two toggles together
// with the player's connection and the host's listening; of its own it keeps only the computer players it
// started and what the "CPU参加" button needs to know (hosting, how many are listed).
//
// Threads: everything runs on the window thread except HostStopped, which the host's accepting thread calls
// once the host has stopped, and the participant count, which arrives on the player's connection thread.
// Nothing here waits for a network thread; the destructor alone joins them (a computer player whose
// connection has already ended is let go on the window thread, which joins threads that have finished).

#include "app/host_addresses.h"
#include "app/lobby_controls.h"
#include "app/lobby_events.h"
#include "app/lobby_view.h"
#include "app/settings_file.h"
#include "bot/computer_player.h"
#include "client/client_session.h"
#include "game/board.h"
#include "net/listen_server.h"
#include "protocol/messages.h"
#include "server/server_session.h"
#include "web/web_address.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

class WebFront;

inline constexpr std::string_view LOOPBACK_HOST = "localhost";

struct LobbyOptions {
    // Where players connect and the host listens. Port 0 lets a host pick a free port (tests); its own player
    // then connects to the port actually bound.
    int port = protocol::GAME_PORT;
    std::string listen_address; // empty: every address of the machine, IPv6 and IPv4
    SettingsFile settings;      // kq.ini in the current directory
    // How long the lobby's computer players pause before each move.
    std::chrono::milliseconds computer_pause = HUMAN_PAUSE;
    // The addresses the host tells its own player when hosting starts.
    AddressSource host_addresses = LocalAddresses;
    // While hosting, the browser page is served here and browsers are seated in the room (--web).
    std::optional<WebAddress> web;
};

// The chat line that tells the player why hosting did not start (the port is named when another program holds it).
[[nodiscard]] std::string HostingFailureText(ListenError error, int port);

// The computer players a hosting lobby may add; with the host's own player they fill every seat.
inline constexpr int MAX_COMPUTER_PLAYERS = PLAYER_SLOTS - 1;

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

    // Computer players (window thread, but StopComputerPlayers from any thread)
    // Starts a computer player named CPU1..CPU3 that joins the game hosted here through "localhost", at the
    // level the level list shows; false when none may join now (not hosting, every seat taken, three running).
    bool AddComputerPlayer();
    // Tells every computer player to leave; they end on their own threads and are let go later.
    void StopComputerPlayers();

private:
    enum class Hosting { OFF, ON };

    void ConnectTo(int port);
    // Serves the browser page for the room at `port` when the options ask for it; the links to give out.
    std::vector<std::string> StartWebFront(int port);
    [[nodiscard]] std::unique_ptr<WebFront> TakeWebFront();
    // The participant list on screen changed (any thread).
    void ParticipantsShown(int count);
    void SetHosting(Hosting now);
    // Enables "CPU参加" exactly when AddComputerPlayer would start one; computer_lock is held.
    void UpdateComputerButton();
    [[nodiscard]] bool MayAddComputer() const; // computer_lock is held

    LobbyView& view;
    LobbyControls& controls;
    Board& board;
    ServerSession& server;
    ClientSession& client;
    const LobbyOptions options;
    // The player (or quitting) stopped the host: its end needs no reaction beyond the chat line, and must not
    // undo a hosting started again in the meantime.
    std::atomic<bool> host_stop_requested{false};

    // Guards the members below. Held while the button's state is worked out and handed to the view, so states
    // worked out on two threads reach the view in the order they were worked out.
    std::mutex computer_lock;
    Hosting hosting = Hosting::OFF;
    int listed = 0;
    std::list<ComputerPlayer> computers; // destroyed (joined) on the window thread only

    // The browser front while hosting with `web`. Closed (without waiting) when hosting stops, which the
    // accepting thread may do; let go (its threads joined, told to end already) on the window thread when
    // hosting starts again or the lobby ends, never under the lock.
    std::mutex web_lock;
    std::unique_ptr<WebFront> web_front; // guarded by web_lock
};

} // namespace pyrandel
