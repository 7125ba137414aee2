#pragma once
// The referee of a room open to strangers. The desktop program's host trusts its peers: every player's program
// puts a relayed ball where it is told. A room anybody may join cannot, so a refereeing host keeps the board of
// the running match itself, applies the game's own rules to every move (src/game: the landing spot of a lane,
// five in a line) and lets a line through only as an honest player's program sends it. What it drops is never
// relayed; the host reports it (ServerObserver::OnDropped).
//
// A move passes while a match runs, from the player holding the turn, in that player's colour, with plain decimal
// fields (as every player's program writes them), onto the landing spot of its lane, with a win flag that says
// what the board says, and with no ball left in the turn (the player's program always sends -1). A start while
// a match runs passes from a player of that match only. Chat passes at a person's pace: a burst of lines, then
// one line for every CHAT_REGAIN.
//
// Reporting: a participant that keeps sending what is dropped must not fill the log at its own rate. Within a
// run of dropped lines from one slot (until a line of it passes, or it leaves), the first drop of each kind is
// reported and the others are only counted.
//
// A plain object: the host guards it with its own lock, and calls it in the order the lines arrive.

#include "game/grid.h"
#include "protocol/messages.h"

#include <bitset>
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pyrandel {

// Why the referee dropped a line.
enum class Offence {
    MOVE_WITHOUT_MATCH, // no match runs: none started, or it has been won or ended
    MOVE_BY_SPECTATOR,  // the sender plays no part in the running match
    MOVE_OUT_OF_TURN,   // another player holds the turn
    MOVE_MALFORMED,     // a field missing or not written as a plain decimal number
    MOVE_WRONG_COLOUR,  // not the colour the sender plays in this match
    MOVE_KEEPS_TURN,    // balls left in the turn: more than one ball per turn
    MOVE_NOT_LANDING,   // not where a ball dropped into its lane comes to rest (taken, unsupported, off the board)
    MOVE_FALSE_WIN,     // the win flag says what the board does not
    START_BY_SPECTATOR, // a start while a match runs, from a participant not playing in it
    CHAT_TOO_FAST,      // faster than a person types
};
inline constexpr int OFFENCE_KINDS = static_cast<int>(Offence::CHAT_TOO_FAST) + 1; // the last one

// Chat at a person's pace: this many lines at once, then one more for every CHAT_REGAIN.
inline constexpr int CHAT_BURST = 8;
inline constexpr std::chrono::milliseconds CHAT_REGAIN{1000};

class Referee {
public:
    // A player of a match: the slot id and the colour it plays.
    struct Seat {
        int id = 0;
        int colour = 0;
    };

    using Clock = std::chrono::steady_clock;
    // The time chat is paced by; a test gives a clock of its own.
    using Now = std::function<Clock::time_point()>;
    // For a host of `slots` connection slots, whose ids are 0 to slots - 1.
    explicit Referee(int slots, Now now = {});

    // The match
    // A match begins with these players in turn order; its board is empty and the first holds the turn.
    void BeginMatch(std::span<const Seat> seats);
    // The match ended without a winner (a player left it or closed the battle window).
    void EndMatch();
    // Judges a PLOT from `sender`; a move that passes is played: its ball is on the board, and the turn has
    // passed on or the match is won.
    [[nodiscard]] std::optional<Offence> TakeMove(int sender, const protocol::PlotLine& move);
    [[nodiscard]] std::optional<Offence> JudgeStart(int sender) const;

    // Chat
    [[nodiscard]] std::optional<Offence> JudgeChat(int sender);

    // Reporting
    // A line of `sender` was dropped for `offence`: whether to report it (the first of its kind in the run).
    [[nodiscard]] bool ReportDrop(int sender, Offence offence);
    // A line of `sender` passed, which ends its run of drops: how many of them went unreported.
    [[nodiscard]] int EndRun(int sender);
    // The slot is free: the next participant in it starts with a fresh chat allowance and run. Gives the
    // drops of the run that went unreported.
    [[nodiscard]] int Vacate(int slot);

private:
    struct SlotRecord {
        Clock::time_point chat_due{};        // when the line after the allowance may come
        std::bitset<OFFENCE_KINDS> reported; // kinds reported in the current run of drops
        int unreported = 0;
    };

    [[nodiscard]] std::optional<Offence> JudgeMove(int sender, const protocol::PlotLine& move) const;
    [[nodiscard]] SlotRecord* RecordOf(int slot);

    Now now;
    bool running = false;
    std::vector<Seat> seats; // the players of the running or last match, in turn order
    std::size_t turn = 0;    // index into seats of the player holding the turn
    Grid grid = EmptyGrid();
    std::vector<SlotRecord> records; // per slot
};

} // namespace pyrandel
