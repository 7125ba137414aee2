// The host's log writer while its output takes nothing: the queue keeps its bound, and every line either arrives
// in order or is counted in a note in its place.

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
    // Walk the output: each line is the next one written, or a note that counts the lines dropped just there (a
    // note follows the batch the writer took before they were dropped; a writer that started late takes two).
    std::istringstream lines(written.substr(filler));
    const std::string note_end = " log lines dropped: the output was not taking them";
    std::string line;
    int next = 0;
    int kept = 0;
    int notes = 0;
    while (std::getline(lines, line)) {
        if (line == "line " + std::to_string(next)) {
            ++next;
            ++kept;
        } else if (line.ends_with(note_end) && notes < 2) {
            next += std::stoi(line.substr(0, line.size() - note_end.size()));
            ++notes;
        } else {
            ADD_FAILURE() << "expected line " << next << " or a note, got: " << line;
            break;
        }
    }
    EXPECT_EQ(next, LINES) << "every line arrives or is counted";
    EXPECT_GE(kept, static_cast<int>(LOG_QUEUE_LIMIT));
    EXPECT_GE(notes, 1);
}

} // namespace
} // namespace pyrandel
