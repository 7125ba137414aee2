#pragma once
// The rules of the game on a plain grid of cell values, with no state, lock or view: the Board applies them to
// the match it holds, and the computer player runs them millions of times on grids of its own.
//
// Coordinates: (col, row), col 0..15 from the left, row 0..11 from the bottom (row 0 is the floor). Odd rows sit
// half a cell to the right of even rows. Lane k (0..31) holds the cells of column k / 2 whose row parity is k % 2.

#include <array>
#include <optional>
#include <vector>

namespace pyrandel {

inline constexpr int COLUMNS = 16;
inline constexpr int ROWS = 12;
inline constexpr int LANES = 32;
inline constexpr int COLOURS = 4;
inline constexpr int WIN_COUNT = 5;

// Cell values: a colour 0..3, EMPTY, or OUTSIDE for any position off the board (never stored).
inline constexpr int EMPTY = -1;
inline constexpr int OUTSIDE = 100;

struct Cell {
    int col = 0;
    int row = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// Cell values row by row from row 0, COLUMNS cells a row (element row * COLUMNS + col).
using Grid = std::array<int, ROWS * COLUMNS>;

[[nodiscard]] Grid EmptyGrid();

// The value at (col, row), or OUTSIDE for any position off the board.
[[nodiscard]] int CellAt(const Grid& grid, int col, int row);

// The support rule: where a ball dropped into `lane` comes to rest, or nothing (lane outside 0..31, lane blocked,
// a cell with exactly one support, or an odd lane that runs out of rows).
[[nodiscard]] std::optional<Cell> LandingSpot(const Grid& grid, int lane);

// The winning rule: whether the ball of `colour` standing at (col, row) completes a line of `win_count` across or
// along either slanting direction. Reads the grid only; the ball must already be stored. Never true for a colour
// outside 0..3 or a position off the board; a win_count longer than the board is wide is never met.
[[nodiscard]] bool CompletesLine(const Grid& grid, int col, int row, int colour, int win_count = WIN_COUNT);

// The balls of every line through (col, row) that the winning rule counts as won: each unbroken run of
// `colour` of win_count or more across or slanting through that cell, all of its balls, the cell itself once.
// Empty when the ball completes no line (the same cases as CompletesLine).
[[nodiscard]] std::vector<Cell> WinningLine(const Grid& grid, int col, int row, int colour, int win_count = WIN_COUNT);

// The lane that holds (col, row), for any position on the board.
[[nodiscard]] constexpr int LaneOf(int col, int row)
{
    return col * 2 + (row & 1);
}

} // namespace pyrandel
