// What the page server answers and accepts, as pure functions: the page's files and the refusals with their
// security headers, the checks of an upgrade, the listening address, the intents, the rate limit and the links.

#include "web/http_answers.h"
#include "web/local_addresses.h"
#include "web/page_messages.h"
#include "web/token_bucket.h"
#include "web/web_address.h"

#include <boost/beast/http/field.hpp>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

namespace http = boost::beast::http;

HttpRequest Request(http::verb method, std::string target, std::string origin = "http://192.0.2.7:8080",
                    std::string protocol = "pyrandel.v1")
{
    HttpRequest request(method, target, 11);
    request.set(http::field::host, "192.0.2.7:8080");
    if (!origin.empty()) {
        request.set(http::field::origin, origin);
    }
    if (!protocol.empty()) {
        request.set(http::field::sec_websocket_protocol, protocol);
    }
    return request;
}

TEST(PageAnswers, FilesForGetRefusalsOtherwiseAllWithTheSecurityHeaders)
{
    struct Case {
        http::verb method;
        std::string target;
        unsigned status;
        std::string content_type; // empty: not checked
    };
    const std::vector<Case> cases = {
        {http::verb::get, "/", 200, "text/html; charset=utf-8"},
        {http::verb::get, "/index.html?v=2", 200, "text/html; charset=utf-8"},
        {http::verb::get, "/main.js", 200, "text/javascript; charset=utf-8"},
        {http::verb::get, "/style.css", 200, "text/css; charset=utf-8"},
        {http::verb::get, "/favicon.svg", 200, "image/svg+xml"},
        {http::verb::get, "/../CMakeLists.txt", 404, ""},
        {http::verb::get, "/tsconfig.json", 404, ""},
        {http::verb::get, "/etc/passwd", 404, ""},
        {http::verb::post, "/", 405, ""},
        {http::verb::head, "/", 405, ""},
        {http::verb::put, "/main.js", 405, ""},
    };
    for (const Case& c : cases) {
        const HttpResponse response = AnswerRequest(Request(c.method, c.target));
        EXPECT_EQ(response.result_int(), c.status) << c.target;
        if (!c.content_type.empty()) {
            EXPECT_EQ(response[http::field::content_type], c.content_type) << c.target;
            EXPECT_FALSE(response.body().empty()) << c.target;
        }
        const std::string policy(response["Content-Security-Policy"]);
        EXPECT_NE(policy.find("default-src 'none'"), std::string::npos) << c.target;
        EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos) << c.target;
        EXPECT_NE(policy.find("connect-src 'self' ws://192.0.2.7:8080 wss://192.0.2.7:8080"), std::string::npos)
            << c.target;
        EXPECT_EQ(response["X-Content-Type-Options"], "nosniff") << c.target;
    }
    // A Host header that could write into the policy is left out of it.
    EXPECT_EQ(ContentSecurityPolicy("a; script-src *").find("script-src *"), std::string::npos);
}

TEST(PageAnswers, UpgradeOnlyAtTheSocketFromTheOwnOriginWithTheSubprotocol)
{
    struct Case {
        std::string name;
        HttpRequest request;
        std::optional<unsigned> refusal;
    };
    const std::vector<Case> cases = {
        {"accepted", Request(http::verb::get, "/ws"), std::nullopt},
        {"https origin behind a proxy", Request(http::verb::get, "/ws", "https://192.0.2.7:8080"), std::nullopt},
        {"protocol among others", Request(http::verb::get, "/ws", "http://192.0.2.7:8080", "chat, pyrandel.v1"),
         std::nullopt},
        {"another path", Request(http::verb::get, "/socket"), 404},
        {"another origin", Request(http::verb::get, "/ws", "http://evil.example"), 403},
        {"another port", Request(http::verb::get, "/ws", "http://192.0.2.7:9090"), 403},
        {"origin null", Request(http::verb::get, "/ws", "null"), 403},
        {"no origin", Request(http::verb::get, "/ws", ""), 403},
        {"no subprotocol", Request(http::verb::get, "/ws", "http://192.0.2.7:8080", ""), 400},
        {"another subprotocol", Request(http::verb::get, "/ws", "http://192.0.2.7:8080", "pyrandel.v2"), 400},
    };
    for (const Case& c : cases) {
        const auto refusal = RefuseUpgrade(c.request);
        EXPECT_EQ(refusal ? std::optional(refusal->result_int()) : std::nullopt, c.refusal) << c.name;
    }
}

TEST(WebAddress, PortWithAnOptionalNumericAddress)
{
    struct Case {
        std::string text;
        std::optional<WebAddress> expected;
    };
    const std::vector<Case> cases = {
        {"8080", WebAddress{"", 8080}},
        {"0", WebAddress{"", 0}},
        {"127.0.0.1:8080", WebAddress{"127.0.0.1", 8080}},
        {"[::1]:8080", WebAddress{"::1", 8080}},
        {"[::]:80", WebAddress{"::", 80}},
        {"65536", std::nullopt},
        {"-1", std::nullopt},
        {"0x50", std::nullopt},
        {"", std::nullopt},
        {"localhost:8080", std::nullopt},
        {"::1:8080", std::nullopt},
        {"[127.0.0.1]:80", std::nullopt},
        {"127.0.0.1:", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseWebAddress(c.text), c.expected) << c.text;
    }
}

TEST(PageUrls, OneLinkPerAddressOrTheBoundOneOrLoopback)
{
    const AddressSource two = [] { return std::vector<std::string>{"192.0.2.7", "2001:db8::7"}; };
    const AddressSource none = [] { return std::vector<std::string>{}; };
    EXPECT_EQ(PageUrls("", 8080, two),
              (std::vector<std::string>{"http://192.0.2.7:8080/", "http://[2001:db8::7]:8080/"}));
    EXPECT_EQ(PageUrls("::", 80, none), (std::vector<std::string>{"http://127.0.0.1:80/"}));
    EXPECT_EQ(PageUrls("127.0.0.1", 5, two), (std::vector<std::string>{"http://127.0.0.1:5/"}));
}

TEST(PageIntents, KnownTypesWithTheirFieldsOnly)
{
    struct Case {
        std::string json;
        std::optional<IntentKind> kind;
        std::string text = {};
        int number = 0;
    };
    const std::vector<Case> cases = {
        {R"({"type":"join","name":"Taro"})", IntentKind::JOIN, "Taro"},
        {R"({"type":"resume","token":"ab12"})", IntentKind::RESUME, "ab12"},
        {R"({"type":"chat","text":""})", IntentKind::CHAT, ""},
        {R"({"type":"drop","lane":31})", IntentKind::DROP, "", 31},
        {R"({"type":"computer","level":5})", IntentKind::COMPUTER, "", 5},
        {R"({"type":"dismiss","extra":[1,2]})", IntentKind::DISMISS},
        {R"({"type":"leave"})", IntentKind::LEAVE},
        {R"({"type":"hint"})", IntentKind::HINT},
        {R"({"type":"close"})", IntentKind::CLOSE},
        {R"({"type":"start"})", IntentKind::START},
        {"garbage", std::nullopt},
        {R"(["drop", 3])", std::nullopt},
        {R"({"type":"jump"})", std::nullopt},
        {R"({"type":"drop"})", std::nullopt},
        {R"({"type":"drop","lane":"3"})", std::nullopt},
        {R"({"type":"drop","lane":1.5})", std::nullopt},
        {R"({"type":"drop","lane":99999999999})", std::nullopt},
        {R"({"type":"chat","text":7})", std::nullopt},
        {R"({"type":"hint"} trailing)", std::nullopt},
        {R"({"type":{"a":{"b":{"c":{"d":1}}}}})", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto intent = ParseIntent(c.json);
        ASSERT_EQ(intent.has_value(), c.kind.has_value()) << c.json;
        if (intent) {
            EXPECT_EQ(intent->kind, *c.kind) << c.json;
            EXPECT_EQ(intent->text, c.text) << c.json;
            EXPECT_EQ(intent->number, c.number) << c.json;
        }
    }
}

TEST(TokenBucket, ABurstThenTheSteadyRate)
{
    using namespace std::chrono_literals;
    const auto start = TokenBucket::Clock::time_point{};
    TokenBucket bucket(RateLimit{3, 2}, start);
    struct Step {
        std::chrono::milliseconds at;
        bool taken;
    };
    const std::vector<Step> steps = {
        {0ms, true},    {0ms, true},   {0ms, true},    {0ms, false}, // the burst
        {499ms, false}, {500ms, true}, {500ms, false},               // one token each half second
        {10s, true},    {10s, true},   {10s, true},    {10s, false}, // never more than the burst saved up
    };
    for (const Step& step : steps) {
        EXPECT_EQ(bucket.Take(start + step.at), step.taken) << step.at.count();
    }
}

} // namespace
} // namespace pyrandel
