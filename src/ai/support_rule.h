#pragma once
// The support rule, step for step as LandingSpot applies it, for the engine's own boards: each keeps its cells in
// its own way and hands in how to read one (EMPTY, a stored value, or OUTSIDE off the board).

#include "game/grid.h"

namespace pyrandel {

// The cell index (row * COLUMNS + col) where a ball dropped into `lane` rests, or `no_spot`.
template <typename CellReader>
[[nodiscard]] constexpr int LandingCell(int lane, int no_spot, CellReader at)
{
    const int col = lane / 2;
    const bool odd = (lane & 1) != 0;
    for (int row = ROWS - 2 + (lane & 1); row >= 0; row -= 2) {
        if (at(col, row) != EMPTY) {
            return no_spot;
        }
        const bool left_held = at(odd ? col : col - 1, row - 1) != EMPTY;
        const bool right_held = at(odd ? col + 1 : col, row - 1) != EMPTY;
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
            return no_spot;
        }
    }
    return no_spot;
}

} // namespace pyrandel
