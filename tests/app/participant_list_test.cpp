#include "app/participant_list.h"
#include "support/thread_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pyrandel {
namespace {

using Entries = std::vector<std::pair<std::string, int>>;

// The list as its readers (the host, the lobby's view) take it: one snapshot.
Entries Read(const ParticipantList& list)
{
    Entries entries;
    for (const RosterEntry& entry : list.Snapshot()) {
        entries.emplace_back(entry.name, entry.id);
    }
    return entries;
}

int Count(const ParticipantList& list)
{
    return static_cast<int>(list.Snapshot().size());
}

ParticipantList& Attached(ParticipantList& list)
{
    list.Attach();
    return list;
}

struct OrderCase {
    const char* label;
    Entries added; // in arrival order
    Entries listed;
};

class ParticipantOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ParticipantOrderTest, Add_SortsByNameIgnoringAsciiCaseAndKeepsArrivalOrderForEqualNames)
{
    ParticipantList list;
    list.Attach();
    for (const auto& [name, id] : GetParam().added) {
        list.Add(name, id);
    }
    EXPECT_EQ(Read(list), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ParticipantOrderTest,
    ::testing::Values(
        OrderCase{"ByNameNotId", {{"c", 0}, {"a", 1}, {"b", 2}}, {{"a", 1}, {"b", 2}, {"c", 0}}},
        OrderCase{"CaseIgnored",
                  {{"bob", 0}, {"Alice", 1}, {"alan", 2}, {"BEN", 3}},
                  {{"alan", 2}, {"Alice", 1}, {"BEN", 3}, {"bob", 0}}},
        OrderCase{
            "EqualNamesInArrivalOrder", {{"Sam", 2}, {"sam", 0}, {"SAM", 1}}, {{"Sam", 2}, {"sam", 0}, {"SAM", 1}}},
        OrderCase{"SameIdTwice", {{"x", 1}, {"x", 1}}, {{"x", 1}, {"x", 1}}},
        OrderCase{"PrefixFirst", {{"ab", 0}, {"a", 1}, {"", 2}}, {{"", 2}, {"a", 1}, {"ab", 0}}},
        // Letters fold to small ones, so the signs between the capitals and the small letters sort first.
        OrderCase{"UnderscoreBeforeLetters", {{"b", 0}, {"_", 1}, {"A", 2}}, {{"_", 1}, {"A", 2}, {"b", 0}}},
        // Double-byte characters sort after ASCII, and their second byte is never folded: 0x83 0x51 and
        // 0x83 0x71 are different characters even though 0x51 and 0x71 are 'Q' and 'q'.
        OrderCase{"DoubleByteTrailNotFolded",
                  {{"\x83q", 0}, {"z", 1}, {"\x83Q", 2}, {"\x83q", 3}},
                  {{"z", 1}, {"\x83Q", 2}, {"\x83q", 0}, {"\x83q", 3}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ParticipantListTest, Remove_TakesTheFirstEntryWithTheIdOnly)
{
    ParticipantList list;
    Attached(list).Add("same", 1);
    list.Add("same", 2);
    list.Add("other", 1);
    list.Remove(1); // "other" comes first in the list
    EXPECT_EQ(Read(list), (Entries{{"same", 1}, {"same", 2}}));
    list.Remove(3);
    EXPECT_EQ(Read(list), (Entries{{"same", 1}, {"same", 2}}));
    list.Remove(1);
    EXPECT_EQ(Read(list), (Entries{{"same", 2}}));
}

TEST(ParticipantListTest, Attach_ChangesBeforeAttachOrAfterDetachDoNothing)
{
    ParticipantList list;
    list.Add("early", 0);
    EXPECT_EQ(Count(list), 0);
    list.Attach();
    list.Add("a", 1);
    EXPECT_EQ(Count(list), 1);
    list.Detach();
    EXPECT_EQ(Count(list), 0);
    list.Add("late", 2);
    EXPECT_EQ(Count(list), 0);
    list.Attach(); // a new lobby starts empty
    EXPECT_EQ(Count(list), 0);
}

TEST(ParticipantListTest, ChangeHandler_CalledAfterEachChangeAndMayReadTheList)
{
    ParticipantList list;
    std::vector<int> counts;
    list.SetChangeHandler([&] { counts.push_back(Count(list)); }); // would deadlock if called under the lock
    list.Attach();
    list.Add("a", 0);
    list.Add("b", 1);
    list.Remove(7); // nothing changes
    list.Remove(0);
    list.Clear();
    list.Clear(); // already empty
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 1, 0}));
}

TEST(ParticipantListTest, ChangeHandler_ReplacingWaitsForACallInProgress)
{
    ParticipantList list;
    list.Attach();
    std::promise<void> entered;
    std::promise<void> release;
    std::atomic<bool> replaced{false};
    bool replaced_while_running = true;
    list.SetChangeHandler([&] {
        entered.set_value();
        release.get_future().wait();
        replaced_while_running = replaced.load();
    });
    std::thread changer([&list] { list.Add("a", 0); });
    entered.get_future().wait();
    std::atomic<pid_t> removing{0};
    std::thread remover([&] {
        removing = test::OwnThreadId();
        list.SetChangeHandler({}); // the view going away
        replaced = true;
    });
    // A right remover waits for the handler to return; a wrong one would be done by now.
    while (removing.load() == 0) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(test::WaitUntilBlocked(removing));
    release.set_value();
    changer.join();
    remover.join();
    EXPECT_FALSE(replaced_while_running);
    list.Add("b", 1); // no handler any more: nothing to wait for
    EXPECT_EQ(Count(list), 2);
}

TEST(ParticipantListTest, Snapshot_IsConsistentWhileOtherThreadsChangeTheList)
{
    ParticipantList list;
    list.Attach();
    std::atomic<int> notifications{0};
    list.SetChangeHandler([&] { notifications.fetch_add(1, std::memory_order_relaxed); });
    constexpr int ROUNDS = 2000;
    // Each writer keeps its own id listed at most once, under one of two names.
    std::vector<std::thread> writers;
    for (int id = 0; id < 3; ++id) {
        writers.emplace_back([&list, id] {
            for (int round = 0; round < ROUNDS; ++round) {
                list.Add(round % 2 == 0 ? "even" : "ODD", id);
                list.Remove(id);
            }
        });
    }
    std::thread reader([&list] {
        for (int round = 0; round < ROUNDS; ++round) {
            const std::vector<RosterEntry> snapshot = list.Snapshot();
            ASSERT_LE(snapshot.size(), 3u);
            for (std::size_t i = 1; i < snapshot.size(); ++i) {
                ASSERT_FALSE(NameSortsBefore(snapshot[i].name, snapshot[i - 1].name));
            }
        }
    });
    for (std::thread& writer : writers) {
        writer.join();
    }
    reader.join();
    EXPECT_EQ(Count(list), 0);
    EXPECT_EQ(notifications.load(), 3 * ROUNDS * 2);
}

} // namespace
} // namespace pyrandel

namespace pyrandel {
namespace {

TEST(ParticipantListLimit, Add_IgnoresEntriesBeyondTheLimitAndARemovalMakesRoom)
{
    ParticipantList list;
    list.Attach();
    // A participant repeating its announcement: one entry per ADD, up to the limit and no further.
    for (std::size_t n = 0; n < PARTICIPANT_LIMIT + 10; ++n) {
        list.Add("again", 3);
    }
    EXPECT_EQ(Count(list), static_cast<int>(PARTICIPANT_LIMIT));
    list.Add("newcomer", 1);
    EXPECT_EQ(Count(list), static_cast<int>(PARTICIPANT_LIMIT));
    list.Remove(3);
    list.Add("newcomer", 1);
    EXPECT_EQ(Count(list), static_cast<int>(PARTICIPANT_LIMIT));
    EXPECT_EQ(Read(list).back(), (std::pair<std::string, int>{"newcomer", 1}));
}

} // namespace
} // namespace pyrandel
