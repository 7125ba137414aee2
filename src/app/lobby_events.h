#pragma once
// What the lobby window reports to the lobby logic. The view calls these on the window thread only: OnInit once,
// before anything else, then every command in the order the commands arrived (the player's buttons and keys, and
// the commands queued with LobbyView::PostCommand, interleaved as they reached the window thread).

namespace pyrandel {

enum class CommandResult { HANDLED, NOT_HANDLED };

// A keyboard message that reached the chat input. A view reports the press of the Enter key (each auto-repeat
// too) as KEY_DOWN with code 13, its release as KEY_UP, and a typed carriage return as CHARACTER with code 13.
enum class KeyMessage { KEY_DOWN, KEY_UP, CHARACTER };
enum class InputResult { CONSUMED, FORWARD };

class LobbyEvents {
public:
    // The lobby window exists and is about to be shown.
    virtual void OnInit() = 0;
    // A command: `id` is a control id or one of the command numbers (1, 2, 101 to 103); `param` is 0 but for the
    // posted CMD_START_MATCH (the colour). NOT_HANDLED says the logic did nothing with it (Enter or Escape held
    // when OK or Cancel arrived); no view has a default handling behind it, so the command ends there.
    virtual CommandResult OnCommand(int id, int param) = 0;
    // Sees every keyboard message of the chat input first. CONSUMED: the input never sees the message.
    virtual InputResult FilterChatInput(KeyMessage message, int code) = 0;

protected:
    ~LobbyEvents() = default;
};

} // namespace pyrandel
