#include "jobs/processkiller.h"

#include "jobs/processtree.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <algorithm>
#include <utility>

namespace {

// The engine and whatever it started.
void sendKill(QProcess *process)
{
    ProcessTree::kill(process);
}

ProcessKiller::KillFunction s_kill = sendKill;

// How long the program's end waits, in all, for the ends of the processes it took over.
constexpr int kEndWaitMs = 2000;

// The processes taken over and not deleted yet (used from the window's thread only). The
// event loop deletes each once it sees its end; a program that ends first (its window
// closed right after a load gave up on an engine run) would leave them behind, with the
// pipes and notifiers they hold.
QList<QProcess *> &released()
{
    static QList<QProcess *> processes;
    return processes;
}

// Run by the application object's end: no loop will see those ends now. Each is killed
// (with the real kill, whatever stands for it meanwhile) and waited for a moment; one whose
// kill does not take (stuck in uninterruptible I/O) is left to the system rather than
// waited for without limit.
void deleteReleased()
{
    const QDeadlineTimer deadline(kEndWaitMs);
    const QList<QProcess *> processes = std::exchange(released(), {});
    for (QProcess *process : processes) {
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            sendKill(process);
            process->waitForFinished(int(std::max<qint64>(1, deadline.remainingTime())));
        }
        if (process->state() == QProcess::NotRunning)
            delete process;
    }
}

} // namespace

void ProcessKiller::kill(QProcess *process)
{
    if (process->state() != QProcess::NotRunning)
        s_kill(process);
}

bool ProcessKiller::killAndWait(QProcess *process, int timeout)
{
    if (process->state() == QProcess::NotRunning)
        return true;
    s_kill(process);
    return process->waitForFinished(timeout);
}

void ProcessKiller::release(QProcess *process)
{
    if (!process)
        return;
    process->setParent(nullptr);
    if (process->state() == QProcess::NotRunning) {
        delete process;
        return;
    }
    static const bool deletedAtTheEnd = (qAddPostRoutine(deleteReleased), true);
    Q_UNUSED(deletedAtTheEnd);
    released().append(process);
    QObject::connect(process, &QObject::destroyed, [process] { released().removeOne(process); });
    // Its output is no longer read; an engine that writes on gets a broken pipe.
    process->closeWriteChannel();
    process->closeReadChannel(QProcess::StandardOutput);
    process->closeReadChannel(QProcess::StandardError);
    // Not finished(): a process that never got past its start ends without it.
    QObject::connect(process, &QProcess::stateChanged, process,
                     [process](QProcess::ProcessState state) {
                         if (state != QProcess::NotRunning)
                             return;
                         process->deleteLater();
                     });
}

ProcessKiller::KillFunction ProcessKiller::setKillFunction(KillFunction kill)
{
    return std::exchange(s_kill, kill ? kill : sendKill);
}
