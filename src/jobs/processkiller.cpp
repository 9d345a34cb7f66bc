#include "jobs/processkiller.h"

#include "jobs/processtree.h"

#include <QProcess>

#include <utility>

namespace {

// The engine and whatever it started.
void sendKill(QProcess *process)
{
    ProcessTree::kill(process);
}

ProcessKiller::KillFunction s_kill = sendKill;

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
