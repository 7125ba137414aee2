#include "net/listen_server.h"

#include "net/connect_client.h"

#include "raw_peer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

using test::RawPeer;
using test::WaitUntil;

// Records every callback as a short text, and checks on the fly that each slot's callbacks come on one thread of
// its own and the accepting callbacks on another.
class RecordingServer : public ListenServer {
public:
    explicit RecordingServer(int slot_count = 4) : ListenServer(slot_count) {}
    ~RecordingServer() override { Shutdown(); }

    [[nodiscard]] std::vector<std::string> Events() const
    {
        const std::scoped_lock guard(lock);
        return events;
    }
    [[nodiscard]] std::vector<std::string> EventsOfSlot(int slot) const
    {
        const std::string mark = " " + std::to_string(slot);
        std::vector<std::string> result;
        for (const std::string& event : Events()) {
            if (event.starts_with("connect" + mark) || event.starts_with("line" + mark) ||
                event.starts_with("disconnect" + mark)) {
                result.push_back(event);
            }
        }
        return result;
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
    // Why the last connection of `slot` ended; NONE before any has.
    [[nodiscard]] DisconnectReason LastEnd(int slot) const
    {
        const std::scoped_lock guard(lock);
        const auto found = last_end.find(slot);
        return found == last_end.end() ? DisconnectReason::NONE : found->second;
    }
    [[nodiscard]] bool WrongThreadSeen() const
    {
        const std::scoped_lock guard(lock);
        return wrong_thread;
    }

    std::string refuse_line = "FULL";
    bool record_lines = true;
    std::function<void(int, const char*)> on_line;
    std::function<void()> on_listen_end;
    std::function<void(int)> on_disconnect;
    void Note(std::string event) { Record(std::move(event)); }

protected:
    void OnConnect(int slot) override
    {
        {
            const std::scoped_lock guard(lock);
            if (std::this_thread::get_id() == accept_thread) {
                wrong_thread = true;
            }
            slot_thread[slot] = std::this_thread::get_id();
        }
        Record("connect " + std::to_string(slot));
    }
    void OnLine(int slot, const char* line) override
    {
        CheckSlotThread(slot);
        if (record_lines) {
            Record("line " + std::to_string(slot) + " " + line);
        }
        if (on_line) {
            on_line(slot, line);
        }
    }
    void OnDisconnect(int slot, DisconnectReason reason) override
    {
        CheckSlotThread(slot);
        {
            const std::scoped_lock guard(lock);
            last_end[slot] = reason;
        }
        Record("disconnect " + std::to_string(slot));
        if (on_disconnect) {
            on_disconnect(slot);
        }
    }
    void OnRefuse(TcpSocket& incoming) override
    {
        CheckAcceptThread();
        incoming.SendLine(refuse_line);
        Record("refuse");
    }
    void OnListenStart() override
    {
        {
            const std::scoped_lock guard(lock);
            accept_thread = std::this_thread::get_id();
        }
        Record("start");
    }
    void OnListenEnd() override
    {
        CheckAcceptThread();
        Record("end");
        if (on_listen_end) {
            on_listen_end();
        }
    }

private:
    void Record(std::string event)
    {
        const std::scoped_lock guard(lock);
        events.push_back(std::move(event));
    }
    void CheckSlotThread(int slot)
    {
        const std::scoped_lock guard(lock);
        if (slot_thread[slot] != std::this_thread::get_id()) {
            wrong_thread = true;
        }
    }
    void CheckAcceptThread()
    {
        const std::scoped_lock guard(lock);
        if (accept_thread != std::this_thread::get_id()) {
            wrong_thread = true;
        }
    }

    mutable std::mutex lock;
    std::vector<std::string> events;
    std::map<int, std::thread::id> slot_thread;
    std::map<int, DisconnectReason> last_end;
    std::thread::id accept_thread;
    bool wrong_thread = false;
};

// Connects a peer and waits until the server has placed it in `slot`.
RawPeer Join(RecordingServer& server, int slot)
{
    const int before = server.Count("connect " + std::to_string(slot));
    RawPeer peer = RawPeer::ConnectTo(server.Port());
    EXPECT_TRUE(peer.IsOpen());
    EXPECT_TRUE(server.WaitFor("connect " + std::to_string(slot), before + 1)) << "slot " << slot;
    return peer;
}

TEST(ListenServer, FourPeersTakeSlotsInOrderAndTheFifthIsRefused)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    ASSERT_NE(server.Port(), 0);
    std::vector<RawPeer> peers;
    for (int slot = 0; slot < 4; ++slot) {
        peers.push_back(Join(server, slot));
    }
    RawPeer fifth = RawPeer::ConnectTo(server.Port());
    EXPECT_EQ(fifth.ReceiveLine(), "FULL\r\n");
    EXPECT_TRUE(fifth.WaitForClose());
    EXPECT_TRUE(server.WaitFor("refuse"));

    // The four go on.
    ASSERT_TRUE(peers[2].Send("still here\r\n"));
    EXPECT_TRUE(server.WaitFor("line 2 still here"));
    EXPECT_EQ(server.Count("disconnect 0") + server.Count("disconnect 1") + server.Count("disconnect 2") +
                  server.Count("disconnect 3"),
              0);
    EXPECT_FALSE(server.WrongThreadSeen());
}

TEST(ListenServer, TheLowestFreeSlotIsTakenFirst)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer first = Join(server, 0);
    RawPeer second = Join(server, 1);
    RawPeer third = Join(server, 2);

    second.Close();
    ASSERT_TRUE(server.WaitFor("disconnect 1"));
    EXPECT_EQ(server.LastEnd(1), DisconnectReason::PEER_CLOSED);
    RawPeer again = Join(server, 1); // slot 1, although 3 is free as well

    server.CloseSlot(0);
    EXPECT_TRUE(first.WaitForClose());
    ASSERT_TRUE(server.WaitFor("disconnect 0"));
    EXPECT_EQ(server.LastEnd(0), DisconnectReason::CLOSED);
    RawPeer next = Join(server, 0);
    RawPeer last = Join(server, 3);
    EXPECT_FALSE(server.WrongThreadSeen());
}

TEST(ListenServer, ASlotIsReusedOnlyAfterItsLastThreadHasEnded)
{
    RecordingServer server;
    server.on_disconnect = [&](int slot) {
        // A slow last step: the slot's socket is long closed, its thread not yet done.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.Note("left " + std::to_string(slot));
    };
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer first = Join(server, 0);
    RawPeer second = Join(server, 1);
    second.Close();
    ASSERT_TRUE(server.WaitFor("disconnect 1"));
    RawPeer again = Join(server, 1);
    EXPECT_EQ(server.EventsOfSlot(1), (std::vector<std::string>{"connect 1", "disconnect 1", "connect 1"}));
    const auto all = server.Events();
    const auto left = std::find(all.begin(), all.end(), "left 1");
    const auto reconnect = std::find(std::find(all.begin(), all.end(), "disconnect 1"), all.end(), "connect 1");
    EXPECT_LT(left - all.begin(), reconnect - all.begin());
}

TEST(ListenServer, EachConnectionReportsConnectLinesThenOneDisconnect)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer peer = Join(server, 0);
    const std::string long_line(100, 'x');
    ASSERT_TRUE(peer.Send("a\r\nb\n"));
    ASSERT_TRUE(peer.Send("\r\n" + long_line + "\r\nunfinished"));
    ASSERT_TRUE(server.WaitFor("line 0 " + long_line.substr(LINE_LIMIT)));
    peer.Close();
    ASSERT_TRUE(server.WaitFor("disconnect 0"));

    const std::vector<std::string> expected = {"connect 0",
                                               "line 0 a",
                                               "line 0 b",
                                               "line 0 ",
                                               "line 0 " + long_line.substr(0, LINE_LIMIT),
                                               "line 0 " + long_line.substr(LINE_LIMIT),
                                               "disconnect 0"};
    EXPECT_EQ(server.EventsOfSlot(0), expected);
    EXPECT_FALSE(server.WrongThreadSeen());
}

TEST(ListenServer, SendingReachesExactlyTheChosenSlots)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    std::vector<RawPeer> peers;
    for (int slot = 0; slot < 4; ++slot) {
        peers.push_back(Join(server, slot));
    }
    server.SendToAllExcept(2, "not two");
    server.SendTo(7, "nobody");
    server.SendTo(-1, "nobody");
    server.SendTo(2, "only two");
    server.SendToAll("all");
    for (int slot = 0; slot < 4; ++slot) {
        auto& peer = peers[static_cast<std::size_t>(slot)];
        if (slot != 2) {
            EXPECT_EQ(peer.ReceiveLine(), "not two\r\n") << slot;
        } else {
            EXPECT_EQ(peer.ReceiveLine(), "only two\r\n");
        }
        EXPECT_EQ(peer.ReceiveLine(), "all\r\n") << slot;
    }
}

TEST(ListenServer, SendingToAFreeSlotDoesNothing)
{
    RecordingServer server(2);
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    server.SendTo(0, "lost");
    server.SendToAll("lost too");
    RawPeer peer = Join(server, 0);
    server.SendTo(0, "first");
    EXPECT_EQ(peer.ReceiveLine(), "first\r\n");
}

// What the host queued for a peer just before it ends the connection in order reaches the peer, every time, also
// when the peer has sent a line the host will never read (a close with unread input must not become a reset).
enum class HostEnd { CLOSE_SLOT, STOP, REFUSE };

struct HostEndCase {
    const char* name;
    HostEnd end;
};

class ListenServerOrderlyEnd : public testing::TestWithParam<HostEndCase> {};

TEST_P(ListenServerOrderlyEnd, TheLastLineReachesThePeerEveryTime)
{
    constexpr int ROUNDS = 30;
    RecordingServer server(1);
    server.record_lines = false;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer seated;
    if (GetParam().end == HostEnd::REFUSE) {
        seated = Join(server, 0);
    }
    for (int round = 0; round < ROUNDS; ++round) {
        if (GetParam().end == HostEnd::REFUSE) {
            RawPeer refused = RawPeer::ConnectTo(server.Port());
            ASSERT_TRUE(refused.Send("NEW_C\tlate\r\n"));
            EXPECT_EQ(refused.ReceiveAll(), server.refuse_line + "\r\n") << "round " << round;
            continue;
        }
        const std::string last = "MSG\tlast " + std::to_string(round);
        RawPeer peer = Join(server, 0);
        ASSERT_TRUE(peer.Send("CHAT\tnever read\r\n"));
        server.SendTo(0, last);
        if (GetParam().end == HostEnd::CLOSE_SLOT) {
            server.CloseSlot(0);
        } else {
            server.Close();
        }
        EXPECT_EQ(peer.ReceiveAll(), last + "\r\n") << "round " << round;
        ASSERT_TRUE(server.WaitFor("disconnect 0", round + 1));
        EXPECT_EQ(server.LastEnd(0), DisconnectReason::CLOSED);
        if (GetParam().end == HostEnd::STOP) {
            server.Shutdown();
            ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, ListenServerOrderlyEnd,
                         testing::Values(HostEndCase{"CloseSlot", HostEnd::CLOSE_SLOT},
                                         HostEndCase{"Stop", HostEnd::STOP}, HostEndCase{"Refuse", HostEnd::REFUSE}),
                         [](const testing::TestParamInfo<HostEndCase>& info) { return std::string(info.param.name); });

TEST(ListenServer, CloseEndsEverySlotBeforeListenEnd)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer first = Join(server, 0);
    RawPeer second = Join(server, 1);
    server.Close();
    EXPECT_TRUE(first.WaitForClose());
    EXPECT_TRUE(second.WaitForClose());
    ASSERT_TRUE(server.WaitFor("end"));
    const std::vector<std::string> events = server.Events();
    EXPECT_EQ(events.back(), "end");
    EXPECT_EQ(server.Count("disconnect 0"), 1);
    EXPECT_EQ(server.Count("disconnect 1"), 1);
    EXPECT_FALSE(server.IsListening());
    EXPECT_EQ(server.Port(), 0);
}

TEST(ListenServer, AStoppedServerListensAgainOnTheSamePort)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    const int port = server.Port();
    {
        RawPeer peer = Join(server, 0);
        ASSERT_TRUE(peer.Send("hello\r\n"));
        ASSERT_TRUE(server.WaitFor("line 0 hello"));
        // The server closes first, which leaves its side of the connection waiting out TIME_WAIT on the port.
        server.Close();
        ASSERT_TRUE(server.WaitFor("end"));
    }
    ASSERT_TRUE(WaitUntil([&] { return !server.Running(); }));
    ASSERT_TRUE(server.Listen(port, 5, "127.0.0.1"));
    EXPECT_EQ(server.Port(), port);
    RawPeer peer = Join(server, 0);
    ASSERT_TRUE(peer.Send("again\r\n"));
    EXPECT_TRUE(server.WaitFor("line 0 again"));
    EXPECT_EQ(server.Count("start"), 2);
}

TEST(ListenServer, ListenIsRefusedWhileListeningAndWithoutSlots)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    EXPECT_FALSE(server.Listen(0, 5, "127.0.0.1"));

    RecordingServer no_slots(0);
    EXPECT_FALSE(no_slots.Listen(0, 5, "127.0.0.1"));
    EXPECT_FALSE(no_slots.Running());
}

TEST(ListenServer, AListenThatCannotBeHadSaysWhyWithoutStartingARun)
{
    test::RawListener taken;
    struct Case {
        int port;
        const char* address;
        ListenError error;
    };
    std::vector<Case> cases = {
        {taken.Port(), "127.0.0.1", ListenError::PORT_IN_USE},
        {0, "192.0.2.1", ListenError::ADDRESS_NOT_AVAILABLE}, // a documentation address: never this machine's
        {0, "not an address", ListenError::FAILED},
    };
    if (::geteuid() != 0) {
        cases.push_back({1, "127.0.0.1", ListenError::NOT_PERMITTED}); // root may bind any port
    }
    for (const Case& c : cases) {
        RecordingServer server;
        EXPECT_EQ(server.Listen(c.port, 5, c.address).error, c.error) << c.address << " port " << c.port;
        EXPECT_FALSE(server.Running());
        EXPECT_FALSE(server.IsListening());
        EXPECT_TRUE(server.Events().empty());
    }
}

// A ConnectClient that hands every line to a callback.
class LineRecorder : public ConnectClient {
public:
    ~LineRecorder() override { Shutdown(); }
    std::atomic<bool> connected{false};
    std::mutex lock;
    std::vector<std::string> lines;

protected:
    void OnConnect() override { connected = true; }
    void OnLine(const char* line) override
    {
        const std::scoped_lock guard(lock);
        lines.emplace_back(line);
    }
};

class ListenServerIpv6 : public testing::TestWithParam<const char*> {};

TEST_P(ListenServerIpv6, ServesAClientThatConnectsToTheIpv6Loopback)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "::1"));
    LineRecorder client;
    ASSERT_TRUE(client.Connect(GetParam(), server.Port()));
    ASSERT_TRUE(server.WaitFor("connect 0"));
    ASSERT_TRUE(WaitUntil([&] { return client.connected.load(); }));
    ASSERT_TRUE(client.SendLine("up"));
    EXPECT_TRUE(server.WaitFor("line 0 up"));
    server.SendTo(0, "down");
    EXPECT_TRUE(WaitUntil([&] {
        const std::scoped_lock guard(client.lock);
        return client.lines == std::vector<std::string>{"down"};
    }));
}

INSTANTIATE_TEST_SUITE_P(Addresses, ListenServerIpv6, testing::Values("::1", "[::1]"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return info.index == 0 ? std::string("Plain") : std::string("InBrackets");
                         });

TEST(ListenServer, CallbacksMayStopTheServer)
{
    RecordingServer server;
    // The host stopping itself from inside its own callbacks must neither wait for itself nor hang.
    server.on_line = [&](int, const char* line) {
        if (std::string_view(line) == "stop") {
            server.Close();
        }
    };
    server.on_listen_end = [&] { server.Close(); };
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer peer = Join(server, 0);
    ASSERT_TRUE(peer.Send("stop\r\n"));
    EXPECT_TRUE(peer.WaitForClose());
    EXPECT_TRUE(server.WaitFor("end"));
    EXPECT_EQ(server.EventsOfSlot(0), (std::vector<std::string>{"connect 0", "line 0 stop", "disconnect 0"}));
}

TEST(ListenServer, AFloodWithoutLineEndsIsCutIntoPiecesAndOthersAreServed)
{
    RecordingServer server;
    server.record_lines = false;
    std::atomic<int> pieces{0};
    std::atomic<bool> other_heard{false};
    server.on_line = [&](int slot, const char* line) {
        if (slot == 0) {
            EXPECT_EQ(std::strlen(line), 79U);
            ++pieces;
        } else if (std::string_view(line) == "hi") {
            other_heard = true;
        }
    };
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    RawPeer flood = Join(server, 0);
    RawPeer other = Join(server, 1);
    // Not a multiple of LINE_LIMIT: the rest is an unfinished line.
    constexpr std::size_t TOTAL = 4 * 1024 * 1024 + 5;
    const std::string block(64 * 1024, 'z');
    std::size_t sent = 0;
    while (sent < TOTAL) {
        const std::size_t size = std::min(block.size(), TOTAL - sent);
        ASSERT_TRUE(flood.Send(std::string_view(block).substr(0, size)));
        sent += size;
    }
    ASSERT_TRUE(other.Send("hi\r\n"));
    flood.Close();
    ASSERT_TRUE(server.WaitFor("disconnect 0"));
    EXPECT_EQ(pieces.load(), static_cast<int>(TOTAL / LINE_LIMIT));
    EXPECT_TRUE(WaitUntil([&] { return other_heard.load(); }));
}

TEST(ListenServer, AThousandConnectionsLeaveNoDescriptorOrThreadBehind)
{
    RecordingServer server;
    ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
    ASSERT_TRUE(server.WaitFor("start"));
    const int descriptors = test::OpenDescriptors();
    const int threads = test::ThreadsAtStart();

    struct Tally {
        long connects, disconnects, refusals;
    };
    auto tally = [&] {
        const auto events = server.Events();
        return Tally{
            std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.starts_with("connect"); }),
            std::count_if(events.begin(), events.end(),
                          [](const std::string& e) { return e.starts_with("disconnect"); }),
            std::count(events.begin(), events.end(), "refuse")};
    };
    constexpr int CONNECTIONS = 1000;
    for (int i = 0; i < CONNECTIONS; ++i) {
        RawPeer peer = RawPeer::ConnectTo(server.Port());
        ASSERT_TRUE(peer.IsOpen()) << i;
        if (i % 3 == 0) {
            ASSERT_TRUE(peer.Send("NEW_C\tname\r\n"));
        }
        // Keep pace with the server, as a client reconnecting in a loop would: a connect that outran the accept
        // queue would only wait for the kernel's SYN retry.
        ASSERT_TRUE(WaitUntil([&] {
            const Tally now = tally();
            return now.connects + now.refusals > i;
        }));
    }
    ASSERT_TRUE(WaitUntil([&] {
        const Tally now = tally();
        return now.connects + now.refusals == CONNECTIONS && now.connects == now.disconnects;
    }));
    EXPECT_TRUE(WaitUntil([&] { return test::OpenDescriptors() == descriptors; }))
        << test::OpenDescriptors() << " descriptors, " << descriptors << " before";
    EXPECT_TRUE(WaitUntil([&] { return test::Threads() == threads; }))
        << test::Threads() << " threads, " << threads << " before";
    EXPECT_FALSE(server.WrongThreadSeen());

    // Still serving.
    RawPeer peer = RawPeer::ConnectTo(server.Port());
    ASSERT_TRUE(peer.Send("after\r\n"));
    EXPECT_TRUE(server.WaitFor("line 0 after"));
}

TEST(ListenServer, ShutdownEndsEveryThread)
{
    const int threads = test::ThreadsAtStart();
    {
        RecordingServer server;
        ASSERT_TRUE(server.Listen(0, 5, "127.0.0.1"));
        RawPeer first = Join(server, 0);
        RawPeer second = Join(server, 1);
        server.Shutdown();
        EXPECT_FALSE(server.Running());
        EXPECT_EQ(server.Count("disconnect 0"), 1);
        EXPECT_EQ(server.Count("disconnect 1"), 1);
        EXPECT_EQ(server.Count("end"), 1);
    }
    EXPECT_TRUE(test::ThreadsBackTo(threads)) << test::Threads() << " threads, " << threads << " before";
}

} // namespace
} // namespace pyrandel
