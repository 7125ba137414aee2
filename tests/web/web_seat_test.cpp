// A web front and its seats in play: WebSockets from Beast's client on loopback, the seat's room a scripted host
// that plays the host's lines by hand and reads every line the seat sends.

#include "server/random_generator.h"
#include "server/server_session.h"
#include "support/page_client.h"
#include "support/scripted_host.h"
#include "text/text_codec.h"
#include "text/texts.h"
#include "web/web_front.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

using namespace std::chrono_literals;
using test::PageClient;
using test::PageHandshake;

std::string Utf8(std::string_view cp932)
{
    return Cp932ToUtf8(cp932);
}

class WebSeatTest : public ::testing::Test {
protected:
    void Start(WebLimits limits = {})
    {
        WebFrontOptions options;
        options.listen = WebAddress{"127.0.0.1", 0};
        options.host = "127.0.0.1";
        options.port = host.Port();
        options.limits = limits;
        front.emplace(std::move(options));
        ASSERT_EQ(front->Start(), ListenError::NONE);
    }

    [[nodiscard]] int Port() const { return front->Port(); }

    // A page that joins as `name` and is greeted by the host as participant 0; returns the seat's token.
    std::string Join(PageClient& page, const std::string& name)
    {
        EXPECT_TRUE(page.WaitFor("welcome"));
        page.Intent("join", {{"name", name}});
        const auto snapshot = page.WaitFor("snapshot");
        EXPECT_TRUE(snapshot);
        EXPECT_TRUE(host.Accept());
        EXPECT_EQ(host.ReadLine(), "NEW_C\t" + name);
        host.Send("ID\t0");
        host.Send("ADD\t0\t" + name);
        EXPECT_TRUE(page.WaitFor("participants"));
        return snapshot ? std::string(snapshot->at("token").as_string()) : std::string();
    }

    // A chat line from the page that the host must read next: everything the page asked before it has been
    // handled, and nothing of it went to the host.
    void ExpectNothingSentBefore(PageClient& page, const std::string& line)
    {
        page.Intent("chat", {{"text", line}});
        EXPECT_EQ(host.ReadLine(), "CHAT\t" + line);
    }

    test::ScriptedHost host;
    std::optional<WebFront> front;
};

TEST_F(WebSeatTest, HandshakeNeedsTheOwnOriginAndTheSubprotocolAndOffersNoCompression)
{
    Start();
    struct Case {
        std::string name;
        PageHandshake handshake;
        int refused; // 0: accepted
    };
    const auto with = [](auto change) {
        PageHandshake handshake;
        change(handshake);
        return handshake;
    };
    const std::vector<Case> cases = {
        {"the page's own", {}, 0},
        {"compression offered", with([](PageHandshake& h) { h.offer_deflate = true; }), 0},
        {"another origin", with([](PageHandshake& h) { h.origin = "http://evil.example"; }), 403},
        {"no origin", with([](PageHandshake& h) { h.send_origin = false; }), 403},
        {"no subprotocol", with([](PageHandshake& h) { h.subprotocol.clear(); }), 400},
        {"another path", with([](PageHandshake& h) { h.path = "/socket"; }), 404},
    };
    for (const Case& c : cases) {
        PageClient page(Port(), c.handshake);
        EXPECT_EQ(page.Open(), c.refused == 0) << c.name;
        EXPECT_EQ(page.RefusedStatus(), c.refused == 0 ? 0 : c.refused) << c.name;
        if (page.Open()) {
            EXPECT_EQ(page.Subprotocol(), "pyrandel.v1") << c.name;
            EXPECT_EQ(page.Extensions(), "") << c.name;
            const auto welcome = page.WaitFor("welcome");
            ASSERT_TRUE(welcome) << c.name;
            EXPECT_EQ(welcome->at("texts").at("LABEL_CONNECT").as_string(), Utf8(texts::LABEL_CONNECT));
            EXPECT_EQ(welcome->at("field_bytes").as_int64(), 78);
        }
    }
}

TEST_F(WebSeatTest, SocketsBeyondTheLimitsAreClosedWithAReasonAndAFreedOneIsReused)
{
    struct Case {
        std::string name;
        int per_address;
        int total;
        int code;
        std::string_view reason;
    };
    const std::vector<Case> cases = {
        {"per address", 2, 32, 1008, texts::CLOSE_TOO_MANY_FROM_ADDRESS},
        {"in all", 32, 2, 1013, texts::CLOSE_TOO_MANY},
    };
    for (const Case& c : cases) {
        WebLimits limits;
        limits.sockets_per_address = c.per_address;
        limits.sockets_total = c.total;
        front.reset();
        Start(limits);
        std::optional<PageClient> first(std::in_place, Port());
        PageClient second(Port());
        ASSERT_TRUE(first->WaitFor("welcome")) << c.name;
        ASSERT_TRUE(second.WaitFor("welcome")) << c.name;
        PageClient third(Port());
        ASSERT_TRUE(third.Open()) << c.name;
        EXPECT_EQ(third.WaitClosed(), std::pair(c.code, Utf8(c.reason))) << c.name;
        first.reset();
        // The freed place is taken as soon as the server has seen the first go.
        bool welcomed = false;
        for (int attempt = 0; attempt < 100 && !welcomed; ++attempt) {
            PageClient again(Port());
            const auto event = again.Next();
            welcomed = event && event->at("type").as_string() == "welcome";
        }
        EXPECT_TRUE(welcomed) << c.name;
    }
}

TEST_F(WebSeatTest, BadInputGetsANoticeOrACloseReason)
{
    Start();
    struct Case {
        std::string name;
        std::string text;
        bool binary;
        std::optional<std::string_view> notice;
        int code; // when closed
    };
    const std::vector<Case> cases = {
        {"garbage", "{not json", false, texts::NOTICE_BAD_MESSAGE, 0},
        {"unknown intent", R"({"type":"teleport"})", false, texts::NOTICE_BAD_MESSAGE, 0},
        {"intent without a seat", R"({"type":"drop","lane":3})", false, texts::NOTICE_NOT_CONNECTED, 0},
        {"emoji in a name", R"({"type":"join","name":"A😀"})", false, texts::NOTICE_NOT_CP932, 0},
        {"tab in a name", "{\"type\":\"join\",\"name\":\"A\\tB\"}", false, texts::NOTICE_CONTROL_CHARACTER, 0},
        {"one byte over the limit", std::string(1025, 'x'), false, std::nullopt, 1009},
        {"a megabyte", std::string(1 << 20, 'x'), false, std::nullopt, 1009},
        {"binary frame", "{}", true, std::nullopt, 1003},
    };
    for (const Case& c : cases) {
        PageClient page(Port());
        ASSERT_TRUE(page.WaitFor("welcome")) << c.name;
        EXPECT_TRUE(c.binary ? page.SendBinary(c.text) : page.Send(c.text)) << c.name;
        if (c.notice) {
            EXPECT_TRUE(page.WaitForNotice(Utf8(*c.notice))) << c.name;
        } else {
            const auto closed = page.WaitClosed();
            ASSERT_TRUE(closed) << c.name;
            EXPECT_EQ(closed->first, c.code) << c.name;
        }
    }
}

TEST_F(WebSeatTest, APageThatAnswersNoPingIsClosed)
{
    WebLimits limits;
    limits.ping_interval = 50ms;
    limits.silence = 200ms;
    limits.handshake = 500ms;
    Start(limits);
    PageClient page(Port());
    ASSERT_TRUE(page.Open());
    const auto bytes = page.ReadRawUntilEnd();
    ASSERT_TRUE(bytes);
    // A close frame (0x88) with the code 4002, after the pings (0x89) that went unanswered.
    EXPECT_NE(bytes->find("\x89\x00", 0, 2), std::string::npos);
    EXPECT_NE(bytes->find("\x0F\xA2"), std::string::npos);
}

TEST_F(WebSeatTest, ASeatOutlivesItsPageAndAResumedPageGetsEverything)
{
    Start();
    std::optional<PageClient> first(std::in_place, Port());
    const std::string token = Join(*first, "Taro");
    host.Send("MSG\tone");
    ASSERT_TRUE(first->WaitFor("chat"));
    first->Drop();
    host.Send("MSG\ttwo");
    PageClient second(Port());
    ASSERT_TRUE(second.WaitFor("welcome"));
    second.Intent("resume", {{"token", token}});
    const auto snapshot = second.WaitFor("snapshot");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->at("token").as_string(), token);
    EXPECT_EQ(snapshot->at("participants").as_array().size(), 1U);
    EXPECT_TRUE(snapshot->at("connected").as_bool());
    // Nothing was missed while no page was there: the line is in the snapshot, or follows it.
    const auto& chat = snapshot->at("chat").as_array();
    bool two = std::find(chat.begin(), chat.end(), boost::json::value("two")) != chat.end();
    if (!two) {
        const auto line = second.WaitFor("chat");
        two = line && line->at("line").as_string() == "two";
    }
    EXPECT_TRUE(two);

    // A second tab with the same token takes the seat over; the first is told so.
    PageClient third(Port());
    ASSERT_TRUE(third.WaitFor("welcome"));
    third.Intent("resume", {{"token", token}});
    EXPECT_TRUE(third.WaitFor("snapshot"));
    EXPECT_TRUE(second.WaitForNotice(Utf8(texts::NOTICE_TAKEN_OVER)));
    EXPECT_EQ(second.WaitClosed(), std::pair(4001, Utf8(texts::NOTICE_TAKEN_OVER)));
    // An unknown token has no seat.
    PageClient stranger(Port());
    stranger.Intent("resume", {{"token", "0123"}});
    EXPECT_TRUE(stranger.WaitFor("ended"));
}

TEST_F(WebSeatTest, ASeatWithoutItsPageForTheGraceTimeLeavesTheRoom)
{
    WebLimits limits;
    limits.grace = 100ms;
    Start(limits);
    PageClient page(Port());
    Join(page, "Hanako");
    page.Drop();
    // The seat's connection ends: the host reads no further line.
    EXPECT_EQ(host.ReadLine(10s), std::nullopt);
}

TEST_F(WebSeatTest, RefusedIntentsSendNothingToTheHost)
{
    Start();
    PageClient page(Port());
    Join(page, "Taro");
    struct Refusal {
        std::string name;
        std::string_view intent_type;
        boost::json::object fields;
        std::string_view notice;
    };
    const auto refuse = [&](const std::vector<Refusal>& refusals) {
        for (const Refusal& r : refusals) {
            page.Intent(r.intent_type, r.fields);
            EXPECT_TRUE(page.WaitForNotice(Utf8(r.notice))) << r.name;
            ExpectNothingSentBefore(page, r.name);
        }
    };
    refuse({
        {"drop-before-any-match", "drop", {{"lane", 3}}, texts::NOTICE_NOT_YOUR_TURN},
        {"emoji", "chat", {{"text", "\xF0\x9F\x98\x80"}}, texts::NOTICE_NOT_CP932},
        {"line-end", "chat", {{"text", "a\r\nSTARTVS"}}, texts::NOTICE_CONTROL_CHARACTER},
    });
    host.Send("STARTVS\t1");
    ASSERT_TRUE(page.WaitFor("battle"));
    refuse({{"drop-out-of-turn", "drop", {{"lane", 3}}, texts::NOTICE_NOT_YOUR_TURN}});
    // Another player fills lane 0 (column 0, even rows), then the turn comes.
    for (int row = 0; row < 12; row += 2) {
        host.Send("PLOT\t2\t0\t" + std::to_string(row) + "\t0");
    }
    host.Send("CAN_PUT");
    std::optional<boost::json::object> turn;
    while ((turn = page.WaitFor("turn")) && !turn->at("may_place").as_bool()) {
    }
    ASSERT_TRUE(turn);
    refuse({{"full-lane", "drop", {{"lane", 0}}, texts::NOTICE_LANE_FULL},
            {"no-lane", "drop", {{"lane", 32}}, texts::NOTICE_LANE_FULL}});
    page.Intent("drop", {{"lane", 2}});
    EXPECT_EQ(host.ReadLine(), "PLOT\t1\t1\t0\t0\t-1");
    refuse({{"second-ball", "drop", {{"lane", 4}}, texts::NOTICE_NOT_YOUR_TURN}});
}

TEST_F(WebSeatTest, TheDecidedBoxHoldsTheHostsLinesUntilDismissed)
{
    Start();
    PageClient page(Port());
    Join(page, "Taro");
    host.Send("STARTVS\t1");
    ASSERT_TRUE(page.WaitFor("battle"));
    for (int col = 3; col < 8; ++col) {
        host.Send("PLOT\t2\t" + std::to_string(col) + "\t0\t0");
    }
    host.Send("MSG\tafter");
    const auto box = page.WaitFor("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->at("text").as_string(), Utf8(texts::STATUS_DECIDED));
    page.Intent("dismiss");
    bool dismissed = false;
    for (auto event = page.Next(); event; event = page.Next()) {
        const auto& type = event->at("type").as_string();
        if (type == "box") {
            dismissed = event->at("text").is_null();
        }
        if (type == "chat" && event->at("line").as_string() == "after") {
            break;
        }
    }
    EXPECT_TRUE(dismissed);
}

// Who left a real host's room, in order.
class Departures final : public ServerObserver {
public:
    void OnLeave(int, std::string_view name, DisconnectReason) override
    {
        const std::lock_guard guard(lock);
        names.emplace_back(name);
        changed.notify_all();
    }
    bool WaitFor(const std::vector<std::string>& expected)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 30s, [&] { return names == expected; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> names;
};

TEST(WebComputers, ComputerPlayersLeaveWithTheLastPerson)
{
    RandomGenerator random;
    Departures departures;
    ServerSession server(random);
    server.SetObserver(departures);
    ASSERT_TRUE(server.Listen(0, LISTEN_BACKLOG, "127.0.0.1"));
    WebFrontOptions options;
    options.listen = WebAddress{"127.0.0.1", 0};
    options.host = "127.0.0.1";
    options.port = server.Port();
    options.computer_pause = 0ms;
    std::optional<WebFront> front(std::in_place, std::move(options));
    ASSERT_EQ(front->Start(), ListenError::NONE);
    PageClient page(front->Port());
    page.Intent("join", {{"name", "Solo"}});
    std::optional<boost::json::object> allowed;
    while ((allowed = page.WaitFor("computer")) && !allowed->at("may_add").as_bool()) {
    }
    ASSERT_TRUE(allowed);
    page.Intent("computer", {{"level", 1}});
    std::optional<boost::json::object> listed;
    while ((listed = page.WaitFor("participants")) && listed->at("participants").as_array().size() < 2) {
    }
    ASSERT_TRUE(listed);
    page.Intent("leave");
    EXPECT_TRUE(departures.WaitFor({"Solo", "CPU1"}));
    front.reset();
    server.Shutdown();
}

} // namespace
} // namespace pyrandel
