#include "ai/threat_board.h"

#include "game/grid.h"

#include <algorithm>

namespace pyrandel {

namespace {

// Added to a line's total for each blocking cell: the total then never equals one colour's count again.
constexpr std::uint8_t BLOCKED = 8;

// A line's worth to its only colour by the number of its balls, as in SearchBoard; four balls are a threat cell,
// which the search weighs by itself.
constexpr std::array<int, WIN_COUNT + 1> LINE_WEIGHT = {0, 1, 6, 36, 0, 0};

[[nodiscard]] constexpr std::uint64_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr auto CELL_KEYS = [] {
    std::array<std::array<std::uint64_t, COLOURS + 1>, ThreatBoard::CELLS> keys{};
    std::uint64_t state = 0x7468'7265'6174'7321ull;
    for (auto& cell : keys) {
        for (auto& key : cell) {
            key = SplitMix(state);
        }
    }
    return keys;
}();

} // namespace

ThreatBoard::ThreatBoard(const Grid& grid, std::span<const int> colours_in_play)
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
        const int stored = value >= 0 && value < COLOURS && playing[Index(value)] ? value : BLOCKING;
        cells[Index(i)] = static_cast<std::int8_t>(stored);
        filled.Add(i);
        hash ^= CELL_KEYS[Index(i)][Index(stored)];
    }
    for (int line = 0; line < LineTable::LINES; ++line) {
        LineState& state = lines[Index(line)];
        for (const auto cell : LINE_TABLE.cells[Index(line)]) {
            const int value = cells[cell];
            if (value == BLOCKING) {
                state.total = static_cast<std::uint8_t>(state.total + BLOCKED);
            } else if (value != EMPTY) {
                ++state.total;
                ++state.count[Index(value)];
            }
        }
        for (int colour = 0; colour < COLOURS; ++colour) {
            const int count = state.count[Index(colour)];
            if (count > 0 && count == state.total) {
                ++pure[Index(colour)][Index(count)];
            }
            if (count == WIN_COUNT - 1) {
                AddThreat(OtherCell(line, colour, -1), colour);
            }
        }
    }
    for (int lane = 0; lane < LANES; ++lane) {
        const int cell = LandingCell(lane, NO_SPOT, [this](int col, int row) { return At(col, row); });
        landing[Index(lane)] = static_cast<std::int16_t>(cell);
        if (cell != NO_SPOT) {
            playable.Add(cell);
        }
    }
}

int ThreatBoard::At(int col, int row) const
{
    if (col < 0 || col >= COLUMNS || row < 0 || row >= ROWS) {
        return OUTSIDE;
    }
    return cells[Index(row * COLUMNS + col)];
}

// The cell of `line` that does not hold `colour`, other than `except`; the line holds four of the colour.
int ThreatBoard::OtherCell(int line, int colour, int except) const
{
    for (const auto cell : LINE_TABLE.cells[Index(line)]) {
        if (cells[cell] != colour && cell != except) {
            return cell;
        }
    }
    return except;
}

int ThreatBoard::OpenLines(int colour) const
{
    const auto& lines_by_balls = pure[Index(colour)];
    int value = 0;
    for (int balls = 1; balls < WIN_COUNT; ++balls) {
        value += LINE_WEIGHT[Index(balls)] * lines_by_balls[Index(balls)];
    }
    return value;
}

int ThreatBoard::MoveGain(int cell, int colour) const
{
    static constexpr std::array<int, WIN_COUNT + 1> GAIN = {0, 1, 4, 16, 64, 256};
    const auto at = Index(cell);
    int gain = 0;
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        const LineState& state = lines[LINE_TABLE.lines_of[at][i]];
        const int own = state.count[Index(colour)];
        if (own == state.total) {
            gain += GAIN[Index(own + 1)];
        } else if (state.total < BLOCKED && own == 0) {
            for (int other = 0; other < COLOURS; ++other) {
                if (state.count[Index(other)] == state.total) {
                    gain += GAIN[state.total];
                    break;
                }
            }
        }
    }
    return gain;
}

void ThreatBoard::AddThreat(int cell, int colour)
{
    if (threat_lines[Index(cell)][Index(colour)]++ == 0) {
        threats[Index(colour)].Add(cell);
    }
}

void ThreatBoard::RemoveThreat(int cell, int colour)
{
    if (--threat_lines[Index(cell)][Index(colour)] == 0) {
        threats[Index(colour)].Remove(cell);
    }
}

// A lane's landing spot depends only on the cells of that lane and of the lanes beside it.
void ThreatBoard::RefreshLanes(int cell)
{
    const int lane = LaneOf(cell % COLUMNS, cell / COLUMNS);
    for (int l = std::max(0, lane - 1); l <= std::min(LANES - 1, lane + 1); ++l) {
        auto& spot = landing[Index(l)];
        if (spot != NO_SPOT) {
            playable.Remove(spot);
        }
        spot = static_cast<std::int16_t>(LandingCell(l, NO_SPOT, [this](int col, int row) { return At(col, row); }));
        if (spot != NO_SPOT) {
            playable.Add(spot);
        }
    }
}

void ThreatBoard::Put(int cell, int colour)
{
    const auto at = Index(cell);
    cells[at] = static_cast<std::int8_t>(colour);
    filled.Add(cell);
    hash ^= CELL_KEYS[at][Index(colour)];
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        const int line = LINE_TABLE.lines_of[at][i];
        LineState& state = lines[Index(line)];
        auto& own = state.count[Index(colour)];
        if (own == state.total) {
            --pure[Index(colour)][own];
            ++pure[Index(colour)][own + 1u];
        } else if (state.total < BLOCKED) {
            for (int other = 0; other < COLOURS; ++other) {
                if (state.count[Index(other)] == state.total) {
                    --pure[Index(other)][state.total];
                    break;
                }
            }
        }
        ++state.total;
        if (++own == WIN_COUNT - 1) {
            AddThreat(OtherCell(line, colour, -1), colour);
        } else if (own == WIN_COUNT) {
            RemoveThreat(cell, colour); // a line of five is no threat any more
        }
    }
    RefreshLanes(cell);
}

void ThreatBoard::Take(int cell)
{
    const auto at = Index(cell);
    const int colour = cells[at];
    for (std::uint8_t i = 0; i < LINE_TABLE.line_count[at]; ++i) {
        const int line = LINE_TABLE.lines_of[at][i];
        LineState& state = lines[Index(line)];
        auto& own = state.count[Index(colour)];
        if (own == WIN_COUNT - 1) {
            RemoveThreat(OtherCell(line, colour, cell), colour);
        } else if (own == WIN_COUNT) {
            AddThreat(cell, colour);
        }
        --own;
        --state.total;
        if (own == state.total) {
            --pure[Index(colour)][own + 1u];
            ++pure[Index(colour)][own];
        } else if (state.total < BLOCKED) {
            // The line may hold one colour only again.
            for (int other = 0; other < COLOURS; ++other) {
                if (state.count[Index(other)] == state.total) {
                    ++pure[Index(other)][state.total];
                    break;
                }
            }
        }
    }
    cells[at] = EMPTY;
    filled.Remove(cell);
    hash ^= CELL_KEYS[at][Index(colour)];
    RefreshLanes(cell);
}

} // namespace pyrandel
