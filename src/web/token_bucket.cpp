#include "web/token_bucket.h"

#include <algorithm>

namespace pyrandel {

bool TokenBucket::Take(Clock::time_point now)
{
    if (now > last) {
        const double seconds = std::chrono::duration<double>(now - last).count();
        tokens = std::min(limit.burst, tokens + seconds * limit.per_second);
        last = now;
    }
    if (tokens < 1.0) {
        return false;
    }
    tokens -= 1.0;
    return true;
}

} // namespace pyrandel
