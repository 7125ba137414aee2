#pragma once
// What the client session needs of the player's program: the lobby's shared controls (name, chat log,
// participant list, status line), the news of its connection, the window thread for the two match commands, and
// the battle window. The desktop program implements it over its lobby (LobbyControls); a computer player
// implements it headless.
//
// Threads: every call may come from the connection thread or the window thread and must not wait for the window
// thread, but for OpenBattleWindow (window thread only, returns when the window has closed) and ShowMessageBox
// (may hold a connection thread until the box is dismissed or the program ends).

#include "game/battle_events.h"
#include "game/board.h"
#include "protocol/player_name.h"

#include <string>
#include <string_view>

namespace pyrandel {

// Window commands the session posts to itself through the view; the view hands each back to
// ClientSession::HandleCommand on the window thread, in posting order, every one of them (the session tells
// which match a command belongs to by counting the starts it gets back).
inline constexpr int CMD_START_MATCH = 101; // param: the colour as received
inline constexpr int CMD_YOUR_TURN = 102;   // param: 0
inline constexpr int CMD_MATCH_OVER = 103;  // param: 0; the host ended the match, see ClientSession

// How a connection, or the attempt to make one, ended.
enum class ConnectionEnd {
    FAILED, // it could not be made: the name is unknown, the host refused or never answered
    LOST,   // it stood, and the host, the network or a Close ended it
    CLOSED, // the owner called it off: ClientSession::Disconnect at any time, or a Close while it was being made
};

class ClientView : public StatusSink, public BoardSurface {
public:
    // Lobby controls
    // The player's name, at most FIELD_READ_BYTES of code page 932 text.
    [[nodiscard]] virtual std::string PlayerName() = 0;
    // One line at the end of the chat log.
    virtual void AppendChat(std::string_view text) = 0;
    virtual void AddParticipant(std::string_view name, int id) = 0;
    virtual void RemoveParticipant(int id) = 0;
    virtual void ClearParticipants() = 0;
    // The lobby's hidden match buttons as when no match runs.
    virtual void ResetMatchButtons() = 0;
    // ShowStatus (StatusSink): the status line.

    // Connection (connection thread)
    // The connection to the host stands; the host's lines follow.
    virtual void Connected() = 0;
    // The connection, or the attempt, is over, once for every Connect that started; the session has written its
    // texts (status line, chat log) already.
    virtual void ConnectionEnded(ConnectionEnd how) = 0;

    // Window thread
    // Queues a command for ClientSession::HandleCommand on the window thread and returns at once.
    virtual void PostCommand(int command, int param) = 0;

    // Battle window
    // A windowed view returns when the window has closed; a headless one may return at once and count the
    // window open until CloseBattleWindow, whose handling must call events.CloseRequested(BattleClose::PROGRAM).
    virtual void OpenBattleWindow(int colour, BattleEvents& events) = 0;
    [[nodiscard]] virtual bool IsBattleWindowOpen() = 0;
    // The program's own close request: the window closes without the host being told.
    virtual void CloseBattleWindow() = 0;
    virtual void RepaintBattleWindow() = 0;
    virtual void SetBattleIcon(int colour) = 0;
    virtual void DrawMarker(int col, int row) = 0;
    // DrawCell (BoardSurface): redraws a cell of the battle window, when it is open.
    // Makes a moment of the match known (title, attention, sound); a view without a window ignores it.
    virtual void Announce(BattleAnnouncement) {}

    // A message box with an OK button; returns when dismissed (at once once the program is ending).
    virtual void ShowMessageBox(std::string_view text) = 0;

protected:
    ~ClientView() = default;
};

} // namespace pyrandel
