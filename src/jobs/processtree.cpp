#include "jobs/processtree.h"

#include <QProcess>

#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The program's end of the watchdog's socket; -1 when no watchdog runs.
int s_watchdog = -1;

// How often the watchdog forgets the groups that have ended (milliseconds), and how many it
// follows at once (the engines of that many jobs running side by side).
constexpr int PruneInterval = 1000;
constexpr int MaxGroups = 8192;

// The watchdog's life, in a child forked from a program that may run other threads: only
// async-signal-safe calls, nothing allocated. Each message is a process group an engine
// leads; when the socket ends, the program has ended (in any way, SIGKILL too), and every
// group that still has members is killed: the engines' own children, which the kernel's
// parent-death signal does not reach.
[[noreturn]] void watch(int socket)
{
    pid_t groups[MaxGroups];
    int count = 0;
    for (;;) {
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, count > 0 ? PruneInterval : -1) > 0) {
            pid_t group = 0;
            const ssize_t got = ::recv(socket, &group, sizeof group, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                break;
            if (got == sizeof group && group > 1 && count < MaxGroups)
                groups[count++] = group;
        }
        // A group without members is forgotten before its number can be used again.
        for (int i = 0; i < count;) {
            if (::kill(-groups[i], 0) != 0 && errno == ESRCH)
                groups[i] = groups[--count];
            else
                ++i;
        }
    }
    for (int i = 0; i < count; ++i)
        ::kill(-groups[i], SIGKILL);
    ::_exit(0);
}

// In the forked watchdog: it holds nothing of the program's (no pipe of an engine, whose
// end it would keep open, no terminal), and ends only with the program.
[[noreturn]] void becomeWatchdog(int socket)
{
    ::setsid();
    for (int sig : {SIGHUP, SIGINT, SIGTERM, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2})
        ::signal(sig, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    constexpr int Kept = 3;
    if (socket != Kept && ::dup2(socket, Kept) != Kept)
        ::_exit(1);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < Kept && null >= 0; ++fd)
        ::dup2(null, fd);
    if (::syscall(SYS_close_range, unsigned(Kept + 1), ~0u, 0u) != 0) {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        for (rlim_t fd = Kept + 1; fd < limit.rlim_cur; ++fd)
            ::close(int(fd));
    }
    watch(Kept);
}

void startWatchdog()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    const pid_t watchdog = ::fork();
    if (watchdog == 0) {
        ::close(ends[0]);
        becomeWatchdog(ends[1]);
    }
    ::close(ends[1]);
    if (watchdog > 0)
        s_watchdog = ends[0];
    else
        ::close(ends[0]);
}

} // namespace

void ProcessTree::bindToProgram(QProcess *process)
{
    static std::once_flag started;
    std::call_once(started, startWatchdog);
    const pid_t program = ::getpid();
    const int watchdog = s_watchdog;
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process->setChildProcessModifier([program, watchdog] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The program may have ended before the request was made: nobody would kill us.
        if (::getppid() != program)
            ::_exit(127);
        // Told before the engine runs, so that nothing it starts can escape the watch.
        if (watchdog >= 0) {
            const pid_t group = ::getpid();
            ::send(watchdog, &group, sizeof group, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
    });
}

void ProcessTree::kill(QProcess *process)
{
    const qint64 pid = process->processId();
    // The group carries the engine's number while the engine is not reaped, which QProcess
    // does only once it has seen the end: the number cannot name anyone else's group.
    if (pid > 0 && ::getpgid(pid_t(pid)) == pid_t(pid) && ::kill(-pid_t(pid), SIGKILL) == 0)
        return;
    process->kill();
}
