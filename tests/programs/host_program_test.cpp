// pyrandel-host as its operators and players meet it: the real program, spawned on a free port, raw line clients
// speaking the wire format, and its command line, log, signals and exit codes.

#include "protocol/texts.h"
#include "support/line_client.h"
#include "support/spawned_program.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <string>
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
            EXPECT_EQ(each.ReadLines(2), (Lines{Msg(name, texts::MSG_ARRIVED_SUFFIX),
                                                "ADD\t" + std::to_string(id) + "\t" + name}));
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

TEST_F(HostProgramTest, Match_SeededDrawThenMovesAndAWinAreRelayedAndLogged)
{
    Start({"--seed", CREATION_SEED});
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
    EXPECT_NE(result.err.find("cannot listen on port"), std::string::npos) << result.err;
}

} // namespace
} // namespace pyrandel
