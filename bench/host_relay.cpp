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

#include "server/random_generator.h"
#include "server/server_session.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
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

constexpr int PLAYERS = 4;
constexpr int RECEIVERS = PLAYERS - 1;
constexpr std::chrono::milliseconds READ_TIMEOUT = 5s;

// A blocking loopback socket with just enough line handling for the measurements. Lines end in CR LF.
class RawLineSocket {
public:
    RawLineSocket() = default;
    explicit RawLineSocket(int descriptor) : fd(descriptor) { NoDelay(); }
    ~RawLineSocket() { Close(); }
    RawLineSocket(RawLineSocket&& from) noexcept
        : fd(std::exchange(from.fd, -1)), pending(std::move(from.pending))
    {
    }
    RawLineSocket& operator=(RawLineSocket&&) = delete;
    RawLineSocket(const RawLineSocket&) = delete;
    RawLineSocket& operator=(const RawLineSocket&) = delete;

    bool Connect(int port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

    // The next line without its CR LF; false on timeout or end of connection.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout = READ_TIMEOUT)
    {
        for (;;) {
            const std::size_t end = pending.find("\r\n", scanned);
            if (end != std::string::npos) {
                line.assign(pending, 0, end);
                pending.erase(0, end + 2);
                scanned = 0;
                return true;
            }
            scanned = pending.empty() ? 0 : pending.size() - 1;
            pollfd waiting{fd, POLLIN, 0};
            if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) {
                return false;
            }
            char chunk[8192];
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got <= 0) {
                return false;
            }
            pending.append(chunk, static_cast<std::size_t>(got));
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

private:
    void NoDelay() const
    {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }

    int fd = -1;
    std::string pending;
    std::size_t scanned = 0;
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

// A host with four players named by their NEW_C lines.
struct Host {
    Host()
    {
        server.Listen(0, 5, htonl(INADDR_LOOPBACK));
        for (int id = 0; id < PLAYERS; ++id) {
            players[static_cast<std::size_t>(id)].Connect(server.Port());
            const std::string name = "player" + std::to_string(id);
            players[static_cast<std::size_t>(id)].SendLine("NEW_C\t" + name);
        }
        for (RawLineSocket& player : players) {
            player.Drain();
        }
    }

    RandomGenerator random;
    ServerSession server{random};
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

void PlotRelayLatency(benchmark::State& state)
{
    Host host;
    host.players[0].SendLine("STARTVS");
    for (RawLineSocket& player : host.players) {
        player.Drain();
    }
    // The draw from the creation state puts the four in some order; whoever sends, the others are relayed to,
    // and left = 1 keeps the turn, so no CAN_PUT comes between the samples.
    RawLineSocket& host_sender = host.players[0];
    std::array<RawLineSocket*, RECEIVERS> host_receivers{&host.players[1], &host.players[2],
                                                         &host.players[3]};

    BareRelay bare;
    RawLineSocket bare_sender;
    std::array<RawLineSocket, RECEIVERS> bare_sockets;
    if (!bare.Connect(bare_sender, bare_sockets)) {
        state.SkipWithError("bare relay did not connect");
        return;
    }
    std::array<RawLineSocket*, RECEIVERS> bare_receivers{&bare_sockets[0], &bare_sockets[1],
                                                         &bare_sockets[2]};

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
void RunChat(benchmark::State& state, int per_player, std::chrono::microseconds gap)
{
    std::int64_t sent_total = 0;
    std::int64_t lost_total = 0;
    double seconds_total = 0.0;
    for (auto _ : state) {
        Host host;
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

void ChatThroughput(benchmark::State& state)
{
    // 2,500 lines a second from each of four players: 10,000 a second in all, for two seconds.
    RunChat(state, 5000, 400us);
}

void ChatFlood(benchmark::State& state)
{
    RunChat(state, 20000, 0us);
}

BENCHMARK(PlotRelayLatency)->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ChatThroughput)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ChatFlood)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pyrandel

BENCHMARK_MAIN();
