#pragma once
// The lobby window and the battle window as the logic drives them: the platform side of the program. The logic
// (Lobby, LobbyControls, ClientSession) decides everything; a view shows, reports and queues. Texts crossing this
// interface are code page 932 bytes; a view converts them at its own boundary, both ways.
//
// Threading contract. The window thread is the thread that calls RunLobby.
//  - RunLobby, EndLobby, OpenBattleWindow and LimitField are called on the window thread only.
//  - Every other operation may be called from any thread (the player's connection thread, the host's accepting
//    thread) and must not wait for the window thread. Reads answer from the view's own lock-guarded copy of the
//    controls' state; writes update that copy before returning (so the next read on any thread sees them) and
//    queue the widget update to the window thread. Queued work runs in the order the calls were made (a Qt view:
//    QMetaObject::invokeMethod with Qt::QueuedConnection, enqueued inside the call).
//  - The one wait: ShowMessageBox called from another thread holds that thread until the player dismisses the
//    box. EndLobby dismisses every box and makes later calls return at once, so shutdown never hangs.
//  - The view calls LobbyEvents and BattleEvents on the window thread only.
//  - The window thread keeps handling lobby commands (posted ones included) while a modal loop of the view runs:
//    the battle window's, or a message box's.

#include "app/lobby_events.h"
#include "game/battle_events.h"

#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Command numbers other than control ids.
inline constexpr int COMMAND_OK = 1;     // the dialog's OK (the Enter key)
inline constexpr int COMMAND_CANCEL = 2; // the quit button, the close box, the Escape key

// Lobby controls (template 101).
inline constexpr int CONTROL_QUIT = 2;
inline constexpr int CONTROL_CHAT_LOG = 1008;
inline constexpr int CONTROL_CHAT_INPUT = 1009;
inline constexpr int CONTROL_ADDRESS = 1011;
inline constexpr int CONTROL_CONNECT = 1012; // toggle "サーバーへ接続"
inline constexpr int CONTROL_HOST = 1013;    // toggle "サーバーになる"
inline constexpr int CONTROL_PARTICIPANTS = 1015;
inline constexpr int CONTROL_MATCH = 1016; // hidden
inline constexpr int CONTROL_NAME = 1017;
inline constexpr int CONTROL_END_MATCH = 1018; // hidden, starts disabled
inline constexpr int CONTROL_WATCH = 1019;     // hidden, no command handling
inline constexpr int CONTROL_STATUS = 1020;    // hidden in the lobby, visible in the battle window
inline constexpr int CONTROL_SAY = 1021;
inline constexpr int CONTROL_START = 1023;
// Right of "発言": while hosting, a computer player joins the game ("CPU参加"), at the level the spin box beside
// it shows (1..5; FieldText reads it as its digits).
inline constexpr int CONTROL_ADD_COMPUTER = 1030;
inline constexpr int CONTROL_COMPUTER_LEVEL = 1031;

inline constexpr int FIELD_LIMIT = 80; // characters the player may type into an edit field (FIELD_READ_BYTES used)

enum class ControlState { DISABLED, ENABLED };
enum class HeldKey { ENTER, ESCAPE };

class LobbyView {
public:
    // Lobby
    // Shows the lobby and serves it until EndLobby; calls events.OnInit first. Returns EndLobby's result.
    virtual int RunLobby(LobbyEvents& events) = 0;
    // The lobby's loop ends once control returns to it: a battle window still open is closed first (as by
    // CloseBattleWindow, so its close handling runs) and every message box is dismissed.
    virtual void EndLobby(int result) = 0;
    // Queues a command for events.OnCommand on the window thread and returns at once.
    virtual void PostCommand(int id, int param) = 0;
    // Whether the key is down at the moment of asking (how an Escape or Enter command is told from a button's).
    [[nodiscard]] virtual bool IsKeyHeld(HeldKey key) = 0;

    // Controls
    // The whole text of an edit field (1009, 1011, 1017). The logic cuts it to FIELD_READ_BYTES itself.
    [[nodiscard]] virtual std::string FieldText(int id) = 0;
    // Replaces the text of an edit field; for CONTROL_STATUS use ShowStatus.
    virtual void WriteField(int id, std::string_view text) = 0;
    // The player may type at most `characters` characters into the field.
    virtual void LimitField(int id, int characters) = 0;
    virtual void EnableControl(int id, ControlState state) = 0;
    // A mode toggle (1012, 1013) is pressed in. The view updates its copy before delivering the toggle's command.
    [[nodiscard]] virtual bool IsToggled(int id) = 0;
    virtual void ReleaseToggle(int id) = 0;
    // The status line: control 1020 of the lobby and, while it is open, of the battle window. The battle window
    // opens showing its template text, "現在、待っています".
    virtual void ShowStatus(std::string_view text) = 0;

    // Chat log (read-only for the player; the logic applies the capacity rule)
    // Adds one line (given without its line end) after the last line, never where the player's caret or
    // selection is, and leaves the player's selection alone.
    virtual void AppendChatLine(std::string_view line) = 0;
    // The whole log becomes this one line.
    virtual void ReplaceChatLog(std::string_view line) = 0;

    // Participant list: the names to show, in this order, replacing what the list shows.
    virtual void ShowParticipants(const std::vector<std::string>& names) = 0;

    // Message box: `text`, caption "Pyrandel", an OK button, owned by the lobby. Returns when dismissed. On the
    // window thread it runs a modal loop; from another thread it waits (see the threading contract).
    virtual void ShowMessageBox(std::string_view text) = 0;

    // Battle window (template 112)
    // Opens it, modal but without an owner (the lobby stays usable), with the ball of `colour` as its icon, and
    // returns when it has closed. `events` serves the window while it is open.
    virtual void OpenBattleWindow(int colour, BattleEvents& events) = 0;
    [[nodiscard]] virtual bool IsBattleWindowOpen() = 0;
    // The program's own close request: queued for the window open at the time of the call (nothing when none
    // is); handling it calls CloseRequested(BattleClose::PROGRAM) and closes that window. A request left over
    // from an earlier window never touches a later one.
    virtual void CloseBattleWindow() = 0;
    // Redraws one cell as the board holds it now (hole, then ball), which removes a marker drawn there.
    virtual void DrawBattleCell(int col, int row) = 0;
    // Draws the marker on one cell; it stays until that cell is redrawn or the window is repainted.
    virtual void DrawBattleMarker(int col, int row) = 0;
    // Repaints the whole board from BattleEvents::Cells() now; no marker is drawn until the pointer moves.
    virtual void RepaintBattleWindow() = 0;
    // The window's large icon becomes the ball of `colour` (0..3).
    virtual void SetBattleIcon(int colour) = 0;
    // Makes a moment of the match known while the battle window is open: its title tells the state, it asks for
    // the player's attention when it is not the active window, and it may play a sound.
    virtual void AnnounceBattle(BattleAnnouncement) {}
    // Every battle-window call but OpenBattleWindow does nothing while no battle window is open.

protected:
    ~LobbyView() = default;
};

} // namespace pyrandel
