#include "game/board.h"

#include "text/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace pyrandel {
namespace {

class RecordingStatus : public StatusSink {
public:
    void ShowStatus(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

class RecordingSurface : public BoardSurface {
public:
    void DrawCell(int col, int row) override { cells.push_back({col, row}); }
    std::vector<Cell> cells;
};

// Reads the board back from inside the callbacks, as a view does; this would deadlock if a callback ran under
// the board's lock.
class ReadingView : public StatusSink, public BoardSurface {
public:
    void ShowStatus(std::string_view) override { seen_may_place.push_back(board->may_place()); }
    void DrawCell(int col, int row) override { seen_cells.push_back(board->CellAt(col, row)); }
    Board* board = nullptr;
    std::vector<bool> seen_may_place;
    std::vector<int> seen_cells;
};

class BoardTest : public testing::Test {
protected:
    RecordingStatus status;
    RecordingSurface surface;
    Board board{status};

    void StartTurn(int colour)
    {
        board.BeginMatch(colour);
        board.GrantTurn();
    }
};

TEST_F(BoardTest, StartsEmptyWithoutTurnAndSilent)
{
    EXPECT_EQ(board.Snapshot(), EmptyGrid());
    EXPECT_FALSE(board.may_place());
    EXPECT_EQ(board.balls_left(), 0);
    EXPECT_EQ(board.own_colour(), 0);
    EXPECT_EQ(board.hover(), std::nullopt);
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(BoardTest, PlaceRefusesTakenCellsPositionsOffTheBoardAndNonColours)
{
    ASSERT_EQ(board.Place(1, 4, 0, &surface), PLACE_PUT);
    const Grid before = board.Snapshot();
    surface.cells.clear();
    struct Refused {
        int colour;
        Cell cell;
    };
    const std::vector<Refused> refused = {{2, {4, 0}},  {0, {16, 0}},    {0, {-1, 0}},      {0, {0, 12}},
                                          {0, {0, -1}}, {EMPTY, {5, 0}}, {OUTSIDE, {5, 0}}, {4, {5, 0}}};
    for (const Refused& r : refused) {
        EXPECT_EQ(board.Place(r.colour, r.cell.col, r.cell.row, &surface), PLACE_REFUSED)
            << r.colour << " at " << r.cell.col << "," << r.cell.row;
    }
    EXPECT_EQ(board.Snapshot(), before);
    EXPECT_TRUE(surface.cells.empty());
}

TEST_F(BoardTest, PlaceTakesFloatingBallsAndDrawsThem)
{
    EXPECT_EQ(board.Place(3, 7, 9, &surface), PLACE_PUT);
    EXPECT_EQ(board.CellAt(7, 9), 3);
    EXPECT_EQ(surface.cells, (std::vector<Cell>{{7, 9}}));
    EXPECT_EQ(board.Place(3, 8, 9), PLACE_PUT); // no surface: nothing to draw on
    EXPECT_EQ(surface.cells.size(), 1U);
}

TEST_F(BoardTest, PlaceReportsTheWin)
{
    for (int col = 3; col <= 6; ++col) {
        ASSERT_EQ(board.Place(0, col, 0), PLACE_PUT);
    }
    ASSERT_EQ(board.Place(1, 3, 1), PLACE_PUT);
    EXPECT_EQ(board.Place(0, 7, 0), PLACE_WON);
    const BoardMarks marks = board.Marks();
    EXPECT_EQ(marks.last_balls[0], (Cell{7, 0}));
    EXPECT_EQ(marks.last_balls[1], (Cell{3, 1}));
    EXPECT_EQ(marks.last_balls[2], std::nullopt);
    EXPECT_EQ(marks.winning_line.size(), 5u);
}

TEST_F(BoardTest, WinCountIsTheBoards)
{
    RecordingStatus quiet;
    Board short_line(quiet, 3);
    ASSERT_EQ(short_line.Place(2, 0, 5), PLACE_PUT);
    ASSERT_EQ(short_line.Place(2, 1, 5), PLACE_PUT);
    EXPECT_EQ(short_line.Place(2, 2, 5), PLACE_WON);
}

TEST_F(BoardTest, ResetEmptiesForbidsForgetsAndKeepsTheColour)
{
    StartTurn(2);
    ASSERT_TRUE(board.PointAt(4));
    ASSERT_EQ(board.Place(1, 0, 0), PLACE_PUT);

    board.Reset();

    EXPECT_EQ(board.Snapshot(), EmptyGrid());
    EXPECT_FALSE(board.may_place());
    EXPECT_EQ(board.own_colour(), 2);
    EXPECT_EQ(board.balls_left(), -1);
    EXPECT_EQ(board.hover(), std::nullopt);
    EXPECT_EQ(board.Marks(), BoardMarks{});
    EXPECT_EQ(status.texts, (std::vector<std::string>{std::string(texts::STATUS_WAITING)}));
}

TEST_F(BoardTest, BeginMatchSetsColourButGivesNoTurn)
{
    board.BeginMatch(3);
    EXPECT_EQ(board.own_colour(), 3);
    EXPECT_EQ(board.balls_left(), 0);
    EXPECT_FALSE(board.may_place());
    EXPECT_EQ(board.PointAt(0), std::nullopt);
    EXPECT_EQ(board.DropOwnBall(0), std::nullopt);
    EXPECT_EQ(board.Snapshot(), EmptyGrid());
}

TEST_F(BoardTest, PointAtMovesTheMarkerOnlyToLandingSpots)
{
    EXPECT_EQ(board.PointAt(0), std::nullopt); // not the player's turn
    StartTurn(0);

    const auto first = board.PointAt(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->previous, std::nullopt);
    EXPECT_EQ(first->spot, (Cell{0, 0}));

    const auto second = board.PointAt(4);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->previous, (Cell{0, 0}));
    EXPECT_EQ(second->spot, (Cell{2, 0}));

    // The same spot again still reports a move, so the view redraws the marker.
    const auto again = board.PointAt(4);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->previous, (Cell{2, 0}));

    EXPECT_EQ(board.PointAt(5), std::nullopt); // no landing spot
    EXPECT_EQ(board.PointAt(std::nullopt), std::nullopt);
    EXPECT_EQ(board.PointAt(-3), std::nullopt);
    EXPECT_EQ(board.PointAt(32), std::nullopt);
    EXPECT_EQ(board.hover(), (Cell{2, 0}));
}

TEST_F(BoardTest, DropPutsTheOwnBallAndEndsTheTurn)
{
    StartTurn(1);
    ASSERT_TRUE(board.PointAt(6));

    const auto move = board.DropOwnBall(2, &surface);

    ASSERT_TRUE(move);
    EXPECT_EQ(move->colour, 1);
    EXPECT_EQ(move->cell, (Cell{1, 0}));
    EXPECT_FALSE(move->win);
    EXPECT_EQ(move->balls_left, -1);
    EXPECT_EQ(board.CellAt(1, 0), 1);
    EXPECT_EQ(surface.cells, (std::vector<Cell>{{1, 0}}));
    EXPECT_FALSE(board.may_place());
    EXPECT_EQ(board.hover(), std::nullopt);
    EXPECT_EQ(status.texts, (std::vector<std::string>{std::string(texts::STATUS_WAITING)}));

    EXPECT_EQ(board.DropOwnBall(4, &surface), std::nullopt);
    EXPECT_EQ(board.CellAt(2, 0), EMPTY);
    EXPECT_EQ(surface.cells.size(), 1U);
}

TEST_F(BoardTest, DropFallsBackToTheMarker)
{
    struct Case {
        const char* name;
        std::optional<int> lane;
    };
    for (const Case& c : {Case{"lane without a spot", 3}, Case{"no lane", std::nullopt}, Case{"off lane", 99}}) {
        board.Reset();
        StartTurn(0);
        ASSERT_TRUE(board.PointAt(6));
        const auto move = board.DropOwnBall(c.lane);
        ASSERT_TRUE(move) << c.name;
        EXPECT_EQ(move->cell, (Cell{3, 0})) << c.name;
        EXPECT_EQ(board.CellAt(3, 0), 0) << c.name;
    }
}

TEST_F(BoardTest, DropWithNeitherSpotNorMarkerKeepsTheTurn)
{
    StartTurn(0);
    EXPECT_EQ(board.DropOwnBall(1, &surface), std::nullopt);
    EXPECT_TRUE(board.may_place());
    EXPECT_EQ(board.Snapshot(), EmptyGrid());
    EXPECT_TRUE(surface.cells.empty());
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(BoardTest, ResetForgetsTheSpotOfTheLastMatch)
{
    StartTurn(0);
    ASSERT_TRUE(board.PointAt(12)); // (6, 0) in the first match
    board.Reset();
    ASSERT_EQ(board.Place(2, 5, 0), PLACE_PUT);
    StartTurn(0);

    // Lane 11 has no spot on the new board; the old marker must not stand in for it.
    EXPECT_EQ(board.DropOwnBall(11), std::nullopt);
    EXPECT_EQ(board.CellAt(6, 0), EMPTY);
    EXPECT_TRUE(board.may_place());
}

TEST_F(BoardTest, DropIgnoresAMarkerThatIsNoLongerALandingSpot)
{
    StartTurn(0);
    ASSERT_TRUE(board.PointAt(2));              // (1, 0)
    ASSERT_EQ(board.Place(3, 1, 0), PLACE_PUT); // a ball arrives under the marker
    EXPECT_EQ(board.DropOwnBall(1), std::nullopt);
    EXPECT_EQ(board.CellAt(1, 0), 3);
    EXPECT_TRUE(board.may_place());

    // Once the marker stands where the ball would fall, it is accepted again.
    ASSERT_EQ(board.Place(3, 0, 0), PLACE_PUT);
    ASSERT_TRUE(board.PointAt(1)); // (0, 1) rests on (0, 0) and (1, 0)
    const auto move = board.DropOwnBall(std::nullopt);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->cell, (Cell{0, 1}));
}

TEST_F(BoardTest, WinningDropIsReported)
{
    board.BeginMatch(2);
    for (int col = 3; col <= 6; ++col) {
        ASSERT_EQ(board.Place(2, col, 0), PLACE_PUT);
    }
    board.GrantTurn();
    const auto move = board.DropOwnBall(14);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->cell, (Cell{7, 0}));
    EXPECT_TRUE(move->win);
}

TEST(BoardCallbacks, RunOutsideTheLockAfterTheChange)
{
    ReadingView view;
    Board board(view);
    view.board = &board;

    EXPECT_EQ(board.Place(1, 2, 0, &view), PLACE_PUT);
    board.BeginMatch(0);
    board.GrantTurn();
    ASSERT_TRUE(board.DropOwnBall(0, &view));
    board.Reset();

    EXPECT_EQ(view.seen_cells, (std::vector<int>{1, 0}));
    EXPECT_EQ(view.seen_may_place, (std::vector<bool>{false, false}));
}

TEST(BoardThreads, RemoteBallsAndOwnDropsDoNotRace)
{
    RecordingStatus status;
    Board board(status);
    board.BeginMatch(0);
    std::thread remote([&board] {
        for (int col = 8; col < COLUMNS; ++col) {
            (void)board.Place(1, col, 0);
        }
    });
    for (int lane = 0; lane < 16; lane += 2) {
        board.GrantTurn();
        (void)board.PointAt(lane);
        (void)board.DropOwnBall(lane);
    }
    remote.join();
    for (int col = 0; col < COLUMNS; ++col) {
        EXPECT_EQ(board.CellAt(col, 0), col < 8 ? 0 : 1) << col;
    }
}

} // namespace
} // namespace pyrandel
