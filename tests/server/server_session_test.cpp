// The host as its players see it: a real ServerSession on a loopback port, raw line clients, exact bytes.
// Beside the host, the tests keep a ParticipantList filled from the ADD and DEL lines as a player fills it, and
// expect every greeting to list the host's roster in that list's order.

#include "app/participant_list.h"
#include "server/random_generator.h"
#include "server/server_session.h"
#include "support/host_round_trip.h"
#include "support/line_client.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace pyrandel {
namespace {

using test::LineClient;
using Lines = std::vector<std::string>;

// Expected lines, spelled out here rather than taken from the builders under test.
std::string Arrived(std::string_view name)
{
    return "MSG\t" + std::string(name) + std::string(texts::MSG_ARRIVED_SUFFIX);
}

std::string Gone(std::string_view name)
{
    return "MSG\t" + std::string(name) + std::string(texts::MSG_GONE_SUFFIX);
}

std::string ColourAnnouncement(std::string_view name, int colour)
{
    return "MSG\t" + std::string(name) + std::string(texts::MSG_COLOUR_INFIX) +
           std::string(texts::COLOUR_NAMES.at(static_cast<std::size_t>(colour))) +
           std::string(texts::MSG_COLOUR_SUFFIX);
}

std::string WinAnnouncement(std::string_view name, std::string_view colour_name)
{
    return "MSG\t" + std::string(name) + std::string(texts::MSG_WIN_INFIX) + std::string(colour_name) +
           std::string(texts::MSG_WIN_SUFFIX);
}

const std::string MATCH_RUNNING_NOTICE = "MSG\t" + std::string(texts::MSG_MATCH_RUNNING);
const std::string SERVER_FULL = "MSG\t" + std::string(texts::MSG_SERVER_FULL);

// Why each connection left, and what a refereed room dropped, as the host tells its observer.
class DepartureRecorder final : public ServerObserver {
public:
    struct Drop {
        int id = 0;
        Offence offence{};
        int unreported = 0; // for the end of a run: the drops not reported one by one
        friend bool operator==(const Drop&, const Drop&) = default;
    };
    void OnDropped(int id, std::string_view, Offence offence) override
    {
        const std::lock_guard guard(lock);
        drops.push_back({id, offence, 0});
    }
    void OnDropsUnreported(int id, std::string_view, int lines) override
    {
        const std::lock_guard guard(lock);
        drops.push_back({id, Offence::CHAT_TOO_FAST, lines});
    }
    std::vector<Drop> Drops()
    {
        const std::lock_guard guard(lock);
        return drops;
    }

    void OnLeave(int id, std::string_view, DisconnectReason reason) override
    {
        const std::lock_guard guard(lock);
        last[id] = reason;
        changed.notify_all();
    }
    // Why `id` last left, once it has; NONE when it does not leave in time.
    DisconnectReason LastOf(int id)
    {
        std::unique_lock guard(lock);
        changed.wait_for(guard, test::LINE_TIMEOUT, [&] { return last.contains(id); });
        return last.contains(id) ? last[id] : DisconnectReason::NONE;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    std::map<int, DisconnectReason> last;
    std::vector<Drop> drops;
};

// Whether a newcomer's greeting ends with the notice that a match is being played.
enum class Greeting { PLAIN, MATCH_RUNNING };

class ServerSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.Attach();
        server.SetObserver(departures);
        ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
        port = server.Port();
        ASSERT_NE(port, 0);
    }

    // Connects and checks the greeting: the id, one ADD per listed participant in list order, and the notice
    // when a match runs.
    LineClient& Connect(int expected_id, Greeting greeting = Greeting::PLAIN)
    {
        LineClient& client = clients[expected_id];
        EXPECT_TRUE(client.Connect(port));
        Lines expected{"ID\t" + std::to_string(expected_id)};
        const auto listed = list.Snapshot();
        for (const RosterEntry& entry : listed) {
            expected.push_back("ADD\t" + std::to_string(entry.id) + "\t" + entry.name);
        }
        if (greeting == Greeting::MATCH_RUNNING) {
            expected.push_back(MATCH_RUNNING_NOTICE);
        }
        EXPECT_EQ(client.ReadLines(static_cast<int>(expected.size())), expected);
        return client;
    }

    // Connects, sends NEW_C, checks that everybody hears of it, and lists the newcomer as the host's player
    // would.
    LineClient& Join(int expected_id, const std::string& name)
    {
        LineClient& client = Connect(expected_id);
        client.Send("NEW_C\t" + name);
        for (auto& [id, other] : clients) {
            EXPECT_EQ(other.ReadLines(2), (Lines{Arrived(name), "ADD\t" + std::to_string(expected_id) + "\t" + name}))
                << "at id " << id;
        }
        list.Add(name, expected_id);
        return client;
    }

    // Starts a match among the listed participants and reads every line it brings; returns, per id, those
    // lines.
    std::map<int, Lines> Start(int sender)
    {
        clients[sender].Send("STARTVS");
        return ReadUntilCaughtUp();
    }

    // Listens anew with `limits` for the connections to come.
    void Relisten(const ConnectionLimits& limits)
    {
        server.Shutdown();
        server.SetConnectionLimits(limits);
        ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
        port = server.Port();
    }

    // Per open client (and `also`, under id -1): what arrived before the host was seen to have handled every
    // line sent so far.
    std::map<int, Lines> ReadUntilCaughtUp(LineClient* also = nullptr)
    {
        std::vector<int> ids;
        std::vector<LineClient*> open;
        for (auto& [id, client] : clients) {
            if (client.IsConnected()) {
                ids.push_back(id);
                open.push_back(&client);
            }
        }
        if (also != nullptr) {
            ids.push_back(-1);
            open.push_back(also);
        }
        const std::vector<Lines> lines = test::ReadUntilCaughtUp(open, port);
        std::map<int, Lines> seen;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            seen[ids[i]] = lines[i];
        }
        return seen;
    }

    // Nothing reached any open client (nor `also`) beyond what the test has read.
    void ExpectAllSilent(LineClient* also = nullptr)
    {
        for (const auto& [id, lines] : ReadUntilCaughtUp(also)) {
            EXPECT_EQ(lines, Lines{}) << "at id " << id;
        }
    }

    RandomGenerator random; // in its creation state: the draws below are those of every unseeded host
    DepartureRecorder departures;
    ParticipantList list;
    ServerSession server{random};
    int port = 0;
    std::map<int, LineClient> clients;
};

// Participants

TEST_F(ServerSessionTest, Greeting_ListsParticipantsInListOrderNotIdOrder)
{
    Join(0, "zed");
    Join(1, "Amy");
    Join(2, "bob");
    LineClient client(port);
    EXPECT_EQ(client.ReadLines(4), (Lines{"ID\t3", "ADD\t1\tAmy", "ADD\t2\tbob", "ADD\t0\tzed"}));
    ExpectAllSilent(&client);
}

TEST_F(ServerSessionTest, Arrival_AnnouncedAndAddedToEverybodyIncludingTheNewcomer)
{
    Join(0, "host");
    LineClient& second = Connect(1); // greeted with ADD 0 host
    second.Send("NEW_C\tguest");
    const Lines expected{Arrived("guest"), "ADD\t1\tguest"};
    EXPECT_EQ(clients[0].ReadLines(2), expected);
    EXPECT_EQ(second.ReadLines(2), expected);
    ExpectAllSilent();
}

TEST_F(ServerSessionTest, Arrival_NamesPassAsBytes)
{
    const std::vector<std::string> names = {
        "",                           // announced as the suffix alone; ADD ends with a TAB
        std::string(texts::NAMELESS), // code page 932
        "\x83\x5C\x83\x74\x83\x67",   // trail bytes 0x5C ('\') and ASCII letters
        " padded ",                   // nothing is trimmed
    };
    Join(0, "host");
    for (const std::string& name : names) {
        clients[0].Send("NEW_C\t" + name);
        EXPECT_EQ(clients[0].ReadLines(2), (Lines{Arrived(name), "ADD\t0\t" + name}));
    }
}

TEST_F(ServerSessionTest, Arrival_SecondNewcIsAnnouncedAgainAndRenames)
{
    Join(0, "host");
    Join(1, "first");
    clients[1].Send("NEW_C\tsecond");
    for (auto& [id, client] : clients) {
        EXPECT_EQ(client.ReadLines(2), (Lines{Arrived("second"), "ADD\t1\tsecond"}));
    }
    clients[1].Send("CHAT\thi");
    EXPECT_EQ(clients[0].ReadLine(), "CHAT\t1\tsecond\thi");
    // A newcomer is told of the latest name only, in that name's place.
    clients[0].Send("NEW_C\tzz");
    (void)clients[0].ReadLines(2);
    LineClient late(port);
    EXPECT_EQ(late.ReadLines(3), (Lines{"ID\t2", "ADD\t1\tsecond", "ADD\t0\tzz"}));
}

TEST_F(ServerSessionTest, Chat_RelayedToOthersOnlyWithRecordedNameInOrder)
{
    Join(0, "host");
    Connect(1);
    clients[1].Send("CHAT\tbefore my name");
    clients[1].Send("CHAT\tsecond line\tignored field");
    EXPECT_EQ(clients[0].ReadLines(2), (Lines{"CHAT\t1\t?\tbefore my name", "CHAT\t1\t?\tsecond line"}));
    clients[0].Send("CHAT\t");
    EXPECT_EQ(clients[1].ReadLine(), "CHAT\t0\thost\t");
    ExpectAllSilent();
}

TEST_F(ServerSessionTest, Dispatch_IgnoresUnknownAndWrongDirectionWords)
{
    Join(0, "host");
    Join(1, "guest");
    for (const char* line : {"", "CHAT ", "CHAT \tx", "chat\tx", "CHATX\tx", "ID\t3", "ADD\t1\tx", "DEL\t0", "MSG\tx",
                             "CAN_PUT", "START", "STARTVSX"}) {
        clients[1].Send(line);
    }
    ExpectAllSilent();
}

TEST_F(ServerSessionTest, Departure_BeforeNewcAnnouncesQuestionMark)
{
    Join(0, "host");
    Connect(1).Close();
    EXPECT_EQ(clients[0].ReadLines(2), (Lines{"DEL\t1", Gone("?")}));
    EXPECT_EQ(departures.LastOf(1), DisconnectReason::PEER_CLOSED);
    ExpectAllSilent();
}

TEST_F(ServerSessionTest, Departure_AnnouncesRecordedNameAndFreesTheIdForTheNextConnection)
{
    Join(0, "host");
    Join(1, "one");
    Join(2, "two");
    clients[1].Close();
    clients.erase(1);
    for (int id : {0, 2}) {
        EXPECT_EQ(clients[id].ReadLines(2), (Lines{"DEL\t1", Gone("one")}));
    }
    list.Remove(1);
    // The lowest free slot is taken, not the next number; the old name is gone with the old connection.
    LineClient& again = Connect(1);
    again.Send("CHAT\tback");
    EXPECT_EQ(clients[0].ReadLine(), "CHAT\t1\t?\tback");
}

TEST_F(ServerSessionTest, Admission_FifthConnectionHearsServerFullAndIsClosed)
{
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        Connect(id);
    }
    LineClient fifth(port);
    EXPECT_EQ(fifth.ReadLine(), SERVER_FULL);
    EXPECT_TRUE(fifth.ExpectClosed());
    ExpectAllSilent();
}

// Match control

struct DrawCase {
    const char* label;
    std::vector<std::string> names; // joined in this order: ids 0, 1, ...; listed by name in the same order
    std::vector<int> order;         // the expected turn order (ids)
    std::vector<int> colours;       // the colour of each position of the turn order
};

class ServerDrawTest : public ServerSessionTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(ServerDrawTest, Start_DrawsFromCreationStateAndAnnouncesInTurnOrder)
{
    const DrawCase& draw = GetParam();
    for (std::size_t id = 0; id < draw.names.size(); ++id) {
        Join(static_cast<int>(id), draw.names[id]);
    }
    const int count = static_cast<int>(draw.order.size());
    Lines announcements;
    for (std::size_t j = 0; j < draw.order.size(); ++j) {
        announcements.push_back(
            ColourAnnouncement(draw.names[static_cast<std::size_t>(draw.order[j])], draw.colours[j]));
    }
    std::map<int, Lines> expected;
    for (auto& [id, client] : clients) {
        expected[id] = announcements;
    }
    for (std::size_t j = 0; j < draw.order.size(); ++j) {
        expected[draw.order[j]].push_back("STARTVS\t" + std::to_string(draw.colours[j]) + "\t" + std::to_string(count));
    }
    expected[draw.order[0]].push_back("CAN_PUT");
    EXPECT_EQ(Start(count - 1), expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, ServerDrawTest,
                         ::testing::Values(DrawCase{"ThreePlayers", {"a", "b", "c"}, {1, 2, 0}, {1, 0, 2}},
                                           DrawCase{"TwoPlayers", {"a", "b"}, {0, 1}, {1, 0}}),
                         [](const auto& info) { return std::string(info.param.label); });

// A three-player match in the order 1, 2, 0 (colours red, blue, yellow) with a spectator at id 3.
class ServerMatchTest : public ServerSessionTest {
protected:
    void SetUp() override
    {
        ServerSessionTest::SetUp();
        Join(0, "a");
        Join(1, "b");
        Join(2, "c");
        Connect(3); // a spectator that joins the list only after the start
        clients[0].Send("STARTVS");
        (void)ReadUntilCaughtUp();
        clients[3].Send("NEW_C\td");
        for (auto& [id, client] : clients) {
            EXPECT_EQ(client.ReadLines(2), (Lines{Arrived("d"), "ADD\t3\td"}));
        }
        list.Add("d", 3);
    }
};

TEST_F(ServerMatchTest, Plot_RelaysReceivedTextToOtherPlayersAndPassesTheTurn)
{
    clients[1].Send("PLOT\t 1\t05\tx\t0\t-1\tsurplus");
    const std::string relay = "PLOT\t 1\t05\tx\t0";
    EXPECT_EQ(clients[2].ReadLines(2), (Lines{relay, "CAN_PUT"}));
    EXPECT_EQ(clients[0].ReadLine(), relay);
    ExpectAllSilent(); // neither the sender nor the spectator
}

TEST_F(ServerMatchTest, Plot_TurnGoesRoundInDrawnOrder)
{
    for (const int next : {2, 0, 1, 2}) {
        clients[1].Send("PLOT\t1\t-1\t0\t0\t0"); // whoever sends it, the turn moves on
        EXPECT_EQ(clients[next].ReadLine(), "CAN_PUT");
        ExpectAllSilent();
    }
}

TEST_F(ServerMatchTest, Plot_LeftAboveZeroKeepsTheTurn)
{
    clients[1].Send("PLOT\t1\t3\t0\t0\t1");
    EXPECT_EQ(clients[2].ReadLine(), "PLOT\t1\t3\t0\t0");
    EXPECT_EQ(clients[0].ReadLine(), "PLOT\t1\t3\t0\t0");
    ExpectAllSilent();
}

struct PlotRelayCase {
    const char* label;
    const char* line;
    std::optional<std::string> relay; // to the other players, when relayed at all
};

class ServerPlotRelayTest : public ServerMatchTest, public ::testing::WithParamInterface<PlotRelayCase> {};

TEST_P(ServerPlotRelayTest, Plot_RelayDependsOnColumnOnlyAndTheTurnMovesOn)
{
    const PlotRelayCase& plot = GetParam();
    clients[1].Send(plot.line);
    if (plot.relay) {
        EXPECT_EQ(clients[0].ReadLine(), *plot.relay);
        EXPECT_EQ(clients[2].ReadLine(), *plot.relay);
    }
    EXPECT_EQ(clients[2].ReadLine(), "CAN_PUT");
    ExpectAllSilent();
}

INSTANTIATE_TEST_SUITE_P(Fields, ServerPlotRelayTest,
                         ::testing::Values(PlotRelayCase{"ColumnMinusOne", "PLOT\t1\t-1\t0\t0\t-1", std::nullopt},
                                           PlotRelayCase{"ColumnSpaceMinus", "PLOT\t1\t -7\t0\t0\t-1", std::nullopt},
                                           PlotRelayCase{"ColumnZero", "PLOT\t1\t0\t0\t0\t-1", "PLOT\t1\t0\t0\t0"},
                                           PlotRelayCase{"ColumnNotANumber", "PLOT\t1\tx\t2\t0\t-1",
                                                         "PLOT\t1\tx\t2\t0"},
                                           PlotRelayCase{"NoFields", "PLOT", "PLOT\t\t\t\t"},
                                           PlotRelayCase{"LeftMissing", "PLOT\t2\t4\t1\t0", "PLOT\t2\t4\t1\t0"}),
                         [](const auto& info) { return std::string(info.param.label); });

struct WinCase {
    const char* label;
    const char* colour_field;
    std::string_view colour_name;
};

class ServerWinTest : public ServerMatchTest, public ::testing::WithParamInterface<WinCase> {};

TEST_P(ServerWinTest, Plot_WinIsAnnouncedToEverybodyAndNoTurnFollows)
{
    const WinCase& win = GetParam();
    const std::string plot = std::string("PLOT\t") + win.colour_field + "\t4\t2\t1";
    clients[1].Send(plot + "\t-1");
    const std::string announcement = WinAnnouncement("b", win.colour_name);
    EXPECT_EQ(clients[0].ReadLines(2), (Lines{plot, announcement}));
    EXPECT_EQ(clients[2].ReadLines(2), (Lines{plot, announcement}));
    EXPECT_EQ(clients[1].ReadLine(), announcement);
    EXPECT_EQ(clients[3].ReadLine(), announcement);
    ExpectAllSilent();
}

INSTANTIATE_TEST_SUITE_P(Colours, ServerWinTest,
                         ::testing::Values(WinCase{"Blue", "0", texts::COLOUR_BLUE},
                                           WinCase{"AboveRangeLeftOut", "4", ""},
                                           WinCase{"BelowRangeLeftOut", "-1", ""},
                                           WinCase{"HugeLeftOut", "99999999999", ""}),
                         [](const auto& info) { return std::string(info.param.label); });

// What no honest player's program sends: a refereed room drops it, reports why and relays nothing of it; the
// desktop program's trusting host relays it as told. Each case plays in the match above, turn with id 1 (red).
struct ForgedLineCase {
    const char* label;
    std::vector<std::pair<int, std::string>> before; // lines that set the case up: sender, line
    std::vector<std::string> seen_before;            // what id 0 receives of them
    int forger = 1;
    std::string line;
    Offence offence;
    std::string trusted; // how what id 0 receives next from the trusting host begins
};

class ForgedLineTest : public ServerSessionTest,
                       public ::testing::WithParamInterface<std::tuple<Refereeing, ForgedLineCase>> {
protected:
    // The match of ServerMatchTest, its lines read by number (the draw of three is known).
    void SetUp() override
    {
        server.SetRefereeing(std::get<0>(GetParam()));
        ServerSessionTest::SetUp();
        Join(0, "a");
        Join(1, "b");
        Join(2, "c");
        Connect(3);
        clients[0].Send("STARTVS");
        for (const auto& [id, count] : {std::pair{0, 4}, std::pair{1, 5}, std::pair{2, 4}, std::pair{3, 3}}) {
            ASSERT_EQ(clients[id].ReadLines(count).size(), static_cast<std::size_t>(count)) << "at id " << id;
        }
        clients[3].Send("NEW_C\td");
        for (auto& [id, client] : clients) {
            ASSERT_EQ(client.ReadLines(2), (Lines{Arrived("d"), "ADD\t3\td"})) << "at id " << id;
        }
    }
};

TEST_P(ForgedLineTest, Forgery_DroppedAndReportedWhenRefereedRelayedWhenTrusting)
{
    const auto& [mode, forged] = GetParam();
    for (const auto& [sender, line] : forged.before) {
        clients[sender].Send(line);
    }
    EXPECT_EQ(clients[0].ReadLines(static_cast<int>(forged.seen_before.size())), forged.seen_before);
    clients[forged.forger].Send(forged.line);
    // Lines of one connection are handled in order, so whatever the forged line caused reaches id 0 before this.
    clients[forged.forger].Send("CHAT	after");
    const std::string after = "CHAT	" + std::to_string(forged.forger) + "	" + "abcd"[forged.forger] + "	after";
    if (mode == Refereeing::REFEREED) {
        EXPECT_EQ(clients[0].ReadLine(), after);
        const std::vector<DepartureRecorder::Drop> drops{{forged.forger, forged.offence, 0}};
        EXPECT_EQ(departures.Drops(), drops);
    } else {
        EXPECT_EQ(clients[0].ReadLine().value_or("").rfind(forged.trusted, 0), 0u);
        std::optional<std::string> line;
        do {
            line = clients[0].ReadLine();
        } while (line && *line != after);
        EXPECT_TRUE(departures.Drops().empty());
    }
}

const std::pair<int, std::string> FIRST_MOVE{1, "PLOT\t1\t3\t0\t0\t-1"}; // red on (3, 0); blue's turn next

INSTANTIATE_TEST_SUITE_P(
    Moves, ForgedLineTest,
    ::testing::Combine(
        ::testing::Values(Refereeing::REFEREED, Refereeing::TRUSTING),
        ::testing::Values(
            ForgedLineCase{"AnotherPlayersColour",
                           {},
                           {},
                           1,
                           "PLOT\t0\t3\t0\t0\t-1",
                           Offence::MOVE_WRONG_COLOUR,
                           "PLOT\t0\t3\t0\t0"},
            ForgedLineCase{
                "OutOfTurn", {}, {}, 2, "PLOT\t0\t3\t0\t0\t-1", Offence::MOVE_OUT_OF_TURN, "PLOT\t0\t3\t0\t0"},
            ForgedLineCase{
                "FromASpectator", {}, {}, 3, "PLOT\t1\t3\t0\t0\t-1", Offence::MOVE_BY_SPECTATOR, "PLOT\t1\t3\t0\t0"},
            ForgedLineCase{
                "KeepsTheTurn", {}, {}, 1, "PLOT\t1\t3\t0\t0\t1", Offence::MOVE_KEEPS_TURN, "PLOT\t1\t3\t0\t0"},
            ForgedLineCase{
                "Unsupported", {}, {}, 1, "PLOT\t1\t3\t1\t0\t-1", Offence::MOVE_NOT_LANDING, "PLOT\t1\t3\t1\t0"},
            ForgedLineCase{
                "OffTheBoard", {}, {}, 1, "PLOT\t1\t16\t0\t0\t-1", Offence::MOVE_NOT_LANDING, "PLOT\t1\t16\t0\t0"},
            ForgedLineCase{"Occupied",
                           {FIRST_MOVE},
                           {"PLOT\t1\t3\t0\t0"},
                           2,
                           "PLOT\t0\t3\t0\t0\t-1",
                           Offence::MOVE_NOT_LANDING,
                           "PLOT\t0\t3\t0\t0"},
            ForgedLineCase{"FalseWin", {}, {}, 1, "PLOT\t1\t3\t0\t1\t-1", Offence::MOVE_FALSE_WIN, "PLOT\t1\t3\t0\t1"},
            ForgedLineCase{
                "NotPlainNumbers", {}, {}, 1, "PLOT\t1\t03\t0\t0\t-1", Offence::MOVE_MALFORMED, "PLOT\t1\t03\t0\t0"},
            ForgedLineCase{
                "BallsLeftMissing", {}, {}, 1, "PLOT\t1\t3\t0\t0", Offence::MOVE_MALFORMED, "PLOT\t1\t3\t0\t0"},
            ForgedLineCase{"AfterTheMatchEnded",
                           {{2, "END_VS\t2"}},
                           {"END_VS\t2\t"},
                           1,
                           "PLOT\t1\t3\t0\t0\t-1",
                           Offence::MOVE_WITHOUT_MATCH,
                           "PLOT\t1\t3\t0\t0"},
            ForgedLineCase{"StartBySpectator", {}, {}, 3, "STARTVS", Offence::START_BY_SPECTATOR, "MSG\t"})),
    [](const auto& info) {
        return std::string(std::get<1>(info.param).label) +
               (std::get<0>(info.param) == Refereeing::REFEREED ? "_Refereed" : "_Trusting");
    });

TEST_F(ServerSessionTest, RefereedChat_ABurstThenOneLineASecond_DropsReportedOncePerRun)
{
    std::atomic<long long> elapsed_ms{0};
    server.SetRefereeing(Refereeing::REFEREED,
                         [&] { return Referee::Clock::time_point(std::chrono::milliseconds(elapsed_ms.load())); });
    Join(0, "a");
    Join(1, "b");
    // A NEW_C is never paced: once its announcement is back, the host has judged every line before it.
    const Lines renamed{Arrived("a"), "ADD\t0\ta"};
    Lines burst;
    for (int n = 0; n < CHAT_BURST + 3; ++n) { // the clock stands still: the last three come too fast
        clients[0].Send("CHAT\t" + std::to_string(n));
        if (n < CHAT_BURST) {
            burst.push_back("CHAT\t0\ta\t" + std::to_string(n));
        }
    }
    clients[0].Send("NEW_C\ta");
    burst.insert(burst.end(), renamed.begin(), renamed.end());
    EXPECT_EQ(clients[1].ReadLines(static_cast<int>(burst.size())), burst);
    elapsed_ms = CHAT_REGAIN.count();
    clients[0].Send("CHAT\tlater"); // one line regained
    clients[0].Send("CHAT\ttoo soon");
    clients[0].Send("NEW_C\ta");
    EXPECT_EQ(clients[1].ReadLines(3), (Lines{"CHAT\t0\ta\tlater", renamed[0], renamed[1]}));
    elapsed_ms = 2 * CHAT_REGAIN.count();
    clients[0].Send("CHAT\tlast");
    EXPECT_EQ(clients[1].ReadLine(), "CHAT\t0\ta\tlast");
    // The first drop of each run is reported, the others only counted at its end.
    const std::vector<DepartureRecorder::Drop> drops{
        {0, Offence::CHAT_TOO_FAST, 0}, {0, Offence::CHAT_TOO_FAST, 2}, {0, Offence::CHAT_TOO_FAST, 0}};
    EXPECT_EQ(departures.Drops(), drops);
}

TEST_F(ServerMatchTest, EndMatch_RelayedToEveryOtherConnectionWhileRunningOnly)
{
    clients[2].Send("END_VS\t2");
    for (int id : {0, 1, 3}) {
        EXPECT_EQ(clients[id].ReadLine(), "END_VS\t2\t") << "at id " << id;
    }
    ExpectAllSilent();
    clients[1].Send("END_VS\t1"); // the match has ended
    ExpectAllSilent();
}

TEST_F(ServerMatchTest, EndMatch_CopiesFieldTwoAsText)
{
    clients[0].Send("END_VS\t0\t zz\textra");
    EXPECT_EQ(clients[1].ReadLine(), "END_VS\t0\t zz");
}

TEST_F(ServerMatchTest, EndMatch_IgnoredFromSpectatorAndAfterAWin)
{
    clients[3].Send("END_VS\t3");
    ExpectAllSilent();
    clients[1].Send("PLOT\t1\t4\t2\t1\t-1");
    (void)ReadUntilCaughtUp();
    clients[2].Send("END_VS\t2");
    ExpectAllSilent();
}

TEST_F(ServerMatchTest, Departure_OfAPlayerEndsTheRunningMatch)
{
    clients[2].Close();
    clients.erase(2);
    for (int id : {0, 1, 3}) {
        EXPECT_EQ(clients[id].ReadLines(3), (Lines{"DEL\t2", Gone("c"), "END_VS"})) << "at id " << id;
    }
    list.Remove(2);
    Connect(2); // no notice: the match is over
    ExpectAllSilent();
}

TEST_F(ServerMatchTest, Departure_OfASpectatorLeavesTheMatchRunning)
{
    clients[3].Close();
    clients.erase(3);
    for (int id : {0, 1, 2}) {
        EXPECT_EQ(clients[id].ReadLines(2), (Lines{"DEL\t3", Gone("d")})) << "at id " << id;
    }
    list.Remove(3);
    Connect(3, Greeting::MATCH_RUNNING);
    ExpectAllSilent();
}

TEST_F(ServerMatchTest, Start_SecondStartvsRestartsWithANewDraw)
{
    const std::map<int, Lines> seen = Start(3); // any participant may restart, players or not
    int can_put = 0;
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        const Lines& lines = seen.at(id);
        ASSERT_GE(lines.size(), 4u) << "at id " << id;
        for (int j = 0; j < PLAYER_SLOTS; ++j) { // each player's colour
            EXPECT_EQ(lines[static_cast<std::size_t>(j)].rfind("MSG\t", 0), 0u);
        }
        EXPECT_EQ(lines[4].substr(0, 8), "STARTVS\t");
        EXPECT_EQ(lines[4].substr(9), "\t4");
        can_put += static_cast<int>(lines.size() == 6 && lines[5] == "CAN_PUT");
    }
    EXPECT_EQ(can_put, 1);
}

TEST(ServerStartTest, Start_OnePlayerMatchGivesTheTurnBackAndRelaysNothing)
{
    RandomGenerator random;
    ServerSession server(random);
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    LineClient solo(server.Port());
    EXPECT_EQ(solo.ReadLine(), "ID\t0");
    solo.Send("NEW_C\tsolo");
    EXPECT_EQ(solo.ReadLines(2), (Lines{Arrived("solo"), "ADD\t0\tsolo"}));
    solo.Send("STARTVS");
    const Lines start = solo.ReadLines(3);
    ASSERT_EQ(start.size(), 3u);
    EXPECT_EQ(start[0].rfind("MSG\tsolo" + std::string(texts::MSG_COLOUR_INFIX), 0), 0u);
    EXPECT_EQ(start[1].substr(0, 8), "STARTVS\t");
    EXPECT_EQ(start[1].substr(9), "\t1");
    EXPECT_EQ(start[2], "CAN_PUT");
    for (int move = 0; move < 3; ++move) {
        solo.Send("PLOT\t0\t3\t0\t0\t-1");
        EXPECT_EQ(solo.ReadLine(), "CAN_PUT");
    }
    const std::vector<LineClient*> alone{&solo};
    EXPECT_EQ(test::ReadUntilCaughtUp(alone, server.Port()), std::vector<Lines>{Lines{}});
}

TEST_F(ServerSessionTest, Start_EmptyListStartsNoMatch)
{
    Connect(0);
    clients[0].Send("STARTVS");
    ExpectAllSilent();
    // No match began: a PLOT hands no turn to anybody, and a newcomer hears of no match.
    clients[0].Send("PLOT\t0\t3\t0\t0\t-1");
    ExpectAllSilent();
    Connect(1);
    ExpectAllSilent();
}

TEST_F(ServerSessionTest, Start_RenamedParticipantPlaysOnce)
{
    Join(0, "a");
    Join(1, "b");
    Join(2, "c");
    Join(3, "d");
    for (const auto& [id, name] : {std::pair{0, "a"}, std::pair{1, "b"}}) { // listed twice in every player's list
        clients[id].Send("NEW_C\t" + std::string(name));
        for (auto& [other, client] : clients) {
            EXPECT_EQ(client.ReadLines(2).size(), 2u) << "at id " << other;
        }
    }
    const std::map<int, Lines> seen = Start(0);
    int can_put = 0;
    for (const auto& [id, lines] : seen) {
        ASSERT_GE(lines.size(), 5u) << "at id " << id;
        ASSERT_LE(lines.size(), 6u) << "at id " << id;
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.rfind("MSG\t", 0) == 0; }),
                  4);
        EXPECT_EQ(lines[4].substr(0, 8), "STARTVS\t");
        EXPECT_EQ(lines[4].substr(9), "\t4");
        can_put += static_cast<int>(lines.back() == "CAN_PUT");
    }
    EXPECT_EQ(can_put, 1);
}

// Line limit

TEST_F(ServerSessionTest, LineLimit_LongNameAndChatAreCutWhereTheLineIs)
{
    Join(0, "host");
    LineClient& guest = Connect(1);
    const std::string name(100, 'n'); // "NEW_C", TAB and 73 bytes fill the 79 of a line
    guest.Send("NEW_C\t" + name);
    const std::string cut = name.substr(0, 73);
    const Lines expected{Arrived(cut), "ADD\t1\t" + cut}; // the host's own lines go out whole
    EXPECT_EQ(clients[0].ReadLines(2), expected);
    EXPECT_EQ(guest.ReadLines(2), expected);
    const std::string text(100, 't');
    guest.Send("CHAT\t" + text);
    // The relay is cut where a receiver cuts, so no part of the name or text can arrive as a line of its own.
    EXPECT_EQ(clients[0].ReadLine(), "CHAT\t1\t" + cut.substr(0, 72));
    // The rest of each line was taken as a line of its own and ignored: nothing comes before this NEW_C's
    // lines, which reach everybody (a chat marker of a name this long would keep none of its text).
    guest.Send("NEW_C\t" + cut);
    EXPECT_EQ(clients[0].ReadLines(2), expected);
    EXPECT_EQ(guest.ReadLines(2), expected);
}

// Lifecycle

class StopWatch {
public:
    void Signal()
    {
        const std::lock_guard guard(lock);
        ++count;
        changed.notify_all();
    }
    bool WaitFor(int wanted)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, test::LINE_TIMEOUT, [&] { return count >= wanted; });
    }
    int Count()
    {
        const std::lock_guard guard(lock);
        return count;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
};

TEST_F(ServerSessionTest, Stop_ClosesEveryConnectionThenCallsTheHandlerWhichMayCloseAgain)
{
    StopWatch stopped;
    server.SetStoppedHandler([&] {
        server.Close(); // the lobby's reaction closes the server again; that must not deadlock
        list.Clear();   // and its player, whose connection has ended, empties the list
        stopped.Signal();
    });
    Join(0, "host");
    Join(1, "guest");
    server.Close();
    ASSERT_TRUE(stopped.WaitFor(1));
    EXPECT_EQ(departures.LastOf(1), DisconnectReason::CLOSED);
    for (auto& [id, client] : clients) {
        // A departure may still reach a connection that has not been closed yet; then the end follows.
        while (client.ReadLine()) {
        }
        EXPECT_TRUE(client.ExpectClosed()) << "at id " << id;
    }
    // Stopped hosts can listen again; the names of the last run are gone.
    server.Shutdown();
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    LineClient first(server.Port());
    EXPECT_EQ(first.ReadLine(), "ID\t0");
    LineClient second(server.Port());
    EXPECT_EQ(second.ReadLine(), "ID\t1");
    second.Send("CHAT\tx");
    EXPECT_EQ(first.ReadLine(), "CHAT\t1\t?\tx");
    EXPECT_EQ(stopped.Count(), 1);
}

// A flood costs only the flooder: it sends as fast as it can, megabytes in all (far more than the queue limit and
// what the kernel holds), and the host reads it no faster than the readers take it. Every reader gets every line,
// whole and in order, and none is cut; a peer that takes nothing among them is cut alone.
struct FloodCase {
    const char* name;
    bool silent_peer; // in slot 1, with a small receive buffer, never reading
};

class ServerFloodTest : public ServerSessionTest, public testing::WithParamInterface<FloodCase> {};

TEST_P(ServerFloodTest, Relay_EveryReaderGetsTheWholeFloodAndOnlyAPeerThatTakesNothingIsCut)
{
    constexpr int LINES = 20000;
    const std::string padding(60, 'x');
    ConnectionLimits limits;
    limits.send_queue = 16 * 1024;
    Relisten(limits);
    LineClient& flooder = Connect(0);
    std::vector<int> readers;
    if (GetParam().silent_peer) {
        ASSERT_TRUE(clients[1].Connect(port, test::ReceiveBuffer::SMALL));
        EXPECT_EQ(clients[1].ReadLine(), "ID\t1");
    } else {
        readers.push_back(1);
    }
    for (int id = 2; id < PLAYER_SLOTS; ++id) {
        readers.push_back(id);
    }
    for (const int id : readers) {
        Connect(id);
    }
    std::vector<int> heard(PLAYER_SLOTS, 0);
    std::vector<int> departures_seen(PLAYER_SLOTS, 0);
    std::vector<std::thread> reading;
    for (const int id : readers) {
        reading.emplace_back([&, id] {
            LineClient& reader = clients[id];
            while (heard[id] < LINES) {
                const auto line = reader.ReadLine();
                if (!line) {
                    ADD_FAILURE() << "reader " << id << " ended after " << heard[id] << " lines";
                    return;
                }
                if (*line == "DEL\t1") {
                    ++departures_seen[id];
                    EXPECT_EQ(reader.ReadLine(), Gone("?"));
                    continue;
                }
                if (*line != "CHAT\t0\t?\t" + std::to_string(heard[id]) + padding) {
                    ADD_FAILURE() << "reader " << id << " after " << heard[id] << " lines: " << *line;
                    return;
                }
                ++heard[id];
            }
        });
    }
    for (int n = 0; n < LINES && flooder.Send("CHAT\t" + std::to_string(n) + padding); ++n) {
    }
    for (std::thread& thread : reading) {
        thread.join();
    }
    for (const int id : readers) {
        EXPECT_EQ(heard[id], LINES) << "at id " << id;
        EXPECT_EQ(departures_seen[id], GetParam().silent_peer ? 1 : 0) << "at id " << id;
    }
    if (GetParam().silent_peer) {
        EXPECT_EQ(departures.LastOf(1), DisconnectReason::SEND_QUEUE_FULL);
        EXPECT_EQ(flooder.ReadLines(2), (Lines{"DEL\t1", Gone("?")}));
    }
    // The readers are still there: a line of a quiet player reaches them behind the flood.
    clients[readers.front()].Send("CHAT\tstill here");
    EXPECT_EQ(flooder.ReadLine(), "CHAT\t" + std::to_string(readers.front()) + "\t?\tstill here");
    server.Shutdown(); // returns with nobody waiting on a silent peer
}

INSTANTIATE_TEST_SUITE_P(Readers, ServerFloodTest,
                         testing::Values(FloodCase{"ThreeReaders", false}, FloodCase{"TwoReadersAndASilentPeer", true}),
                         [](const testing::TestParamInfo<FloodCase>& info) { return std::string(info.param.name); });

TEST_F(ServerSessionTest, Admission_AConnectionThatSendsNoNameIsClosedAndAnnouncedAfterTheLimit)
{
    ConnectionLimits limits;
    limits.admission = std::chrono::milliseconds(300);
    Relisten(limits);
    LineClient& named = Join(0, "a");
    Connect(1);
    // The named one stays however long it is quiet; the other goes when its time is up.
    EXPECT_EQ(named.ReadLines(2), (Lines{"DEL\t1", Gone("?")}));
    EXPECT_TRUE(clients[1].ExpectClosed());
    EXPECT_EQ(departures.LastOf(1), DisconnectReason::READ_DEADLINE);
    clients.erase(1);
    Join(1, "b");
    named.Send("CHAT\tstill here");
    EXPECT_EQ(clients[1].ReadLine(), "CHAT\t0\ta\tstill here");
}

TEST(ServerLifecycleTest, Destruction_StopsWithoutCallingTheHandler)
{
    RandomGenerator random;
    StopWatch stopped;
    std::optional<LineClient> client;
    {
        ServerSession server(random);
        server.SetStoppedHandler([&] { stopped.Signal(); });
        ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
        client.emplace(server.Port());
        EXPECT_EQ(client->ReadLine(), "ID\t0");
    }
    EXPECT_TRUE(client->ExpectClosed());
    EXPECT_EQ(stopped.Count(), 0);
}

// Concurrency

TEST_F(ServerSessionTest, Greeting_IdIsTheFirstLineEvenWhileOthersChat)
{
    // Broadcasts keep flowing while newcomers arrive: none may reach a newcomer ahead of its ID line.
    LineClient& chatter = Join(0, "a");
    LineClient& observer = Join(1, "b");
    const std::jthread talk([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            chatter.Send("CHAT\thello");
        }
    });
    for (int round = 0; round < 100; ++round) {
        LineClient newcomer(port);
        const auto first = newcomer.ReadLine();
        ASSERT_TRUE(first.has_value()) << "round " << round;
        ASSERT_EQ(first->rfind("ID\t", 0), 0U) << "round " << round << ": " << *first;
        newcomer.Close();
        // The departure frees the slot before the next round, so the host is never full.
        const std::string departure = "DEL\t" + first->substr(3);
        std::optional<std::string> line;
        do {
            line = observer.ReadLine();
        } while (line && *line != departure);
        ASSERT_TRUE(line.has_value()) << "round " << round;
    }
}

TEST_F(ServerSessionTest, Chat_FourSendersAtOnceEachArriveWholeAndInOrder)
{
    constexpr int LINES_PER_SENDER = 200;
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        Join(id, "p" + std::to_string(id));
    }
    std::vector<std::thread> senders;
    std::vector<Lines> received(PLAYER_SLOTS);
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        senders.emplace_back([&, id] {
            LineClient& client = clients[id];
            for (int n = 0; n < LINES_PER_SENDER; ++n) {
                client.Send("CHAT\t" + std::to_string(n));
            }
            // Each receives the other three senders' lines.
            received[static_cast<std::size_t>(id)] = client.ReadLines(3 * LINES_PER_SENDER);
        });
    }
    for (std::thread& sender : senders) {
        sender.join();
    }
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        const Lines& lines = received[static_cast<std::size_t>(id)];
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(3 * LINES_PER_SENDER)) << "at id " << id;
        std::map<int, int> next;
        for (const std::string& line : lines) {
            const int from = line[5] - '0';
            ASSERT_NE(from, id);
            const std::string prefix = "CHAT\t" + std::to_string(from) + "\tp" + std::to_string(from) + "\t";
            ASSERT_EQ(line.substr(0, prefix.size()), prefix);
            EXPECT_EQ(line.substr(prefix.size()), std::to_string(next[from]++));
        }
    }
}

} // namespace
} // namespace pyrandel
