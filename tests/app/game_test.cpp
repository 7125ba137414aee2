// Whole games in one process: a host (its own player included) and players on loopback, each a whole program
// over an in-memory view, playing through the real host.

#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

namespace pyrandel::test {
namespace {

std::string WinAnnouncement(std::string_view name, int colour)
{
    std::string text(name);
    text.append(texts::MSG_WIN_INFIX).append(texts::ColourName(colour)).append(texts::MSG_WIN_SUFFIX);
    return text;
}

class Game : public ::testing::Test {
protected:
    // The host joins as "Host"; then `others` players join as P1, P2, ...
    void Gather(int others)
    {
        ASSERT_TRUE(host.Host("Host"));
        for (int i = 1; i <= others; ++i) {
            players.push_back(std::make_unique<TestPlayer>(host.Port()));
            ASSERT_TRUE(players.back()->Join("P" + std::to_string(i)));
            // The host greets the next newcomer from its own player's list, so that list must show this one
            // first (people join seconds apart; a test must not outrun the host's own player).
            ASSERT_TRUE(host.WaitForParticipants(static_cast<std::size_t>(i) + 1));
        }
        for (TestPlayer* player : Everyone()) {
            ASSERT_TRUE(player->WaitForParticipants(static_cast<std::size_t>(others) + 1));
        }
    }

    std::vector<TestPlayer*> Everyone()
    {
        std::vector<TestPlayer*> all{&host};
        for (const auto& player : players) {
            all.push_back(player.get());
        }
        return all;
    }

    bool Eventually(const std::function<bool()>& condition) { return host.view.WaitUntil(condition); }

    // Any player presses "start the match"; true once every battle window is open.
    bool StartMatch(TestPlayer& starter)
    {
        const std::vector<TestPlayer*> all = Everyone();
        std::vector<int> openings;
        for (TestPlayer* player : all) {
            openings.push_back(player->view.BattleOpenings());
        }
        starter.view.Press(CONTROL_START);
        return Eventually([&] {
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (!all[i]->view.BattleOpen() || all[i]->program.board().own_colour() < 0) {
                    return false;
                }
            }
            // A window that was open already is reused; otherwise a new one opened.
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (all[i]->view.BattleOpenings() == openings[i] && all[i]->view.BattleRepaints() == 0) {
                    return false;
                }
            }
            return true;
        });
    }

    // The player granted the turn, once exactly one has it.
    TestPlayer* WaitForTurn()
    {
        TestPlayer* mover = nullptr;
        const bool found = Eventually([&] {
            mover = nullptr;
            int movers = 0;
            for (TestPlayer* player : Everyone()) {
                if (player->program.board().may_place()) {
                    mover = player;
                    ++movers;
                }
            }
            return movers == 1;
        });
        return found ? mover : nullptr;
    }

    // The player to move puts a ball in `lane`; true once the turn has passed.
    bool Move(TestPlayer& mover, int lane)
    {
        mover.view.Drop(lane);
        return Eventually([&] { return !mover.program.board().may_place(); });
    }

    static int BallsOn(TestPlayer& player)
    {
        const Grid cells = player.program.board().Snapshot();
        return static_cast<int>(std::count_if(cells.begin(), cells.end(), [](int cell) { return cell != EMPTY; }));
    }

    // A lane right of the winner's five floor cells (columns 0..4) where a ball can rest.
    static int RightmostFreeLane(TestPlayer& player)
    {
        for (int lane = LANES - 1; lane >= 2 * WIN_COUNT; --lane) {
            if (player.program.board().LandingSpot(lane)) {
                return lane;
            }
        }
        return -1;
    }

    // Plays a match to its end: whoever moves first builds five along the floor from the left, everybody else
    // stacks balls from the right. Returns the movers in the order they moved.
    std::vector<TestPlayer*> PlayToWin()
    {
        std::vector<TestPlayer*> turns;
        int winner_balls = 0;
        while (winner_balls < WIN_COUNT) {
            TestPlayer* mover = WaitForTurn();
            if (mover == nullptr) {
                ADD_FAILURE() << "no turn after " << turns.size() << " moves";
                return turns;
            }
            const bool winning_side = turns.empty() || mover == turns.front();
            // Every earlier ball must be on the mover's board before it chooses, or the boards would part.
            if (!Eventually([&] { return BallsOn(*mover) == static_cast<int>(turns.size()); })) {
                ADD_FAILURE() << "a relayed ball did not arrive";
                return turns;
            }
            const int lane = winning_side ? 2 * winner_balls++ : RightmostFreeLane(*mover);
            turns.push_back(mover);
            if (!Move(*mover, lane)) {
                ADD_FAILURE() << "the turn did not pass";
                return turns;
            }
        }
        return turns;
    }

    bool AllWindowsClosed()
    {
        return Eventually([&] {
            return std::all_of(players.begin(), players.end(), [](const auto& p) { return !p->view.BattleOpen(); }) &&
                   !host.view.BattleOpen();
        });
    }

    TestPlayer host;
    std::vector<std::unique_ptr<TestPlayer>> players;
};

TEST_F(Game, Joining_ListsEveryoneByNameAndChatGoesBothWays)
{
    Gather(2);
    for (TestPlayer* player : Everyone()) {
        EXPECT_EQ(player->view.Participants(), (std::vector<std::string>{"Host", "P1", "P2"}));
    }
    // Each sees the arrival of the later players announced.
    const std::string p2_arrived = "P2" + std::string(texts::MSG_ARRIVED_SUFFIX);
    EXPECT_TRUE(Eventually([&] { return host.view.ChatHas(p2_arrived) && players[0]->view.ChatHas(p2_arrived); }));

    players[0]->view.Type(CONTROL_CHAT_INPUT, "hello from P1");
    players[0]->view.Press(CONTROL_SAY);
    host.view.Type(CONTROL_CHAT_INPUT, "hello from Host");
    host.view.ChatKey(KeyMessage::KEY_DOWN, 13);
    for (TestPlayer* player : Everyone()) {
        EXPECT_TRUE(Eventually([&] {
            return player->view.ChatHas("P1 : hello from P1") && player->view.ChatHas("Host : hello from Host");
        }));
    }
    // The sender's own line is shown once, when it was said, not again when the host relays it.
    const std::vector<std::string> p1_chat = players[0]->view.ChatLines();
    EXPECT_EQ(std::count(p1_chat.begin(), p1_chat.end(), "P1 : hello from P1"), 1);
}

class FullMatch : public Game, public ::testing::WithParamInterface<int> {};

TEST_P(FullMatch, PlaysToAWinInTurnOrderWithDistinctColours)
{
    Gather(GetParam());
    const std::vector<TestPlayer*> all = Everyone();
    ASSERT_TRUE(StartMatch(*players.back()));

    std::set<int> colours;
    for (TestPlayer* player : all) {
        const int colour = player->program.board().own_colour();
        colours.insert(colour);
        EXPECT_TRUE(player->view.ChatHas(texts::CHAT_GAME_STARTED));
        EXPECT_TRUE(
            player->view.ChatHas(std::string(texts::ColourName(colour)) + std::string(texts::CHAT_COLOUR_SUFFIX)));
        EXPECT_EQ(player->view.BattleIcon(), colour);
    }
    EXPECT_EQ(colours.size(), all.size());

    const std::vector<TestPlayer*> turns = PlayToWin();
    ASSERT_EQ(turns.size(), static_cast<std::size_t>((WIN_COUNT - 1) * all.size() + 1));
    // Everybody once per round, in the same order every round.
    const std::set<TestPlayer*> first_round(turns.begin(), turns.begin() + static_cast<long>(all.size()));
    EXPECT_EQ(first_round.size(), all.size());
    for (std::size_t i = all.size(); i < turns.size(); ++i) {
        EXPECT_EQ(turns[i], turns[i % all.size()]) << "move " << i;
    }

    // The mover's program sees a local win, every other program a remote one.
    TestPlayer* winner = turns.front();
    for (TestPlayer* player : all) {
        const std::string_view expected = player == winner ? texts::STATUS_YOU_WIN : texts::STATUS_DECIDED;
        ASSERT_TRUE(player->view.WaitUntil([&] { return player->view.OpenMessageBoxes().size() == 1; }));
        EXPECT_EQ(player->view.OpenMessageBoxes().front(), expected);
        EXPECT_EQ(player->view.Status(), expected);
    }
    const std::string winner_name = winner == &host ? "Host" : winner->view.Field(CONTROL_NAME);
    const std::string announcement = WinAnnouncement(winner_name, winner->program.board().own_colour());
    for (TestPlayer* player : all) {
        EXPECT_TRUE(player->view.DismissMessageBox());
        EXPECT_TRUE(Eventually([&] { return player->view.ChatHas(announcement); }));
        // Every board shows the same final position.
        const auto cells = player->view.BattleCells();
        ASSERT_TRUE(cells);
        EXPECT_EQ(*cells, *winner->view.BattleCells());
        EXPECT_FALSE(player->program.board().may_place());
    }
}

INSTANTIATE_TEST_SUITE_P(Players, FullMatch, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return std::to_string(info.param + 1) + "Players"; });

TEST_F(Game, NextMatchAfterAWin_ReusesTheOpenWindows)
{
    Gather(1);
    ASSERT_TRUE(StartMatch(host));
    (void)PlayToWin();
    for (TestPlayer* player : Everyone()) {
        ASSERT_TRUE(player->view.WaitUntil([&] { return player->view.DismissMessageBox(); }));
    }
    ASSERT_TRUE(StartMatch(*players[0]));
    for (TestPlayer* player : Everyone()) {
        EXPECT_EQ(player->view.BattleOpenings(), 1);
        const auto cells = player->view.BattleCells();
        ASSERT_TRUE(cells);
        EXPECT_EQ(*cells, EmptyGrid());
    }
    EXPECT_NE(WaitForTurn(), nullptr);
}

TEST_F(Game, ClosingTheBattleWindow_EndsTheMatchForEveryone)
{
    Gather(2);
    ASSERT_TRUE(StartMatch(host));
    TestPlayer* mover = WaitForTurn();
    ASSERT_NE(mover, nullptr);
    ASSERT_TRUE(Move(*mover, 0));
    players[1]->view.CloseBattle(BattleClose::CLOSE_BOX);
    ASSERT_TRUE(AllWindowsClosed());
    for (TestPlayer* player : Everyone()) {
        EXPECT_TRUE(Eventually([&] { return player->view.Status() == texts::STATUS_WAITING_FOR_MATCH; }));
        EXPECT_EQ(player->program.board().CellAt(0, 0), EMPTY);
        EXPECT_TRUE(player->view.ChatHas(texts::CHAT_GAME_ENDED));
        EXPECT_EQ(player->view.BattleCloses().back(),
                  player == players[1].get() ? BattleClose::CLOSE_BOX : BattleClose::PROGRAM);
    }
    // The lobby goes on: a new match can start.
    EXPECT_TRUE(StartMatch(*players[1]));
}

TEST_F(Game, LosingAConnection_EndsTheMatchForTheOthers)
{
    Gather(2);
    ASSERT_TRUE(StartMatch(host));
    players[0]->program.client().Close(); // as if the network failed under P1
    ASSERT_TRUE(AllWindowsClosed());
    EXPECT_TRUE(Eventually([&] { return players[0]->view.Participants().empty(); }));
    for (TestPlayer* player : {&host, players[1].get()}) {
        EXPECT_TRUE(player->WaitForParticipants(2));
        EXPECT_EQ(player->view.Participants(), (std::vector<std::string>{"Host", "P2"}));
    }
}

TEST_F(Game, HostStopping_EndsEveryConnectionAndMatch)
{
    Gather(2);
    ASSERT_TRUE(StartMatch(*players[0]));
    host.view.Press(CONTROL_HOST); // release "become the server"
    ASSERT_TRUE(AllWindowsClosed());
    for (TestPlayer* player : Everyone()) {
        EXPECT_TRUE(Eventually([&] { return player->view.Participants().empty(); }));
        // The host's player ended its own connection; the others lost theirs.
        const std::string_view ended = player == &host ? texts::CHAT_CONNECTION_CLOSED : texts::CHAT_CONNECTION_LOST;
        EXPECT_TRUE(Eventually([&] { return player->view.ChatHas(ended); }));
        EXPECT_TRUE(Eventually([&] { return !player->view.Toggled(CONTROL_CONNECT); }));
        EXPECT_TRUE(Eventually([&] { return !player->view.Toggled(CONTROL_HOST); }));
    }
    EXPECT_TRUE(Eventually([&] { return host.view.ChatHas(texts::CHAT_SERVER_CLOSED); }));
    EXPECT_FALSE(host.program.server().IsListening());
}

TEST(Hosting, StoppedAndStartedAgainAtOnce_KeepsHosting)
{
    // A player who releases "become the server" and presses it again before the first host has wound down: the
    // first host's end must neither make the second fail nor undo it.
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    host.view.Press(CONTROL_HOST); // release
    host.view.Press(CONTROL_HOST); // and press again at once
    EXPECT_TRUE(host.view.WaitUntil([&] { return host.view.ChatHas(texts::CHAT_SERVER_CLOSED); }));
    EXPECT_TRUE(host.view.WaitUntil([&] { return host.program.server().IsListening(); }));
    EXPECT_TRUE(host.WaitForParticipants(1));
    EXPECT_TRUE(host.view.Toggled(CONTROL_HOST));
    EXPECT_FALSE(host.view.Enabled(CONTROL_NAME));
    EXPECT_TRUE(host.view.WaitUntil([&] { return host.view.Status() == texts::STATUS_CONNECTED; }));
}

TEST_F(Game, QuittingMidMatchWithAMessageBoxUp_EndsWithoutHanging)
{
    Gather(2);
    ASSERT_TRUE(StartMatch(host));
    (void)PlayToWin();
    // Every program now shows a box; one of them holds its connection thread. Quit them all with the boxes up.
    for (TestPlayer* player : Everyone()) {
        ASSERT_TRUE(player->view.WaitUntil([&] { return player->view.OpenMessageBoxes().size() == 1; }));
    }
    for (auto& player : players) {
        EXPECT_TRUE(player->Quit());
    }
    EXPECT_TRUE(host.Quit());
    // The hosting player's settings: its name and the loopback name it hosted under.
    EXPECT_EQ(SettingsFile(host.settings.path()).Load().address, "localhost");
}

// The desktop program's hint key asks the engine: a player alone in a match, four along the floor, is shown
// the fifth.
TEST(ProgramHint, SuggestsTheWinningDrop)
{
    TestPlayer host;
    ASSERT_TRUE(host.Host("Host"));
    host.view.Press(CONTROL_START);
    Board& board = host.program.board();
    ASSERT_TRUE(host.view.WaitUntil([&] { return host.view.BattleOpen() && board.may_place(); }));
    for (const int lane : {0, 2, 4, 6}) {
        host.view.Drop(lane);
        // A match of one: the turn comes straight back.
        ASSERT_TRUE(host.view.WaitUntil([&] { return board.CellAt(lane / 2, 0) != EMPTY && board.may_place(); }));
    }
    host.view.AskHint();
    EXPECT_TRUE(host.view.WaitUntil([&] { return host.view.Marker() == Cell{4, 0}; }));
    EXPECT_EQ(board.CellAt(4, 0), EMPTY);
    EXPECT_TRUE(board.may_place());
}

} // namespace
} // namespace pyrandel::test
