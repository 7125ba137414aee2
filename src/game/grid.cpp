#include "game/grid.h"

#include <algorithm>

namespace pyrandel {

namespace {

[[nodiscard]] constexpr bool OnBoard(int col, int row)
{
    return col >= 0 && col < COLUMNS && row >= 0 && row < ROWS;
}

// Counts consecutive cells of one colour along a scan; any other value, the edge included, restarts it.
class RunCounter {
public:
    RunCounter(int colour, int win_count) : colour(colour), win_count(win_count) {}

    // Counts one cell and tells whether the run has reached the winning length.
    [[nodiscard]] bool Count(int value)
    {
        run = value == colour ? run + 1 : 0;
        return run >= win_count;
    }

private:
    int colour;
    int win_count;
    int run = 0;
};

// Whether the line of LINE_DIRECTIONS[D] through `ball` holds a run of `n` balls of `colour` that includes it: the
// scan runs from n - 1 cells back to n - 1 cells on. A template so that each direction's steps are constants.
template <std::size_t D>
[[nodiscard]] bool RunThrough(const Grid& grid, Cell ball, int colour, int n)
{
    constexpr LineDirection direction = LINE_DIRECTIONS[D];
    Cell at = ball;
    for (int i = 1; i < n; ++i) {
        at = NeighbourOf(at, direction.back);
    }
    RunCounter run(colour, n);
    for (int i = 1 - n; i < n; ++i) {
        if (run.Count(CellAt(grid, at.col, at.row))) {
            return true;
        }
        at = NeighbourOf(at, direction.forward);
    }
    return false;
}

} // namespace

Grid EmptyGrid()
{
    Grid grid;
    grid.fill(EMPTY);
    return grid;
}

int CellAt(const Grid& grid, int col, int row)
{
    if (!OnBoard(col, row)) {
        return OUTSIDE;
    }
    return grid[static_cast<std::size_t>(row * COLUMNS + col)];
}

std::optional<Cell> LandingSpot(const Grid& grid, int lane)
{
    if (lane < 0 || lane >= LANES) {
        return std::nullopt;
    }
    constexpr int NO_SPOT = -1;
    const int spot = LandingCell(lane, NO_SPOT, [&grid](int col, int row) { return CellAt(grid, col, row); });
    if (spot == NO_SPOT) {
        return std::nullopt;
    }
    return Cell{spot % COLUMNS, spot / COLUMNS};
}

bool CompletesLine(const Grid& grid, int col, int row, int colour, int win_count)
{
    if (colour < 0 || colour >= COLOURS) {
        return false; // EMPTY or OUTSIDE would otherwise "win" on empty cells or the edge
    }
    if (!OnBoard(col, row)) {
        return false; // no ball can stand there, and far-off coordinates would overflow the scan
    }
    // No line is longer than the board is wide, so a longer win_count can never be met; clamping keeps the
    // scan ranges free of overflow.
    const int n = std::clamp(win_count, 1, COLUMNS + 1);

    const Cell ball{col, row};
    return RunThrough<0>(grid, ball, colour, n) || RunThrough<1>(grid, ball, colour, n) ||
           RunThrough<2>(grid, ball, colour, n);
}

std::vector<Cell> WinningLine(const Grid& grid, int col, int row, int colour, int win_count)
{
    std::vector<Cell> line;
    if (!CompletesLine(grid, col, row, colour, win_count)) {
        return line;
    }
    line.push_back({col, row});
    for (const LineDirection direction : LINE_DIRECTIONS) {
        std::vector<Cell> run;
        for (const Neighbour side : {direction.back, direction.forward}) {
            for (Cell at = NeighbourOf({col, row}, side); CellAt(grid, at.col, at.row) == colour;
                 at = NeighbourOf(at, side)) {
                run.push_back(at);
            }
        }
        if (static_cast<int>(run.size()) + 1 >= win_count) {
            line.insert(line.end(), run.begin(), run.end());
        }
    }
    return line;
}

} // namespace pyrandel
