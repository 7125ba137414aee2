#pragma once

// SIGINT and SIGTERM for the headless programs: blocked in every thread and taken synchronously, so no handler
// runs inside the program's threads and a stop is the ordinary shutdown (close, wake, join). Construct it in main
// before any thread starts, so every thread inherits the mask.

#include <csignal>

namespace pyrandel {

class StopSignals {
public:
    StopSignals();

    // Sleeps in the kernel until one of the two arrives and returns it: an idle program uses no CPU.
    [[nodiscard]] int Wait() const;
    // Takes one that has arrived, without waiting.
    [[nodiscard]] bool Arrived() const;

private:
    sigset_t signals{};
};

} // namespace pyrandel
