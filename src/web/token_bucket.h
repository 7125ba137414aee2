#pragma once
// A token bucket: a burst at once, then a steady rate. The caller says what time it is, so tests need no clock.
// Plain value; its owner guards it.

#include "web/web_limits.h"

#include <chrono>

namespace pyrandel {

class TokenBucket {
public:
    using Clock = std::chrono::steady_clock;

    TokenBucket(RateLimit limit, Clock::time_point now) : limit(limit), tokens(limit.burst), last(now) {}

    // Takes one token if there is one at `now`.
    [[nodiscard]] bool Take(Clock::time_point now);

private:
    RateLimit limit;
    double tokens;
    Clock::time_point last;
};

} // namespace pyrandel
