#pragma once
// The messages between a page and its seat, as data: one JSON text message each, an object whose "type" names
// it. docs/WEB.md holds the table of them all. Texts in them are UTF-8; the seat converts to and from code page
// 932 (the page never does), and nothing here applies a rule of the game.
//
// Seat -> page (events): welcome, snapshot, ended, connected, participants, chat, status, battle, cells, lanes,
//                        marks, turn, marker, announce, box, computer, notice
// Page -> seat (intents): resume, join, leave, chat, start, computer, drop, hint, close, dismiss

#include "game/board.h"
#include "game/grid.h"
#include "server/roster.h"

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Intents
enum class IntentKind { RESUME, JOIN, LEAVE, CHAT, START, COMPUTER, DROP, HINT, CLOSE, DISMISS };

struct PageIntent {
    IntentKind kind = IntentKind::LEAVE;
    std::string text; // resume: the token; join: the name; chat: the line (UTF-8 as sent)
    int number = 0;   // drop: the lane; computer: the level
};

// Nothing for anything but one intent object of a known type with its fields of the right kinds: text that is
// no JSON, another type, a missing or mistyped field. A number outside int's range counts as mistyped.
[[nodiscard]] std::optional<PageIntent> ParseIntent(std::string_view json);

// What a page shows of the board, as sent: the seat keeps the last it sent and sends what changed.
using LaneSpots = std::array<std::optional<Cell>, LANES>;
[[nodiscard]] LaneSpots LandingSpots(const Grid& cells);

struct BoardView {
    Grid cells = EmptyGrid();
    LaneSpots lanes{};
    BoardMarks marks;
    bool may_place = false;
};

// Everything a page needs to draw the seat from nothing (all texts UTF-8).
struct SeatSnapshot {
    std::string token;
    std::string name;
    bool connected = false;
    std::vector<RosterEntry> participants;
    std::deque<std::string> chat;
    std::string status;
    bool battle_open = false;
    int colour = 0;
    BoardView board;
    std::optional<Cell> marker;
    std::optional<std::string> announced; // the title's moment, while it lasts
    std::optional<std::string> box;
    bool may_add_computer = false;
};

// Events
[[nodiscard]] std::string WelcomeEvent(int grace_seconds);
[[nodiscard]] std::string SnapshotEvent(const SeatSnapshot& snapshot);
[[nodiscard]] std::string EndedEvent();
[[nodiscard]] std::string ConnectedEvent(bool connected);
[[nodiscard]] std::string ParticipantsEvent(const std::vector<RosterEntry>& participants); // names UTF-8
[[nodiscard]] std::string ChatEvent(std::string_view line, bool replace);
[[nodiscard]] std::string StatusEvent(std::string_view text);
[[nodiscard]] std::string BattleEvent(bool open, int colour);
struct CellChange {
    Cell cell;
    int value = EMPTY;
};
[[nodiscard]] std::string CellsEvent(const std::vector<CellChange>& changes);
[[nodiscard]] std::string LanesEvent(const LaneSpots& lanes);
[[nodiscard]] std::string MarksEvent(const BoardMarks& marks);
[[nodiscard]] std::string TurnEvent(bool may_place);
[[nodiscard]] std::string MarkerEvent(std::optional<Cell> marker);
// `what` "your_turn" or "you_win" with the title's text; nothing when the moment is over.
[[nodiscard]] std::string AnnounceEvent(std::optional<std::string_view> what, std::string_view text);
[[nodiscard]] std::string BoxEvent(std::optional<std::string_view> text);
[[nodiscard]] std::string ComputerEvent(bool may_add);
[[nodiscard]] std::string NoticeEvent(std::string_view text);

} // namespace pyrandel
