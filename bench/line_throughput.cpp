// Lines per second of one connection over loopback: TcpSocket::ReadLine against a bare recv-and-memchr loop that
// reads the same bytes in receives of the same size, measured in the same run. Prints the ratio of the two.

#include "net/line_connection.h"
#include "net/line_reader.h"
#include "net/tcp_socket.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>

namespace {

using pyrandel::LineReader;
using pyrandel::TcpSocket;

constexpr int LINES = 100'000;
const std::uint32_t LOOPBACK = htonl(INADDR_LOOPBACK);

// Lines shaped like the game's traffic: a command word and a few TAB-separated fields, 20 to 60 bytes.
const std::string& Payload()
{
    static const std::string payload = [] {
        std::string text;
        for (int i = 0; i < LINES; ++i) {
            char line[96];
            const int filler = 10 + (i * 7) % 40;
            std::snprintf(line, sizeof line, "CHAT\t%d\t%.*s\r\n", i % 4, filler,
                          "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
            text += line;
        }
        return text;
    }();
    return payload;
}

// Connects to `port`, sends the payload and closes.
std::thread Sender(int port)
{
    return std::thread([port] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = LOOPBACK;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            std::string_view rest = Payload();
            while (!rest.empty()) {
                const ssize_t sent = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
                if (sent <= 0) {
                    break;
                }
                rest.remove_prefix(static_cast<std::size_t>(sent));
            }
        }
        ::close(fd);
    });
}

void ReadLineLoop(benchmark::State& state)
{
    TcpSocket listener;
    listener.Create();
    listener.Bind(*pyrandel::SocketAddress::Numeric("127.0.0.1", 0), pyrandel::AddressReuse::YES);
    listener.Listen(4);
    for (auto _ : state) {
        std::thread sender = Sender(listener.LocalPort());
        TcpSocket connection = listener.Accept();
        char line[pyrandel::LINE_LIMIT + 1];
        int lines = 0;
        while (connection.ReadLine(line, pyrandel::LINE_LIMIT) != pyrandel::LINE_NONE) {
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
        sender.join();
        if (lines != LINES) {
            state.SkipWithError("lines lost");
        }
    }
    state.SetItemsProcessed(state.iterations() * LINES);
}

void BareRecvLoop(benchmark::State& state)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = LOOPBACK;
    ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(listener, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    for (auto _ : state) {
        std::thread sender = Sender(port);
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        char buffer[LineReader::CHUNK_CAPACITY];
        int lines = 0;
        for (;;) {
            const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
            if (received <= 0) {
                break;
            }
            const char* at = buffer;
            const char* const end = buffer + received;
            while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
                ++lines;
                at = static_cast<const char*>(found) + 1;
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
        sender.join();
        if (lines != LINES) {
            state.SkipWithError("lines lost");
        }
    }
    ::close(listener);
    state.SetItemsProcessed(state.iterations() * LINES);
}

BENCHMARK(ReadLineLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BareRecvLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the time per run of each benchmark, for the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto line = reporter.times.find("ReadLineLoop/real_time");
    const auto bare = reporter.times.find("BareRecvLoop/real_time");
    if (line != reporter.times.end() && bare != reporter.times.end() && bare->second > 0) {
        std::printf("ReadLine / bare recv+memchr time ratio: %.2f (goal: at most 1.50)\n", line->second / bare->second);
    }
    benchmark::Shutdown();
    return 0;
}
