#pragma once
// The lobby controls that the network side shares with the lobby: the player's name, the chat log, the
// participant list, the connection controls, the status line and the battle window. This is the desktop
// program's ClientView; the Lobby uses the same object for its own commands.
//
// Every operation may be called from any thread and none waits for the window thread (ShowMessageBox aside, see
// LobbyView). Nothing here keeps lobby state of its own beyond the chat log's size.

#include "app/chat_log.h"
#include "app/lobby_view.h"
#include "app/participant_list.h"
#include "client/client_view.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace pyrandel {

// Which mode's controls SetConnectControls switches: joining a host or hosting.
enum class ConnectMode { CLIENT, HOST };

class LobbyControls final : public ClientView {
public:
    LobbyControls(LobbyView& view, ParticipantList& participants);
    ~LobbyControls();
    LobbyControls(const LobbyControls&) = delete;
    LobbyControls& operator=(const LobbyControls&) = delete;

    // Wiring: the participant list starts working and the view shows it from now on (lobby initialisation).
    void AttachParticipants();
    // Called after each list has been handed to the view, with the number of names shown, on the thread that
    // changed the list; it must not wait for another thread. Once this returns, the previous handler is not
    // running and is never called again. An empty function removes the handler.
    void SetParticipantsShownHandler(std::function<void(int count)> handler);

    // Fields
    // The text of an edit field as the logic uses it: at most FIELD_READ_BYTES, never ending in half a character.
    [[nodiscard]] std::string ReadField(int id);
    void WriteField(int id, std::string_view text);
    // The level the list beside "CPU参加" shows, or DEFAULT_COMPUTER_LEVEL when it shows no level.
    [[nodiscard]] int ComputerLevel();

    // Enables or disables the connection controls of `mode` (the other mode's toggle, the address and the
    // name); an empty name becomes "名無し" either way; enabling also releases both toggles. The mode's own
    // toggle is never disabled, so a pressed mode can always be released.
    void SetConnectControls(ControlState state, ConnectMode mode);

    // ClientView
    [[nodiscard]] std::string PlayerName() override;
    void AppendChat(std::string_view text) override;
    void AddParticipant(std::string_view name, int id) override;
    void RemoveParticipant(int id) override;
    void ClearParticipants() override;
    void ResetMatchButtons() override;
    void ShowStatus(std::string_view text) override;
    void Connected() override;
    // An end the lobby did not ask for releases both modes and makes name and address editable again.
    void ConnectionEnded(ConnectionEnd how) override;
    void PostCommand(int command, int param) override;
    void OpenBattleWindow(int colour, BattleEvents& events) override;
    [[nodiscard]] bool IsBattleWindowOpen() override;
    void CloseBattleWindow() override;
    void RepaintBattleWindow() override;
    void SetBattleIcon(int colour) override;
    void DrawCell(int col, int row) override;
    void DrawMarker(int col, int row) override;
    void Announce(BattleAnnouncement what) override;
    void ShowMessageBox(std::string_view text) override;

private:
    // Shows the list as it is now. The lock makes the snapshots reach the view in the order they were taken,
    // so changes from two threads never leave an older list on screen.
    void RefreshParticipants();

    LobbyView& view;
    ParticipantList& participants;
    ChatLog chat;
    std::mutex refresh_lock;
    std::function<void(int)> shown_handler; // guarded by refresh_lock
};

} // namespace pyrandel
