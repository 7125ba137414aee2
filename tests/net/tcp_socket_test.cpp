#include "net/tcp_socket.h"

#include "raw_peer.h"
#include "support/thread_state.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::string_literals;
using test::RawPeer;
using test::WaitUntil;

SocketAddress Loopback(int port)
{
    return *SocketAddress::Numeric("127.0.0.1", port);
}

// An address as text with its port, for comparing.
std::string Text(const SocketAddress& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = address.family() == AF_INET6
                            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address.get())->sin6_addr)
                            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address.get())->sin_addr);
    ::inet_ntop(address.family(), bytes, text, sizeof text);
    return std::string(text) + " " +
           std::to_string(ntohs(reinterpret_cast<const sockaddr_in*>(address.get())->sin_port));
}

// A listening TcpSocket on an ephemeral loopback port.
TcpSocket MakeListener(int backlog = 8)
{
    TcpSocket listener;
    EXPECT_TRUE(listener.Create());
    EXPECT_EQ(listener.Bind(Loopback(0), AddressReuse::YES), BindResult::BOUND);
    EXPECT_TRUE(listener.Listen(backlog));
    return listener;
}

// An accepted TcpSocket and the raw peer at its other end.
struct Pair {
    TcpSocket listener = MakeListener();
    RawPeer peer = RawPeer::ConnectTo(listener.LocalPort());
    TcpSocket accepted = listener.Accept();
};

std::string Read(TcpSocket& socket, int* result = nullptr)
{
    char out[LINE_LIMIT + 1];
    const int got = socket.ReadLine(out, LINE_LIMIT);
    if (result != nullptr) {
        *result = got;
    }
    return got == LINE_NONE ? "<none>" : out;
}

TEST(TcpSocket, AcceptedSocketIsConnected)
{
    Pair pair;
    ASSERT_TRUE(pair.accepted.IsOpen());
    EXPECT_TRUE(pair.accepted.IsConnected());
    EXPECT_FALSE(pair.listener.IsConnected());
}

struct SendCase {
    std::string text;
    std::string wire;
};

class TcpSocketSend : public testing::TestWithParam<SendCase> {};

TEST_P(TcpSocketSend, SendsTheTextUpToItsNulAndCrLf)
{
    Pair pair;
    ASSERT_TRUE(pair.accepted.SendLine(GetParam().text));
    pair.accepted.Close();
    EXPECT_EQ(pair.peer.ReceiveAll(), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(Lines, TcpSocketSend,
                         testing::Values(SendCase{"hello", "hello\r\n"}, SendCase{"", "\r\n"},
                                         SendCase{"ab\0cd"s, "ab\r\n"}, SendCase{"a\nb", "a\nb\r\n"},
                                         SendCase{"\x8F\x9F\x95\x89\t0", "\x8F\x9F\x95\x89\t0\r\n"}));

TEST(TcpSocket, LongLinesGoOutWholeWhenThePeerReadsSlowly)
{
    Pair pair;
    // Far more than the socket buffers hold, so the kernel takes it in parts.
    const std::string line(8 * 1024 * 1024, 'w');
    std::atomic<pid_t> sending{0};
    auto sender = std::async(std::launch::async, [&] {
        sending = test::OwnThreadId();
        return pair.accepted.SendLine(line);
    });
    // The buffers fill first: the sender waits for room before anything is read.
    EXPECT_TRUE(WaitUntil([&] { return sending.load() != 0; }));
    EXPECT_TRUE(test::WaitUntilBlocked(sending));
    const std::string received = pair.peer.ReceiveLine();
    EXPECT_TRUE(sender.get());
    EXPECT_EQ(received.size(), line.size() + 2);
    EXPECT_EQ(received, line + "\r\n");
}

TEST(TcpSocket, APeerThatStopsReadingIsCutOffAfterTheStallLimit)
{
    Pair pair;
    pair.accepted.SetSendStallLimit(std::chrono::milliseconds(200));
    // The peer never reads: the buffers fill and the send waits for room that never comes.
    const std::string line(64 * 1024, 's');
    bool sent = true;
    for (int i = 0; i < 1000 && sent; ++i) {
        sent = pair.accepted.SendLine(line);
    }
    EXPECT_FALSE(sent);
    EXPECT_FALSE(pair.accepted.IsOpen());
    EXPECT_EQ(pair.accepted.LastEnd(), DisconnectReason::SEND_STALLED);
}

TEST(TcpSocket, LinesFromSeveralThreadsNeverInterleave)
{
    Pair pair;
    constexpr int THREADS = 4;
    constexpr int LINES = 300;
    std::vector<std::thread> senders;
    for (int t = 0; t < THREADS; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < LINES; ++i) {
                // Long enough that one line needs several sends once the buffer is full.
                const std::string body(5000 + 97 * t, static_cast<char>('a' + t));
                EXPECT_TRUE(pair.accepted.SendLine(std::to_string(t) + ":" + std::to_string(i) + ":" + body));
            }
        });
    }
    std::map<int, int> next_of_thread;
    for (int n = 0; n < THREADS * LINES; ++n) {
        const std::string line = pair.peer.ReceiveLine();
        ASSERT_GE(line.size(), 2U);
        ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
        const int t = line[0] - '0';
        ASSERT_TRUE(t >= 0 && t < THREADS) << line.substr(0, 20);
        const auto second = line.find(':', 2);
        const int i = std::stoi(line.substr(2, second - 2));
        EXPECT_EQ(i, next_of_thread[t]++);
        const std::string body = line.substr(second + 1, line.size() - second - 3);
        EXPECT_EQ(body, std::string(5000 + 97 * t, static_cast<char>('a' + t)));
    }
    for (auto& sender : senders) {
        sender.join();
    }
}

TEST(TcpSocket, SendingToAVanishedPeerFailsWithoutASignal)
{
    Pair pair;
    pair.peer.Close();
    // The first sends may still be taken by the kernel; soon one fails, and it must not raise SIGPIPE.
    EXPECT_TRUE(WaitUntil([&] { return !pair.accepted.SendLine("anyone?"); }));
    EXPECT_FALSE(pair.accepted.IsOpen());
    EXPECT_EQ(pair.accepted.LastEnd(), DisconnectReason::BROKEN);
}

TEST(TcpSocket, SendLineWithoutAConnectionFails)
{
    TcpSocket empty;
    EXPECT_FALSE(empty.SendLine("x"));
    TcpSocket created;
    ASSERT_TRUE(created.Create());
    EXPECT_FALSE(created.SendLine("x"));
    EXPECT_TRUE(created.IsOpen()); // a socket not yet connected is left alone
}

TEST(TcpSocket, ReadLineWithoutAConnectionLeavesTheBufferAlone)
{
    TcpSocket socket;
    char out[LINE_LIMIT + 1] = "untouched";
    EXPECT_EQ(socket.ReadLine(out, LINE_LIMIT), LINE_NONE);
    EXPECT_STREQ(out, "untouched");
}

TEST(TcpSocket, CrAtTheEndOfOneReceiveAndLfAtTheStartOfTheNextAreOneLineEnd)
{
    Pair pair;
    ASSERT_TRUE(pair.peer.Send("abc\r"));
    EXPECT_EQ(Read(pair.accepted), "abc"); // returns with the CR, before the LF was even sent
    ASSERT_TRUE(pair.peer.Send("\ndef\r\n"));
    EXPECT_EQ(Read(pair.accepted), "def");
    ASSERT_TRUE(pair.peer.Send("g\0h\r\n"s));
    EXPECT_EQ(Read(pair.accepted), "gh");
}

TEST(TcpSocket, TheEndOfTheConnectionClosesTheSocketAndDropsAnUnfinishedLine)
{
    Pair pair;
    ASSERT_TRUE(pair.peer.Send("last\r\nxyz"));
    pair.peer.Close();
    EXPECT_EQ(Read(pair.accepted), "last");
    char out[LINE_LIMIT + 1];
    EXPECT_EQ(pair.accepted.ReadLine(out, LINE_LIMIT), LINE_NONE);
    EXPECT_STREQ(out, "xyz");
    EXPECT_FALSE(pair.accepted.IsOpen());
    EXPECT_FALSE(pair.accepted.IsConnected());
    EXPECT_EQ(pair.accepted.LastEnd(), DisconnectReason::PEER_CLOSED);
}

TEST(TcpSocket, CloseFromAnotherThreadWakesABlockedAccept)
{
    TcpSocket listener = MakeListener();
    std::atomic<pid_t> accepter{0};
    auto accepting = std::async(std::launch::async, [&] {
        accepter = test::OwnThreadId();
        return listener.Accept().IsOpen();
    });
    EXPECT_TRUE(WaitUntil([&] { return accepter.load() != 0; }));
    EXPECT_TRUE(test::WaitUntilBlocked(accepter)); // inside accept
    listener.Close();
    EXPECT_FALSE(accepting.get());
    EXPECT_FALSE(listener.IsOpen());
}

TEST(TcpSocket, CloseFromAnotherThreadWakesABlockedReceive)
{
    Pair pair;
    std::atomic<pid_t> reader{0};
    auto reading = std::async(std::launch::async, [&] {
        reader = test::OwnThreadId();
        int result = -1;
        Read(pair.accepted, &result);
        return result;
    });
    EXPECT_TRUE(WaitUntil([&] { return reader.load() != 0; }));
    EXPECT_TRUE(test::WaitUntilBlocked(reader)); // inside the receive
    EXPECT_EQ(pair.accepted.LastEnd(), DisconnectReason::NONE);
    pair.accepted.Close();
    EXPECT_EQ(reading.get(), LINE_NONE);
    EXPECT_EQ(pair.accepted.LastEnd(), DisconnectReason::CLOSED);
    EXPECT_TRUE(pair.peer.WaitForClose()); // and the peer learns of it
}

TEST(TcpSocket, CloseFromAnotherThreadWakesAConnectThatTheListenerNeverAnswers)
{
    // A listener that never accepts, with the smallest queue: once the queue is full, the kernel ignores further
    // connection requests and a connect waits for an answer that never comes.
    TcpSocket listener = MakeListener(0);
    const int port = listener.LocalPort();
    const std::vector<RawPeer> fillers = test::FillListenQueue(port);
    const int pending = test::SynPendingTo(port);
    ASSERT_GT(pending, 0) << "the listen queue never filled";

    TcpSocket client;
    ASSERT_TRUE(client.Create());
    auto connecting = std::async(std::launch::async, [&] { return client.Connect(Loopback(port)); });
    ASSERT_TRUE(WaitUntil([&] { return test::SynPendingTo(port) > pending; })) << "the connect never started";
    client.Close();
    EXPECT_EQ(connecting.get(), ConnectResult::CLOSED);
    EXPECT_FALSE(client.IsConnected());
}

TEST(TcpSocket, ConnectReachesAListenerAndRefusesASecondTime)
{
    test::RawListener listener;
    TcpSocket client;
    ASSERT_TRUE(client.Create());
    ASSERT_EQ(client.Connect(Loopback(listener.Port())), ConnectResult::CONNECTED);
    RawPeer server_side = listener.Accept();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.Connect(Loopback(listener.Port())), ConnectResult::FAILED);
    ASSERT_TRUE(client.SendLine("hi"));
    EXPECT_EQ(server_side.ReceiveLine(), "hi\r\n");
}

TEST(TcpSocket, TakeOverMovesTheConnectionAndClosesTheOldOne)
{
    Pair first;
    Pair second;
    TcpSocket holder = std::move(first.accepted);
    EXPECT_FALSE(first.accepted.IsOpen());
    EXPECT_FALSE(first.accepted.IsConnected());
    EXPECT_TRUE(holder.IsConnected());
    first.accepted.Close(); // closing the emptied object leaves the connection alone
    ASSERT_TRUE(holder.SendLine("moved"));
    EXPECT_EQ(first.peer.ReceiveLine(), "moved\r\n");
    ASSERT_TRUE(first.peer.Send("back\r\n"));
    EXPECT_EQ(Read(holder), "back");

    holder.TakeOver(second.accepted); // the first connection is closed, the second one moves in
    EXPECT_TRUE(first.peer.WaitForClose());
    ASSERT_TRUE(holder.SendLine("second"));
    EXPECT_EQ(second.peer.ReceiveLine(), "second\r\n");
    holder.TakeOver(holder);
    EXPECT_TRUE(holder.IsConnected());
}

TEST(TcpSocket, TakeOverStartsWithAnEmptyReader)
{
    Pair first;
    Pair second;
    TcpSocket holder = std::move(first.accepted);
    ASSERT_TRUE(first.peer.Send("one\r\nunread\r\nold tail"));
    EXPECT_EQ(Read(holder), "one");
    holder.TakeOver(second.accepted);
    ASSERT_TRUE(second.peer.Send("new\r\n"));
    EXPECT_EQ(Read(holder), "new");
}

TEST(TcpSocket, CreateAgainAndDestructionLeaveNoDescriptorBehind)
{
    const int before = test::OpenDescriptors();
    {
        TcpSocket socket;
        for (int i = 0; i < 50; ++i) {
            ASSERT_TRUE(socket.Create());
        }
        Pair pair;
        TcpSocket moved = std::move(pair.accepted);
    }
    EXPECT_EQ(test::OpenDescriptors(), before);
}

TEST(TcpSocket, DescriptorsAreClosedOnExec)
{
    std::vector<int> before;
    for (int fd = 0; fd < 1024; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0) {
            before.push_back(fd);
        }
    }
    Pair pair; // its raw peer and listener ask for close-on-exec as well
    for (int fd = 0; fd < 1024; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0 && std::find(before.begin(), before.end(), fd) == before.end()) {
            EXPECT_TRUE((flags & FD_CLOEXEC) != 0) << "descriptor " << fd;
        }
    }
}

struct ResolveCase {
    const char* name;
    std::string host;
    std::vector<std::string> addresses; // with the port; empty: the name is not found
};

class TcpSocketResolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(TcpSocketResolve, GivesEveryAddressOfBothFamiliesInTheResolversOrder)
{
    const ResolveResult found = TcpSocket::Resolve(GetParam().host, 1224);
    std::vector<std::string> texts;
    for (const SocketAddress& address : found.addresses) {
        texts.push_back(Text(address));
    }
    EXPECT_EQ(found.name_found, !GetParam().addresses.empty());
    if (GetParam().host == "localhost") {
        // Whatever else this machine's hosts file says, localhost is the IPv4 loopback among others.
        EXPECT_NE(std::find(texts.begin(), texts.end(), "127.0.0.1 1224"), texts.end());
    } else {
        EXPECT_EQ(texts, GetParam().addresses);
    }
}

// No case asks the name service about a name it would pass on to another machine.
INSTANTIATE_TEST_SUITE_P(Hosts, TcpSocketResolve,
                         testing::Values(ResolveCase{"Localhost", "localhost", {"127.0.0.1 1224"}},
                                         ResolveCase{"Ipv4", "127.0.0.1", {"127.0.0.1 1224"}},
                                         ResolveCase{"Ipv6", "::1", {"::1 1224"}},
                                         ResolveCase{"Ipv6InBrackets", "[::1]", {"::1 1224"}},
                                         ResolveCase{"Ipv6Literal", "fd00::2", {"fd00::2 1224"}},
                                         ResolveCase{"Empty", "", {}}),
                         [](const testing::TestParamInfo<ResolveCase>& info) { return info.param.name; });

} // namespace
} // namespace pyrandel
