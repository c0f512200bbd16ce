#include "platform/process.h"

#include <csignal>
#include <initializer_list>
#include <sys/prctl.h>
#include <unistd.h>

namespace clipvane::platform {

void PrepareChildProcess(std::int64_t parent)
{
    ::setpgid(0, 0);
    // The command line may have set these aside for itself; the converter
    // must see them as any program does.
    for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        ::signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != static_cast<pid_t>(parent))
        ::_exit(127);
}

std::int64_t CurrentProcessId()
{
    return ::getpid();
}

void KillProcessGroup(std::int64_t leader)
{
    if (leader > 0)
        ::kill(-static_cast<pid_t>(leader), SIGKILL);
}

} // namespace clipvane::platform
