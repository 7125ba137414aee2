#pragma once
// A real program of this project started as a child process, for tests of command lines, signals and exit codes.
// Its stdout and stderr are pipes read by the test; every wait has a timeout, and the destructor kills and reaps a
// child that is still running, so a test never leaves a process behind or hangs.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace pyrandel::test {

struct ProgramResult {
    int exit_code = -1; // -1 when the program did not end by exit in time, or ended by a signal
    std::string out;
    std::string err;
};

class SpawnedProgram {
public:
    // Starts `path` with `arguments` and the test's environment, in which `environment` entries ("NAME=value")
    // replace those of the same name.
    SpawnedProgram(const std::string& path, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {});
    ~SpawnedProgram();
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    // The next line of stdout that contains `text` (lines before it are kept in Out()), or nothing on timeout or
    // end of output.
    [[nodiscard]] std::optional<std::string> WaitForLine(const std::string& text,
                                                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void Signal(int signal_number);
    // Waits for the end (reading both pipes to their end) and gives the exit code and everything written.
    [[nodiscard]] ProgramResult Finish(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    [[nodiscard]] const std::string& Out() const { return out; }
    // The child's process id, for what /proc tells of it (benchmarks).
    [[nodiscard]] pid_t Pid() const { return pid; }

private:
    // Reads what the pipes have within `timeout`; false when nothing more can come.
    bool Pump(std::chrono::milliseconds timeout);

    pid_t pid = -1;
    int out_fd = -1;
    int err_fd = -1;
    std::string out;
    std::string err;
    std::size_t out_seen = 0; // how much of `out` WaitForLine has looked at
};

// Runs a program to its end.
[[nodiscard]] ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                                       const std::vector<std::string>& environment = {});

// A TCP port that was free on every address a moment ago (bound with port 0, then closed), for a real program
// that must be given a number.
[[nodiscard]] int FreePort();

} // namespace pyrandel::test
