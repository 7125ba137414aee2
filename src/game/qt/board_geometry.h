#pragma once
// Where the board stands in the battle window, in client pixels. Peers' players learn these positions by eye,
// so they stay exactly as the game has always drawn them: cell (col, row) has its icon's top-left corner at
// x = ((row & 1) + 2 * col + 1) * 16, y = 301 - 23 * row; icons are 32 pixels square, so rows 23 pixels apart
// interlock their points. The pointer picks a lane by x alone: the 16 pixels centred on the lane's cells.

#include "game/grid.h"

#include <optional>

namespace pyrandel {

inline constexpr int CELL_PIXELS = 32;
inline constexpr int BOARD_LEFT = 16;
inline constexpr int BOARD_TOP = 48;     // row 11's top; a click at this y or above it is ignored
inline constexpr int BOARD_RIGHT = 544;  // one past the right-most pixel of column 15's odd cells
inline constexpr int BOARD_BOTTOM = 333; // one past row 0's bottom pixel
inline constexpr int BOARD_MARGIN = 16;  // kept free to the right of and below the board, as on the left

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The top-left corner of the icon of cell (col, row).
[[nodiscard]] constexpr PixelPoint CellOrigin(int col, int row)
{
    return {((row & 1) + 2 * col + 1) * 16, 301 - 23 * row};
}

// The lane under a pointer at x: (x - 24) / 16 from x = 24 on; nothing left of 24 or from lane 32 on.
[[nodiscard]] constexpr std::optional<int> LaneAtX(int x)
{
    if (x < 24) {
        return std::nullopt;
    }
    const int lane = (x - 24) / 16;
    return lane < LANES ? std::optional<int>(lane) : std::nullopt;
}

// Clicks at y of 48 or less (the status line and the board's top edge) never count.
[[nodiscard]] constexpr bool ClickCounts(int y)
{
    return y > BOARD_TOP;
}

} // namespace pyrandel
