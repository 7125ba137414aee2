// pyrandel-host as its operators and players meet it: the real program, spawned on a free port, raw line clients
// speaking the wire format, and its command line, log, signals and exit codes.

#include "bot/computer_player.h"
#include "server/referee.h"
#include "support/line_client.h"
#include "support/spawned_program.h"
#include "support/test_player.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <list>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace pyrandel {
namespace {

using test::LineClient;
using test::SpawnedProgram;
using Lines = std::vector<std::string>;

const std::string HOST = PYRANDEL_HOST_PROGRAM;

// The generator's creation state, whose draws for three players are known: order 1, 2, 0 and colours 1, 0, 2.
constexpr const char* CREATION_SEED = "2541230123";

std::string Msg(std::string_view name, std::string_view suffix)
{
    return "MSG\t" + std::string(name) + std::string(suffix);
}

std::string ColourMsg(std::string_view name, int colour)
{
    return "MSG\t" + std::string(name) + std::string(texts::MSG_COLOUR_INFIX) +
           std::string(texts::COLOUR_NAMES.at(static_cast<std::size_t>(colour))) +
           std::string(texts::MSG_COLOUR_SUFFIX);
}

class HostProgramTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> arguments = {})
    {
        port = test::FreePort();
        ASSERT_NE(port, 0);
        arguments.insert(arguments.begin(), {"--port", std::to_string(port)});
        host.emplace(HOST, arguments);
        ASSERT_TRUE(host->WaitForLine("listening on port " + std::to_string(port)));
    }

    // Connects, checks the greeting, announces `name` and reads the announcement everywhere.
    void Join(int id, const std::string& name, const Lines& greeting)
    {
        LineClient& client = clients.emplace_back(port);
        ASSERT_EQ(client.ReadLines(static_cast<int>(greeting.size())), greeting);
        client.Send("NEW_C\t" + name);
        for (LineClient& each : clients) {
            EXPECT_EQ(each.ReadLines(2),
                      (Lines{Msg(name, texts::MSG_ARRIVED_SUFFIX), "ADD\t" + std::to_string(id) + "\t" + name}));
        }
        ASSERT_TRUE(host->WaitForLine("player " + std::to_string(id) + " (" + name + ") joined"));
    }

    std::optional<SpawnedProgram> host;
    int port = 0;
    std::vector<LineClient> clients;
};

TEST_F(HostProgramTest, Room_GreetsFromItsOwnRosterInListOrderAndTurnsAFifthAway)
{
    Start();
    Join(0, "zed", {"ID\t0"});
    Join(1, "Amy", {"ID\t1", "ADD\t0\tzed"});
    Join(2, "bob", {"ID\t2", "ADD\t1\tAmy", "ADD\t0\tzed"});
    LineClient fourth(port);
    EXPECT_EQ(fourth.ReadLines(4), (Lines{"ID\t3", "ADD\t1\tAmy", "ADD\t2\tbob", "ADD\t0\tzed"}));
    LineClient fifth(port);
    EXPECT_EQ(fifth.ReadLine(), "MSG\t" + std::string(texts::MSG_SERVER_FULL));
    EXPECT_TRUE(fifth.ExpectClosed());
    EXPECT_TRUE(host->WaitForLine("turned away"));
    clients[1].Close();
    EXPECT_EQ(fourth.ReadLines(2), (Lines{"DEL\t1", Msg("Amy", texts::MSG_GONE_SUFFIX)}));
    EXPECT_TRUE(host->WaitForLine("player 1 (Amy) left (closed by the player)"));
}

// --trusting: the desktop program's host, which relays every move as told, a win claimed on two balls included.
TEST_F(HostProgramTest, TrustingMatch_SeededDrawThenMovesAndAWinAreRelayedAsToldAndLogged)
{
    Start({"--seed", CREATION_SEED, "--trusting"});
    Join(0, "a", {"ID\t0"});
    Join(1, "b", {"ID\t1", "ADD\t0\ta"});
    Join(2, "c", {"ID\t2", "ADD\t0\ta", "ADD\t1\tb"});
    clients[0].Send("STARTVS");
    const Lines announcements{ColourMsg("b", 1), ColourMsg("c", 0), ColourMsg("a", 2)};
    Lines for_b = announcements;
    for_b.insert(for_b.end(), {"STARTVS\t1\t3", "CAN_PUT"});
    Lines for_c = announcements;
    for_c.push_back("STARTVS\t0\t3");
    Lines for_a = announcements;
    for_a.push_back("STARTVS\t2\t3");
    EXPECT_EQ(clients[1].ReadLines(5), for_b);
    EXPECT_EQ(clients[2].ReadLines(4), for_c);
    EXPECT_EQ(clients[0].ReadLines(4), for_a);
    EXPECT_TRUE(host->WaitForLine("match started: player 1 (b) red, player 2 (c) blue, player 0 (a) yellow"));

    clients[1].Send("PLOT\t1\t3\t0\t0\t-1");
    EXPECT_EQ(clients[2].ReadLines(2), (Lines{"PLOT\t1\t3\t0\t0", "CAN_PUT"}));
    EXPECT_EQ(clients[0].ReadLine(), "PLOT\t1\t3\t0\t0");
    clients[2].Send("PLOT\t0\t4\t0\t1\t-1");
    const std::string win = "MSG\tc" + std::string(texts::MSG_WIN_INFIX) + std::string(texts::COLOUR_NAMES[0]) +
                            std::string(texts::MSG_WIN_SUFFIX);
    EXPECT_EQ(clients[0].ReadLines(2), (Lines{"PLOT\t0\t4\t0\t1", win}));
    EXPECT_EQ(clients[1].ReadLines(2), (Lines{"PLOT\t0\t4\t0\t1", win}));
    EXPECT_EQ(clients[2].ReadLine(), win);
    EXPECT_TRUE(host->WaitForLine("player 2 (c) won with blue"));
}

// By default the room is refereed: what no player's program sends is logged with the reason and never relayed.
TEST_F(HostProgramTest, RefereedRoom_DropsAndLogsForgedMovesAndChatFloods)
{
    Start({"--seed", CREATION_SEED});
    Join(0, "a", {"ID\t0"});
    Join(1, "b", {"ID\t1", "ADD\t0\ta"});
    Join(2, "c", {"ID\t2", "ADD\t0\ta", "ADD\t1\tb"});
    clients[0].Send("STARTVS"); // turn order b (red), c (blue), a (yellow)
    EXPECT_EQ(clients[1].ReadLines(5).size(), 5u);
    EXPECT_EQ(clients[2].ReadLines(4).size(), 4u);
    EXPECT_EQ(clients[0].ReadLines(4).size(), 4u);
    const std::vector<std::tuple<int, std::string, std::string>> forged = {
        {2, "PLOT\t0\t3\t0\t0\t-1", "player 2 (c): move out of turn, dropped"},
        {1, "PLOT\t0\t3\t0\t0\t-1", "player 1 (b): move in a colour not its own, dropped"},
        {1, "PLOT\t1\t3\t0\t1\t-1", "player 1 (b): move with a false win flag, dropped"},
    };
    for (const auto& [id, line, logged] : forged) {
        clients[static_cast<std::size_t>(id)].Send(line);
        EXPECT_TRUE(host->WaitForLine(logged)) << logged;
    }
    // The honest move is the first thing the others hear of any of it.
    clients[1].Send("PLOT\t1\t3\t0\t0\t-1");
    EXPECT_EQ(clients[2].ReadLines(2), (Lines{"PLOT\t1\t3\t0\t0", "CAN_PUT"}));
    EXPECT_EQ(clients[0].ReadLine(), "PLOT\t1\t3\t0\t0");

    // A flood of chat: a burst is relayed, the rest dropped; the log has one line for the first drop and one for
    // the others when the run ends (here: when the flooder leaves).
    constexpr int FLOOD = 3 * CHAT_BURST;
    for (int n = 0; n < FLOOD; ++n) {
        clients[0].Send("CHAT\t" + std::to_string(n));
    }
    EXPECT_TRUE(host->WaitForLine("player 0 (a): chat faster than a person types, dropped"));
    clients[0].Close();
    int relayed = 0;
    for (std::optional<std::string> line = clients[1].ReadLine(); line && *line != "DEL\t0";
         line = clients[1].ReadLine()) {
        EXPECT_EQ(*line, "CHAT\t0\ta\t" + std::to_string(relayed++));
    }
    ASSERT_TRUE(host->WaitForLine("player 0 (a) left"));
    int unreported = 0;
    const std::string& log = host->Out();
    for (std::size_t at = log.find("player 0 (a): "); at != std::string::npos && unreported == 0;
         at = log.find("player 0 (a): ", at + 1)) {
        (void)std::sscanf(log.c_str() + at, "player 0 (a): %d more", &unreported);
    }
    EXPECT_GE(relayed, CHAT_BURST);
    EXPECT_EQ(relayed + 1 + unreported, FLOOD);
}

// Real players' programs, the desktop program's and two computer players, play a whole match through the
// referee without one line of theirs dropped.
TEST_F(HostProgramTest, RefereedRoom_AWholeMatchOfRealProgramsPassesUntouched)
{
    Start();
    test::TestPlayer person(port);
    ASSERT_TRUE(person.Join("P"));
    std::list<ComputerPlayer> bots;
    for (const auto& [name, level] : {std::pair{"CPU1", 2}, std::pair{"CPU2", 3}}) {
        ComputerPlayerOptions options;
        options.name = name;
        options.level = level;
        options.pause = std::chrono::milliseconds(0);
        options.seed = 11;
        ASSERT_TRUE(bots.emplace_back(options).Connect("127.0.0.1", port));
    }
    ASSERT_TRUE(person.WaitForParticipants(3));
    person.view.Press(CONTROL_START);
    Board& board = person.program.board();
    const auto won = [&] {
        while (person.view.DismissMessageBox()) { // the boxes of a decided match hold the connection
        }
        const auto lines = person.view.ChatLines();
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.ends_with(texts::MSG_WIN_SUFFIX); });
    };
    for (int moves = 0; moves < ROWS * COLUMNS && !won(); ++moves) {
        ASSERT_TRUE(person.view.WaitUntil([&] { return won() || board.may_place(); })) << "stalled";
        if (won()) {
            break;
        }
        std::optional<Cell> spot;
        for (int lane = 0; lane < LANES && !spot; ++lane) {
            if ((spot = board.LandingSpot(lane))) {
                person.view.Drop(lane);
            }
        }
        ASSERT_TRUE(spot);
        // Waits for the ball, which stays; the turn may come and go again before a look at it.
        ASSERT_TRUE(person.view.WaitUntil([&] { return board.CellAt(spot->col, spot->row) == board.own_colour(); }));
    }
    EXPECT_TRUE(host->WaitForLine(" won with "));
    const Grid cells = board.Snapshot();
    EXPECT_TRUE(person.view.WaitUntil([&] {
        return std::all_of(bots.begin(), bots.end(), [&](const ComputerPlayer& bot) { return bot.Cells() == cells; });
    }));
    EXPECT_EQ(host->Out().find("dropped"), std::string::npos) << host->Out();
}

TEST_F(HostProgramTest, Signals_CloseEveryConnectionAndExitZero)
{
    for (const int signal_number : {SIGTERM, SIGINT}) {
        clients.clear();
        Start();
        Join(0, "a", {"ID\t0"});
        host->Signal(signal_number);
        EXPECT_TRUE(clients[0].ExpectClosed());
        const test::ProgramResult result = host->Finish();
        EXPECT_EQ(result.exit_code, 0) << "signal " << signal_number;
        EXPECT_NE(result.out.find(" player 0 (a) left (closed by the host)\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(" stopped\n"), std::string::npos);
    }
}

TEST(HostProgramStartTest, TakenPortExitsOneWithAMessage)
{
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(taken, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const test::ProgramResult result = test::RunProgram(HOST, {"--port", std::to_string(ntohs(address.sin_port))});
    ::close(taken);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("cannot listen on port " + std::to_string(ntohs(address.sin_port)) +
                              ": another program uses it"),
              std::string::npos)
        << result.err;
}

} // namespace
} // namespace pyrandel
