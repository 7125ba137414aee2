// The chat log's capacity rule, kept by the logic whatever threads append.

#include "app/chat_log.h"
#include "support/fake_lobby_view.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace pyrandel::test {
namespace {

TEST(ChatLog, Append_CountsEachLineWithItsLineEnd)
{
    FakeLobbyView view;
    ChatLog log(view);
    log.Append("abc");
    log.Append("");
    EXPECT_EQ(log.Size(), 5u + 2u);
    EXPECT_EQ(view.ChatLines(), (std::vector<std::string>{"abc", ""}));
}

struct CapacityCase {
    const char* what;
    std::size_t before; // bytes in the log before the append, line ends included
    bool replaces;
};

TEST(ChatLog, Append_ReplacesTheWholeLogOnlyFromCapacityOn)
{
    const std::vector<CapacityCase> cases = {
        {"well below", 100, false},
        {"one byte below", CHAT_LOG_CAPACITY - 1, false},
        {"exactly full", CHAT_LOG_CAPACITY, true},
        {"beyond", CHAT_LOG_CAPACITY + 77, true},
    };
    for (const CapacityCase& c : cases) {
        FakeLobbyView view;
        ChatLog log(view);
        log.Append(std::string(c.before - 2, 'x'));
        ASSERT_EQ(log.Size(), c.before) << c.what;
        log.Append("next");
        if (c.replaces) {
            EXPECT_EQ(view.ChatLines(), std::vector<std::string>{"next"}) << c.what;
            EXPECT_EQ(log.Size(), 6u) << c.what;
        } else {
            EXPECT_EQ(view.ChatLines().size(), 2u) << c.what;
            EXPECT_EQ(log.Size(), c.before + 6) << c.what;
        }
    }
}

TEST(ChatLog, AppendsFromManyThreads_KeepTheCountTrueToWhatTheViewHolds)
{
    FakeLobbyView view;
    ChatLog log(view);
    constexpr int THREADS = 4;
    constexpr int LINES = 2000;
    std::vector<std::thread> writers;
    for (int t = 0; t < THREADS; ++t) {
        writers.emplace_back([&log, t] {
            for (int i = 0; i < LINES; ++i) {
                log.Append(std::string(static_cast<std::size_t>(5 + t), static_cast<char>('a' + t)));
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    std::size_t shown = 0;
    for (const std::string& line : view.ChatLines()) {
        shown += line.size() + 2;
    }
    EXPECT_EQ(log.Size(), shown);
    EXPECT_GT(view.ChatReplacements(), 0);
}

} // namespace
} // namespace pyrandel::test
