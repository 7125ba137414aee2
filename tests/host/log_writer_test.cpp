// The host's log writer while its output takes nothing: the queue keeps its bound, and every line either arrives
// in order or is counted in the one note that follows.

#include "host/log_pipe.h"
#include "host/log_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

namespace pyrandel {
namespace {

TEST(LogWriter, LinesBeyondTheBoundWhileTheOutputStallsAreCountedThenReported)
{
    test::LogPipe pipe;
    ASSERT_GE(pipe.input(), 0);
    const std::size_t filler = pipe.Fill();
    // The writer can hold one batch in a waiting write and LOG_QUEUE_LIMIT lines queued, so a third bound's worth
    // is dropped whatever the moment it took its batch.
    constexpr int LINES = 3 * static_cast<int>(LOG_QUEUE_LIMIT);
    std::string written;
    std::thread reader;
    {
        LogWriter writer(pipe.input());
        for (int i = 0; i < LINES; ++i) {
            writer.Write("line " + std::to_string(i));
        }
        // Only now does the output move again; the writer's destructor writes what it kept.
        reader = std::thread([&] { written = pipe.ReadToEnd(); });
    }
    pipe.CloseInput();
    reader.join();

    ASSERT_EQ(written.substr(0, filler), std::string(filler, '#'));
    std::istringstream lines(written.substr(filler));
    std::string line;
    int kept = 0;
    while (std::getline(lines, line) && line == "line " + std::to_string(kept)) {
        ++kept;
    }
    EXPECT_GE(kept, static_cast<int>(LOG_QUEUE_LIMIT));
    EXPECT_LT(kept, LINES);
    EXPECT_EQ(line, std::to_string(LINES - kept) + " log lines dropped: the output was not taking them");
    EXPECT_FALSE(std::getline(lines, line)) << "after the note: " << line;
}

} // namespace
} // namespace pyrandel
