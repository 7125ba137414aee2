#include "ai/engine.h"
#include "game/grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>
#include <ostream>
#include <random>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::chrono_literals;

constexpr int JUNK = 9;

struct Ball {
    int col;
    int row;
    int value;
};

// A board whose rows below `filled_rows` are full of junk, with the given balls on top.
Grid BoardWith(int filled_rows, std::initializer_list<Ball> balls)
{
    Grid grid = EmptyGrid();
    for (int i = 0; i < filled_rows * COLUMNS; ++i) {
        grid[static_cast<std::size_t>(i)] = JUNK;
    }
    for (const Ball& ball : balls) {
        grid[static_cast<std::size_t>(ball.row * COLUMNS + ball.col)] = ball.value;
    }
    return grid;
}

enum class Sight : std::uint8_t { FULL, THE_LEVELS_OWN };

// An engine whose look-ahead stops at a fixed depth rather than on the clock, so tests do not depend on speed;
// unless told otherwise it sees everything, so that the tactics below hold in every room.
Engine FixedEngine(int level, std::uint64_t seed = 1, EngineStyle style = EngineStyle::STANDARD,
                   Sight sight = Sight::FULL)
{
    Engine engine(level, seed, style);
    if (style == EngineStyle::STAND_IN) {
        engine.SetLimits({10min, 10min, level});
    } else if (level >= 3) {
        engine.SetLimits({10min, 10min, level - 1});
    }
    if (sight == Sight::FULL) {
        engine.SetAttention(FULL_ATTENTION);
    }
    return engine;
}

bool Legal(const Grid& grid, std::optional<int> lane)
{
    return lane && LandingSpot(grid, *lane).has_value();
}

struct TacticCase {
    const char* name;
    Grid grid;
    Seating seating;
    std::vector<int> good; // the engine takes one of these lanes, when any are given
    int shun = -1;         // and never this one
    int min_level = 2;     // the lowest level expected to see it
};

// Positions with a deciding lane: the engine's own line of five, the only block, the move that makes two
// threats at once, or the one move that would hand the opponent a win.
std::vector<TacticCase> TacticCases()
{
    // Colour 0 moves; 1 (and 2, 3) are opponents. Junk rows 0..3 make every cell of row 4 playable.
    return {
        {"WinsAcrossAtTheEnd",
         BoardWith(0, {{3, 0, 1}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {10, 0, 1}}),
         {0, {0, 1}},
         {LaneOf(8, 0)}},
        {"WinsAcrossInTheGap",
         BoardWith(0, {{2, 0, 0}, {3, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 1}, {1, 0, 1}}),
         {0, {0, 1}},
         {LaneOf(4, 0)}},
        {"WinsRisingRight", BoardWith(4, {{3, 0, 0}, {3, 1, 0}, {4, 2, 0}, {4, 3, 0}}), {0, {0, 1}}, {LaneOf(5, 4)}},
        {"WinsRisingLeft", BoardWith(4, {{9, 0, 0}, {8, 1, 0}, {8, 2, 0}, {7, 3, 0}}), {0, {0, 1}}, {LaneOf(7, 4)}},
        {"WinsRatherThanBlocking",
         BoardWith(4, {{3, 0, 0}, {3, 1, 0}, {4, 2, 0}, {4, 3, 0}, {10, 4, 1}, {11, 4, 1}, {12, 4, 1}, {13, 4, 1}}),
         {0, {0, 1}},
         {LaneOf(5, 4)}},
        {"WinsRatherThanBlockingTheNextOfThree",
         BoardWith(4, {{3, 0, 0}, {3, 1, 0}, {4, 2, 0}, {4, 3, 0}, {10, 4, 1}, {11, 4, 1}, {12, 4, 1}, {13, 4, 1}}),
         {0, {0, 1, 2}},
         {LaneOf(5, 4)}},
        {"WinsAmongFour",
         BoardWith(4, {{9, 0, 0}, {8, 1, 0}, {8, 2, 0}, {7, 3, 0}}),
         {0, {3, 0, 2, 1}},
         {LaneOf(7, 4)}},
        {"BlocksAcross",
         BoardWith(0, {{4, 0, 1}, {5, 0, 1}, {6, 0, 1}, {7, 0, 1}, {8, 0, 0}, {0, 0, 0}}),
         {0, {0, 1}},
         {LaneOf(3, 0)}},
        {"BlocksRisingRight",
         BoardWith(4, {{3, 0, 1}, {3, 1, 1}, {4, 2, 1}, {4, 3, 1}, {9, 4, 0}}),
         {0, {1, 0}},
         {LaneOf(5, 4)}},
        {"BlocksRisingLeft",
         BoardWith(4, {{9, 0, 1}, {8, 1, 1}, {8, 2, 1}, {7, 3, 1}, {1, 4, 0}}),
         {0, {0, 1}},
         {LaneOf(7, 4)}},
        {"BlocksAPlayerTwoSeatsAway",
         BoardWith(4, {{9, 0, 2}, {8, 1, 2}, {8, 2, 2}, {7, 3, 2}, {1, 4, 1}}),
         {0, {0, 1, 2}},
         {LaneOf(7, 4)}},
        {"BlocksTheLastOfFourPlayers",
         BoardWith(4, {{3, 0, 3}, {3, 1, 3}, {4, 2, 3}, {4, 3, 3}, {12, 4, 2}}),
         {0, {2, 0, 1, 3}},
         {LaneOf(5, 4)}},
        {"BlocksTheNextPlayerFirst",
         BoardWith(4,
                   {{1, 4, 0}, {2, 4, 1}, {3, 4, 1}, {4, 4, 1}, {5, 4, 1}, {9, 0, 2}, {8, 1, 2}, {8, 2, 2}, {7, 3, 2}}),
         {0, {0, 1, 2}},
         {LaneOf(6, 4)}},
        {"MakesTwoThreatsAtOnce",
         BoardWith(0, {{5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {0, 0, 1}, {1, 0, 1}, {15, 0, 1}}),
         {0, {0, 1}},
         {LaneOf(4, 0), LaneOf(8, 0)},
         -1,
         3},
        {"DoesNotHoldUpTheOpponentsWinningCell",
         BoardWith(3, {{3, 0, 1}, {3, 1, 1}, {4, 2, 1}, {4, 3, 1}}),
         {0, {0, 1}},
         {},
         LaneOf(5, 3)},
        {"DoesNotHoldUpTheNextOfThreesWinningCell",
         BoardWith(3, {{3, 0, 1}, {3, 1, 1}, {4, 2, 1}, {4, 3, 1}}),
         {0, {0, 1, 2}},
         {},
         LaneOf(5, 3)},
        {"DoesNotHoldUpTheNextOfFoursWinningCell",
         BoardWith(3, {{3, 0, 1}, {3, 1, 1}, {4, 2, 1}, {4, 3, 1}}),
         {0, {2, 3, 0, 1}},
         {},
         LaneOf(5, 3)},
        {"StopsAnOpenThreeOnTheFloor", // before it becomes a four open at both ends
         BoardWith(0, {{5, 0, 1}, {6, 0, 1}, {7, 0, 1}, {0, 0, 0}, {15, 0, 0}}),
         {0, {0, 1}},
         {LaneOf(4, 0), LaneOf(8, 0)},
         -1,
         3},
        {"BlocksAColourSeenOnlyOnTheBoard",
         BoardWith(0, {{4, 0, 2}, {5, 0, 2}, {6, 0, 2}, {7, 0, 2}, {3, 0, 0}}),
         {0, {}},
         {LaneOf(8, 0)}},
        {"BlocksWhenTheTurnOrderIsGarbled",
         BoardWith(0, {{4, 0, 1}, {5, 0, 1}, {6, 0, 1}, {7, 0, 1}, {3, 0, 0}}),
         {0, {7, -1, 1, 1}},
         {LaneOf(8, 0)}},
    };
}

struct EngineKind {
    int level;
    EngineStyle style;
};

void PrintTo(const EngineKind& kind, std::ostream* out)
{
    *out << "level " << kind.level
         << (kind.style == EngineStyle::REFERENCE  ? " reference"
             : kind.style == EngineStyle::STAND_IN ? " stand-in"
                                                   : "");
}

class EngineTactics : public testing::TestWithParam<EngineKind> {};

TEST_P(EngineTactics, TakesTheDecidingLane)
{
    for (const TacticCase& c : TacticCases()) {
        if (GetParam().level < c.min_level) {
            continue;
        }
        Engine engine = FixedEngine(GetParam().level, 1, GetParam().style);
        const auto lane = engine.ChooseLane(c.grid, c.seating);
        ASSERT_TRUE(Legal(c.grid, lane)) << c.name;
        if (!c.good.empty()) {
            EXPECT_NE(std::find(c.good.begin(), c.good.end(), *lane), c.good.end()) << c.name << ": " << *lane;
        }
        EXPECT_NE(*lane, c.shun) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTactics,
                         testing::Values(EngineKind{2, EngineStyle::STANDARD}, EngineKind{3, EngineStyle::STANDARD},
                                         EngineKind{4, EngineStyle::STANDARD}, EngineKind{5, EngineStyle::STANDARD},
                                         EngineKind{3, EngineStyle::REFERENCE}, EngineKind{5, EngineStyle::REFERENCE}),
                         [](const auto& info) {
                             return "Level" + std::to_string(info.param.level) +
                                    (info.param.style == EngineStyle::REFERENCE ? "Reference" : "");
                         });

struct OversightCase {
    const char* tactic; // one of TacticCases()
    EngineKind engine;
    bool always; // takes the deciding lane with every seed; else with some seeds but not all
};

TEST(Engine, LowerLevelsOverlookSomeLinesInCompanyReproduciblyBySeed)
{
    constexpr EngineKind STAND_IN{3, EngineStyle::STAND_IN};
    const OversightCase cases[] = {
        {"BlocksAPlayerTwoSeatsAway", {2, EngineStyle::STANDARD}, false},
        {"BlocksTheLastOfFourPlayers", {3, EngineStyle::STANDARD}, false},
        {"WinsAmongFour", {4, EngineStyle::STANDARD}, false},
        {"BlocksAPlayerTwoSeatsAway", {5, EngineStyle::STANDARD}, true},
        {"WinsAmongFour", {5, EngineStyle::REFERENCE}, true},
        {"BlocksAcross", {2, EngineStyle::STANDARD}, true}, // a room of two: every level sees all
        {"WinsRisingRight", {4, EngineStyle::STANDARD}, true},
        {"BlocksAcross", STAND_IN, false}, // the stand-in for a person misses now and then in any room
        {"BlocksTheNextPlayerFirst", STAND_IN, false},
    };
    const std::vector<TacticCase> tactics = TacticCases();
    constexpr int SEEDS = 30;
    for (const OversightCase& c : cases) {
        const auto tactic = std::find_if(tactics.begin(), tactics.end(),
                                         [&](const TacticCase& t) { return std::string(t.name) == c.tactic; });
        ASSERT_NE(tactic, tactics.end()) << c.tactic;
        int taken = 0;
        for (int seed = 1; seed <= SEEDS; ++seed) {
            Engine engine = FixedEngine(c.engine.level, seed, c.engine.style, Sight::THE_LEVELS_OWN);
            Engine again = FixedEngine(c.engine.level, seed, c.engine.style, Sight::THE_LEVELS_OWN);
            const auto lane = engine.ChooseLane(tactic->grid, tactic->seating);
            ASSERT_TRUE(Legal(tactic->grid, lane)) << c.tactic;
            EXPECT_EQ(again.ChooseLane(tactic->grid, tactic->seating), lane) << c.tactic << ", seed " << seed;
            taken += tactic->good.front() == *lane ? 1 : 0;
        }
        const std::string what = std::string(c.tactic) + ", " + testing::PrintToString(c.engine);
        if (c.always) {
            EXPECT_EQ(taken, SEEDS) << what;
        } else {
            EXPECT_GT(taken, 0) << what;
            EXPECT_LT(taken, SEEDS) << what;
        }
    }
}

TEST(Engine, AFourOpenAtBothEndsWinsOnlyAgainstASingleBlocker)
{
    // Blue can make _ B B B B _ on the floor. One opponent blocks one end and loses to the other; two opponents
    // block both ends before blue moves again.
    const Grid grid = BoardWith(0, {{5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {0, 0, 1}, {1, 0, 1}, {15, 0, 1}});
    constexpr int DECIDED = BestReplySearch::WIN - 1000;
    for (const EngineStyle style : {EngineStyle::STANDARD, EngineStyle::REFERENCE}) {
        Engine two = FixedEngine(5, 1, style);
        ASSERT_TRUE(two.ChooseLane(grid, {0, {0, 1}}).has_value());
        EXPECT_GT(two.last_search().score, DECIDED);
        Engine three = FixedEngine(5, 1, style);
        ASSERT_TRUE(three.ChooseLane(grid, {0, {0, 1, 2}}).has_value());
        EXPECT_LT(three.last_search().score, DECIDED);
    }
}

TEST(Engine, NoMoveOnABoardWithoutALandingSpot)
{
    Grid full = EmptyGrid();
    for (std::size_t i = 0; i < full.size(); ++i) {
        full[i] = static_cast<int>(i % 2);
    }
    Grid junk = EmptyGrid();
    junk.fill(INT_MIN);
    // Every lane blocked from the top row down, the rest empty.
    Grid lids = EmptyGrid();
    for (int col = 0; col < COLUMNS; ++col) {
        lids[static_cast<std::size_t>(10 * COLUMNS + col)] = 0;
        lids[static_cast<std::size_t>(11 * COLUMNS + col)] = 1;
    }
    for (const Grid& grid : {full, junk, lids}) {
        for (int level = Engine::MIN_LEVEL; level <= Engine::MAX_LEVEL; ++level) {
            Engine engine = FixedEngine(level);
            EXPECT_EQ(engine.ChooseLane(grid, {0, {0, 1}}), std::nullopt) << "level " << level;
        }
    }
}

TEST(Engine, AlwaysALegalLaneOnRandomBoardsAndSeatings)
{
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> percent(0, 99);
    constexpr std::array<int, 8> VALUES = {0, 1, 2, 3, 4, -7, OUTSIDE, INT_MAX};
    std::vector<Engine> engines;
    for (int level = Engine::MIN_LEVEL; level <= Engine::MAX_LEVEL; ++level) {
        engines.emplace_back(level, 77);
        engines.back().SetLimits({10min, 10min, 2});
    }
    for (int round = 0; round < 300; ++round) {
        Grid grid = EmptyGrid();
        const int fill = percent(random);
        const bool floating = round % 2 == 0;
        if (floating) {
            for (int& cell : grid) {
                if (percent(random) < fill) {
                    cell = VALUES[random() % (round % 3 == 0 ? VALUES.size() : 4)];
                }
            }
        } else {
            for (int drop = 0; drop < fill * 2; ++drop) {
                if (const auto spot = LandingSpot(grid, static_cast<int>(random() % LANES))) {
                    grid[static_cast<std::size_t>(spot->row * COLUMNS + spot->col)] = static_cast<int>(random() % 4);
                }
            }
        }
        Seating seating;
        seating.own_colour = static_cast<int>(random() % 5) - (round % 7 == 0 ? 1 : 0);
        const int players = static_cast<int>(random() % 5);
        for (int p = 0; p < players; ++p) {
            seating.turn_order.push_back(static_cast<int>(random() % 6) - 1);
        }
        bool any_lane = false;
        for (int lane = 0; lane < LANES; ++lane) {
            any_lane = any_lane || LandingSpot(grid, lane).has_value();
        }
        const int level = 1 + round % Engine::MAX_LEVEL;
        // One engine per level serves board after board, as a player's engine does.
        const auto lane = engines[static_cast<std::size_t>(level - 1)].ChooseLane(grid, seating);
        if (any_lane) {
            ASSERT_TRUE(Legal(grid, lane)) << "round " << round << " level " << level;
        } else {
            ASSERT_EQ(lane, std::nullopt) << "round " << round;
        }
    }
}

struct TableGame {
    const char* name;
    std::vector<int> levels; // one per player; player p plays colour p and moves in this order
};

class EngineGames : public testing::TestWithParam<TableGame> {};

TEST_P(EngineGames, EndWithAWinOrAFullBoardAndOnlyLegalMoves)
{
    const auto& levels = GetParam().levels;
    std::vector<Engine> engines;
    Seating seating;
    for (std::size_t p = 0; p < levels.size(); ++p) {
        engines.push_back(FixedEngine(levels[p], 40 + p));
        seating.turn_order.push_back(static_cast<int>(p));
    }
    Grid grid = EmptyGrid();
    bool won = false;
    int moves = 0;
    for (; moves <= SearchBoard::CELLS && !won; ++moves) {
        const int player = moves % static_cast<int>(levels.size());
        seating.own_colour = player;
        const auto lane = engines[static_cast<std::size_t>(player)].ChooseLane(grid, seating);
        if (!lane) {
            break;
        }
        const auto spot = LandingSpot(grid, *lane);
        ASSERT_TRUE(spot.has_value()) << "move " << moves;
        grid[static_cast<std::size_t>(spot->row * COLUMNS + spot->col)] = player;
        won = CompletesLine(grid, spot->col, spot->row, player);
    }
    EXPECT_LE(moves, SearchBoard::CELLS);
    if (!won) {
        // Without a winner, the game may only stop where no lane is left.
        for (int lane = 0; lane < LANES; ++lane) {
            EXPECT_FALSE(LandingSpot(grid, lane).has_value()) << lane;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Players, EngineGames,
                         testing::Values(TableGame{"TwoRandom", {1, 1}}, TableGame{"TwoSearching", {3, 4}},
                                         TableGame{"Three", {1, 2, 3}}, TableGame{"Four", {2, 3, 1, 4}},
                                         TableGame{"FourRandom", {1, 1, 1, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Engine, SecondLevelBeatsRandomPlay)
{
    Engine greedy(2, 3);
    Engine random_player(1, 4);
    int greedy_wins = 0;
    for (int game = 0; game < 20; ++game) {
        Grid grid = EmptyGrid();
        const int first = game % 2;
        for (int move = 0; move < SearchBoard::CELLS; ++move) {
            const int colour = (first + move) % 2;
            Engine& engine = colour == 0 ? greedy : random_player;
            const auto lane = engine.ChooseLane(grid, {colour, {first, 1 - first}});
            if (!lane) {
                break;
            }
            const auto spot = LandingSpot(grid, *lane);
            ASSERT_TRUE(spot.has_value());
            grid[static_cast<std::size_t>(spot->row * COLUMNS + spot->col)] = colour;
            if (CompletesLine(grid, spot->col, spot->row, colour)) {
                greedy_wins += colour == 0 ? 1 : 0;
                break;
            }
        }
    }
    EXPECT_GE(greedy_wins, 18);
}

TEST(Engine, StopsASearchAskedToStopBeforeItBegan)
{
    Engine engine(5, 1);
    engine.SetLimits({10min, 10min, 60});
    std::stop_source source;
    source.request_stop();
    const Grid grid = BoardWith(0, {{5, 0, 1}, {6, 0, 0}});
    const auto lane = engine.ChooseLane(grid, {0, {0, 1}}, source.get_token());
    EXPECT_TRUE(Legal(grid, lane));
    EXPECT_EQ(engine.last_search().depth, 0);
}

TEST(Engine, StopFromAnotherThreadEndsALongSearch)
{
    Engine engine(5, 1);
    // Without the stop this search would run far past the suite's time-out.
    engine.SetLimits({10min, 10min, 60});
    const Grid grid = BoardWith(0, {{5, 0, 1}, {6, 0, 0}});
    std::optional<int> lane;
    std::jthread thinker([&](std::stop_token stop) { lane = engine.ChooseLane(grid, {0, {0, 1}}, stop); });
    std::this_thread::sleep_for(50ms);
    thinker.request_stop();
    thinker.join();
    EXPECT_TRUE(Legal(grid, lane));
}

} // namespace
} // namespace pyrandel
