#include "server/referee.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace pyrandel {

namespace {

// Written as "%d" writes the number: what every player's program sends. Anything else could be read one way
// here and another way by some player's program (a sign, blanks, digits beyond the range).
[[nodiscard]] bool IsPlainNumber(const protocol::NumberField& field)
{
    return field.present && field.text == std::to_string(field.value);
}

[[nodiscard]] bool OnBoard(int col, int row)
{
    return col >= 0 && col < COLUMNS && row >= 0 && row < ROWS;
}

[[nodiscard]] std::size_t At(int col, int row)
{
    return static_cast<std::size_t>(row * COLUMNS + col);
}

} // namespace

Referee::Referee(int slots, Now clock)
    : now(clock ? std::move(clock) : Now(&Clock::now)), records(static_cast<std::size_t>(std::max(slots, 0)))
{
}

// The match

void Referee::BeginMatch(std::span<const Seat> players)
{
    seats.assign(players.begin(), players.end());
    turn = 0;
    grid = EmptyGrid();
    running = !seats.empty();
}

void Referee::EndMatch()
{
    running = false;
}

std::optional<Offence> Referee::JudgeMove(int sender, const protocol::PlotLine& move) const
{
    if (!running) {
        return Offence::MOVE_WITHOUT_MATCH;
    }
    if (std::none_of(seats.begin(), seats.end(), [&](const Seat& seat) { return seat.id == sender; })) {
        return Offence::MOVE_BY_SPECTATOR;
    }
    const Seat& mover = seats[turn];
    if (mover.id != sender) {
        return Offence::MOVE_OUT_OF_TURN;
    }
    const std::array fields = {&move.colour, &move.col, &move.row, &move.win, &move.left};
    if (!std::all_of(fields.begin(), fields.end(),
                     [](const protocol::NumberField* field) { return IsPlainNumber(*field); })) {
        return Offence::MOVE_MALFORMED;
    }
    if (move.colour.value != mover.colour) {
        return Offence::MOVE_WRONG_COLOUR;
    }
    if (move.left.value >= 1) {
        return Offence::MOVE_KEEPS_TURN;
    }
    const int col = move.col.value;
    const int row = move.row.value;
    if (!OnBoard(col, row) || LandingSpot(grid, LaneOf(col, row)) != Cell{col, row}) {
        return Offence::MOVE_NOT_LANDING;
    }
    Grid after = grid;
    after[At(col, row)] = mover.colour;
    const int win = CompletesLine(after, col, row, mover.colour) ? 1 : 0;
    if (move.win.value != win) {
        return Offence::MOVE_FALSE_WIN;
    }
    return std::nullopt;
}

std::optional<Offence> Referee::TakeMove(int sender, const protocol::PlotLine& move)
{
    if (const std::optional<Offence> offence = JudgeMove(sender, move)) {
        return offence;
    }
    const Seat& mover = seats[turn];
    const int col = move.col.value;
    const int row = move.row.value;
    grid[At(col, row)] = mover.colour;
    if (move.win.value == 1) {
        running = false; // won: no more moves
    } else {
        turn = (turn + 1) % seats.size();
    }
    return std::nullopt;
}

std::optional<Offence> Referee::JudgeStart(int sender) const
{
    if (running && std::none_of(seats.begin(), seats.end(), [&](const Seat& seat) { return seat.id == sender; })) {
        return Offence::START_BY_SPECTATOR;
    }
    return std::nullopt;
}

// Chat

std::optional<Offence> Referee::JudgeChat(int sender)
{
    SlotRecord* record = RecordOf(sender);
    if (record == nullptr) {
        return std::nullopt;
    }
    // The allowance is full again at chat_due; each line moves that time on by CHAT_REGAIN, and a line is
    // dropped while it lies more than the burst ahead.
    const Clock::time_point time = now();
    const Clock::time_point due = std::max(record->chat_due, time);
    if (due - time > (CHAT_BURST - 1) * CHAT_REGAIN) {
        return Offence::CHAT_TOO_FAST;
    }
    record->chat_due = due + CHAT_REGAIN;
    return std::nullopt;
}

// Reporting

bool Referee::ReportDrop(int sender, Offence offence)
{
    SlotRecord* record = RecordOf(sender);
    if (record == nullptr) {
        return true;
    }
    const auto kind = static_cast<std::size_t>(offence);
    if (record->reported.test(kind)) {
        ++record->unreported;
        return false;
    }
    record->reported.set(kind);
    return true;
}

int Referee::EndRun(int sender)
{
    SlotRecord* record = RecordOf(sender);
    if (record == nullptr) {
        return 0;
    }
    record->reported.reset();
    return std::exchange(record->unreported, 0);
}

int Referee::Vacate(int slot)
{
    const int unreported = EndRun(slot);
    if (SlotRecord* record = RecordOf(slot)) {
        record->chat_due = {};
    }
    return unreported;
}

Referee::SlotRecord* Referee::RecordOf(int slot)
{
    if (slot < 0 || static_cast<std::size_t>(slot) >= records.size()) {
        return nullptr;
    }
    return &records[static_cast<std::size_t>(slot)];
}

} // namespace pyrandel
