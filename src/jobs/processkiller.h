#pragma once

class QProcess;

// Stops child processes without ever blocking the GUI thread longer than a time-out. A
// kill can fail to take: a process stuck in uninterruptible I/O ignores SIGKILL until its
// I/O returns, and QProcess::close() would then wait without limit (its destructor 30 s).
class ProcessKiller
{
public:
    // Kills the process (and the processes it started) without waiting.
    static void kill(QProcess *process);
    // Kills the process and waits at most timeout ms for its end; true when it has ended
    // (its finished() signal has then been emitted).
    static bool killAndWait(QProcess *process, int timeout);

    // Takes a process over from its owner: one that has ended is deleted now, one that
    // still runs is never waited for again and is deleted once the event loop sees it end.
    // Those left when the application object ends are killed and deleted then (one whose
    // kill does not take within two seconds is left to the system).
    static void release(QProcess *process);

    // How a process is killed. Tests replace it to stand for a kill that does not take;
    // the previous function is returned.
    using KillFunction = void (*)(QProcess *);
    static KillFunction setKillFunction(KillFunction kill);
};
