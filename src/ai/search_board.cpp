#include "ai/search_board.h"

#include "game/grid.h"

#include <algorithm>

namespace pyrandel {

namespace {

constexpr std::int8_t NO_OWNER = -1;
constexpr std::int8_t MIXED = -2;
// Added to a line's total for each blocking cell: the total then never equals one colour's count again.
constexpr std::uint8_t BLOCKED = 8;

// A line's worth to its only colour by the number of its balls. Four balls are one ball short of a win, worth far
// more than three; the steps keep several weaker lines from outweighing one strong one.
constexpr std::array<int, WIN_COUNT + 1> LINE_WEIGHT = {0, 1, 6, 36, 200, 0};

[[nodiscard]] constexpr std::uint64_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Position keys for each cell and each stored value: the four colours and BLOCKING.
constexpr auto CELL_KEYS = [] {
    std::array<std::array<std::uint64_t, COLOURS + 1>, SearchBoard::CELLS> keys{};
    std::uint64_t state = 0x5079'7261'6E64'656Cull;
    for (auto& cell : keys) {
        for (auto& key : cell) {
            key = SplitMix(state);
        }
    }
    return keys;
}();

[[nodiscard]] constexpr std::size_t Index(int value)
{
    return static_cast<std::size_t>(value);
}

} // namespace

SearchBoard::SearchBoard(const Grid& grid, std::span<const int> colours_in_play)
{
    std::array<bool, COLOURS> playing{};
    for (const int colour : colours_in_play) {
        if (colour >= 0 && colour < COLOURS) {
            playing[Index(colour)] = true;
        }
    }
    for (int i = 0; i < CELLS; ++i) {
        const int value = grid[Index(i)];
        if (value == EMPTY) {
            cells[Index(i)] = EMPTY;
            continue;
        }
        const bool in_play = value >= 0 && value < COLOURS && playing[Index(value)];
        const int stored = in_play ? value : BLOCKING;
        cells[Index(i)] = static_cast<std::int8_t>(stored);
        hash ^= CELL_KEYS[Index(i)][Index(stored)];
    }
    for (int line = 0; line < LineTable::LINES; ++line) {
        LineState& state = lines[Index(line)];
        for (const auto cell : LINE_TABLE.cells[Index(line)]) {
            const int value = cells[cell];
            if (value == EMPTY) {
                continue;
            }
            if (value == BLOCKING) {
                state.total = static_cast<std::uint8_t>(state.total + BLOCKED);
            } else {
                ++state.total;
                ++state.count[Index(value)];
            }
        }
        state.owner = NO_OWNER;
        for (int colour = 0; colour < COLOURS; ++colour) {
            if (state.total > 0 && state.count[Index(colour)] == state.total) {
                state.owner = static_cast<std::int8_t>(colour);
                score[Index(colour)] += LINE_WEIGHT[state.total];
            }
        }
        if (state.total > 0 && state.owner == NO_OWNER) {
            state.owner = MIXED;
        }
    }
    for (int lane = 0; lane < LANES; ++lane) {
        landing[Index(lane)] = static_cast<std::int16_t>(ComputeLanding(lane));
    }
}

int SearchBoard::At(int col, int row) const
{
    if (col < 0 || col >= COLUMNS || row < 0 || row >= ROWS) {
        return OUTSIDE;
    }
    return cells[Index(row * COLUMNS + col)];
}

int SearchBoard::ComputeLanding(int lane) const
{
    return LandingCell(lane, NO_SPOT, [this](int col, int row) { return At(col, row); });
}

// A lane's landing spot depends only on the cells of that lane and of the lanes beside it, which hold its
// supports; so a changed cell can move the landing spots of three lanes at most.
void SearchBoard::RefreshLanes(int cell)
{
    const int lane = LaneOf(cell % COLUMNS, cell / COLUMNS);
    for (int l = std::max(0, lane - 1); l <= std::min(LANES - 1, lane + 1); ++l) {
        landing[Index(l)] = static_cast<std::int16_t>(ComputeLanding(l));
    }
}

bool SearchBoard::Completes(int cell, int colour) const
{
    const auto at = Index(cell);
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        const LineState& state = lines[LINE_TABLE.lines_of[at][i]];
        if (state.total == WIN_COUNT - 1 && state.owner == colour) {
            return true;
        }
    }
    return false;
}

void SearchBoard::Put(int cell, int colour)
{
    const auto at = Index(cell);
    cells[at] = static_cast<std::int8_t>(colour);
    hash ^= CELL_KEYS[at][Index(colour)];
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        LineState& state = lines[LINE_TABLE.lines_of[at][i]];
        if (state.owner == NO_OWNER) {
            state.owner = static_cast<std::int8_t>(colour);
            score[Index(colour)] += LINE_WEIGHT[1];
        } else if (state.owner == colour) {
            score[Index(colour)] += LINE_WEIGHT[state.total + 1u] - LINE_WEIGHT[state.total];
        } else if (state.owner != MIXED) {
            score[Index(state.owner)] -= LINE_WEIGHT[state.total];
            state.owner = MIXED;
        }
        ++state.total;
        ++state.count[Index(colour)];
    }
    RefreshLanes(cell);
}

void SearchBoard::Take(int cell)
{
    const auto at = Index(cell);
    const int colour = cells[at];
    cells[at] = EMPTY;
    hash ^= CELL_KEYS[at][Index(colour)];
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        LineState& state = lines[LINE_TABLE.lines_of[at][i]];
        --state.total;
        --state.count[Index(colour)];
        if (state.owner == colour) {
            score[Index(colour)] -= LINE_WEIGHT[state.total + 1u] - LINE_WEIGHT[state.total];
            if (state.total == 0) {
                state.owner = NO_OWNER;
            }
        } else if (state.owner == MIXED && state.total < BLOCKED) {
            // The line may hold one colour only again.
            for (int other = 0; other < COLOURS; ++other) {
                if (state.count[Index(other)] == state.total) {
                    state.owner = static_cast<std::int8_t>(other);
                    score[Index(other)] += LINE_WEIGHT[state.total];
                    break;
                }
            }
        }
    }
    RefreshLanes(cell);
}

} // namespace pyrandel
