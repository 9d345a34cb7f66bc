#include "jobs/processtree.h"

#include <QProcess>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

void ProcessTree::bindToProgram(QProcess *process)
{
    const pid_t program = ::getpid();
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process->setChildProcessModifier([program] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The program may have ended before the request was made: nobody would kill us.
        if (::getppid() != program)
            ::_exit(127);
    });
}

void ProcessTree::kill(QProcess *process)
{
    const qint64 pid = process->processId();
    // The group carries the engine's number while the engine is not reaped, which QProcess
    // does only once it has seen the end: the number cannot name anyone else's group.
    if (pid > 0 && ::getpgid(pid_t(pid)) == pid_t(pid))
        ::kill(-pid_t(pid), SIGKILL);
    process->kill();
}
