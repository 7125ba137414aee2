#pragma once
// What every look-ahead is given and what it reports, whichever search the engine runs.

#include <chrono>
#include <cstdint>
#include <optional>

namespace pyrandel {

struct SearchLimits {
    // No deeper search is begun once this has passed (the reference search; best-reply search deepens until the
    // hard budget, as it uses an unfinished depth).
    std::chrono::milliseconds start_budget{0};
    std::chrono::milliseconds hard_budget{0}; // a running search stops once this has passed
    int max_depth = 1;
};

struct SearchResult {
    std::optional<int> lane;
    int score = 0;
    int depth = 0; // the deepest search that chose the lane
    std::uint64_t nodes = 0;
};

} // namespace pyrandel
