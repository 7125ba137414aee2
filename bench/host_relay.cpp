// How much the host adds to a relayed move, and whether it keeps up with a busy lobby.
//
// PlotRelayLatency: a host with four connected players in a running match; one player sends PLOT lines that
// keep its turn, the other three receive the relay. Each sample is the time from the send until the last of
// the three has read its line. Against it, in the same run and interleaved sample by sample, a bare relay:
// one thread that reads a line and writes it to three sockets. Counters: median and p99 of both, in
// microseconds, and the ratios host / bare (goal: median ratio at most 1.5, p99 ratio at most 2).
//
// ChatThroughput: four players chat at 10,000 lines per second in all (2,500 each); every line must reach the
// other three. Counters: lines sent, lines lost, and lines relayed per second. ChatFlood sends as fast as it
// can and reports the same, to show the headroom.
//
// ChatWithSilentPeer: one player chats at 5,000 lines a second for four seconds, one reads and times each line,
// and one, with a small receive buffer, never reads. Against it, in the same run, the same flood with all three
// reading. Counters: the reader's median, p99 and max latency in both, the ratios silent / all reading (goal:
// p99 at most 1.5, max at most 2), and how long after its queue passed the bound the silent peer was cut (goal:
// at most 2 s). The queue is worked out from outside: bytes relayed to the silent peer (as many as the reader
// got) less those the kernel holds for it (its receive queue and the host's send queue).
//
// FloodWithQuietPlayer: one player floods chat as fast as it can while another chats at a person's pace (timed
// lines), and two more read; against it, in the same run, the same room with the quiet player alone. Counters:
// the readers' median and p99 latency for the quiet player's lines in both, the ratio flood / quiet (goal: p99
// at most 2), the flood lines relayed per second, and the lines lost (goal: 0; every reader gets every line of
// both senders, so nobody is cut).
//
// Each case runs twice: against the desktop program's host (a ServerSession in this process, "/desktop") and
// against the dedicated host, the built pyrandel-host spawned on a free loopback port with --trusting
// ("/dedicated"), so the two rows of a case can be read side by side. Both hosts draw from the generator's
// creation state.

#include "server/random_generator.h"
#include "server/server_session.h"
#include "support/spawned_program.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace pyrandel {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int PLAYERS = PLAYER_SLOTS;
constexpr int RECEIVERS = PLAYERS - 1;
constexpr std::chrono::milliseconds READ_TIMEOUT = 5s;

// A blocking loopback socket with just enough line handling for the measurements. Lines end in CR LF.
class RawLineSocket {
public:
    RawLineSocket() = default;
    explicit RawLineSocket(int descriptor) : fd(descriptor) { NoDelay(); }
    ~RawLineSocket() { Close(); }
    RawLineSocket(RawLineSocket&& from) noexcept
        : fd(std::exchange(from.fd, -1)), pending(std::move(from.pending)), taken(from.taken), scanned(from.scanned)
    {
    }
    RawLineSocket& operator=(RawLineSocket&&) = delete;
    RawLineSocket(const RawLineSocket&) = delete;
    RawLineSocket& operator=(const RawLineSocket&) = delete;

    // `receive_buffer` above 0 asks for that small a receive buffer, before the connection is made.
    bool Connect(int port, int receive_buffer = 0)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receive_buffer > 0) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            return false;
        }
        NoDelay();
        return true;
    }

    bool SendLine(std::string_view text)
    {
        std::string line(text);
        line += "\r\n";
        return SendBytes(line);
    }

    bool SendBytes(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // The next line without its CR LF; false on timeout or end of connection. Reads as fast as loopback
    // allows: big receives, and the bytes before the next line are dropped only when a receive needs the room.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout = READ_TIMEOUT)
    {
        for (;;) {
            const std::size_t end = pending.find("\r\n", std::max(scanned, taken));
            if (end != std::string::npos) {
                line.assign(pending, taken, end - taken);
                taken = end + 2;
                scanned = taken;
                return true;
            }
            pending.erase(0, taken);
            taken = 0;
            scanned = pending.empty() ? 0 : pending.size() - 1;
            const ssize_t got = ReceiveSome(timeout);
            if (got <= 0) {
                return false;
            }
            pending.append(chunk.data(), static_cast<std::size_t>(got));
        }
    }

    // Reads and drops lines until nothing arrives for `quiet`.
    void Drain(std::chrono::milliseconds quiet = 100ms)
    {
        std::string line;
        while (ReadLine(line, quiet)) {
        }
    }

    void ShutdownBoth() const
    {
        if (fd >= 0) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }

    void Close()
    {
        if (fd >= 0) {
            ::close(std::exchange(fd, -1));
        }
    }

    [[nodiscard]] int Descriptor() const { return fd; }
    [[nodiscard]] int LocalPort() const
    {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
    // Bytes received and not yet read.
    [[nodiscard]] int Unread() const
    {
        int bytes = 0;
        ::ioctl(fd, FIONREAD, &bytes);
        return bytes;
    }

private:
    void NoDelay() const
    {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }

    // Waits for bytes only when none are there, so a reader that keeps up makes one call a chunk.
    ssize_t ReceiveSome(std::chrono::milliseconds timeout)
    {
        for (;;) {
            const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (got >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return got;
            }
            pollfd waiting{fd, POLLIN, 0};
            if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) {
                return -1;
            }
        }
    }

    int fd = -1;
    std::string pending;
    std::size_t taken = 0;   // bytes of `pending` already handed out
    std::size_t scanned = 0; // where the search for the next line end goes on
    std::array<char, 65536> chunk{};
};

// The yardstick: one thread reads lines from the source and writes each to three sockets, nothing else.
class BareRelay {
public:
    BareRelay()
    {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::listen(listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }

    ~BareRelay()
    {
        if (source) {
            source->ShutdownBoth(); // wakes the relay thread's recv
        }
        if (relay.joinable()) {
            relay.join();
        }
        ::close(listener);
    }

    BareRelay(const BareRelay&) = delete;
    BareRelay& operator=(const BareRelay&) = delete;

    // Connects the sender and the three receivers and starts relaying.
    bool Connect(RawLineSocket& sender, std::array<RawLineSocket, RECEIVERS>& receivers)
    {
        if (!sender.Connect(port)) {
            return false;
        }
        source.emplace(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
        for (std::size_t i = 0; i < RECEIVERS; ++i) {
            if (!receivers[i].Connect(port)) {
                return false;
            }
            targets[i].emplace(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
        }
        relay = std::thread([this] { Run(); });
        return true;
    }

private:
    // Plain blocking reads, each whole line written to every target at once.
    void Run()
    {
        std::string pending;
        char chunk[8192];
        for (;;) {
            const ssize_t got = ::recv(source->Descriptor(), chunk, sizeof chunk, 0);
            if (got <= 0) {
                return;
            }
            pending.append(chunk, static_cast<std::size_t>(got));
            std::size_t end = 0;
            while ((end = pending.find("\r\n")) != std::string::npos) {
                const std::string_view line(pending.data(), end + 2);
                for (auto& target : targets) {
                    target->SendBytes(line);
                }
                pending.erase(0, end + 2);
            }
        }
    }

    int listener = -1;
    int port = 0;
    std::optional<RawLineSocket> source;
    std::array<std::optional<RawLineSocket>, RECEIVERS> targets;
    std::thread relay;
};

// Which host a case measures.
enum class HostKind { DESKTOP, DEDICATED };

// The seed that puts pyrandel-host's generator in the creation state, where the desktop host's starts here.
constexpr const char* CREATION_SEED = "2541230123";

// A free port on the loopback, as the kernel hands one out; 0 when none can be had.
// A room to measure: the desktop program's host, listening on the loopback in this process, or pyrandel-host
// spawned on a free port (it listens on every address; the players reach it on 127.0.0.1). Port() is 0 when
// the host could not be started. The destructor ends the room: the desktop host shuts down, the dedicated one
// gets SIGTERM and is waited for.
class Room {
public:
    explicit Room(HostKind kind)
    {
        if (kind == HostKind::DESKTOP) {
            server.emplace(random);
            if (server->Listen(0, LISTEN_BACKLOG, "127.0.0.1")) {
                port = server->Port();
            }
            return;
        }
        // A port found free may be taken before the host binds it; the host then exits and another is tried.
        // Trusting, as the desktop host: the cases measure the relay and its queues, and their moves that keep
        // the turn and their floods of chat are what a refereeing host drops.
        for (int attempt = 0; attempt < 3 && port == 0; ++attempt) {
            const int wanted = test::FreePort();
            const std::string port_text = std::to_string(wanted);
            child.emplace(PYRANDEL_HOST_PROGRAM,
                          std::vector<std::string>{"--port", port_text, "--seed", CREATION_SEED, "--trusting"});
            // The host's log says when it listens; a host that could not have the port exits instead.
            if (wanted != 0 && child->WaitForLine("listening on port " + port_text, READ_TIMEOUT)) {
                port = wanted;
            } else {
                child.reset();
            }
        }
    }
    ~Room()
    {
        if (server) {
            server->Shutdown();
        }
        if (child) {
            child->Signal(SIGTERM);
            (void)child->Finish();
        }
    }
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;

    [[nodiscard]] int Port() const { return port; }

private:
    RandomGenerator random; // in its creation state
    std::optional<ServerSession> server;
    // The host's log is a few lines per room (joins, leaves), so the pipe never fills before Finish reads it.
    std::optional<test::SpawnedProgram> child;
    int port = 0;
};

// A host with four players named by their NEW_C lines.
struct Host {
    explicit Host(HostKind kind) : room(kind)
    {
        for (int id = 0; id < PLAYERS; ++id) {
            players[static_cast<std::size_t>(id)].Connect(room.Port());
            const std::string name = "player" + std::to_string(id);
            players[static_cast<std::size_t>(id)].SendLine("NEW_C\t" + name);
        }
        for (RawLineSocket& player : players) {
            player.Drain();
        }
    }

    Room room;
    std::array<RawLineSocket, PLAYERS> players;
};

[[nodiscard]] double Percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty()) {
        return 0.0;
    }
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
    return samples[at];
}

// One send and the time until every receiver has the line, in microseconds; negative when a line is missing.
template <typename Receivers>
[[nodiscard]] double MeasureOnce(RawLineSocket& sender, Receivers& receivers, std::string_view text)
{
    std::string line;
    const auto start = Clock::now();
    sender.SendLine(text);
    for (RawLineSocket* receiver : receivers) {
        if (!receiver->ReadLine(line)) {
            return -1.0;
        }
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void PlotRelayLatency(benchmark::State& state, HostKind kind)
{
    Host host(kind);
    if (host.room.Port() == 0) {
        state.SkipWithError("the host did not start");
        return;
    }
    host.players[0].SendLine("STARTVS");
    for (RawLineSocket& player : host.players) {
        player.Drain();
    }
    // The draw from the creation state puts the four in some order; whoever sends, the others are relayed to,
    // and left = 1 keeps the turn, so no CAN_PUT comes between the samples.
    RawLineSocket& host_sender = host.players[0];
    std::array<RawLineSocket*, RECEIVERS> host_receivers{&host.players[1], &host.players[2], &host.players[3]};

    BareRelay bare;
    RawLineSocket bare_sender;
    std::array<RawLineSocket, RECEIVERS> bare_sockets;
    if (!bare.Connect(bare_sender, bare_sockets)) {
        state.SkipWithError("bare relay did not connect");
        return;
    }
    std::array<RawLineSocket*, RECEIVERS> bare_receivers{&bare_sockets[0], &bare_sockets[1], &bare_sockets[2]};

    constexpr std::string_view MOVE = "PLOT\t0\t7\t3\t0\t1";
    std::vector<double> host_samples;
    std::vector<double> bare_samples;
    std::int64_t lost = 0;
    bool host_first = true;
    for (auto _ : state) {
        // Taking turns at going first, so neither side always runs while the other's threads settle.
        double through_host = 0.0;
        double through_bare = 0.0;
        if (host_first) {
            through_host = MeasureOnce(host_sender, host_receivers, MOVE);
            through_bare = MeasureOnce(bare_sender, bare_receivers, MOVE);
        } else {
            through_bare = MeasureOnce(bare_sender, bare_receivers, MOVE);
            through_host = MeasureOnce(host_sender, host_receivers, MOVE);
        }
        host_first = !host_first;
        if (through_host < 0 || through_bare < 0) {
            ++lost;
            continue;
        }
        host_samples.push_back(through_host);
        bare_samples.push_back(through_bare);
    }
    const double host_median = Percentile(host_samples, 0.5);
    const double host_p99 = Percentile(host_samples, 0.99);
    const double bare_median = Percentile(bare_samples, 0.5);
    const double bare_p99 = Percentile(bare_samples, 0.99);
    state.counters["host_median_us"] = host_median;
    state.counters["host_p99_us"] = host_p99;
    state.counters["bare_median_us"] = bare_median;
    state.counters["bare_p99_us"] = bare_p99;
    state.counters["median_ratio"] = bare_median > 0 ? host_median / bare_median : 0.0;
    state.counters["p99_ratio"] = bare_p99 > 0 ? host_p99 / bare_p99 : 0.0;
    state.counters["lost"] = static_cast<double>(lost);
}

// Four players send `per_player` chat lines each, spaced by `gap` (zero: as fast as they can); every player
// reads the others' lines on a thread of its own.
void RunChat(benchmark::State& state, HostKind kind, int per_player, std::chrono::microseconds gap)
{
    std::int64_t sent_total = 0;
    std::int64_t lost_total = 0;
    double seconds_total = 0.0;
    for (auto _ : state) {
        Host host(kind);
        if (host.room.Port() == 0) {
            state.SkipWithError("the host did not start");
            return;
        }
        const std::string text = "CHAT\tsome ordinary chat text of a player";
        std::array<std::int64_t, PLAYERS> received{};
        std::vector<std::thread> threads;
        const auto start = Clock::now() + 10ms;
        for (std::size_t p = 0; p < PLAYERS; ++p) {
            threads.emplace_back([&, p] {
                std::string line;
                const std::int64_t wanted = static_cast<std::int64_t>(RECEIVERS) * per_player;
                while (received[p] < wanted && host.players[p].ReadLine(line)) {
                    ++received[p];
                }
            });
            threads.emplace_back([&, p] {
                std::this_thread::sleep_until(start);
                for (int n = 0; n < per_player; ++n) {
                    if (gap.count() > 0) {
                        std::this_thread::sleep_until(start + n * gap);
                    }
                    host.players[p].SendLine(text);
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        sent_total += static_cast<std::int64_t>(PLAYERS) * per_player;
        for (const std::int64_t got : received) {
            lost_total += static_cast<std::int64_t>(RECEIVERS) * per_player - got;
        }
        seconds_total += seconds;
    }
    state.counters["lines_sent"] = static_cast<double>(sent_total);
    state.counters["lines_lost"] = static_cast<double>(lost_total);
    state.counters["sent_per_s"] = seconds_total > 0 ? static_cast<double>(sent_total) / seconds_total : 0.0;
    state.counters["relayed_per_s"] =
        seconds_total > 0 ? static_cast<double>(sent_total * RECEIVERS - lost_total) / seconds_total : 0.0;
}

void ChatThroughput(benchmark::State& state, HostKind kind)
{
    // 2,500 lines a second from each of four players: 10,000 a second in all, for two seconds.
    RunChat(state, kind, 5000, 400us);
}

void ChatFlood(benchmark::State& state, HostKind kind)
{
    RunChat(state, kind, 20000, 0us);
}

// The send queue of the loopback socket from `local_port` to `remote_port`, from the kernel's tables: IPv4, and
// IPv6 for a host that listens on every address (its IPv4 peers are mapped addresses there).
[[nodiscard]] long KernelSendQueue(int local_port, int remote_port)
{
    for (const char* path : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        std::ifstream table(path);
        std::string line;
        std::getline(table, line); // heading
        while (std::getline(table, line)) {
            unsigned local = 0;
            unsigned remote = 0;
            unsigned long queued = 0;
            if (std::sscanf(line.c_str(), " %*d: %*[0-9A-Fa-f]:%x %*[0-9A-Fa-f]:%x %*x %lx", &local, &remote,
                            &queued) == 3 &&
                static_cast<int>(local) == local_port && static_cast<int>(remote) == remote_port) {
                return static_cast<long>(queued);
            }
        }
    }
    return 0;
}

struct FloodResult {
    std::vector<double> latencies_us; // the reader's, one per line
    double cut_after_bound_s = -1.0;  // the silent peer's cut after its queue passed the bound; -1: not seen
    long most_in_kernel = 0;          // bytes the kernel held for the silent peer at most
    std::int64_t lost = 0;
    bool started = false; // the host was there to be flooded
};

// A host with a chatter (id 0), a reader (id 1) and a third player (id 2) that reads all along or never.
FloodResult RunFlood(HostKind kind, bool third_reads)
{
    constexpr int LINES = 20000;
    constexpr auto GAP = 200us; // 5,000 lines a second
    constexpr int SMALL_BUFFER = 4096;
    Room room(kind);
    FloodResult result;
    result.started = room.Port() != 0;
    if (!result.started) {
        return result;
    }
    std::array<RawLineSocket, 3> players;
    for (int id = 0; id < 3; ++id) {
        players[static_cast<std::size_t>(id)].Connect(room.Port(), id == 2 && !third_reads ? SMALL_BUFFER : 0);
        const std::string name = "player" + std::to_string(id);
        players[static_cast<std::size_t>(id)].SendLine("NEW_C\t" + name);
    }
    for (int id = 0; id < 2 || (id < 3 && third_reads); ++id) {
        players[static_cast<std::size_t>(id)].Drain();
    }
    std::atomic<std::int64_t> read_lines{0};
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> bound_passed_ns{0};
    std::atomic<std::int64_t> cut_ns{0};
    long most_in_kernel = 0;
    const auto epoch = Clock::now();
    auto since_epoch = [&] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - epoch).count();
    };
    // A chat text as long as players type them: the send time, then words.
    const std::string words = " some ordinary chat text of a player, typed at length";
    // The chat line relayed to the others, as long as the host makes it.
    const std::size_t relay_bytes = std::string("CHAT\t0\tplayer0\t").size() + 12 + words.size() + 2;

    std::thread reader([&] {
        std::string line;
        while (!done.load() && players[1].ReadLine(line, 2s)) {
            if (line == "DEL\t2") {
                cut_ns = since_epoch();
                continue;
            }
            if (!line.starts_with("CHAT\t0\t")) {
                continue;
            }
            const std::int64_t sent = std::stoll(line.substr(line.rfind('\t') + 1, 12));
            result.latencies_us.push_back(static_cast<double>(since_epoch() - sent) / 1000.0);
            if (++read_lines == LINES) {
                return;
            }
        }
    });
    std::thread third;
    if (third_reads) {
        third = std::thread([&] {
            std::string line;
            int got = 0;
            while (got < LINES && players[2].ReadLine(line, 2s)) {
                ++got;
            }
        });
    } else {
        // Watches the silent peer's queue at the host, from outside, until the peer is cut.
        third = std::thread([&] {
            const int host_port = room.Port();
            const int silent_port = players[2].LocalPort();
            while (!done.load() && cut_ns.load() == 0) {
                const long relayed = static_cast<long>(read_lines.load()) * static_cast<long>(relay_bytes);
                const long in_kernel = players[2].Unread() + KernelSendQueue(host_port, silent_port);
                most_in_kernel = std::max(most_in_kernel, in_kernel);
                if (bound_passed_ns.load() == 0 && relayed - in_kernel > static_cast<long>(SEND_QUEUE_LIMIT)) {
                    bound_passed_ns = since_epoch();
                }
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    const auto start = Clock::now() + 10ms;
    for (int n = 0; n < LINES; ++n) {
        std::this_thread::sleep_until(start + n * GAP);
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%012lld", static_cast<long long>(since_epoch()));
        players[0].SendLine(std::string("CHAT\t") + stamp + words);
    }
    reader.join();
    done = true;
    third.join();
    result.lost = LINES - read_lines.load();
    result.most_in_kernel = most_in_kernel;
    if (bound_passed_ns.load() != 0 && cut_ns.load() != 0) {
        result.cut_after_bound_s = static_cast<double>(cut_ns.load() - bound_passed_ns.load()) / 1e9;
    }
    return result;
}

void ChatWithSilentPeer(benchmark::State& state, HostKind kind)
{
    for (auto _ : state) {
        const FloodResult all = RunFlood(kind, true);
        const FloodResult silent = RunFlood(kind, false);
        if (!all.started || !silent.started) {
            state.SkipWithError("the host did not start");
            return;
        }
        const double all_p99 = Percentile(all.latencies_us, 0.99);
        const double all_max = Percentile(all.latencies_us, 1.0);
        const double silent_p99 = Percentile(silent.latencies_us, 0.99);
        const double silent_max = Percentile(silent.latencies_us, 1.0);
        state.counters["all_median_us"] = Percentile(all.latencies_us, 0.5);
        state.counters["all_p99_us"] = all_p99;
        state.counters["all_max_us"] = all_max;
        state.counters["silent_median_us"] = Percentile(silent.latencies_us, 0.5);
        state.counters["silent_p99_us"] = silent_p99;
        state.counters["silent_max_us"] = silent_max;
        state.counters["p99_ratio"] = all_p99 > 0 ? silent_p99 / all_p99 : 0.0;
        state.counters["max_ratio"] = all_max > 0 ? silent_max / all_max : 0.0;
        state.counters["cut_after_bound_s"] = silent.cut_after_bound_s;
        state.counters["silent_kernel_kb"] = static_cast<double>(silent.most_in_kernel) / 1024.0;
        state.counters["lost"] = static_cast<double>(all.lost + silent.lost);
    }
}

struct QuietRunResult {
    std::vector<double> latencies_us; // the quiet player's lines at the two readers
    std::int64_t flood_lines = 0;     // sent by the flooder
    std::int64_t lost = 0;            // lines of either sender that some receiver never got
    double seconds = 0.0;
    bool started = false;
};

// Player 1 chats 400 timed lines at 200 a second; players 2 and 3 read and time them; player 0 floods all the
// while or keeps quiet. Every receiver of the flood (1, 2, 3) must get all of it, in order.
QuietRunResult RunQuietPlayer(HostKind kind, bool flood)
{
    constexpr int QUIET_LINES = 400;
    constexpr auto QUIET_GAP = 5ms;
    Host host(kind);
    QuietRunResult result;
    result.started = host.room.Port() != 0;
    if (!result.started) {
        return result;
    }
    const auto epoch = Clock::now();
    auto since_epoch = [&] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - epoch).count();
    };
    std::atomic<bool> quiet_done{false};
    std::atomic<bool> flood_done{!flood};
    std::atomic<std::int64_t> flood_sent{0};
    std::array<std::int64_t, PLAYERS> flood_heard{};
    std::array<int, PLAYERS> quiet_heard{};
    std::array<std::vector<double>, PLAYERS> latencies;
    std::vector<std::thread> threads;
    const std::string flood_text = "CHAT\tsome ordinary chat text of a player";
    const auto start = Clock::now() + 10ms;
    if (flood) {
        threads.emplace_back([&] {
            std::this_thread::sleep_until(start);
            while (!quiet_done.load() && host.players[0].SendLine(flood_text)) {
                flood_sent.fetch_add(1);
            }
            flood_done = true;
        });
    }
    threads.emplace_back([&] {
        for (int n = 0; n < QUIET_LINES; ++n) {
            std::this_thread::sleep_until(start + n * QUIET_GAP);
            char stamp[16];
            std::snprintf(stamp, sizeof stamp, "%012lld", static_cast<long long>(since_epoch()));
            host.players[1].SendLine(std::string("CHAT\t") + stamp);
        }
        quiet_done = true;
    });
    // Receivers read until every line is in or nothing comes for a while: player 0 the quiet lines, 1 the flood,
    // 2 and 3 both.
    for (std::size_t p = 0; p < PLAYERS; ++p) {
        threads.emplace_back([&, p] {
            std::string line;
            const bool hears_quiet = p != 1;
            const bool hears_flood = flood && p != 0;
            auto complete = [&] {
                return (!hears_quiet || quiet_heard[p] == QUIET_LINES) &&
                       (!hears_flood || (flood_done.load() && flood_heard[p] == flood_sent.load()));
            };
            while (!complete() && host.players[p].ReadLine(line)) {
                if (line.starts_with("CHAT\t0\t")) {
                    ++flood_heard[p];
                } else if (line.starts_with("CHAT\t1\t")) {
                    ++quiet_heard[p];
                    if (p >= 2) {
                        const std::int64_t sent = std::stoll(line.substr(line.rfind('\t') + 1));
                        latencies[p].push_back(static_cast<double>(since_epoch() - sent) / 1000.0);
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.flood_lines = flood_sent.load();
    for (std::size_t p = 0; p < PLAYERS; ++p) {
        if (p != 1) {
            result.lost += QUIET_LINES - quiet_heard[p];
        }
        if (flood && p != 0) {
            result.lost += result.flood_lines - flood_heard[p];
        }
    }
    for (std::size_t p = 2; p < PLAYERS; ++p) {
        result.latencies_us.insert(result.latencies_us.end(), latencies[p].begin(), latencies[p].end());
    }
    return result;
}

void FloodWithQuietPlayer(benchmark::State& state, HostKind kind)
{
    for (auto _ : state) {
        const QuietRunResult quiet = RunQuietPlayer(kind, false);
        const QuietRunResult flood = RunQuietPlayer(kind, true);
        if (!quiet.started || !flood.started) {
            state.SkipWithError("the host did not start");
            return;
        }
        const double quiet_p99 = Percentile(quiet.latencies_us, 0.99);
        const double flood_p99 = Percentile(flood.latencies_us, 0.99);
        state.counters["quiet_median_us"] = Percentile(quiet.latencies_us, 0.5);
        state.counters["quiet_p99_us"] = quiet_p99;
        state.counters["flood_median_us"] = Percentile(flood.latencies_us, 0.5);
        state.counters["flood_p99_us"] = flood_p99;
        state.counters["p99_ratio"] = quiet_p99 > 0 ? flood_p99 / quiet_p99 : 0.0;
        state.counters["flood_relayed_per_s"] =
            flood.seconds > 0 ? static_cast<double>(flood.flood_lines * RECEIVERS) / flood.seconds : 0.0;
        state.counters["lines_lost"] = static_cast<double>(quiet.lost + flood.lost);
    }
}

BENCHMARK_CAPTURE(PlotRelayLatency, desktop, HostKind::DESKTOP)->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PlotRelayLatency, dedicated, HostKind::DEDICATED)->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChatThroughput, desktop, HostKind::DESKTOP)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ChatThroughput, dedicated, HostKind::DEDICATED)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ChatFlood, desktop, HostKind::DESKTOP)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ChatFlood, dedicated, HostKind::DEDICATED)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FloodWithQuietPlayer, desktop, HostKind::DESKTOP)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FloodWithQuietPlayer, dedicated, HostKind::DEDICATED)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ChatWithSilentPeer, desktop, HostKind::DESKTOP)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ChatWithSilentPeer, dedicated, HostKind::DEDICATED)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace pyrandel

BENCHMARK_MAIN();
