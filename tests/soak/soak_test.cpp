// Soak under chaos: a host with its own player and up to three more players plays matches back to back on
// loopback while a chaos client keeps connecting, sending garbage, endless and half lines, NUL bytes, and
// resetting its connections. Every match must end with a win that every board agrees on, or with END_VS; the
// host must still greet a newcomer at the end; descriptors and threads must return to where they started.
//
// The host takes four connections. One player leaves before every third match and comes back after it, so the
// chaos client gets a slot of its own for that match and is turned away ("full") the rest of the time.
//
// Runs for 20 s by default; PYRANDEL_SOAK_SECONDS sets another length (scripts/soak). A run of ten minutes or
// more, in a build without sanitizers, also checks that resident memory grows by less than 1 MB after warm-up.

#include "support/line_client.h"
#include "support/test_player.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PYRANDEL_SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PYRANDEL_SOAK_SANITIZED 1
#endif
#endif

namespace pyrandel::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_view_literals;
using Clock = std::chrono::steady_clock;

constexpr auto DEFAULT_LENGTH = 20s;
constexpr auto LONG_FORM = 10min; // from this length on, memory growth is checked too
constexpr long MEMORY_GROWTH_LIMIT_KB = 1024;
constexpr std::chrono::seconds WARM_UP = 1min;              // at most; a quarter of a shorter run
constexpr std::chrono::milliseconds MATCH_STEP_LIMIT = 10s; // nothing happens in a match for this long: a hang

// Process resources

int CountEntries(const char* directory)
{
    int count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(directory, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

struct Resources {
    int descriptors = 0;
    int threads = 0;
};

Resources Measure()
{
    // The directory listing itself holds one descriptor while it runs, the same at every measurement.
    return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task")};
}

// Whether `condition` holds within `limit`; polled, as it spans several programs' state.
bool Within(std::chrono::milliseconds limit, const std::function<bool()>& condition)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The chaos client

// One raw connection of the chaos client; closes, or resets, when it goes.
class RawConnection {
public:
    explicit RawConnection(int port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return;
        }
        // Never let the chaos hang on a host that stopped reading: a send or receive gives up after a while.
        const timeval limit{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in host{};
        host.sin_family = AF_INET;
        host.sin_port = htons(static_cast<std::uint16_t>(port));
        host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&host), sizeof host) != 0) {
            ::close(std::exchange(fd, -1));
        }
    }
    ~RawConnection()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    [[nodiscard]] bool IsOpen() const { return fd >= 0; }
    void Send(std::string_view bytes)
    {
        while (fd >= 0 && !bytes.empty()) {
            const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    // Whatever has arrived so far, without waiting.
    std::string Drain()
    {
        std::string received;
        char buffer[4096];
        for (;;) {
            const ssize_t got = fd >= 0 ? ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) : -1;
            if (got <= 0) {
                return received;
            }
            received.append(buffer, static_cast<std::size_t>(got));
        }
    }
    // The next close sends a reset instead of an orderly end.
    void ResetOnClose()
    {
        const linger abrupt{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    }

private:
    int fd = -1;
};

class ChaosClient {
public:
    explicit ChaosClient(int port) : port(port), worker([this] { Run(); }) {}
    ~ChaosClient()
    {
        stop.store(true);
        worker.join();
    }
    ChaosClient(const ChaosClient&) = delete;
    ChaosClient& operator=(const ChaosClient&) = delete;

    // Stops making connections; true once the last one is closed.
    bool Pause()
    {
        paused.store(true);
        return Within(MATCH_STEP_LIMIT, [this] { return idle.load(); });
    }
    void Resume() { paused.store(false); }

    [[nodiscard]] int Connections() const { return connections.load(); }
    [[nodiscard]] int Greeted() const { return greeted.load(); }
    [[nodiscard]] int Refused() const { return refused.load(); }

private:
    void Run()
    {
        std::mt19937 random(1224);
        while (!stop.load()) {
            if (paused.load()) {
                idle.store(true);
                std::this_thread::sleep_for(5ms);
                continue;
            }
            idle.store(false);
            OneConnection(random);
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
        }
        idle.store(true);
    }

    static std::string RandomBytes(std::mt19937& random, std::size_t length, bool line_ends)
    {
        std::string bytes(length, '\0');
        for (char& byte : bytes) {
            do {
                byte = static_cast<char>(random() & 0xFF);
            } while (!line_ends && (byte == '\r' || byte == '\n'));
        }
        return bytes;
    }

    void OneConnection(std::mt19937& random)
    {
        RawConnection connection(port);
        if (!connection.IsOpen()) {
            return;
        }
        connections.fetch_add(1);
        std::string received;
        switch (random() % 8) {
        case 0: // garbage with line ends anywhere
            connection.Send(RandomBytes(random, random() % 4096, true));
            break;
        case 1: // a 100 KB line that never ends
            connection.Send(RandomBytes(random, 100 * 1024, false));
            break;
        case 2: // half a line, then gone
            connection.Send("CHAT\thalf a li");
            break;
        case 3: // NUL bytes in and around lines
            connection.Send("\0\0CHAT\0x\r\n\0MSG\t\0\0\nCHAT\tafter nul\0\r\n"sv);
            break;
        case 4: // chat whose text tries to forge fields and lines
            connection.Send("CHAT\tforged\tADD\t3\tintruder\r\n");
            connection.Send("CHAT\t" + RandomBytes(random, 60, false) + "\r\n");
            break;
        case 5: // joins under a garbage name and leaves again at once
            connection.Send("NEW_C\t" + RandomBytes(random, random() % 100, false) + "\r\n");
            break;
        case 6: // stray host messages and numbers out of range
            connection.Send("ID\t0\r\nPLOT\t9\t-99\t99999999999\t7\t1\r\nEND_VS\t-1\t\t\r\nCAN_PUT\r\n");
            break;
        default: // connects and goes
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 5));
        received += connection.Drain();
        if (received.rfind("ID\t", 0) == 0) {
            greeted.fetch_add(1);
        } else if (received.find(texts::MSG_SERVER_FULL) != std::string::npos) {
            refused.fetch_add(1);
        }
        if (random() % 2 == 0) {
            connection.ResetOnClose();
        }
    }

    const int port;
    std::atomic<bool> stop{false};
    std::atomic<bool> paused{false};
    std::atomic<bool> idle{false};
    std::atomic<int> connections{0};
    std::atomic<int> greeted{0};
    std::atomic<int> refused{0};
    std::thread worker;
};

[[nodiscard]] const char* ReasonWord(DisconnectReason reason)
{
    switch (reason) {
    case DisconnectReason::PEER_CLOSED:
        return "closed by the peer";
    case DisconnectReason::BROKEN:
        return "broken";
    case DisconnectReason::READ_DEADLINE:
        return "no name in time";
    case DisconnectReason::SEND_STALLED:
        return "send stalled";
    case DisconnectReason::SEND_QUEUE_FULL:
        return "send queue full";
    case DisconnectReason::CLOSED:
        return "closed by the host";
    case DisconnectReason::NONE:
        break;
    }
    return "no reason";
}

// What the host did in the match being played, as its observer hears it: the draw in turn order, the departures
// and the turns, each with its time since the start. A failure's message tells the story from it.
class MatchRecorder final : public ServerObserver {
public:
    struct Seat {
        int id = 0;
        std::string name; // code page 932
        int colour = 0;
    };
    struct Event {
        std::chrono::milliseconds after_start{};
        int id = 0;
        std::string name;
        DisconnectReason reason = DisconnectReason::NONE; // departures only
    };
    struct Match {
        std::vector<Seat> draw;
        std::vector<Event> departures; // of the drawn players
        std::optional<Event> last_turn;
    };

    // The names the soak's own players go by; every other participant is a chaos connection.
    explicit MatchRecorder(std::vector<std::string> test_names) : test_names(std::move(test_names)) {}

    [[nodiscard]] bool IsTestName(std::string_view name) const
    {
        return std::find(test_names.begin(), test_names.end(), name) != test_names.end();
    }
    [[nodiscard]] Match Last() const
    {
        const std::lock_guard guard(lock);
        return last;
    }
    // Seats of every match so far that a chaos connection held.
    [[nodiscard]] int ChaosSeatings() const
    {
        const std::lock_guard guard(lock);
        return chaos_seatings;
    }

    void OnMatchStart(std::span<const SeatColour> players) override
    {
        const std::lock_guard guard(lock);
        started = Clock::now();
        last = Match{};
        for (const SeatColour& seat : players) {
            last.draw.push_back({seat.id, std::string(seat.name), seat.colour});
            chaos_seatings += IsTestName(seat.name) ? 0 : 1;
        }
    }
    void OnLeave(int id, std::string_view name, DisconnectReason reason) override
    {
        const std::lock_guard guard(lock);
        if (std::any_of(last.draw.begin(), last.draw.end(), [&](const Seat& seat) { return seat.id == id; })) {
            last.departures.push_back({Since(), id, std::string(name), reason});
        }
    }
    void OnTurn(int id) override
    {
        const std::lock_guard guard(lock);
        const auto seat = std::find_if(last.draw.begin(), last.draw.end(), [&](const Seat& s) { return s.id == id; });
        last.last_turn = Event{Since(), id, seat != last.draw.end() ? seat->name : std::string()};
    }

private:
    [[nodiscard]] std::chrono::milliseconds Since() const // the lock is held
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    }

    const std::vector<std::string> test_names;
    mutable std::mutex lock;
    Clock::time_point started{};
    Match last;
    int chaos_seatings = 0;
};

// The soak

class Soak {
public:
    explicit Soak(MatchRecorder& recorder) : recorder(recorder), random(7) {}

    // Host and three players gathered; false (with a failure recorded) when they could not.
    bool Gather()
    {
        if (!host.Host("Host")) {
            ADD_FAILURE() << "the host did not start";
            return false;
        }
        host.program.server().SetObserver(recorder);
        for (int i = 1; i <= 3; ++i) {
            players.push_back(std::make_unique<TestPlayer>(host.Port()));
            if (!players.back()->Join("P" + std::to_string(i))) {
                ADD_FAILURE() << "P" << i << " could not join";
                return false;
            }
        }
        // A match takes whom the host's own player lists, so everybody must be listed there before the first.
        for (const char* name : {"P1", "P2", "P3"}) {
            if (!Within(MATCH_STEP_LIMIT, [&] { return Listed(host, name); })) {
                ADD_FAILURE() << "the host does not list " << name;
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] int Port() { return host.Port(); }
    TestPlayer& Roamer() { return *players.back(); }

    // The players that sit at the host now.
    std::vector<TestPlayer*> Seated()
    {
        std::vector<TestPlayer*> seated{&host};
        for (std::size_t i = 0; i < players.size(); ++i) {
            if (i + 1 < players.size() || roamer_seated) {
                seated.push_back(players[i].get());
            }
        }
        return seated;
    }

    static bool Listed(TestPlayer& observer, const std::string& name)
    {
        for (const std::string& listed : observer.view.Participants()) {
            if (listed == name) {
                return true;
            }
        }
        return false;
    }

    bool RoamerLeaves()
    {
        TestPlayer& roamer = Roamer();
        roamer.view.Press(CONTROL_CONNECT);
        (void)roamer.view.RunOnWindowThread([] {});
        roamer_seated = false;
        return Within(MATCH_STEP_LIMIT, [&] {
            return !roamer.program.client().IsConnected() && !Listed(host, "P3") &&
                   !roamer.view.Toggled(CONTROL_CONNECT);
        });
    }

    // Comes back; the chaos client may hold the free slot for a moment, so a refusal is tried again.
    bool RoamerReturns(ChaosClient& chaos)
    {
        TestPlayer& roamer = Roamer();
        const bool paused = chaos.Pause();
        bool back = false;
        for (int attempt = 0; paused && attempt < 50 && !back; ++attempt) {
            // Pressed only while released: a press on a pressed toggle would end the connection just made.
            if (!roamer.view.Toggled(CONTROL_CONNECT)) {
                roamer.view.Press(CONTROL_CONNECT);
            }
            // The press is handled before its outcome is looked at, or a refusal could not be told from a press
            // still waiting in the queue.
            (void)roamer.view.RunOnWindowThread([] {});
            (void)Within(MATCH_STEP_LIMIT, [&] {
                return (Listed(host, "P3") && Listed(roamer, "P3")) || !roamer.view.Toggled(CONTROL_CONNECT);
            });
            back = Listed(host, "P3") && Listed(roamer, "P3");
            if (!back) {
                std::this_thread::sleep_for(20ms);
            }
        }
        chaos.Resume();
        roamer_seated = back;
        if (!back) {
            const auto chat = roamer.view.ChatLines();
            ADD_FAILURE() << "P3 could not come back (chaos " << (paused ? "paused" : "still running") << "), status "
                          << roamer.view.Status() << ", last chat line " << (chat.empty() ? std::string() : chat.back())
                          << "\n"
                          << Describe(Seated());
        }
        return back;
    }

    // One match from the start button to its end; false (with a failure recorded) when it went wrong.
    bool PlayMatch(int number)
    {
        const std::vector<TestPlayer*> seated = Seated();
        std::vector<int> shown;
        before_start.clear();
        for (TestPlayer* player : seated) {
            shown.push_back(player->view.BattleOpenings() + player->view.BattleRepaints());
            before_start.push_back({player->view.BattleOpen(), player->view.ChatShown()});
        }
        TestPlayer& starter = *seated[static_cast<std::size_t>(number) % seated.size()];
        starter.view.Press(CONTROL_START);
        const bool started = Within(MATCH_STEP_LIMIT, [&] {
            for (std::size_t i = 0; i < seated.size(); ++i) {
                TestPlayer& player = *seated[i];
                // Opened, or refreshed when still open; it may have closed again already when a chaos
                // connection that was listed played in the match and left at once. A player whose window
                // thread had not yet run the start when the match ended never opens a window for it.
                if (player.view.BattleOpenings() + player.view.BattleRepaints() == shown[i] &&
                    !EndedSinceTheStart(player, before_start[i])) {
                    return false;
                }
            }
            return true;
        });
        if (!started) {
            ADD_FAILURE() << "match " << number << " did not start\n" << MatchStory(seated) << Describe(seated);
            return false;
        }
        // Every fifth match a player walks out half-way; the others must be told.
        const int walk_out_after = number % 5 == 4 ? static_cast<int>(random() % 12) : -1;
        int moves = 0;
        for (;;) {
            TestPlayer* mover = nullptr;
            bool all_closed = false;
            const bool progressed = Within(MATCH_STEP_LIMIT, [&] {
                mover = nullptr;
                all_closed = true;
                for (TestPlayer* player : seated) {
                    if (player->program.board().may_place()) {
                        mover = player;
                    }
                    all_closed = all_closed && !player->view.BattleOpen();
                }
                return mover != nullptr || all_closed;
            });
            if (!progressed) {
                ++stalls;
                ADD_FAILURE() << "match " << number << " stalled after " << moves << " moves\n"
                              << MatchStory(seated) << Describe(seated);
                return false;
            }
            if (all_closed) {
                // A listed chaos connection that played in the match left it: the host ended it for all.
                ++endings;
                return true;
            }
            // The mover must have every earlier ball before it chooses, or the boards would part.
            if (!Within(MATCH_STEP_LIMIT, [&] { return BallsOn(*mover) == moves; })) {
                ADD_FAILURE() << "match " << number << ": a relayed ball did not arrive\n" << MatchStory(seated);
                return false;
            }
            const std::vector<int> lanes = FreeLanes(*mover);
            if (moves == walk_out_after || lanes.empty()) {
                return WalkOut(*mover, seated, number);
            }
            mover->view.Drop(lanes[random() % lanes.size()]);
            ++moves;
            // Once the window thread runs the next piece of work, the drop has been handled up to the win's
            // message box, if there is one (the turn ends before the box opens, so the turn alone cannot tell).
            if (!mover->view.RunOnWindowThread([] {}) || mover->program.board().may_place()) {
                ADD_FAILURE() << "match " << number << ": the turn did not pass\n" << MatchStory(seated);
                return false;
            }
            if (!mover->view.OpenMessageBoxes().empty()) {
                return Won(*mover, seated, number, moves);
            }
        }
    }

    // Message boxes the seated players' views have recorded so far.
    [[nodiscard]] std::size_t RecordedBoxes()
    {
        std::size_t count = host.view.MessageBoxHistory().size();
        for (const auto& player : players) {
            count += player->view.MessageBoxHistory().size();
        }
        return count;
    }

    [[nodiscard]] int Wins() const { return wins; }
    [[nodiscard]] int Stalls() const { return stalls; }
    [[nodiscard]] int Endings() const { return endings; }

    // Everybody leaves: the players quit, then the host.
    void Disband() { players.clear(); }

    TestPlayer host;

private:
    // The match as the host played it and as each seated player saw it, for a failure's message.
    std::string MatchStory(const std::vector<TestPlayer*>& seated)
    {
        const MatchRecorder::Match match = recorder.Last();
        const auto who = [&](int id, std::string_view name) {
            return "player " + std::to_string(id) + " (" + Cp932ToUtf8(name) +
                   (recorder.IsTestName(name) ? "" : ", chaos") + ")";
        };
        std::string text = "the draw in turn order:";
        for (const MatchRecorder::Seat& seat : match.draw) {
            constexpr std::array<const char*, COLOURS> COLOUR_WORDS{"blue", "red", "yellow", "green"};
            text += " " + who(seat.id, seat.name) + " " +
                    (seat.colour >= 0 && seat.colour < COLOURS ? COLOUR_WORDS[static_cast<std::size_t>(seat.colour)]
                                                               : "?") +
                    ";";
        }
        text += "\ndepartures of its players:";
        for (const MatchRecorder::Event& left : match.departures) {
            text += " " + who(left.id, left.name) + " at +" + std::to_string(left.after_start.count()) + " ms (" +
                    ReasonWord(left.reason) + ");";
        }
        text += match.departures.empty() ? " none\n" : "\n";
        text += "last turn: " +
                (match.last_turn ? who(match.last_turn->id, match.last_turn->name) + " at +" +
                                       std::to_string(match.last_turn->after_start.count()) + " ms"
                                 : std::string("none")) +
                "\n";
        for (std::size_t i = 0; i < seated.size() && i < before_start.size(); ++i) {
            TestPlayer& player = *seated[i];
            const BeforeStart& before = before_start[i];
            text += player.view.Field(CONTROL_NAME) + ": window " + (before.window_open ? "open" : "closed") +
                    " before the start; its start and end lines since:";
            for (const std::string& line : player.view.ChatShownSince(before.chat_shown)) {
                if (line == texts::CHAT_GAME_STARTED) {
                    text += " started";
                } else if (line == texts::CHAT_GAME_ENDED) {
                    text += " ended";
                }
            }
            text += "\n";
        }
        return text;
    }

    // What each seated player shows, for a failure's message.
    std::string Describe(const std::vector<TestPlayer*>& seated)
    {
        std::string text;
        for (TestPlayer* player : seated) {
            text += player->view.Field(CONTROL_NAME) + ": battle " + (player->view.BattleOpen() ? "open" : "closed") +
                    ", openings " + std::to_string(player->view.BattleOpenings()) + ", repaints " +
                    std::to_string(player->view.BattleRepaints()) + ", balls " + std::to_string(BallsOn(*player)) +
                    ", may place " + (player->program.board().may_place() ? "yes" : "no") + ", boxes " +
                    std::to_string(player->view.OpenMessageBoxes().size()) + ", lists";
            for (const std::string& name : player->view.Participants()) {
                text += " [" + Cp932ToUtf8(name) + "]";
            }
            text += ", ids";
            for (const RosterEntry& entry : player->program.participants().Snapshot()) {
                text += " " + std::to_string(entry.id);
            }
            text += "\n";
        }
        const auto chat = host.view.ChatLines();
        text += "the host's chat lines but chaos departures and chat:\n";
        for (std::size_t i = chat.size() > 400 ? chat.size() - 400 : 0; i < chat.size(); ++i) {
            if (chat[i].rfind("? : ", 0) != 0 && chat[i] != std::string("?") + std::string(texts::MSG_GONE_SUFFIX)) {
                text += "  " + Cp932ToUtf8(chat[i]) + "\n";
            }
        }
        for (TestPlayer* player : seated) {
            if (player->view.Status() == texts::STATUS_NOT_CONNECTED) {
                const auto lines = player->view.ChatLines();
                text += player->view.Field(CONTROL_NAME) + " is not connected; its last chat lines:\n";
                for (std::size_t i = lines.size() > 30 ? lines.size() - 30 : 0; i < lines.size(); ++i) {
                    if (lines[i].rfind("? : ", 0) != 0 &&
                        lines[i] != std::string("?") + std::string(texts::MSG_GONE_SUFFIX)) {
                        text += "  " + Cp932ToUtf8(lines[i]) + "\n";
                    }
                }
            }
        }
        text += "status: ";
        for (TestPlayer* player : seated) {
            text += "[" + Cp932ToUtf8(player->view.Status()) + "] ";
        }
        return text;
    }

    static int BallsOn(TestPlayer& player)
    {
        const Grid cells = player.program.board().Snapshot();
        return static_cast<int>(std::count_if(cells.begin(), cells.end(), [](int cell) { return cell != EMPTY; }));
    }

    static std::vector<int> FreeLanes(TestPlayer& player)
    {
        std::vector<int> lanes;
        for (int lane = 0; lane < LANES; ++lane) {
            if (player.program.board().LandingSpot(lane)) {
                lanes.push_back(lane);
            }
        }
        return lanes;
    }

    // The mover's ball completed a line: it says so, every other board finds the same line, and the host
    // announces the winner to all.
    bool Won(TestPlayer& mover, const std::vector<TestPlayer*>& seated, int number, int moves)
    {
        const bool agreed = Within(MATCH_STEP_LIMIT, [&] {
            for (TestPlayer* player : seated) {
                const auto boxes = player->view.OpenMessageBoxes();
                const std::string_view expected = player == &mover ? texts::STATUS_YOU_WIN : texts::STATUS_DECIDED;
                if (boxes.size() != 1 || boxes.front() != expected || BallsOn(*player) != moves) {
                    return false;
                }
            }
            return true;
        });
        for (TestPlayer* player : seated) {
            while (player->view.DismissMessageBox()) {
            }
        }
        if (!agreed) {
            ADD_FAILURE() << "match " << number << ": the boards do not agree on the win\n" << MatchStory(seated);
            return false;
        }
        ++wins;
        return true;
    }

    // The mover closes its battle window: the host passes END_VS on and every other window closes.
    bool WalkOut(TestPlayer& mover, const std::vector<TestPlayer*>& seated, int number)
    {
        mover.view.CloseBattle(BattleClose::CLOSE_BOX);
        const bool ended = Within(MATCH_STEP_LIMIT, [&] {
            for (TestPlayer* player : seated) {
                if (player->view.BattleOpen() || player->program.board().may_place()) {
                    return false;
                }
            }
            return true;
        });
        if (!ended) {
            ADD_FAILURE() << "match " << number << ": END_VS did not close every battle window\n"
                          << MatchStory(seated) << Describe(seated);
            return false;
        }
        ++endings;
        return true;
    }

    struct BeforeStart {
        bool window_open = false;
        std::size_t chat_shown = 0; // chat lines shown so far
    };

    static bool EndedSinceTheStart(TestPlayer& player, const BeforeStart& before)
    {
        const auto lines = player.view.ChatShownSince(before.chat_shown);
        return std::find(lines.begin(), lines.end(), texts::CHAT_GAME_ENDED) != lines.end();
    }

    MatchRecorder& recorder;
    std::vector<BeforeStart> before_start; // per seated player, as the current match was started
    std::vector<std::unique_ptr<TestPlayer>> players;
    bool roamer_seated = true;
    std::mt19937 random;
    int wins = 0;
    int endings = 0;
    int stalls = 0;
};

std::chrono::seconds SoakLength()
{
    if (const char* text = std::getenv("PYRANDEL_SOAK_SECONDS")) {
        const long seconds = std::strtol(text, nullptr, 10);
        if (seconds > 0) {
            return std::chrono::seconds(seconds);
        }
    }
    return DEFAULT_LENGTH;
}

TEST(Soak, MatchesBackToBackUnderChaos_EndProperlyAndLeaveNothingBehind)
{
    const auto length = SoakLength();
    // A sanitizer starts a helper thread of its own with the first thread; let it be there before counting.
    std::thread([] {}).join();
    const Resources before = Measure();
    long warm_kilobytes = 0;
    std::size_t warm_records = 0;
    int matches = 0;
    // Outlives the host, whose threads report to it.
    MatchRecorder recorder({"Host", "P1", "P2", "P3"});
    {
        Soak soak(recorder);
        ASSERT_TRUE(soak.Gather());
        {
            ChaosClient chaos(soak.Port());
            const auto began = Clock::now();
            const auto deadline = began + length;
            const auto warm_at = Clock::now() + std::min<std::chrono::seconds>(WARM_UP, length / 4);
            while (Clock::now() < deadline && !::testing::Test::HasFailure()) {
                const bool roamer_out = matches % 3 == 2;
                if (roamer_out) {
                    ASSERT_TRUE(soak.RoamerLeaves()) << "before match " << matches;
                }
                if (!soak.PlayMatch(matches)) {
                    break;
                }
                if (roamer_out) {
                    ASSERT_TRUE(soak.RoamerReturns(chaos)) << "after match " << matches;
                }
                ++matches;
                // Warm: every chat log has filled and been replaced at least once, every pool has grown.
                if (warm_kilobytes == 0 && Clock::now() >= warm_at) {
                    warm_kilobytes = ResidentKilobytes();
                    warm_records = soak.RecordedBoxes();
                }
            }
            ASSERT_TRUE(chaos.Pause());
            const auto played = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began);
            std::printf("soak: %d matches (%d wins, %d ended by END_VS) in %lld s, %d stalls; chaos: %d connections, "
                        "%d greeted, %d turned away, %d seated in a match\n",
                        matches, soak.Wins(), soak.Endings(), static_cast<long long>(played.count()), soak.Stalls(),
                        chaos.Connections(), chaos.Greeted(), chaos.Refused(), recorder.ChaosSeatings());
            EXPECT_EQ(soak.Wins() + soak.Endings(), matches);
            EXPECT_GT(matches, 0);
            EXPECT_GT(chaos.Greeted(), 0);
        }

        // After all that, the host still greets a newcomer with its id and everybody present, and lists it.
        ASSERT_FALSE(::testing::Test::HasFailure());
        ASSERT_TRUE(soak.RoamerLeaves());
        LineClient newcomer(soak.Port());
        ASSERT_TRUE(newcomer.IsConnected());
        const auto greeting = newcomer.ReadLines(4);
        ASSERT_EQ(greeting.size(), 4u);
        EXPECT_EQ(greeting[0], "ID\t3");
        for (const char* name : {"Host", "P1", "P2"}) {
            EXPECT_NE(std::find_if(greeting.begin() + 1, greeting.end(),
                                   [&](const std::string& line) { return line.ends_with(std::string("\t") + name); }),
                      greeting.end())
                << name;
        }
        ASSERT_TRUE(newcomer.Send("NEW_C\tLate"));
        EXPECT_TRUE(Within(MATCH_STEP_LIMIT, [&] { return soak.Listed(soak.host, "Late"); }));

        const long end_kilobytes = ResidentKilobytes();
        // The in-memory views keep a record of every message box they showed (a few per won match). That record
        // is the test's, not the program's, so its growth is left out: an entry and the vector's spare room.
        const auto record_kilobytes =
            static_cast<long>((soak.RecordedBoxes() - warm_records) * 2 * (sizeof(std::string) + 8) / 1024);
        const long growth = end_kilobytes - warm_kilobytes - record_kilobytes;
#ifndef PYRANDEL_SOAK_SANITIZED
        if (length >= LONG_FORM && warm_kilobytes > 0) {
            EXPECT_LT(growth, MEMORY_GROWTH_LIMIT_KB);
        }
#endif
        std::printf("soak: resident memory %ld KB after warm-up, %ld KB at the end; growth %ld KB besides the "
                    "views' record of %zu message boxes\n",
                    warm_kilobytes, end_kilobytes, growth, soak.RecordedBoxes() - warm_records);
        newcomer.Close();
        soak.Disband();
    }
    // Every thread joined and every socket closed once the programs are gone. A joined thread can still be listed
    // for a moment (the kernel wakes its joiner before it takes the thread away), so the count is waited for.
    EXPECT_EQ(Measure().descriptors, before.descriptors);
    EXPECT_TRUE(Within(MATCH_STEP_LIMIT, [&] { return Measure().threads <= before.threads; }))
        << Measure().threads << " threads, " << before.threads << " before";
}

} // namespace
} // namespace pyrandel::test
