// The search boards (SearchBoard of the reference engine, ThreatBoard of the standard one) keep their landing
// spots, lines, threats and hash up to date as balls come and go; these tests hold them against the rules of
// game/grid.h and against a board built afresh, on random boards of every kind a peer could send (floating
// balls, junk values, colours nobody plays).

#include "ai/search_board.h"
#include "ai/threat_board.h"
#include "game/grid.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <ostream>
#include <random>
#include <span>
#include <type_traits>
#include <vector>

namespace pyrandel {
namespace {

constexpr std::array<int, 2> TWO_COLOURS = {0, 1};

struct RandomBoardKind {
    const char* name;
    int fill_percent; // chance of a cell holding anything
    int junk_percent; // of those, chance of a value that is no colour
    bool settled;     // balls only where the support rule would let them rest
};

void PrintTo(const RandomBoardKind& kind, std::ostream* out)
{
    *out << kind.name;
}

// Fills a board at random; a settled board is played by dropping balls into random lanes.
Grid RandomBoard(std::mt19937& random, const RandomBoardKind& kind)
{
    static constexpr std::array<int, 6> JUNK = {4, -2, 7, OUTSIDE, INT_MIN, INT_MAX};
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> colour(0, 3);
    std::uniform_int_distribution<int> junk(0, static_cast<int>(JUNK.size()) - 1);
    const auto value = [&] {
        return percent(random) < kind.junk_percent ? JUNK[static_cast<std::size_t>(junk(random))] : colour(random);
    };
    Grid grid = EmptyGrid();
    if (!kind.settled) {
        for (int& cell : grid) {
            if (percent(random) < kind.fill_percent) {
                cell = value();
            }
        }
        return grid;
    }
    std::uniform_int_distribution<int> lane(0, LANES - 1);
    const int drops = kind.fill_percent * 4;
    for (int i = 0; i < drops; ++i) {
        if (const auto spot = LandingSpot(grid, lane(random))) {
            grid[static_cast<std::size_t>(spot->row * COLUMNS + spot->col)] = value();
        }
    }
    return grid;
}

constexpr std::array<RandomBoardKind, 5> KINDS = {{
    {"settled sparse", 20, 0, true},
    {"settled dense", 60, 5, true},
    {"floating", 35, 0, false},
    {"floating with junk", 45, 30, false},
    {"nearly full", 92, 10, false},
}};

int CellIndex(Cell cell)
{
    return cell.row * COLUMNS + cell.col;
}

class SearchBoardOnRandomBoards : public testing::TestWithParam<RandomBoardKind> {};

// The landing spots, and for the threat board its set of playable cells, as the rules have them.
template <typename Board>
void CheckLanding(const Board& board, const Grid& grid)
{
    CellSet landing_cells;
    for (int lane = 0; lane < LANES; ++lane) {
        const auto spot = LandingSpot(grid, lane);
        ASSERT_EQ(board.Landing(lane), spot ? CellIndex(*spot) : Board::NO_SPOT) << "lane " << lane;
        if (spot) {
            landing_cells.Add(CellIndex(*spot));
        }
    }
    if constexpr (std::is_same_v<Board, ThreatBoard>) {
        ASSERT_EQ(board.Playable(), landing_cells);
    }
}

template <typename Board>
void LandingFollowsEveryChange(const RandomBoardKind& kind)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> colour(0, 1);
    for (int round = 0; round < 200; ++round) {
        Grid grid = RandomBoard(random, kind);
        Board board(grid, TWO_COLOURS);
        std::vector<int> put;
        for (int step = 0; step < 12; ++step) {
            ASSERT_NO_FATAL_FAILURE(CheckLanding(board, grid)) << "round " << round << " step " << step;
            // Drop into the first open lane from a random start, as a search would.
            const int start = static_cast<int>(random() % LANES);
            int cell = Board::NO_SPOT;
            for (int i = 0; i < LANES && cell == Board::NO_SPOT; ++i) {
                cell = board.Landing((start + i) % LANES);
            }
            if (cell == Board::NO_SPOT) {
                break;
            }
            const int c = colour(random);
            board.Put(cell, c);
            grid[static_cast<std::size_t>(cell)] = c;
            put.push_back(cell);
        }
        // Taking every ball back restores the landing spots of the board as it came.
        while (!put.empty()) {
            board.Take(put.back());
            grid[static_cast<std::size_t>(put.back())] = EMPTY;
            put.pop_back();
        }
        ASSERT_NO_FATAL_FAILURE(CheckLanding(board, grid)) << "round " << round;
    }
}

TEST_P(SearchBoardOnRandomBoards, LandingMatchesTheSupportRuleBeforeAndAfterEveryChange)
{
    LandingFollowsEveryChange<SearchBoard>(GetParam());
    LandingFollowsEveryChange<ThreatBoard>(GetParam());
}

TEST_P(SearchBoardOnRandomBoards, CompletesAgreesWithTheWinningRuleOnEveryEmptyCell)
{
    std::mt19937 random(99);
    int wins = 0;
    int non_wins = 0;
    for (int round = 0; round < 100; ++round) {
        Grid grid = RandomBoard(random, GetParam());
        // Two colours only, so that lines of one colour are common enough to matter.
        for (int& cell : grid) {
            if (cell >= 2 && cell <= 3) {
                cell &= 1;
            }
        }
        const SearchBoard board(grid, TWO_COLOURS);
        const ThreatBoard threat_board(grid, TWO_COLOURS);
        for (int cell = 0; cell < SearchBoard::CELLS; ++cell) {
            if (grid[static_cast<std::size_t>(cell)] != EMPTY) {
                continue;
            }
            for (const int colour : TWO_COLOURS) {
                Grid with = grid;
                with[static_cast<std::size_t>(cell)] = colour;
                const bool expected = CompletesLine(with, cell % COLUMNS, cell / COLUMNS, colour);
                ASSERT_EQ(board.Completes(cell, colour), expected) << "cell " << cell << " colour " << colour;
                ASSERT_EQ(threat_board.Completes(cell, colour), expected) << "cell " << cell << " colour " << colour;
                ++(expected ? wins : non_wins);
            }
        }
    }
    if (GetParam().fill_percent >= 35) {
        EXPECT_GT(wins, 0); // the comparison above must have met winning cells, or it proves little
    }
    EXPECT_GT(non_wins, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SearchBoardOnRandomBoards, testing::ValuesIn(KINDS), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        c = c == ' ' ? '_' : c;
    }
    return name;
});

// Everything a board keeps that the search reads, so two boards can be compared.
template <typename Board>
void ExpectSameState(const Board& board, const Board& other, std::span<const int> colours)
{
    ASSERT_EQ(board.Hash(), other.Hash());
    for (const int colour : colours) {
        ASSERT_EQ(board.OpenLines(colour), other.OpenLines(colour)) << "colour " << colour;
        if constexpr (std::is_same_v<Board, ThreatBoard>) {
            ASSERT_EQ(board.Threats(colour), other.Threats(colour)) << "colour " << colour;
        }
    }
}

template <typename Board>
void PutsAndTakesKeepTheBoardAsIfBuiltAfresh()
{
    std::mt19937 random(5);
    const std::array<int, 3> colours = {0, 2, 3};
    for (int round = 0; round < 100; ++round) {
        Grid grid = RandomBoard(random, KINDS[static_cast<std::size_t>(round % KINDS.size())]);
        Board board(grid, colours);
        const Board original = board;
        std::vector<int> put;
        for (int step = 0; step < 20; ++step) {
            const int cell = board.Landing(static_cast<int>(random() % LANES));
            if (cell == Board::NO_SPOT) {
                continue;
            }
            const int colour = colours[random() % colours.size()];
            board.Put(cell, colour);
            grid[static_cast<std::size_t>(cell)] = colour;
            put.push_back(cell);
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSameState(board, Board(grid, colours), colours)) << "round " << round;
        while (!put.empty()) {
            board.Take(put.back());
            put.pop_back();
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSameState(board, original, colours)) << "round " << round;
    }
}

TEST(SearchBoard, LinesAndHashAfterPutsEqualThoseOfABoardBuiltFromTheResult)
{
    PutsAndTakesKeepTheBoardAsIfBuiltAfresh<SearchBoard>();
    PutsAndTakesKeepTheBoardAsIfBuiltAfresh<ThreatBoard>();
}

TEST(SearchBoard, ColoursNotInPlayAndJunkBreakLinesButSupportBalls)
{
    Grid grid = EmptyGrid();
    // Colour 0 on (0..3, 0) and colour 3, not in play, at (5, 0): (4, 0) still wins for 0 across.
    for (int col = 0; col < 4; ++col) {
        grid[static_cast<std::size_t>(col)] = 0;
    }
    grid[5] = 3;
    grid[6] = 12345; // junk
    const SearchBoard board(grid, TWO_COLOURS);
    EXPECT_TRUE(board.Completes(4, 0));
    // Colour 3 is not played: it counts for nobody, so it opens no line.
    EXPECT_EQ(board.ValueAt(5), SearchBoard::BLOCKING);
    // The junk at (6, 0) and the ball at (5, 0) together hold up (5, 1).
    EXPECT_EQ(board.Landing(LaneOf(5, 1)), COLUMNS + 5);
}

} // namespace
} // namespace pyrandel
