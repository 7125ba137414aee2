// What a browser seat adds to a move, and what a seat costs the host.
//
// MoveLatency: pyrandel-host --web, spawned on free loopback ports and trusting, as the TCP players' moves are written
// by hand, not played by the rules (a refereeing host would drop most of them). Two TCP players (raw line clients) play
// alternate moves, each sample the time from one player's PLOT until the other has read the relay. Then, through the
// same host in the same run, two browser seats (two WebSocket clients, no browser) play alternate moves, each sample
// the time from one page's drop intent until the other page has the ball on its board; a decided or full board starts
// the next match. Both play at the same pace (MOVE_GAP between moves), below the seats' limit on intents. Printed:
// median and p99 of both in microseconds and the ratios web / TCP (goal: median at most 1.5, p99 at most 2).
//
// SeatMemory: the host's resident memory before the two seats join and after, per seat.
// IdleCpu: the host's CPU time (user and system, in clock ticks) over three seconds with both seats attached
// and nothing happening (goal: 0).

#include "game/grid.h"
#include "support/line_client.h"
#include "support/page_client.h"
#include "support/spawned_program.h"

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace pyrandel {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using test::LineClient;
using test::PageClient;

constexpr int SAMPLES = 200;
// Moves at a person's brisk pace, under the seats' intent limit (10 a second each), the same for both kinds.
constexpr auto MOVE_GAP = 55ms;
// "さんは、" in code page 932: the host's colour announcement, "<name>さんは、<colour>色です".
const std::string MSG_COLOUR_MARK = "\x82\xB3\x82\xF1\x82\xCD\x81"
                                    "A";

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

double Micros(Clock::duration elapsed)
{
    return std::chrono::duration<double, std::micro>(elapsed).count();
}

long ResidentKib(int pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

long CpuTicks(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14 || index == 15) {
            ticks += std::stol(field);
        }
    }
    return ticks;
}

std::optional<std::string> ReadCommand(LineClient& client, std::string_view command)
{
    while (auto line = client.ReadLine()) {
        if (line->rfind(command, 0) == 0) {
            return line;
        }
    }
    return std::nullopt;
}

std::vector<double> TcpMoves(int port)
{
    LineClient a(port);
    LineClient b(port);
    a.Send("NEW_C\tTcpA");
    b.Send("NEW_C\tTcpB");
    // Both must be in the room before the match starts.
    while (auto line = a.ReadLine()) {
        if (line->rfind("ADD\t", 0) == 0 && line->ends_with("\tTcpB")) {
            break;
        }
    }
    a.Send("STARTVS");
    LineClient* players[] = {&a, &b};
    int colours[2] = {};
    // The host announces the colours in turn order: the first named moves first.
    int mover = -1;
    for (int i = 0; i < 2; ++i) {
        while (auto line = players[i]->ReadLine()) {
            if (i == 0 && mover < 0 && line->rfind("MSG\tTcp", 0) == 0 &&
                line->find(MSG_COLOUR_MARK) != std::string::npos) {
                mover = line->rfind("MSG\tTcpA", 0) == 0 ? 0 : 1;
            }
            if (line->rfind("STARTVS", 0) == 0) {
                colours[i] = std::stoi(line->substr(8));
                break;
            }
        }
    }
    std::vector<double> samples;
    if (mover < 0 || !ReadCommand(*players[mover], "CAN_PUT")) {
        return samples;
    }
    for (int move = 0; move < SAMPLES; ++move) {
        LineClient& from = *players[mover];
        LineClient& to = *players[1 - mover];
        std::this_thread::sleep_for(MOVE_GAP);
        const auto sent = Clock::now();
        from.Send("PLOT\t" + std::to_string(colours[mover]) + "\t" + std::to_string(move % COLUMNS) + "\t0\t0\t-1");
        if (!ReadCommand(to, "PLOT")) {
            break;
        }
        samples.push_back(Micros(Clock::now() - sent));
        if (!ReadCommand(to, "CAN_PUT")) {
            break;
        }
        mover = 1 - mover;
    }
    return samples;
}

// One bench page: what its seat has told it of the board and the turn.
struct BenchPage {
    explicit BenchPage(int port) : client(port) {}

    void Apply(const boost::json::object& event)
    {
        const auto& type = event.at("type").as_string();
        if (type == "snapshot") {
            const auto& values = event.at("cells").as_array();
            for (std::size_t i = 0; i < values.size(); ++i) {
                cells[i] = static_cast<int>(values[i].as_int64());
            }
            Lanes(event.at("lanes").as_array());
            may_place = event.at("may_place").as_bool();
        } else if (type == "cells") {
            for (const auto& change : event.at("changes").as_array()) {
                const auto& c = change.as_array();
                cells[static_cast<std::size_t>(c[1].as_int64() * COLUMNS + c[0].as_int64())] =
                    static_cast<int>(c[2].as_int64());
            }
        } else if (type == "lanes") {
            Lanes(event.at("lanes").as_array());
        } else if (type == "turn") {
            may_place = event.at("may_place").as_bool();
        } else if (type == "box") {
            boxed = !event.at("text").is_null();
        } else if (type == "battle") {
            open = event.at("open").as_bool();
        }
    }

    void Lanes(const boost::json::array& values)
    {
        open_lanes.clear();
        for (std::size_t lane = 0; lane < values.size(); ++lane) {
            if (!values[lane].is_null()) {
                const auto& spot = values[lane].as_array();
                open_lanes.push_back({static_cast<int>(lane), Cell{static_cast<int>(spot[0].as_int64()),
                                                                   static_cast<int>(spot[1].as_int64())}});
            }
        }
    }

    // Reads events until `done` holds; false when the socket ended first.
    template <class Done>
    bool Until(Done done)
    {
        while (!done()) {
            auto event = client.Next();
            if (!event) {
                return false;
            }
            Apply(*event);
        }
        return true;
    }

    PageClient client;
    Grid cells = EmptyGrid();
    std::vector<std::pair<int, Cell>> open_lanes;
    bool may_place = false;
    bool boxed = false;
    bool open = false;
};

std::vector<double> WebMoves(BenchPage& a, BenchPage& b)
{
    std::mt19937 random(7);
    BenchPage* pages[] = {&a, &b};
    std::vector<double> samples;
    // A new match from a board as the last one left it: a decided one is started over, a full one is left first.
    // The host announces the colours in turn order; the first named moves first.
    const auto start_match = [&]() -> BenchPage* {
        const bool decided = a.boxed || b.boxed;
        for (BenchPage* page : pages) {
            if (page->boxed) {
                page->client.Intent("dismiss");
            }
        }
        if (!decided && a.open) {
            a.client.Intent("close");
            if (!a.Until([&] { return !a.open; }) || !b.Until([&] { return !b.open; })) {
                return nullptr;
            }
        }
        a.client.Intent("start");
        BenchPage* first = nullptr;
        for (BenchPage* page : pages) {
            if (!page->Until([&] {
                    const auto& seen = page->client.Seen();
                    if (!seen.empty() && seen.back().at("type").as_string() == "chat" && first == nullptr) {
                        const std::string_view line = seen.back().at("line").as_string();
                        if (line.find("\xE3\x81\x95\xE3\x82\x93\xE3\x81\xAF") != std::string_view::npos) { // さんは
                            first = line.rfind("WebA", 0) == 0 ? &a : &b;
                        }
                    }
                    return page->open && std::count(page->cells.begin(), page->cells.end(), EMPTY) == ROWS * COLUMNS;
                })) {
                return nullptr;
            }
        }
        return first;
    };
    BenchPage* mover = start_match();
    while (mover != nullptr && static_cast<int>(samples.size()) < SAMPLES) {
        BenchPage& other = mover == &a ? b : a;
        if (!mover->Until([&] { return mover->may_place; })) {
            std::fprintf(stderr, "web_relay: stopped at step 1\n");
            break;
        }
        if (mover->open_lanes.empty()) {
            mover = start_match();
            continue;
        }
        const auto [lane, spot] = mover->open_lanes[random() % mover->open_lanes.size()];
        const auto index = static_cast<std::size_t>(spot.row * COLUMNS + spot.col);
        std::this_thread::sleep_for(MOVE_GAP);
        const auto sent = Clock::now();
        mover->client.Intent("drop", {{"lane", lane}});
        if (!other.Until([&, index = index] { return other.cells[index] != EMPTY; })) {
            std::fprintf(stderr, "web_relay: stopped at step 2\n");
            break;
        }
        samples.push_back(Micros(Clock::now() - sent));
        // The next turn is the other's, unless the ball won: then the boxes come instead.
        if (!other.Until([&] { return other.may_place || other.boxed; })) {
            std::fprintf(stderr, "web_relay: stopped at step 3\n");
            break;
        }
        if (other.boxed) {
            if (!mover->Until([&] { return mover->boxed; })) {
                std::fprintf(stderr, "web_relay: stopped at step 4\n");
                break;
            }
            mover = start_match();
            continue;
        }
        mover = &other;
    }
    if (mover == nullptr) {
        std::fprintf(stderr, "web_relay: a match did not start\n");
    }
    return samples;
}

void Report(const char* name, const std::vector<double>& values)
{
    std::printf("%-4s moves %4zu  median %8.1f us  p99 %8.1f us\n", name, values.size(), Percentile(values, 0.5),
                Percentile(values, 0.99));
}

} // namespace
} // namespace pyrandel

int main()
{
    using namespace pyrandel;
    const int port = test::FreePort();
    test::SpawnedProgram host(PYRANDEL_HOST_PROGRAM,
                              {"--port", std::to_string(port), "--trusting", "--web", "127.0.0.1:0"});
    const auto link = host.WaitForLine("page for browsers at ");
    std::smatch found;
    if (!link || !std::regex_search(*link, found, std::regex(R"(127\.0\.0\.1:(\d+)/)"))) {
        std::fprintf(stderr, "web_relay: the host named no page link\n");
        return 1;
    }
    const int web_port = std::stoi(found[1]);
    const int pid = host.Pid();

    const std::vector<double> tcp = TcpMoves(port);

    const long before = ResidentKib(pid);
    BenchPage a(web_port);
    BenchPage b(web_port);
    a.client.Intent("join", {{"name", "WebA"}});
    b.client.Intent("join", {{"name", "WebB"}});
    // Both seated and listed by the room.
    for (BenchPage* page : {&a, &b}) {
        bool listed = false;
        (void)page->Until([&] {
            const auto& seen = page->client.Seen();
            listed = !seen.empty() && seen.back().at("type").as_string() == "participants" &&
                     seen.back().at("participants").as_array().size() == 2;
            return listed;
        });
    }
    const long after = ResidentKib(pid);
    const std::vector<double> web = WebMoves(a, b);
    if (tcp.empty() || web.empty()) {
        std::fprintf(stderr, "web_relay: no moves measured (tcp %zu, web %zu)\n", tcp.size(), web.size());
        return 1;
    }

    const long ticks_before = CpuTicks(pid);
    std::this_thread::sleep_for(3s);
    const long idle_ticks = CpuTicks(pid) - ticks_before;

    std::printf("MoveLatency (pyrandel-host --web, loopback)\n");
    Report("tcp", tcp);
    Report("web", web);
    std::printf("ratio web/tcp: median %.2f (goal <= 1.5), p99 %.2f (goal <= 2)\n",
                Percentile(web, 0.5) / Percentile(tcp, 0.5), Percentile(web, 0.99) / Percentile(tcp, 0.99));
    std::printf("SeatMemory: host resident %ld KiB before two seats, %ld KiB with them: %.0f KiB a seat\n", before,
                after, static_cast<double>(after - before) / 2.0);
    std::printf("IdleCpu: %ld clock ticks in 3 s with two seats attached (goal: 0)\n", idle_ticks);
    host.Signal(SIGTERM);
    (void)host.Finish();
    return 0;
}
