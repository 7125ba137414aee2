#include "net/connect_client.h"

#include "raw_peer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel {
namespace {

using test::RawPeer;
using test::WaitUntil;

class RecordingClient : public ConnectClient {
public:
    ~RecordingClient() override { Shutdown(); }

    [[nodiscard]] std::vector<std::string> Events() const
    {
        const std::scoped_lock guard(lock);
        return events;
    }
    [[nodiscard]] int Count(const std::string& event) const
    {
        const std::scoped_lock guard(lock);
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    bool WaitFor(const std::string& event, int times = 1) const
    {
        return WaitUntil([&] { return Count(event) >= times; });
    }
    // The attempt or connection is over and its thread gone, so Connect may be called again.
    bool WaitUntilIdle() const
    {
        return WaitUntil([&] { return !Running(); });
    }

    std::function<void(const char*)> on_line;
    std::function<void()> on_disconnect;

protected:
    void OnConnect() override { Record("connect"); }
    void OnLine(const char* line) override
    {
        Record(std::string("line ") + line);
        if (on_line) {
            on_line(line);
        }
    }
    void OnDisconnect() override
    {
        Record("disconnect");
        if (on_disconnect) {
            on_disconnect();
        }
    }
    void OnConnectFailed(ConnectFailure reason) override
    {
        Record("failed");
        const std::scoped_lock guard(lock);
        failures.push_back(reason);
    }

private:
    void Record(std::string event)
    {
        const std::scoped_lock guard(lock);
        events.push_back(std::move(event));
    }

    mutable std::mutex lock;
    std::vector<std::string> events;

public:
    [[nodiscard]] std::vector<ConnectFailure> Failures() const
    {
        const std::scoped_lock guard(lock);
        return failures;
    }

private:
    std::vector<ConnectFailure> failures;
};

// A loopback port on which nobody listens (bound once, then released).
int UnusedPort()
{
    const test::RawListener probe;
    return probe.Port();
}

TEST(ConnectClient, LinesArriveBetweenConnectAndOneDisconnect)
{
    test::RawListener listener;
    RecordingClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer host = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    EXPECT_TRUE(client.IsConnected());
    const std::string hundred(100, 'h');
    ASSERT_TRUE(host.Send("ID\t0\r\n" + hundred + "\r\nno end"));
    ASSERT_TRUE(client.WaitFor("line " + hundred.substr(LINE_LIMIT)));
    host.Close();
    ASSERT_TRUE(client.WaitFor("disconnect"));
    ASSERT_TRUE(client.WaitUntilIdle());
    EXPECT_EQ(client.Events(),
              (std::vector<std::string>{"connect", "line ID\t0", "line " + hundred.substr(0, LINE_LIMIT),
                                        "line " + hundred.substr(LINE_LIMIT), "disconnect"}));
    EXPECT_FALSE(client.IsConnected());
}

TEST(ConnectClient, SendLineReachesTheHostOnlyWhileConnected)
{
    test::RawListener listener;
    RecordingClient client;
    EXPECT_FALSE(client.SendLine("too early"));
    ASSERT_TRUE(client.Connect("localhost", listener.Port()));
    RawPeer host = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    ASSERT_TRUE(client.SendLine("NEW_C\tname"));
    EXPECT_EQ(host.ReceiveLine(), "NEW_C\tname\r\n");
    client.Close();
    EXPECT_TRUE(host.WaitForClose());
    ASSERT_TRUE(client.WaitFor("disconnect"));
    EXPECT_FALSE(client.SendLine("too late"));
    ASSERT_TRUE(client.WaitUntilIdle());
    EXPECT_EQ(client.Events(), (std::vector<std::string>{"connect", "disconnect"}));
}

struct FailureCase {
    const char* name;
    std::string host;
    ConnectFailure reason;
};

class ConnectClientFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ConnectClientFailure, AFailedAttemptIsReportedAloneAndAnotherMayFollow)
{
    RecordingClient client;
    ASSERT_TRUE(client.Connect(GetParam().host, UnusedPort()));
    ASSERT_TRUE(client.WaitFor("failed"));
    ASSERT_TRUE(client.WaitUntilIdle());
    EXPECT_EQ(client.Events(), std::vector<std::string>{"failed"});
    EXPECT_EQ(client.Failures(), std::vector<ConnectFailure>{GetParam().reason});

    test::RawListener listener;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer host = listener.Accept();
    EXPECT_TRUE(client.WaitFor("connect"));
}

INSTANTIATE_TEST_SUITE_P(Attempts, ConnectClientFailure,
                         testing::Values(FailureCase{"NobodyListens", "127.0.0.1", ConnectFailure::REFUSED},
                                         FailureCase{"NobodyListensOnIpv6", "::1", ConnectFailure::REFUSED},
                                         FailureCase{"NobodyListensInBrackets", "[::1]", ConnectFailure::REFUSED},
                                         FailureCase{"NameNotKnown", "", ConnectFailure::NAME_NOT_FOUND}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(ConnectClient, ConnectDuringTheLastCallbackIsMadeOnceItReturns)
{
    // The lobby releases its toggles inside the last callback, and a player may press one again at once.
    test::RawListener listener;
    RecordingClient client;
    bool reconnected = false;
    client.on_disconnect = [&] {
        if (!reconnected) {
            reconnected = client.Connect("127.0.0.1", listener.Port());
        }
    };
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer first = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    first.Close();
    RawPeer second = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect", 2));
    EXPECT_TRUE(reconnected);
    ASSERT_TRUE(second.Send("ID\t1\r\n"));
    ASSERT_TRUE(client.WaitFor("line ID\t1"));
    client.Close();
    ASSERT_TRUE(client.WaitFor("disconnect", 2));
    ASSERT_TRUE(client.WaitUntilIdle());
    EXPECT_EQ(client.Events(),
              (std::vector<std::string>{"connect", "disconnect", "connect", "line ID\t1", "disconnect"}));
}

TEST(ConnectClient, CloseAndConnectAtOnceMakesTheNewConnectionAfterTheOldEnds)
{
    test::RawListener listener;
    RecordingClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer first = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    for (int round = 2; round <= 20; ++round) {
        client.Close();
        ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port())) << "round " << round;
        RawPeer next = listener.Accept();
        ASSERT_TRUE(client.WaitFor("connect", round)) << "round " << round;
        ASSERT_TRUE(client.WaitFor("disconnect", round - 1)) << "round " << round;
    }
    EXPECT_EQ(client.Count("failed"), 0);
}

TEST(ConnectClient, AHandedOverAttemptClosedBeforeItStartsFails)
{
    test::RawListener listener;
    RecordingClient client;
    bool handed_over = false;
    client.on_disconnect = [&] {
        handed_over = client.Connect("127.0.0.1", listener.Port());
        client.Close(); // called off before the thread takes it up
    };
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer host = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    host.Close();
    ASSERT_TRUE(client.WaitFor("failed"));
    ASSERT_TRUE(client.WaitUntilIdle());
    EXPECT_TRUE(handed_over);
    EXPECT_EQ(client.Events(), (std::vector<std::string>{"connect", "disconnect", "failed"}));
}

TEST(ConnectClient, ConnectIsRefusedWhileAConnectionRuns)
{
    test::RawListener listener;
    RecordingClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer host = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    EXPECT_FALSE(client.Connect("127.0.0.1", listener.Port()));
    ASSERT_TRUE(host.Send("still the first\r\n"));
    EXPECT_TRUE(client.WaitFor("line still the first"));
}

TEST(ConnectClient, CloseEndsAnAttemptTheHostNeverAnswers)
{
    // A host whose listen queue is full ignores the connection request: the attempt would wait for minutes.
    test::RawListener listener(0);
    const std::vector<RawPeer> fillers = test::FillListenQueue(listener.Port());
    const int pending = test::SynPendingTo(listener.Port());
    RecordingClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    ASSERT_TRUE(WaitUntil([&] { return test::SynPendingTo(listener.Port()) > pending; }));
    client.Close();
    ASSERT_TRUE(client.WaitFor("failed"));
    client.Shutdown();
    EXPECT_EQ(client.Events(), std::vector<std::string>{"failed"});
    EXPECT_EQ(client.Failures(), std::vector<ConnectFailure>{ConnectFailure::CANCELLED});
}

// A name service that answers only when the test lets it, as one that has gone silent would not at all.
struct SilentResolver {
    struct State {
        std::mutex lock;
        std::condition_variable released;
        bool asked = false;
        bool release = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    [[nodiscard]] Resolver Get() const
    {
        return [state = state](const std::string&, int) {
            std::unique_lock guard(state->lock);
            state->asked = true;
            state->released.wait(guard, [&] { return state->release; });
            return ResolveResult{};
        };
    }
    bool WaitUntilAsked() const
    {
        return WaitUntil([&] {
            const std::scoped_lock guard(state->lock);
            return state->asked;
        });
    }
    // Lets the lookups end, so no thread of the test outlives it.
    ~SilentResolver()
    {
        {
            const std::scoped_lock guard(state->lock);
            state->release = true;
        }
        state->released.notify_all();
    }
};

TEST(ConnectClient, CloseAndShutdownNeverWaitForALookupThatDoesNotAnswer)
{
    const SilentResolver resolver;
    RecordingClient client;
    client.SetResolver(resolver.Get());
    ASSERT_TRUE(client.Connect("host.example", 1224));
    ASSERT_TRUE(resolver.WaitUntilAsked());
    client.Close();
    ASSERT_TRUE(client.WaitFor("failed"));
    EXPECT_EQ(client.Failures(), std::vector<ConnectFailure>{ConnectFailure::CANCELLED});
    ASSERT_TRUE(client.WaitUntilIdle());

    // Quitting during a lookup: Shutdown returns while the lookup still waits.
    ASSERT_TRUE(client.Connect("host.example", 1224));
    auto shutdown = std::async(std::launch::async, [&] { client.Shutdown(); });
    EXPECT_EQ(shutdown.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(ConnectClient, EachAddressIsTriedInTheResolversOrderUntilOneAnswers)
{
    test::RawListener listener;
    const int refusing_port = UnusedPort();
    RecordingClient client;
    client.SetResolver([&](const std::string& host, int port) {
        EXPECT_EQ(host, "two.example");
        ResolveResult found{true, {}};
        found.addresses.push_back(*SocketAddress::Numeric("::1", refusing_port));
        found.addresses.push_back(*SocketAddress::Numeric("127.0.0.1", port));
        return found;
    });
    ASSERT_TRUE(client.Connect("two.example", listener.Port()));
    RawPeer host = listener.Accept();
    EXPECT_TRUE(client.WaitFor("connect"));
}

TEST(ConnectClient, ANewConnectionNeverSeesBytesLeftByTheLastOne)
{
    test::RawListener first_host;
    test::RawListener second_host;
    RecordingClient client;
    // The player leaves in the middle of a burst: what the first host sent after that must not reach the
    // second connection.
    client.on_line = [&](const char* line) {
        if (std::string_view(line) == "leave") {
            client.Close();
        }
    };
    ASSERT_TRUE(client.Connect("127.0.0.1", first_host.Port()));
    RawPeer first = first_host.Accept();
    ASSERT_TRUE(first.Send("leave\r\nstale\r\nhalf a li"));
    ASSERT_TRUE(client.WaitFor("disconnect"));
    ASSERT_TRUE(client.WaitUntilIdle());

    ASSERT_TRUE(client.Connect("127.0.0.1", second_host.Port()));
    RawPeer second = second_host.Accept();
    ASSERT_TRUE(second.Send("ne\r\nfresh\r\n"));
    ASSERT_TRUE(client.WaitFor("line fresh"));
    EXPECT_EQ(client.Events(),
              (std::vector<std::string>{"connect", "line leave", "disconnect", "connect", "line ne", "line fresh"}));
}

TEST(ConnectClient, ShutdownWhileConnectedJoinsTheThread)
{
    test::RawListener listener;
    const int threads = test::ThreadsAtStart();
    {
        RecordingClient client;
        ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
        RawPeer host = listener.Accept();
        ASSERT_TRUE(client.WaitFor("connect"));
        client.Shutdown();
        EXPECT_FALSE(client.Running());
        EXPECT_EQ(client.Count("disconnect"), 1);
    }
    EXPECT_TRUE(test::ThreadsBackTo(threads)) << test::Threads() << " threads, " << threads << " before";
}

// A line sent right before the connection is closed (a player's END_VS as the program quits) reaches the host
// every time, also when the host has sent lines the client never read; the host then sees an orderly end.
TEST(ConnectClient, ALineSentJustBeforeTheCloseArrivesEveryTime)
{
    constexpr int ROUNDS = 40;
    test::RawListener listener;
    for (int round = 0; round < ROUNDS; ++round) {
        const std::string last = "END_VS\t" + std::to_string(round);
        RecordingClient client;
        ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
        RawPeer host = listener.Accept();
        ASSERT_TRUE(client.WaitFor("connect"));
        ASSERT_TRUE(host.Send("MSG\tunread\r\n"));
        ASSERT_TRUE(client.SendLine(last));
        if (round % 2 == 0) {
            client.Close();
        } else {
            client.Shutdown();
        }
        EXPECT_EQ(host.ReceiveAll(), last + "\r\n") << "round " << round;
        ASSERT_TRUE(client.WaitFor("disconnect"));
    }
}

// A host that reads nothing cannot hold a closing client: the close gives up on it after its linger, and Shutdown
// returns.
TEST(ConnectClient, ShutdownReturnsWhenTheHostReadsNothing)
{
    test::RawListener listener(8, 4096);
    RecordingClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    RawPeer host = listener.Accept();
    ASSERT_TRUE(client.WaitFor("connect"));
    // Far more than the kernel holds for a host that offers a small window, and less than the queue limit, so
    // the end is the close's and not a cut for falling behind.
    const std::string line(LINE_LIMIT, 'x');
    const int lines = static_cast<int>(SEND_QUEUE_LIMIT / 2 / (line.size() + 2));
    int queued = 0;
    while (queued < lines && client.SendLine(line)) {
        ++queued;
    }
    ASSERT_EQ(queued, lines);
    client.Shutdown();
    EXPECT_FALSE(client.Running());
    EXPECT_EQ(client.Count("disconnect"), 1);
}

} // namespace
} // namespace pyrandel
