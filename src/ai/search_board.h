#pragma once
// The engine's own copy of a board, made for searching: balls are put and taken back millions of times, so it
// keeps, as it goes, every lane's landing spot, the state of every line of five cells on the board and a hash
// of the position. The rules are the same as those of game/grid.h (the tests hold the two side by side).
//
// Every value that is not EMPTY and not a colour in play (junk, or a colour nobody plays) is kept as BLOCKING:
// it supports balls like any ball and breaks every line through it.

#include "ai/line_table.h"
#include "game/grid.h"

#include <array>
#include <cstdint>
#include <span>

namespace pyrandel {

class SearchBoard {
public:
    static constexpr int CELLS = ROWS * COLUMNS;
    static constexpr int NO_SPOT = -1;
    static constexpr int BLOCKING = COLOURS;

    // `colours_in_play` lists the colours whose balls count for lines; values outside 0..3 are ignored.
    SearchBoard(const Grid& grid, std::span<const int> colours_in_play);

    // Rules
    // The cell index (row * COLUMNS + col) where a ball dropped into `lane` (0..31) rests, or NO_SPOT.
    [[nodiscard]] int Landing(int lane) const { return landing[static_cast<std::size_t>(lane)]; }
    // Whether a ball of `colour` put on the empty `cell` would complete a line of five.
    [[nodiscard]] bool Completes(int cell, int colour) const;
    // Puts a ball of `colour` (0..3) on the empty `cell`, and takes the last one put back off again.
    void Put(int cell, int colour);
    void Take(int cell);
    [[nodiscard]] int ValueAt(int cell) const { return cells[static_cast<std::size_t>(cell)]; }

    // Evaluation
    // The worth of `colour`'s open lines: every line of five holding balls of that colour only adds a weight
    // that grows steeply with the number of balls in it.
    [[nodiscard]] int OpenLines(int colour) const { return score[static_cast<std::size_t>(colour)]; }
    [[nodiscard]] std::uint64_t Hash() const { return hash; }

private:
    struct LineState {
        std::uint8_t total = 0; // balls in the line; a blocking cell adds BLOCKED so the line is never pure
        std::int8_t owner = -1; // the only colour in the line, NO_OWNER when empty, MIXED otherwise
        std::array<std::uint8_t, COLOURS> count{};
    };

    [[nodiscard]] int ComputeLanding(int lane) const;
    [[nodiscard]] int At(int col, int row) const;
    void RefreshLanes(int cell);

    std::array<std::int8_t, CELLS> cells{};
    std::array<std::int16_t, LANES> landing{};
    std::array<LineState, LineTable::LINES> lines{};
    std::array<int, COLOURS> score{};
    std::uint64_t hash = 0;
};

} // namespace pyrandel
