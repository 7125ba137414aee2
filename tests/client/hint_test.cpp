// The hint key: on the player's own turn it moves the marker to the suggested lane, and sends nothing.

#include "support/player_round_trip.h"
#include "support/scripted_host.h"
#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <atomic>

namespace pyrandel::test {
namespace {

class Hint : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Suggests lane 7 and remembers what it was asked about.
        player.program.client().SetHintSource([this](const Grid& cells, int own_colour) -> std::optional<int> {
            asked_colour = own_colour;
            asked_balls = static_cast<int>(std::count_if(cells.begin(), cells.end(), [](int c) { return c != EMPTY; }));
            ++asks;
            return suggestion.load();
        });
        view.Type(CONTROL_NAME, "Taro");
        view.Type(CONTROL_ADDRESS, "127.0.0.1");
        view.Press(CONTROL_CONNECT);
        ASSERT_TRUE(host.Accept());
        ASSERT_EQ(host.ReadLine(), "NEW_C\tTaro");
        ASSERT_TRUE(host.Send("ID\t1"));
        ASSERT_TRUE(host.Send("STARTVS\t2\t2"));
        ASSERT_TRUE(view.WaitUntil([&] { return view.BattleOpen(); }));
    }

    void GrantTurn()
    {
        ASSERT_TRUE(host.Send("CAN_PUT"));
        ASSERT_TRUE(view.WaitUntil([&] { return view.Status() == texts::STATUS_YOUR_TURN; }));
    }

    ScriptedHost host;
    TestPlayer player{host.Port()};
    FakeLobbyView& view = player.view;
    std::atomic<int> asks{0};
    std::atomic<int> asked_colour{-1};
    std::atomic<int> asked_balls{-1};
    std::atomic<std::optional<int>> suggestion{7};
};

TEST_F(Hint, OnOwnTurn_MovesTheMarkerToTheSuggestionAndSendsNothing)
{
    ASSERT_TRUE(host.Send("PLOT\t0\t3\t0"));
    ASSERT_TRUE(host.Send("PLOT\t0\t4\t0"));
    GrantTurn();
    view.AskHint();
    ASSERT_TRUE(view.WaitUntil([&] { return view.Marker() == Cell{3, 1}; })); // lane 7 rests on the blue balls
    EXPECT_EQ(asked_colour, 2);
    EXPECT_EQ(asked_balls, 2);
    EXPECT_TRUE(SentNothingMore(host, player));
    EXPECT_TRUE(player.program.board().may_place());
    // The hint is where a click off the lanes now puts the ball.
    view.Drop(std::nullopt);
    EXPECT_EQ(host.ReadLine(), "PLOT\t2\t3\t1\t0\t-1");
}

TEST_F(Hint, OutsideOwnTurnOrWithoutSuggestion_ChangesNothing)
{
    view.AskHint(); // not the player's turn
    ASSERT_TRUE(view.RunOnWindowThread([] {}));
    EXPECT_EQ(asks, 0);
    EXPECT_EQ(view.Marker(), std::nullopt);

    GrantTurn();
    suggestion = std::nullopt;
    view.AskHint();
    ASSERT_TRUE(view.RunOnWindowThread([] {}));
    EXPECT_EQ(asks, 1);
    EXPECT_EQ(view.Marker(), std::nullopt);
    EXPECT_TRUE(SentNothingMore(host, player));
}

} // namespace
} // namespace pyrandel::test
