#pragma once
// What the battle window reports to the match logic, and what it reads to paint itself. The window turns pixels
// into lanes itself (lane = (x - 24) / 16 for x of 24 and up, none from 32 on; clicks at y of 48 or less are
// dropped before they get here), so the logic works with lanes only and keyboard play can use the same calls.
//
// Every call comes from the window thread, while the window that the events were handed to is open.

#include "game/board.h"
#include "game/grid.h"

#include <optional>

namespace pyrandel {

// How the battle window is being closed. The program's own close request (CloseBattleWindow) is the only one
// that leaves the match without telling the host; the other three are the player's and tell it.
enum class BattleClose {
    ENTER,     // the Enter key (the dialog's OK)
    ESCAPE,    // the Escape key (the dialog's Cancel)
    CLOSE_BOX, // the title bar's close box
    PROGRAM,   // the program's own request, queued by CloseBattleWindow
};

// Moments of a match the battle window makes known beyond its status line: a title, a request for the player's
// attention, an optional sound.
enum class BattleAnnouncement {
    YOUR_TURN, // the host has granted the local player's turn
    YOU_WIN,   // the local player's ball has completed a line
};

class BattleEvents {
public:
    // The pointer is over `lane` (nothing: over no lane). On the player's turn the marker follows; the logic
    // answers by drawing through the view (ClientView's DrawCell for the old spot, DrawMarker for the new).
    virtual void PointAt(std::optional<int> lane) = 0;
    // A click over `lane` (or the keyboard's drop): puts the own ball when it is the player's turn. A winning
    // move shows the win message box before this returns.
    virtual void Drop(std::optional<int> lane) = 0;
    // The window is about to close; it ends when this returns, whatever the logic did.
    virtual void CloseRequested(BattleClose how) = 0;
    // The player asks for a hint (the H key): on the player's turn the marker moves to the suggested lane, as
    // if the pointer were over it. Nothing is sent and nothing is put. Logic without hints ignores it.
    virtual void Hint() {}
    // The cells as they are now, for painting: a colour 0..3 or EMPTY per cell.
    [[nodiscard]] virtual Grid Cells() const = 0;
    // What to mark on the board: the other players' latest balls and the winning line. Logic without marks
    // shows none.
    [[nodiscard]] virtual BoardMarks Marks() const { return {}; }

protected:
    ~BattleEvents() = default;
};

} // namespace pyrandel
