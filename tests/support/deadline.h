#pragma once
// Waiting with a deadline, for the support clients that poll their descriptors.

#include <chrono>

namespace pyrandel::test {

using Clock = std::chrono::steady_clock;

// Whole milliseconds left until `deadline`, as poll() takes them; 0 once it has passed.
inline int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace pyrandel::test
