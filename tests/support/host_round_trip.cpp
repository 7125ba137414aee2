#include "support/host_round_trip.h"

#include "text/texts.h"

#include <gtest/gtest.h>

#include <atomic>

namespace pyrandel::test {

namespace {

// Each marker differs from every other one of the run, so an old one can never be taken for a new one.
std::atomic<int> markers_said{0};

// Sends a marker from clients[speaker] and reads every other client up to its relay.
void SayMarker(std::span<LineClient* const> clients, std::size_t speaker, std::vector<std::vector<std::string>>& seen)
{
    const std::string text = "caught up " + std::to_string(++markers_said);
    ASSERT_TRUE(clients[speaker]->Send("CHAT\t" + text));
    const std::string ending = "\t" + text;
    const auto is_marker = [&](std::string_view line) { return line.starts_with("CHAT\t") && line.ends_with(ending); };
    for (std::size_t listener = 0; listener < clients.size(); ++listener) {
        if (listener == speaker) {
            continue;
        }
        const auto before = clients[listener]->ReadUntil(is_marker);
        ASSERT_TRUE(before) << "no marker " << text << " at client " << listener;
        seen[listener].insert(seen[listener].end(), before->begin(), before->end());
    }
}

} // namespace

std::vector<std::vector<std::string>> ReadUntilCaughtUp(std::span<LineClient* const> clients, int port)
{
    std::vector<std::vector<std::string>> seen(clients.size());
    if (clients.size() == 1) {
        LineClient probe(port);
        const auto greeting = probe.ReadLine();
        EXPECT_TRUE(greeting && greeting->starts_with("ID\t")) << "the probe was not let in";
        std::vector<std::vector<std::string>> with_probe(2);
        const std::vector<LineClient*> pair{clients[0], &probe};
        SayMarker(pair, 0, with_probe);
        SayMarker(pair, 1, with_probe);
        probe.Close();
        const auto departure = clients[0]->ReadLines(2);
        EXPECT_EQ(departure, (std::vector<std::string>{"DEL\t" + greeting.value_or("ID\t").substr(3),
                                                       "MSG\t?" + std::string(texts::MSG_GONE_SUFFIX)}));
        return {with_probe[0]};
    }
    for (std::size_t speaker = 0; speaker < clients.size(); ++speaker) {
        SayMarker(clients, speaker, seen);
    }
    if (!clients.empty()) {
        SayMarker(clients, 0, seen);
    }
    return seen;
}

} // namespace pyrandel::test
