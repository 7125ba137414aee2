// The arena's statistics and bookkeeping: the confidence interval, the rotation of seats, the JSON summary, and
// a short fixed-seed tournament of the quick levels, whose outcome depends on the seed only.

#include "ai/arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

namespace pyrandel {
namespace {

struct WilsonCase {
    int wins;
    int games;
    double low;
    double high;
};

TEST(Arena, WilsonIntervalMatchesKnownValues)
{
    // Worked out independently; the interval stays inside [0, 1] and is not symmetric near the ends.
    const WilsonCase cases[] = {
        {0, 10, 0.0, 0.2775},       {5, 10, 0.2366, 0.7634},    {10, 10, 0.7225, 1.0},
        {150, 300, 0.4438, 0.5562}, {220, 400, 0.5010, 0.5980}, {0, 0, 0.0, 1.0},
    };
    for (const WilsonCase& c : cases) {
        const Interval interval = WilsonInterval(c.wins, c.games);
        EXPECT_NEAR(interval.low, c.low, 5e-5) << c.wins << "/" << c.games;
        EXPECT_NEAR(interval.high, c.high, 5e-5) << c.wins << "/" << c.games;
    }
}

TEST(Arena, EverySeatStartsOnceARoundAndFollowsEveryOtherInTurn)
{
    for (int seats = 2; seats <= COLOURS; ++seats) {
        const int orders = seats == 4 ? 24 : seats == 3 ? 6 : 2;
        std::set<std::vector<int>> seen;
        for (int game = 0; game < orders; ++game) {
            const std::vector<int> order = TurnOrderFor(game, seats);
            EXPECT_EQ(order.front(), game % seats);
            std::vector<int> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            for (int seat = 0; seat < seats; ++seat) {
                ASSERT_EQ(sorted[static_cast<std::size_t>(seat)], seat);
            }
            seen.insert(order);
        }
        EXPECT_EQ(static_cast<int>(seen.size()), orders) << seats << " seats";
    }
}

TEST(Arena, ParsesEngineChoices)
{
    EXPECT_EQ(ParseEngineChoice("5"), (EngineChoice{5, EngineStyle::STANDARD}));
    EXPECT_EQ(ParseEngineChoice("3p"), (EngineChoice{3, EngineStyle::REFERENCE}));
    EXPECT_EQ(ParseEngineChoice("h3"), (EngineChoice{3, EngineStyle::STAND_IN}));
    for (const char* bad : {"", "p", "0", "6", "5pp", "55", "x", "-1", "h", "h6", "h3p", "3h", "hh3"}) {
        EXPECT_EQ(ParseEngineChoice(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(EngineName({4, EngineStyle::REFERENCE}), "4p");
    EXPECT_EQ(EngineName({2, EngineStyle::STAND_IN}), "h2");
}

TEST(Arena, FixedSeedTournamentOfQuickLevelsIsTheSameOnOneThreadAndOnTwo)
{
    ArenaOptions options;
    options.seats = {{2, EngineStyle::STANDARD}, {1, EngineStyle::STANDARD}, {2, EngineStyle::REFERENCE}};
    options.games = 12;
    options.seed = 42;
    int reported = 0;
    const ArenaSummary one =
        RunArena(options, [&](const GameRecord&, const ArenaSummary& so_far) { EXPECT_EQ(so_far.games, ++reported); });
    options.jobs = 2;
    const ArenaSummary two = RunArena(options);
    EXPECT_EQ(reported, 12);
    ASSERT_EQ(one.games, 12);
    EXPECT_EQ(one.faults, 0);
    int wins = 0;
    for (std::size_t seat = 0; seat < 3; ++seat) {
        EXPECT_EQ(one.tallies[seat].wins, two.tallies[seat].wins) << seat;
        wins += one.tallies[seat].wins;
    }
    EXPECT_EQ(wins + one.draws, one.games);
    EXPECT_EQ(one.moves, two.moves);
    // Greedy play that sees every line beats random play.
    EXPECT_LT(one.tallies[1].wins, one.tallies[2].wins);

    const std::regex shape(
        R"(\{"games": 12, "draws": \d+, "seats": \[)"
        R"(\{"engine": "2", "wins": \d+, "share": 0\.\d{4}, "ci95": \[0\.\d{4}, [01]\.\d{4}\]\}, )"
        R"(\{"engine": "1", "wins": \d+, "share": 0\.\d{4}, "ci95": \[0\.\d{4}, [01]\.\d{4}\]\}, )"
        R"(\{"engine": "2p", "wins": \d+, "share": [01]\.\d{4}, "ci95": \[0\.\d{4}, [01]\.\d{4}\]\}\], )"
        R"("move_ms": \{"mean": \d+\.\d\d, "max": \d+\.\d\d\}\})");
    EXPECT_TRUE(std::regex_match(SummaryJson(one), shape)) << SummaryJson(one);
}

TEST(Arena, SummaryJsonWritesTheCountsItIsGiven)
{
    ArenaSummary summary;
    summary.seats = {{5, EngineStyle::STANDARD}, {5, EngineStyle::REFERENCE}};
    summary.games = 10;
    summary.draws = 2;
    summary.tallies = {{5, 100, 2000.0, 90.5, 60.0}, {3, 100, 1000.0, 80.0, 70.0}};
    summary.moves = 200;
    summary.total_ms = 3000.0;
    summary.max_ms = 90.5;
    EXPECT_EQ(SummaryJson(summary),
              R"({"games": 10, "draws": 2, "seats": [{"engine": "5", "wins": 5, "share": 0.5000, )"
              R"("ci95": [0.2366, 0.7634]}, {"engine": "5p", "wins": 3, "share": 0.3000, "ci95": [0.1078, 0.6032]}], )"
              R"("move_ms": {"mean": 15.00, "max": 90.50}})");
}

} // namespace
} // namespace pyrandel
