#include "cli/stop_signals.h"

#include <pthread.h>
#include <time.h>

namespace pyrandel {

StopSignals::StopSignals()
{
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int StopSignals::Wait() const
{
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    return signal;
}

bool StopSignals::Arrived() const
{
    const timespec no_wait{0, 0};
    return sigtimedwait(&signals, nullptr, &no_wait) > 0;
}

} // namespace pyrandel
