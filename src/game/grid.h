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

// The six neighbours of a cell. Odd rows sit half a cell to the right, so in the row above or below, the left
// neighbour of an even row's cell is one column back and the right neighbour of an odd row's cell one column on.
// The two cells below a cell are its supports.
enum class Neighbour { LEFT, RIGHT, ABOVE_LEFT, ABOVE_RIGHT, BELOW_LEFT, BELOW_RIGHT };

// The neighbour of `cell` on `side`; for a cell on the board's edge it may be a position off the board.
[[nodiscard]] constexpr Cell NeighbourOf(Cell cell, Neighbour side);
// The column of that neighbour, for a cell in column `col` of an odd row or an even one.
[[nodiscard]] constexpr int NeighbourColumn(int col, bool odd_row, Neighbour side);

// The three lines the winning rule counts (across, rising to the right, rising to the left), each walked with
// its forward step (rightward or upward) and its step back.
struct LineDirection {
    Neighbour forward;
    Neighbour back;
};
inline constexpr std::array<LineDirection, 3> LINE_DIRECTIONS = {{
    {Neighbour::RIGHT, Neighbour::LEFT},
    {Neighbour::ABOVE_RIGHT, Neighbour::BELOW_LEFT},
    {Neighbour::ABOVE_LEFT, Neighbour::BELOW_RIGHT},
}};

// The support rule: where a ball dropped into `lane` comes to rest, or nothing (lane outside 0..31, lane blocked,
// a cell with exactly one support, or an odd lane that runs out of rows).
[[nodiscard]] std::optional<Cell> LandingSpot(const Grid& grid, int lane);

// The same rule over any store of cells, so the engine's own boards play the game the Board plays: `at(col, row)`
// reads a cell as EMPTY, a ball, or any other value (OUTSIDE) off the board, the floor included. The cell index
// (row * COLUMNS + col) where a ball dropped into `lane` (0..31) comes to rest, or `no_spot`.
template <typename CellReader>
[[nodiscard]] constexpr int LandingCell(int lane, int no_spot, CellReader at);

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

// Definitions

constexpr int NeighbourColumn(int col, bool odd_row, Neighbour side)
{
    switch (side) {
    case Neighbour::LEFT:
        return col - 1;
    case Neighbour::RIGHT:
        return col + 1;
    case Neighbour::ABOVE_LEFT:
    case Neighbour::BELOW_LEFT:
        return odd_row ? col : col - 1;
    case Neighbour::ABOVE_RIGHT:
    case Neighbour::BELOW_RIGHT:
        return odd_row ? col + 1 : col;
    }
    return col;
}

constexpr Cell NeighbourOf(Cell cell, Neighbour side)
{
    const bool above = side == Neighbour::ABOVE_LEFT || side == Neighbour::ABOVE_RIGHT;
    const bool below = side == Neighbour::BELOW_LEFT || side == Neighbour::BELOW_RIGHT;
    return {NeighbourColumn(cell.col, (cell.row & 1) != 0, side), cell.row + (above ? 1 : 0) - (below ? 1 : 0)};
}

template <typename CellReader>
constexpr int LandingCell(int lane, int no_spot, CellReader at)
{
    const int col = lane / 2;
    const bool odd = (lane & 1) != 0;
    for (int row = ROWS - 2 + (lane & 1); row >= 0; row -= 2) {
        if (at(col, row) != EMPTY) {
            return no_spot; // blocked from above: the ball cannot pass a ball in its own lane
        }
        // The floor reads OUTSIDE, which counts as a support like any ball. The cells of a lane share their row's
        // parity, the lane's.
        const bool left_held = at(NeighbourColumn(col, odd, Neighbour::BELOW_LEFT), row - 1) != EMPTY;
        const bool right_held = at(NeighbourColumn(col, odd, Neighbour::BELOW_RIGHT), row - 1) != EMPTY;
        // At the side edges the wall stands in for the missing support, so the one support inside decides.
        if (!odd && col == 0) {
            if (right_held) {
                return row * COLUMNS + col;
            }
            continue;
        }
        if (odd && col == COLUMNS - 1) {
            if (left_held) {
                return row * COLUMNS + col;
            }
            continue;
        }
        if (left_held && right_held) {
            return row * COLUMNS + col;
        }
        if (left_held != right_held) {
            return no_spot; // resting on one ball is not allowed, and the other one stops the fall
        }
    }
    return no_spot;
}

} // namespace pyrandel
