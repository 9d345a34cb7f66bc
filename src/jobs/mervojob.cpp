#include "jobs/mervojob.h"

#include "jobs/mervotask.h"

MervoJob::MervoJob()
{
    setObjectName(QStringLiteral("MervoJob"));
}

void MervoJob::init(const QList<MervoTask *> &tasks, const QString &id, const QString &title,
                    const QString &output, QTextEdit *stdIn, QTextEdit *stdOut,
                    QTextEdit *stdErr, QTextEdit *log, int logLevel, int startTimeout,
                    int finishTimeout, int killTimeout)
{
    m_tasks = tasks;
    initCommon(id, title, output, stdIn, stdOut, stdErr, log, logLevel, startTimeout,
               finishTimeout, killTimeout);
    for (MervoTask *task : std::as_const(m_tasks))
        task->setJob(this, id, title);
    start();
}

void MervoJob::start()
{
    for (MervoTask *task : std::as_const(m_tasks))
        task->setState(Task::Waiting);
    m_clock.start();
}

QList<MervoTask *> MervoJob::readyTasks() const
{
    QList<MervoTask *> ready;
    for (MervoTask *task : m_tasks) {
        if (task->state != Task::Waiting)
            continue;
        bool precedingDone = true;
        for (const MervoTask *preceding : task->precedingTasks()) {
            // A null entry names no task, so there is nothing to wait for.
            if (preceding && preceding->state != Task::Terminated
                && preceding->state != Task::Completed) {
                precedingDone = false;
                break;
            }
        }
        if (precedingDone)
            ready.append(task);
    }
    return ready;
}

bool MervoJob::isFinished() const
{
    for (const MervoTask *task : m_tasks) {
        if (!task->isFinished())
            return false;
    }
    return true;
}

int MervoJob::elapsedSeconds() const
{
    const qint64 elapsed = m_clock.isValid() ? m_clock.elapsed() : 0;
    return int(elapsed / 1000) + accumulatedSeconds;
}

void MervoJob::taskFinished(MervoTask *task, bool ok)
{
    const TaskEnd end = judgeEnd(task, ok);
    task->setState(end.failure.isEmpty() ? Task::Terminated : Task::Aborted);
    reportTaskEnd(task, ok, end);
    if (!end.failure.isEmpty()) {
        task->cancelFollowers();
        cancelBlockedTasks();
    }
    closeIfFinished();
}

QString MervoJob::failure() const
{
    for (const MervoTask *task : m_tasks) {
        if (!task->failure().isEmpty())
            return task->failure();
    }
    return QString();
}

void MervoJob::taskFailedToStart(MervoTask *task)
{
    task->cancelFollowers();
    cancelBlockedTasks();
    closeIfFinished();
}

// Followers are also found through their preceding tasks, the links that decide whether
// a task is ready: a job whose builder set only that side still comes to its end.
void MervoJob::cancelBlockedTasks()
{
    bool cancelled = true;
    while (cancelled) {
        cancelled = false;
        for (MervoTask *task : std::as_const(m_tasks)) {
            if (task->state != Task::Waiting)
                continue;
            for (const MervoTask *preceding : task->precedingTasks()) {
                if (!preceding)
                    continue;
                const int state = preceding->state;
                if (state == Task::Aborted || state == Task::Cancelled
                    || state == Task::FailedToStart) {
                    task->setState(Task::Cancelled);
                    cancelled = true;
                    break;
                }
            }
        }
    }
}

void MervoJob::closeIfFinished()
{
    if (!isFinished())
        return;
    // A job that ended within its first millisecond keeps the processing time it had.
    const QString time = m_clock.isValid()
        ? processingTimeText(m_clock.elapsed(), accumulatedSeconds) : QString();
    if (!time.isEmpty())
        processingTime = time;
    emit Job::finished();
    emit finished(container, processingTime);
}

QString MervoJob::processingTimeText(qint64 elapsedMs, int accumulatedSeconds)
{
    if (elapsedMs == 0)
        return QString();
    return MervoTask::clockText(elapsedMs / 1000 + accumulatedSeconds);
}
