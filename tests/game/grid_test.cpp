#include "game/grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

struct Ball {
    int colour;
    Cell cell;
};

Grid GridWith(const std::vector<Ball>& balls)
{
    Grid grid = EmptyGrid();
    for (const Ball& ball : balls) {
        grid[static_cast<std::size_t>(ball.cell.row * COLUMNS + ball.cell.col)] = ball.colour;
    }
    return grid;
}

Grid GridWith(const std::vector<Cell>& cells, int colour = 0)
{
    std::vector<Ball> balls;
    for (const Cell& cell : cells) {
        balls.push_back({colour, cell});
    }
    return GridWith(balls);
}

TEST(CellAt, ReadsOutsideForEveryPositionOffTheBoard)
{
    const Grid grid = GridWith({Cell{0, 0}, Cell{15, 11}, Cell{15, 0}, Cell{0, 11}});
    const std::vector<Cell> off = {{-1, 0},  {0, -1},      {16, 0},      {0, 12},           {-1, -1},
                                   {16, 12}, {INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MIN},      {0, INT_MAX},
                                   {15, 12}, {16, 11},     {-1, 11},     {INT_MIN, INT_MIN}};
    for (const Cell& cell : off) {
        EXPECT_EQ(CellAt(grid, cell.col, cell.row), OUTSIDE) << cell.col << "," << cell.row;
    }
    EXPECT_EQ(CellAt(grid, 15, 11), 0);
    EXPECT_EQ(CellAt(grid, 0, 0), 0);
    EXPECT_EQ(CellAt(grid, 14, 11), EMPTY);
}

TEST(NeighbourOf, FollowsTheOffsetRowsAndTheLinesWalkThem)
{
    // Each side from a cell of an even row and of an odd row, as the offset rows place them.
    struct Side {
        Neighbour side;
        Cell from_even; // from (5, 4)
        Cell from_odd;  // from (5, 5)
    };
    const std::vector<Side> sides = {
        {Neighbour::LEFT, {4, 4}, {4, 5}},       {Neighbour::RIGHT, {6, 4}, {6, 5}},
        {Neighbour::BELOW_LEFT, {4, 3}, {5, 4}}, {Neighbour::BELOW_RIGHT, {5, 3}, {6, 4}},
        {Neighbour::ABOVE_LEFT, {4, 5}, {5, 6}}, {Neighbour::ABOVE_RIGHT, {5, 5}, {6, 6}},
    };
    for (const Side& s : sides) {
        EXPECT_EQ(NeighbourOf({5, 4}, s.side), s.from_even) << static_cast<int>(s.side);
        EXPECT_EQ(NeighbourOf({5, 5}, s.side), s.from_odd) << static_cast<int>(s.side);
    }
    for (const LineDirection direction : LINE_DIRECTIONS) {
        for (const Cell from : {Cell{5, 4}, Cell{5, 5}}) {
            EXPECT_EQ(NeighbourOf(NeighbourOf(from, direction.forward), direction.back), from);
        }
    }
}

struct LandingCase {
    std::string name;
    std::vector<Cell> balls;
    int lane;
    std::optional<Cell> expected;
};

void PrintTo(const LandingCase& c, std::ostream* out)
{
    *out << c.name;
}

class LandingSpotTest : public testing::TestWithParam<LandingCase> {};

TEST_P(LandingSpotTest, FollowsTheSupportRule)
{
    const LandingCase& c = GetParam();
    EXPECT_EQ(LandingSpot(GridWith(c.balls), c.lane), c.expected);
}

const std::vector<Cell> NOTCH = {{2, 0}, {3, 0}, {2, 1}};
const std::vector<Cell> NOTCH_FILLED = {{2, 0}, {3, 0}, {2, 1}, {1, 0}, {1, 1}};

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, LandingSpotTest,
    testing::Values(LandingCase{"EmptyLane0RestsOnTheFloor", {}, 0, Cell{0, 0}},
                    LandingCase{"EmptyLane1RunsOutOfRows", {}, 1, std::nullopt},
                    LandingCase{"OddLaneOnTwoBalls", {{0, 0}, {1, 0}}, 1, Cell{0, 1}},
                    LandingCase{"OddLaneOnOneBallOnly", {{0, 0}}, 1, std::nullopt},
                    LandingCase{"LeftEdgeFallsToItsSingleSupport", {{0, 0}, {1, 0}, {0, 1}}, 0, Cell{0, 2}},
                    LandingCase{"RightEdgeRestsOnItsSingleSupport", {{15, 0}}, 31, Cell{15, 1}},
                    LandingCase{"NotchLeftHalfHasOneSupport", NOTCH, 4, std::nullopt},
                    LandingCase{"NotchRightHalfHasOneSupport", NOTCH, 6, std::nullopt},
                    LandingCase{"BesideTheNotchLeft", NOTCH, 2, Cell{1, 0}},
                    LandingCase{"BesideTheNotchRight", NOTCH, 8, Cell{4, 0}},
                    LandingCase{"FilledNotchSupports", NOTCH_FILLED, 4, Cell{2, 2}},
                    LandingCase{"BlockedHalfWayDown", {{1, 4}}, 2, std::nullopt}),
    [](const testing::TestParamInfo<LandingCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, LandingSpotTest,
    testing::Values(LandingCase{"LaneBelowZero", {}, -1, std::nullopt}, LandingCase{"Lane32", {}, 32, std::nullopt},
                    LandingCase{"LaneIntMin", {}, INT_MIN, std::nullopt},
                    LandingCase{"LaneIntMax", {}, INT_MAX, std::nullopt},
                    LandingCase{"FullLaneTopTaken", {{5, 10}}, 10, std::nullopt},
                    LandingCase{"OddTopTaken", {{5, 0}, {6, 0}, {5, 11}}, 11, std::nullopt},
                    // Lower cells of the lane are empty, yet the one-ball support above them stops the ball.
                    LandingCase{"OneSupportStopsAboveEmptyCells", {{4, 3}}, 8, std::nullopt},
                    LandingCase{"LeftEdgeHighSingleSupport", {{0, 3}}, 0, Cell{0, 4}},
                    LandingCase{"RightEdgeHighSingleSupport", {{15, 2}}, 31, Cell{15, 3}},
                    LandingCase{"RightEdgeNoSupportRunsOut", {{14, 0}}, 31, std::nullopt},
                    // Only the odd cells of column 15 and the even cells of column 0 stand against a wall.
                    LandingCase{"EvenLaneOfLastColumnNeedsTwo", {{15, 1}}, 30, std::nullopt},
                    LandingCase{"OddLaneOfFirstColumnNeedsTwo", {{1, 0}}, 1, std::nullopt},
                    LandingCase{"EvenLaneOfLastColumnOnTwo", {{14, 1}, {15, 1}, {14, 0}, {15, 0}}, 30, Cell{15, 2}},
                    LandingCase{"StacksOnTopOfItsOwnLane", {{0, 0}, {1, 0}, {0, 1}, {0, 2}}, 0, std::nullopt}),
    [](const testing::TestParamInfo<LandingCase>& info) { return info.param.name; });

TEST(LandingSpot, EvenLanesOverAnEmptyFloorLandOnRowZeroOddLanesNowhere)
{
    const Grid grid = EmptyGrid();
    for (int lane = 0; lane < LANES; ++lane) {
        if (lane % 2 == 0) {
            EXPECT_EQ(LandingSpot(grid, lane), (Cell{lane / 2, 0})) << lane;
        } else {
            EXPECT_EQ(LandingSpot(grid, lane), std::nullopt) << lane;
        }
    }
}

struct WinCase {
    std::string name;
    std::vector<Ball> balls;
    Ball put;
    bool expected;
};

void PrintTo(const WinCase& c, std::ostream* out)
{
    *out << c.name;
}

class CompletesLineTest : public testing::TestWithParam<WinCase> {};

[[nodiscard]] std::vector<Cell> Sorted(std::vector<Cell> cells)
{
    std::sort(cells.begin(), cells.end(),
              [](const Cell& a, const Cell& b) { return std::pair(a.row, a.col) < std::pair(b.row, b.col); });
    return cells;
}

TEST_P(CompletesLineTest, FindsLinesOfFive)
{
    const WinCase& c = GetParam();
    std::vector<Ball> balls = c.balls;
    balls.push_back(c.put);
    const Grid grid = GridWith(balls);
    EXPECT_EQ(CompletesLine(grid, c.put.cell.col, c.put.cell.row, c.put.colour), c.expected);
    // In every winning case all balls of the winner's colour belong to the lines through the new one.
    std::vector<Cell> line;
    for (const Ball& ball : balls) {
        if (c.expected && ball.colour == c.put.colour) {
            line.push_back(ball.cell);
        }
    }
    EXPECT_EQ(Sorted(WinningLine(grid, c.put.cell.col, c.put.cell.row, c.put.colour)), Sorted(line));
}

std::vector<Ball> Colour(int colour, const std::vector<Cell>& cells)
{
    std::vector<Ball> balls;
    for (const Cell& cell : cells) {
        balls.push_back({colour, cell});
    }
    return balls;
}

std::vector<Ball> Join(std::vector<Ball> a, const std::vector<Ball>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, CompletesLineTest,
    testing::Values(WinCase{"AcrossAtTheEnd", Colour(0, {{3, 0}, {4, 0}, {5, 0}, {6, 0}}), {0, {7, 0}}, true},
                    WinCase{"RisingRightFromBelow", Colour(2, {{3, 0}, {3, 1}, {4, 2}, {4, 3}}), {2, {5, 4}}, true},
                    WinCase{"RisingRightAroundTheBall", Colour(2, {{3, 1}, {4, 2}, {4, 3}, {5, 5}}), {2, {5, 4}}, true},
                    WinCase{"BrokenByAnotherColour",
                            Join(Colour(0, {{0, 0}, {1, 0}, {3, 0}, {4, 0}}), Colour(1, {{2, 0}})),
                            {0, {5, 0}},
                            false}),
    [](const testing::TestParamInfo<WinCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, CompletesLineTest,
    testing::Values(WinCase{"AcrossInTheMiddle", Colour(3, {{3, 5}, {4, 5}, {6, 5}, {7, 5}}), {3, {5, 5}}, true},
                    WinCase{"AcrossFourOnly", Colour(0, {{4, 0}, {5, 0}, {6, 0}}), {0, {7, 0}}, false},
                    WinCase{"FourAndAnotherColour", Colour(0, {{3, 0}, {4, 0}, {5, 0}, {6, 0}}), {1, {7, 0}}, false},
                    WinCase{"SixWins", Colour(1, {{2, 3}, {3, 3}, {4, 3}, {6, 3}, {7, 3}}), {1, {5, 3}}, true},
                    WinCase{"CrossingLinesBothWin",
                            Colour(3, {{3, 5}, {4, 5}, {6, 5}, {7, 5}, {4, 3}, {5, 4}, {6, 6}, {6, 7}}),
                            {3, {5, 5}},
                            true},
                    WinCase{"RisingLeftFromBelow", Colour(1, {{7, 0}, {6, 1}, {6, 2}, {5, 3}}), {1, {5, 4}}, true},
                    WinCase{"RisingLeftFromAbove", Colour(1, {{4, 5}, {4, 6}, {3, 7}, {3, 8}}), {1, {5, 4}}, true},
                    WinCase{"RisingLeftSplit", Colour(1, {{6, 1}, {6, 2}, {5, 3}, {4, 5}}), {1, {5, 4}}, true},
                    // Straight up a column is no line of the grid: the cells do not touch.
                    WinCase{"ColumnIsNoLine", Colour(0, {{5, 0}, {5, 1}, {5, 2}, {5, 3}}), {0, {5, 4}}, false},
                    // One column step per row would be a line on a square grid, but not on this one.
                    WinCase{"SquareDiagonalIsNoLine", Colour(0, {{3, 0}, {4, 1}, {5, 2}, {6, 3}}), {0, {7, 4}}, false},
                    WinCase{"TopEdgeRisingRight", Colour(2, {{8, 7}, {9, 8}, {9, 9}, {10, 10}}), {2, {10, 11}}, true},
                    WinCase{"TopEdgeRisingLeft", Colour(2, {{5, 7}, {5, 8}, {4, 9}, {4, 10}}), {2, {3, 11}}, true},
                    WinCase{"BottomEdgeRisingLeft", Colour(0, {{3, 1}, {3, 2}, {2, 3}, {2, 4}}), {0, {4, 0}}, true},
                    WinCase{"BottomEdgeRisingRight", Colour(0, {{0, 1}, {1, 2}, {1, 3}, {2, 4}}), {0, {0, 0}}, true},
                    WinCase{
                        "RightEdgeAcross", Colour(0, {{11, 11}, {12, 11}, {13, 11}, {14, 11}}), {0, {15, 11}}, true},
                    // A flat index would run from column 15 into column 0 of the next row.
                    WinCase{"NoWrapAcrossRows", Colour(0, {{12, 0}, {13, 0}, {14, 0}, {0, 1}}), {0, {15, 0}}, false},
                    WinCase{"NoWrapAcrossRowsLeft", Colour(0, {{15, 0}, {1, 1}, {2, 1}, {3, 1}}), {0, {0, 1}}, false}),
    [](const testing::TestParamInfo<WinCase>& info) { return info.param.name; });

TEST(CompletesLine, RefusesColoursThatAreNoBall)
{
    const Grid empty = EmptyGrid();
    EXPECT_FALSE(CompletesLine(empty, 5, 5, EMPTY));
    EXPECT_FALSE(CompletesLine(empty, 0, 0, OUTSIDE));
    EXPECT_FALSE(CompletesLine(GridWith({Cell{0, 0}}, 4), 0, 0, 4));
}

TEST(CompletesLine, AnyPositionOrLengthIsSafe)
{
    const Grid full = GridWith(std::vector<Ball>{});
    const std::vector<Cell> positions = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {-1, 0}, {16, 11}, {0, 12}};
    for (const Cell& cell : positions) {
        EXPECT_FALSE(CompletesLine(full, cell.col, cell.row, 0));
    }
    Grid row = EmptyGrid();
    for (int col = 0; col < COLUMNS; ++col) {
        row[static_cast<std::size_t>(col)] = 0;
    }
    EXPECT_TRUE(CompletesLine(row, 8, 0, 0, COLUMNS));
    EXPECT_FALSE(CompletesLine(row, 8, 0, 0, COLUMNS + 1));
    EXPECT_FALSE(CompletesLine(row, 8, 0, 0, INT_MAX));
    EXPECT_TRUE(CompletesLine(row, 8, 0, 0, 3));
}

// An independent reading of the rule: walk the six-neighbour table outwards from the ball along each axis.
Cell Step(Cell cell, int direction)
{
    const bool odd = (cell.row & 1) != 0;
    switch (direction) {
    case 0:
        return {cell.col + 1, cell.row}; // right
    case 1:
        return {cell.col - 1, cell.row}; // left
    case 2:
        return {odd ? cell.col + 1 : cell.col, cell.row + 1}; // above-right
    case 3:
        return {odd ? cell.col : cell.col - 1, cell.row - 1}; // below-left
    case 4:
        return {odd ? cell.col : cell.col - 1, cell.row + 1}; // above-left
    default:
        return {odd ? cell.col + 1 : cell.col, cell.row - 1}; // below-right
    }
}

bool ReferenceLine(const Grid& grid, Cell at, int colour)
{
    for (int axis = 0; axis < 3; ++axis) {
        int run = 1;
        for (int direction = axis * 2; direction < axis * 2 + 2; ++direction) {
            Cell cell = Step(at, direction);
            while (CellAt(grid, cell.col, cell.row) == colour) {
                ++run;
                cell = Step(cell, direction);
            }
        }
        if (run >= WIN_COUNT) {
            return true;
        }
    }
    return false;
}

TEST(CompletesLine, AgreesWithTheNeighbourTableOnRandomBoards)
{
    std::mt19937 random(1224);
    int wins = 0;
    for (int round = 0; round < 3000; ++round) {
        Grid grid = EmptyGrid();
        for (int& cell : grid) {
            cell = random() % 3 == 0 ? EMPTY : static_cast<int>(random() % 2);
        }
        for (int row = 0; row < ROWS; ++row) {
            for (int col = 0; col < COLUMNS; ++col) {
                const int colour = CellAt(grid, col, row);
                if (colour == EMPTY) {
                    continue;
                }
                const bool expected = ReferenceLine(grid, Cell{col, row}, colour);
                wins += expected ? 1 : 0;
                ASSERT_EQ(CompletesLine(grid, col, row, colour), expected) << col << "," << row;
            }
        }
    }
    EXPECT_GT(wins, 0);
}

} // namespace
} // namespace pyrandel
