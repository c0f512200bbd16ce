#include "platform/interruptions.h"

#include <atomic>
#include <csignal>

namespace clipvane::platform {

namespace {

std::atomic<int> g_pending{0};

void noteSignal(int signal)
{
    g_pending.store(signal);
    if (signal == SIGINT)
        std::signal(SIGINT, SIG_DFL); // the second one ends the program
}

} // namespace

void CatchInterruptions()
{
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::sigaction(signal, &action, nullptr);
}

Interruption TakeInterruption()
{
    switch (g_pending.exchange(0)) {
    case SIGINT:
        return Interruption::Interrupt;
    case SIGTERM:
        return Interruption::Terminate;
    case SIGHUP:
        return Interruption::HangUp;
    case SIGPIPE:
        return Interruption::BrokenPipe;
    default:
        return Interruption::None;
    }
}

} // namespace clipvane::platform
