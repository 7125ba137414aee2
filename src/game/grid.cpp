#include "game/grid.h"

#include <algorithm>

namespace pyrandel {

namespace {

[[nodiscard]] constexpr bool OnBoard(int col, int row)
{
    return col >= 0 && col < COLUMNS && row >= 0 && row < ROWS;
}

[[nodiscard]] constexpr bool IsOdd(int row)
{
    return (row & 1) != 0;
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

// One step along a line of the grid: across, or to the neighbour above (or below) on a slanting line. The
// neighbours above and below depend on the row's parity, as odd rows sit half a cell to the right.
enum class Direction { ACROSS, RISING_RIGHT, RISING_LEFT };

[[nodiscard]] Cell Step(Cell from, Direction direction, int sign)
{
    if (direction == Direction::ACROSS) {
        return {from.col + sign, from.row};
    }
    // Going up, the above-right neighbour is one column on in odd rows; going down, the below-left one is one
    // column back in even rows (and mirrored for the rising-left line).
    const bool odd = IsOdd(from.row);
    const int right_shift = sign > 0 ? (odd ? 1 : 0) : (odd ? 0 : -1);
    const int col = direction == Direction::RISING_RIGHT ? from.col + right_shift
                                                         : from.col - (sign > 0 ? (odd ? 0 : 1) : (odd ? -1 : 0));
    return {col, from.row + sign};
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
    const int col = lane / 2;
    const int parity = lane % 2;
    for (int row = ROWS - 2 + parity; row >= 0; row -= 2) {
        if (CellAt(grid, col, row) != EMPTY) {
            return std::nullopt; // blocked from above: the ball cannot pass a ball in its own lane
        }
        // The floor reads OUTSIDE, which counts as a support like any ball.
        const bool odd = parity == 1;
        const bool left_held = CellAt(grid, odd ? col : col - 1, row - 1) != EMPTY;
        const bool right_held = CellAt(grid, odd ? col + 1 : col, row - 1) != EMPTY;
        // At the side edges the wall stands in for the missing support, so the one support inside decides.
        if (!odd && col == 0) {
            if (right_held) {
                return Cell{col, row};
            }
            continue;
        }
        if (odd && col == COLUMNS - 1) {
            if (left_held) {
                return Cell{col, row};
            }
            continue;
        }
        if (left_held && right_held) {
            return Cell{col, row};
        }
        if (left_held != right_held) {
            return std::nullopt; // resting on one ball is not allowed, and the other one stops the fall
        }
    }
    return std::nullopt;
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
    const int reach = n - 1;

    RunCounter across(colour, n);
    for (int i = col - reach; i <= col + reach; ++i) {
        if (across.Count(CellAt(grid, i, row))) {
            return true;
        }
    }

    // Going up, the rising-right line moves one column right after each odd row and the rising-left line one
    // column left after each even row; the start columns undo those steps for the rows below (col, row).
    int rising_right = col;
    int rising_left = col;
    for (int j = row - reach; j < row; ++j) {
        if (IsOdd(j)) {
            --rising_right;
        } else {
            ++rising_left;
        }
    }
    RunCounter right_line(colour, n);
    RunCounter left_line(colour, n);
    for (int j = row - reach; j <= row + reach; ++j) {
        if (right_line.Count(CellAt(grid, rising_right, j))) {
            return true;
        }
        if (left_line.Count(CellAt(grid, rising_left, j))) {
            return true;
        }
        if (IsOdd(j)) {
            ++rising_right;
        } else {
            --rising_left;
        }
    }
    return false;
}

std::vector<Cell> WinningLine(const Grid& grid, int col, int row, int colour, int win_count)
{
    std::vector<Cell> line;
    if (!CompletesLine(grid, col, row, colour, win_count)) {
        return line;
    }
    line.push_back({col, row});
    for (const Direction direction : {Direction::ACROSS, Direction::RISING_RIGHT, Direction::RISING_LEFT}) {
        std::vector<Cell> run;
        for (const int sign : {-1, 1}) {
            for (Cell at = Step({col, row}, direction, sign); CellAt(grid, at.col, at.row) == colour;
                 at = Step(at, direction, sign)) {
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
