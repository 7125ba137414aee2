#include "support/player_round_trip.h"

#include <atomic>
#include <string>

namespace pyrandel::test {

namespace {

std::atomic<int> markers_sent{0};

} // namespace

::testing::AssertionResult SentNothingMore(ScriptedHost& host, TestPlayer& player)
{
    const int marker = ++markers_sent;
    // "sync " as the fixtures' own markers begin, so what they leave out of the chat leaves this out too.
    const std::string notice = "sync caught up " + std::to_string(marker);
    if (!host.Send("MSG\t" + notice) || !player.view.WaitUntil([&] { return player.view.ChatHas(notice); })) {
        return ::testing::AssertionFailure() << "the player did not show " << notice;
    }
    // Work that the window thread runs may queue more work behind it (a close asked for by hand queues three
    // deep), so the marker goes out only after a few rounds through the queue.
    const std::string own = "SYNC\t" + std::to_string(marker);
    for (int round = 0; round < 3; ++round) {
        if (!player.view.RunOnWindowThread([] {})) {
            return ::testing::AssertionFailure() << "the window thread is held";
        }
    }
    if (!player.view.RunOnWindowThread([&] { player.program.client().SendLine(own); })) {
        return ::testing::AssertionFailure() << "the window thread did not send the marker";
    }
    const auto before = host.ReadUntil([&](std::string_view line) { return line == own; });
    if (!before) {
        return ::testing::AssertionFailure() << "the marker " << own << " did not arrive";
    }
    if (!before->empty()) {
        auto failure = ::testing::AssertionFailure() << "sent before the marker:";
        for (const std::string& line : *before) {
            failure << " [" << line << "]";
        }
        return failure;
    }
    return ::testing::AssertionSuccess();
}

} // namespace pyrandel::test
