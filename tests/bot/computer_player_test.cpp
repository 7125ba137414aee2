// The computer player as a participant: against a scripted host (its exact lines), and in whole games on
// loopback with a hosting player's program.

#include "bot/computer_player.h"
#include "support/scripted_host.h"
#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <set>
#include <string>
#include <vector>

namespace pyrandel::test {
namespace {

constexpr std::chrono::milliseconds NO_PAUSE{0};

ComputerPlayerOptions Quick(std::string name, int level, std::uint64_t seed = 7)
{
    ComputerPlayerOptions options;
    options.name = std::move(name);
    options.level = level;
    options.pause = NO_PAUSE;
    options.seed = seed;
    return options;
}

struct Plot {
    int colour = 0;
    Cell cell;
    int win = 0;
    int left = 0;
};

std::optional<Plot> ParsePlot(const std::string& line)
{
    Plot plot;
    if (std::sscanf(line.c_str(), "PLOT\t%d\t%d\t%d\t%d\t%d", &plot.colour, &plot.cell.col, &plot.cell.row, &plot.win,
                    &plot.left) != 5) {
        return std::nullopt;
    }
    return plot;
}

// Every ball rests as the support rule lets a ball rest: with everything from its row up taken away, its lane's
// landing spot is the ball's own cell.
bool EveryBallSupported(const Grid& cells)
{
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            if (CellAt(cells, col, row) == EMPTY) {
                continue;
            }
            Grid below = cells;
            std::fill(below.begin() + row * COLUMNS, below.end(), EMPTY);
            if (LandingSpot(below, LaneOf(col, row)) != Cell{col, row}) {
                return false;
            }
        }
    }
    return true;
}

int BallsOf(const Grid& cells, int colour)
{
    return static_cast<int>(std::count(cells.begin(), cells.end(), colour));
}

// Puts other colours' balls on every free cell. The player's next turn then has no lane, and its answer (giving
// up the match) comes behind every line it sent before, as it plays its turns one after another.
bool FillTheBoard(ScriptedHost& host, int own_colour)
{
    std::vector<int> others;
    for (int colour = 0; colour < COLOURS; ++colour) {
        if (colour != own_colour) {
            others.push_back(colour);
        }
    }
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            const int colour = others[static_cast<std::size_t>((col / 2 + row) % 3)];
            if (!host.Send("PLOT\t" + std::to_string(colour) + "\t" + std::to_string(col) + "\t" +
                           std::to_string(row))) {
                return false;
            }
        }
    }
    return true;
}

// Against a host that speaks raw lines.

struct ScriptedMatch : ::testing::Test {
    // Connects the player and takes its greeting; the host then says the player has id 1.
    void Join(ComputerPlayer& player)
    {
        ASSERT_TRUE(player.Connect("127.0.0.1", host.Port()));
        ASSERT_TRUE(host.Accept());
        ASSERT_EQ(host.ReadLine(), "NEW_C\t" + player.name());
        ASSERT_TRUE(host.Send("ID\t1"));
    }

    ScriptedHost host;
};

TEST_F(ScriptedMatch, OnItsTurn_SendsOneSupportedDropOfItsColour)
{
    struct Case {
        const char* what;
        int level;
        std::vector<std::string> before; // lines of other players' balls before the turn
    };
    const std::vector<Case> cases = {
        {"empty board, random level", 1, {}},
        {"empty board, searching level", 3, {}},
        // Peers may put balls anywhere; the own drop still obeys the support rule.
        {"floating balls", 3, {"PLOT\t0\t5\t6", "PLOT\t0\t9\t11", "PLOT\t3\t0\t3"}},
        {"four of an opponent to block", 2, {"PLOT\t0\t0\t0", "PLOT\t0\t1\t0", "PLOT\t0\t2\t0", "PLOT\t0\t3\t0"}},
    };
    for (const Case& c : cases) {
        ScriptedHost fresh;
        ComputerPlayer player(Quick("CPU1", c.level));
        ASSERT_TRUE(player.Connect("127.0.0.1", fresh.Port())) << c.what;
        ASSERT_TRUE(fresh.Accept()) << c.what;
        ASSERT_EQ(fresh.ReadLine(), "NEW_C\tCPU1") << c.what;
        ASSERT_TRUE(fresh.Send("ID\t1"));
        ASSERT_TRUE(fresh.Send("STARTVS\t2\t2"));
        for (const std::string& line : c.before) {
            ASSERT_TRUE(fresh.Send(line));
        }
        // The balls must be on its board before the turn is granted, as the host's order guarantees.
        const Grid expected_before = [&] {
            Grid grid = EmptyGrid();
            for (const std::string& line : c.before) {
                int colour = 0, col = 0, row = 0;
                std::sscanf(line.c_str(), "PLOT\t%d\t%d\t%d", &colour, &col, &row);
                grid[static_cast<std::size_t>(row * COLUMNS + col)] = colour;
            }
            return grid;
        }();
        FakeLobbyView clock; // only for its waiting
        ASSERT_TRUE(clock.WaitUntil([&] { return player.Cells() == expected_before && player.InMatch(); })) << c.what;
        ASSERT_TRUE(fresh.Send("CAN_PUT"));
        const auto line = fresh.ReadLine();
        ASSERT_TRUE(line) << c.what;
        const auto plot = ParsePlot(*line);
        ASSERT_TRUE(plot) << c.what << ": " << *line;
        EXPECT_EQ(plot->colour, 2) << c.what;
        EXPECT_EQ(LandingSpot(expected_before, LaneOf(plot->cell.col, plot->cell.row)), plot->cell) << c.what;
        EXPECT_EQ(plot->win, 0) << c.what;
        EXPECT_EQ(plot->left, -1) << c.what;
        if (c.level == 2 && c.before.size() == 4) {
            EXPECT_EQ(plot->cell, (Cell{4, 0})) << "blocks the fifth ball";
        }
        // One move per turn: the answer to the next turn on a full board comes right behind this one.
        ASSERT_TRUE(FillTheBoard(fresh, 2)) << c.what;
        ASSERT_TRUE(fresh.Send("CAN_PUT"));
        EXPECT_EQ(fresh.ReadLine(), "END_VS\t1") << c.what << ": one move per turn";
        EXPECT_TRUE(clock.WaitUntil([&] { return !player.InMatch(); })) << c.what;
        EXPECT_EQ(player.moves_made(), 1) << c.what;
    }
}

TEST(ComputerPlayer, LeavingRightAfterItsMove_TheMoveReachesTheHostEveryTime)
{
    constexpr int ROUNDS = 15;
    for (int round = 0; round < ROUNDS; ++round) {
        ScriptedHost host;
        ComputerPlayer player(Quick("CPU1", 1, static_cast<std::uint64_t>(round) + 1));
        ASSERT_TRUE(player.Connect("127.0.0.1", host.Port()));
        ASSERT_TRUE(host.Accept());
        ASSERT_EQ(host.ReadLine(), "NEW_C\tCPU1");
        ASSERT_TRUE(host.Send("ID\t1"));
        ASSERT_TRUE(host.Send("STARTVS\t2\t2"));
        ASSERT_TRUE(host.Send("CAN_PUT"));
        // Leaves the moment the move counts as made, which is as soon as its line is queued.
        const auto give_up = std::chrono::steady_clock::now() + HOST_WAIT;
        while (player.moves_made() == 0 && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::yield();
        }
        player.Leave();
        ASSERT_EQ(player.moves_made(), 1) << "round " << round;
        const auto line = host.ReadLine();
        ASSERT_TRUE(line) << "round " << round;
        EXPECT_TRUE(ParsePlot(*line)) << "round " << round << ": " << *line;
        EXPECT_EQ(host.ReadLine(), std::nullopt) << "round " << round;
    }
}

TEST_F(ScriptedMatch, TakesTheTurnOrderFromTheHostsAnnouncements)
{
    ComputerPlayer player(Quick("CPU1", 3));
    Join(player);
    const auto announce = [&](std::string_view name, int colour) {
        std::string line = "MSG\t";
        line.append(name).append(texts::MSG_COLOUR_INFIX).append(texts::ColourName(colour));
        line.append(texts::MSG_COLOUR_SUFFIX);
        return host.Send(line);
    };
    ASSERT_TRUE(announce("A", 3));
    ASSERT_TRUE(announce("CPU1", 1));
    ASSERT_TRUE(announce("B", 0));
    ASSERT_TRUE(host.Send("STARTVS\t1\t3"));
    FakeLobbyView clock;
    ASSERT_TRUE(clock.WaitUntil([&] { return player.matches_started() == 1; }));
    EXPECT_EQ(player.turn_order(), (std::vector<int>{3, 1, 0}));
    EXPECT_EQ(player.own_colour(), 1);

    // A start with no announcements (another host's program) leaves the engine to find the colours itself.
    ASSERT_TRUE(host.Send("STARTVS\t2\t2"));
    ASSERT_TRUE(clock.WaitUntil([&] { return player.matches_started() == 2; }));
    EXPECT_TRUE(player.turn_order().empty());
}

TEST_F(ScriptedMatch, WithNoLaneLeft_LeavesTheMatchAndTellsTheHost)
{
    ComputerPlayer player(Quick("CPU1", 3));
    Join(player);
    ASSERT_TRUE(host.Send("STARTVS\t0\t2"));
    // A full board has no landing spot at all, whoever's balls fill it.
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            ASSERT_TRUE(host.Send("PLOT\t" + std::to_string(1 + (col / 2 + row) % 3) + "\t" + std::to_string(col) +
                                  "\t" + std::to_string(row)));
        }
    }
    ASSERT_TRUE(host.Send("CAN_PUT"));
    EXPECT_EQ(host.ReadLine(), "END_VS\t1");
    FakeLobbyView clock;
    EXPECT_TRUE(clock.WaitUntil([&] { return !player.InMatch(); }));
    EXPECT_EQ(player.ending(), ComputerEnding::RUNNING);
}

TEST_F(ScriptedMatch, EndOfMatchDuringItsPause_SendsNothing)
{
    ComputerPlayerOptions slow = Quick("CPU1", 3);
    slow.pause = std::chrono::milliseconds(300);
    ComputerPlayer player(slow);
    Join(player);
    ASSERT_TRUE(host.Send("STARTVS\t0\t2"));
    ASSERT_TRUE(host.Send("CAN_PUT"));
    ASSERT_TRUE(host.Send("END_VS\t2\t"));
    FakeLobbyView clock;
    EXPECT_TRUE(clock.WaitUntil([&] { return !player.InMatch(); }));
    // The next start waits for the player's earlier work, so a move of the ended match would come before the
    // answer to the next match's turn on a full board.
    ASSERT_TRUE(host.Send("STARTVS\t0\t2"));
    ASSERT_TRUE(FillTheBoard(host, 0));
    ASSERT_TRUE(host.Send("CAN_PUT"));
    EXPECT_EQ(host.ReadLine(), "END_VS\t1");
    EXPECT_EQ(player.moves_made(), 0);
}

TEST_F(ScriptedMatch, HostGoingAway_EndsThePlayerForGood)
{
    {
        ComputerPlayer player(Quick("CPU1", 3));
        Join(player);
        host.Drop();
        ASSERT_TRUE(player.WaitUntilEnded(WAIT_LIMIT));
        EXPECT_EQ(player.ending(), ComputerEnding::DISCONNECTED);
        EXPECT_FALSE(player.Connect("127.0.0.1", host.Port())); // it cannot be made to come back
    }
    // Nor does it by itself: with its threads joined, a connection it made would be waiting to be accepted.
    EXPECT_FALSE(host.Accept(std::chrono::milliseconds(0)));
}

TEST(ComputerPlayer, NobodyListening_EndsAsAFailedConnection)
{
    int port = 0;
    {
        ScriptedHost gone;
        port = gone.Port();
        gone.StopListening();
    }
    ComputerPlayer player(Quick("CPU1", 1));
    if (player.Connect("127.0.0.1", port)) {
        ASSERT_TRUE(player.WaitUntilEnded(WAIT_LIMIT));
    }
    EXPECT_EQ(player.ending(), ComputerEnding::CONNECT_FAILED);
}

TEST_F(ScriptedMatch, DestroyedWhileWaitingToMove_StopsAtOnce)
{
    ComputerPlayerOptions slow = Quick("CPU1", 5);
    slow.pause = std::chrono::hours(1);
    auto player = std::make_unique<ComputerPlayer>(slow);
    Join(*player);
    ASSERT_TRUE(host.Send("STARTVS\t0\t2"));
    ASSERT_TRUE(host.Send("CAN_PUT"));
    FakeLobbyView clock;
    ASSERT_TRUE(clock.WaitUntil([&] { return player->Status() == texts::STATUS_YOUR_TURN; }));
    player.reset(); // must not wait out the pause
    EXPECT_EQ(host.ReadLine(), std::nullopt);
}

// Whole games through a real host.

class BotGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.Host("Host"));
        bots.emplace_back(Quick("CPU1", 2, 11));
        bots.emplace_back(Quick("CPU2", 3, 12));
        for (ComputerPlayer& bot : bots) {
            ASSERT_TRUE(bot.Connect("127.0.0.1", host.Port()));
        }
        ASSERT_TRUE(host.WaitForParticipants(3));
    }

    bool Eventually(const std::function<bool()>& condition) { return host.view.WaitUntil(condition); }

    bool Started(int matches)
    {
        return Eventually([&] {
            return host.view.BattleOpen() && std::all_of(bots.begin(), bots.end(), [&](const ComputerPlayer& bot) {
                       return bot.matches_started() == matches && bot.InMatch();
                   });
        });
    }

    // The host's own player takes its turn, when it has one: the first lane from the left that takes a ball.
    // It waits for its ball, which stays on the board: the end of the turn comes and goes, for the bots may
    // have moved and given the turn back before a look at the board.
    bool HostMoves()
    {
        Board& board = host.program.board();
        if (!board.may_place()) {
            return false;
        }
        for (int lane = 0; lane < LANES; ++lane) {
            if (const std::optional<Cell> spot = board.LandingSpot(lane)) {
                host.view.Drop(lane);
                return Eventually([&] { return board.CellAt(spot->col, spot->row) == board.own_colour(); });
            }
        }
        return false;
    }

    // Whether the host has announced a winner. The host's own player is shown "the match is decided" in a box
    // that holds its connection, and so the announcement, until dismissed: the test dismisses it as a person.
    [[nodiscard]] bool WinAnnounced()
    {
        while (host.view.DismissMessageBox()) {
        }
        const auto lines = host.view.ChatLines();
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.ends_with(texts::MSG_WIN_SUFFIX); });
    }

    TestPlayer host;
    std::list<ComputerPlayer> bots;
};

TEST_F(BotGame, FullMatch_PlaysToAWinWithEveryBoardAlike)
{
    host.view.Press(CONTROL_START);
    ASSERT_TRUE(Started(1));
    for (int guard = 0; guard < ROWS * COLUMNS && !WinAnnounced(); ++guard) {
        ASSERT_TRUE(Eventually([&] { return WinAnnounced() || host.program.board().may_place(); }))
            << "the game stalled";
        if (!WinAnnounced()) {
            ASSERT_TRUE(HostMoves());
        }
    }
    ASSERT_TRUE(WinAnnounced());

    // Every program holds the same final board, and every ball on it rests where the rules let it rest.
    const auto all_alike = [&] {
        const Grid cells = host.program.board().Snapshot();
        return std::all_of(bots.begin(), bots.end(), [&](const ComputerPlayer& bot) { return bot.Cells() == cells; });
    };
    ASSERT_TRUE(Eventually(all_alike));
    const Grid final_board = host.program.board().Snapshot();
    EXPECT_TRUE(EveryBallSupported(final_board));

    // Each bot played its own colour, knew the order the host announced, and moved as often as the board shows.
    std::set<int> colours{host.program.board().own_colour()};
    for (const ComputerPlayer& bot : bots) {
        colours.insert(bot.own_colour());
        // A move is counted just after its line is sent, so the board may show it a moment before the count does.
        const int balls = BallsOf(final_board, bot.own_colour());
        EXPECT_TRUE(Eventually([&] { return bot.moves_made() == balls; }))
            << bot.name() << ": " << bot.moves_made() << " moves, " << balls << " balls";
        const std::vector<int> order = bot.turn_order();
        EXPECT_EQ(order.size(), 3u) << bot.name();
        EXPECT_NE(std::find(order.begin(), order.end(), bot.own_colour()), order.end()) << bot.name();
    }
    EXPECT_EQ(colours.size(), 3u);
    EXPECT_EQ(bots.front().turn_order(), bots.back().turn_order());
}

TEST_F(BotGame, HostsPlayerLeavingMidway_EndsTheMatchForTheBotsWhoStayConnected)
{
    host.view.Press(CONTROL_START);
    ASSERT_TRUE(Started(1));
    // Play until both bots have moved.
    while (!std::all_of(bots.begin(), bots.end(), [](const ComputerPlayer& bot) { return bot.moves_made() > 0; })) {
        ASSERT_TRUE(Eventually([&] {
            return host.program.board().may_place() ||
                   std::all_of(bots.begin(), bots.end(),
                               [](const ComputerPlayer& bot) { return bot.moves_made() > 0; });
        }));
        if (host.program.board().may_place()) {
            ASSERT_TRUE(HostMoves());
        }
    }
    host.view.CloseBattle(BattleClose::CLOSE_BOX);
    ASSERT_TRUE(Eventually([&] {
        return std::all_of(bots.begin(), bots.end(), [](const ComputerPlayer& bot) {
            return !bot.InMatch() && bot.Cells() == EmptyGrid() && bot.Status() == texts::STATUS_WAITING_FOR_MATCH;
        });
    }));
    for (const ComputerPlayer& bot : bots) {
        EXPECT_EQ(bot.ending(), ComputerEnding::RUNNING) << bot.name();
    }

    // A new match takes them in again; then the host goes, and so do they.
    host.view.Press(CONTROL_START);
    ASSERT_TRUE(Started(2));
    ASSERT_TRUE(host.Quit());
    for (ComputerPlayer& bot : bots) {
        ASSERT_TRUE(bot.WaitUntilEnded(WAIT_LIMIT)) << bot.name();
        EXPECT_EQ(bot.ending(), ComputerEnding::DISCONNECTED) << bot.name();
        EXPECT_TRUE(Eventually([&] { return !bot.InMatch(); })) << bot.name();
    }
}

} // namespace
} // namespace pyrandel::test
