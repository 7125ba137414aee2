// The dedicated host's log in-process: each event's sentence, the players' names as shown, the time stamp, and
// the quiet level.

#include "host/host_log.h"
#include "host/log_pipe.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace pyrandel {
namespace {

// What the log wrote for `report`, without the time stamps ("2026-12-07T14:55:03Z " on every line).
std::string Logged(LogLevel level, const std::function<void(HostLog&)>& report)
{
    test::LogPipe pipe;
    {
        LogWriter writer(pipe.input());
        HostLog log(writer, level);
        report(log);
    }
    pipe.CloseInput();
    constexpr std::size_t STAMP = sizeof("2026-12-07T14:55:03Z ") - 1;
    std::istringstream lines(pipe.ReadToEnd());
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        text += line.erase(0, STAMP) + "\n";
    }
    return text;
}

struct EventCase {
    const char* what;
    std::function<void(HostLog&)> report;
    std::string logged;
};

TEST(HostLog, WritesOneSentencePerEventWithNamesShownSafely)
{
    const std::array<SeatColour, 2> seats = {{{2, "b", 3}, {0, "a", 1}}};
    const std::vector<EventCase> cases = {
        {"join", [](HostLog& log) { log.OnJoin(1, "bob"); }, "player 1 (bob) joined\n"},
        {"code page 932 name", [](HostLog& log) { log.OnJoin(0, "\x96\xbc\x96\xb3\x82\xb5"); },
         "player 0 (\xe5\x90\x8d\xe7\x84\xa1\xe3\x81\x97) joined\n"},
        {"control bytes", [](HostLog& log) { log.OnJoin(3, "a\tb\x1b[2J\x7f"); }, "player 3 (a?b?[2J?) joined\n"},
        {"leave", [](HostLog& log) { log.OnLeave(2, "?", DisconnectReason::READ_DEADLINE); },
         "player 2 (?) left (sent no name within 30 s)\n"},
        {"match", [&seats](HostLog& log) { log.OnMatchStart(seats); },
         "match started: player 2 (b) green, player 0 (a) red\n"},
        {"win", [](HostLog& log) { log.OnWin(0, "a", 9); }, "player 0 (a) won with colour 9\n"},
        {"refuse", [](HostLog& log) { log.OnRefuse(); }, "a connection was turned away: all four seats are taken\n"},
        {"drop", [](HostLog& log) { log.OnDropped(1, "b", Offence::MOVE_OUT_OF_TURN); },
         "player 1 (b): move out of turn, dropped\n"},
        {"unreported", [](HostLog& log) { log.OnDropsUnreported(1, "b", 1); },
         "player 1 (b): 1 more line of the same kinds dropped\n"},
    };
    for (const EventCase& c : cases) {
        EXPECT_EQ(Logged(LogLevel::EVENTS, c.report), c.logged) << c.what;
        EXPECT_EQ(Logged(LogLevel::ERRORS_ONLY, c.report), "") << c.what;
    }
}

TEST(HostLog, StampsEachLineWithTheUtcSecond)
{
    const auto when = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + std::chrono::hours{14} +
                      std::chrono::minutes{55} + std::chrono::seconds{3} + std::chrono::milliseconds{999};
    EXPECT_EQ(FormatLogLine(when, "started"), "2026-12-07T14:55:03Z started");
}

} // namespace
} // namespace pyrandel
