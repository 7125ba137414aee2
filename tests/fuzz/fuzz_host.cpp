// The host receiving any lines from up to four connections, with arrivals and departures mixed in, in the
// order the transport guarantees per slot (one OnConnect, its lines, one OnDisconnect). The callbacks are called
// directly, with no connection in the slots, so the host's sends are dropped; what is checked here is that no
// input makes it read or write out of bounds, overflow, hang or crash.
//
// Input: records of one control byte and, for a line, the bytes up to the next LF (cut into 79-byte pieces).
// Control byte: bits 0-1 the slot; bits 2-3 the event: 0 arrival, 1 departure, 2 and 3 a line. With bit 4 set an
// arrival or departure is skipped together with the byte after it (the corpus once used these records to change
// a participant list the host read; the host keeps its own roster now).
//
// Every input is played twice: to a trusting host, and to a refereeing one whose chat clock moves on by a fixed
// step at every look, so that a run is the same every time.

#include "net/line_connection.h"
#include "server/random_generator.h"
#include "server/server_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace pyrandel;

// The transport's callbacks are not public: the host is reached the way its slots reach it, through
// ListenServer's own operations.
struct Transport : ListenServer {
    static void Connect(ServerSession& host, int id)
    {
        ListenServer& server = host;
        (server.*&Transport::OnConnect)(id);
    }
    static void Line(ServerSession& host, int id, const char* line)
    {
        ListenServer& server = host;
        (server.*&Transport::OnLine)(id, line);
    }
    static void Disconnect(ServerSession& host, int id)
    {
        ListenServer& server = host;
        (server.*&Transport::OnDisconnect)(id, DisconnectReason::PEER_CLOSED);
    }
    static void ListenEnd(ServerSession& host)
    {
        ListenServer& server = host;
        (server.*&Transport::OnListenEnd)();
    }
};

void Play(std::string_view input, Refereeing mode)
{
    RandomGenerator random;
    ServerSession host(random);
    long long looks = 0;
    host.SetRefereeing(mode, [&looks] { return Referee::Clock::time_point(std::chrono::milliseconds(300 * ++looks)); });
    int stops = 0;
    host.SetStoppedHandler([&stops] { ++stops; });
    std::array<bool, PLAYER_SLOTS> connected{};

    std::size_t at = 0;
    while (at < input.size()) {
        const auto control = static_cast<unsigned char>(input[at++]);
        const int id = control & 3;
        const int event = (control >> 2) & 3;
        const bool behind_back = (control & 0x10) != 0;
        if (event >= 2) {
            const std::size_t end = std::min(input.find('\n', at), input.size());
            const std::string_view line = input.substr(at, end - at);
            at = end + 1;
            if (!connected[static_cast<std::size_t>(id)]) {
                continue;
            }
            for (std::size_t from = 0; from == 0 || from < line.size(); from += LINE_LIMIT) {
                const std::string piece(line.substr(from, LINE_LIMIT));
                Transport::Line(host, id, piece.c_str());
            }
        } else if (behind_back) {
            at += at < input.size() ? 1 : 0;
        } else if (event == 0 && !connected[static_cast<std::size_t>(id)]) {
            connected[static_cast<std::size_t>(id)] = true;
            Transport::Connect(host, id);
        } else if (event == 1 && connected[static_cast<std::size_t>(id)]) {
            connected[static_cast<std::size_t>(id)] = false;
            Transport::Disconnect(host, id);
        }
    }
    // The host stops: every connection ends, then the stop is reported once.
    for (int id = 0; id < PLAYER_SLOTS; ++id) {
        if (connected[static_cast<std::size_t>(id)]) {
            Transport::Disconnect(host, id);
        }
    }
    Transport::ListenEnd(host);
    if (stops != 1) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Play(input, Refereeing::TRUSTING);
    Play(input, Refereeing::REFEREED);
    return 0;
}
