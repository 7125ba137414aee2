#pragma once
// A pipe for a LogWriter to write into, read back whole by the test once the writer is gone.

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <string>

namespace pyrandel::test {

class LogPipe {
public:
    LogPipe()
    {
        std::array<int, 2> ends{-1, -1};
        if (::pipe2(ends.data(), O_CLOEXEC) == 0) {
            out = ends[0];
            in = ends[1];
        }
    }
    ~LogPipe()
    {
        CloseInput();
        if (out >= 0) {
            ::close(out);
        }
    }
    LogPipe(const LogPipe&) = delete;
    LogPipe& operator=(const LogPipe&) = delete;

    // The end the writer writes to.
    [[nodiscard]] int input() const { return in; }

    // Fills the pipe to its last byte with '#', so the writer's next write waits until the pipe is read. Returns
    // how many bytes it took.
    std::size_t Fill()
    {
        const int flags = ::fcntl(in, F_GETFL);
        (void)::fcntl(in, F_SETFL, flags | O_NONBLOCK);
        const std::string chunk(4096, '#');
        std::size_t filled = 0;
        for (std::size_t size = chunk.size(); size > 0; size = size > 1 ? 1 : 0) {
            for (ssize_t written = 0; (written = ::write(in, chunk.data(), size)) > 0;) {
                filled += static_cast<std::size_t>(written);
            }
        }
        (void)::fcntl(in, F_SETFL, flags);
        return filled;
    }

    void CloseInput()
    {
        if (in >= 0) {
            ::close(in);
            in = -1;
        }
    }

    // Everything until every writing end is closed (the writer's descriptor is the one CloseInput closes).
    [[nodiscard]] std::string ReadToEnd() const
    {
        std::string text;
        std::array<char, 4096> buffer{};
        for (;;) {
            const ssize_t got = ::read(out, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return text;
            }
            text.append(buffer.data(), static_cast<std::size_t>(got));
        }
    }

private:
    int out = -1;
    int in = -1;
};

} // namespace pyrandel::test
