#include "jobs/mervotask.h"
#include "jobs/jobslogging.h"

#include <QDebug>

MervoTask::MervoTask()
{
    m_clock.start();
}

void MervoTask::setState(int newState)
{
    if ((state == Unset || state == Waiting || state == Starting) && newState == Running)
        m_clock.start();

    if (state == Running && newState == Terminated && m_clock.isValid()) {
        const qint64 elapsed = m_clock.elapsed();
        // A run that ended within its first millisecond keeps the duration it had.
        if (elapsed != 0)
            m_duration = clockText(elapsed / 1000);
    }
    Task::setState(newState);
}

void MervoTask::setPrecedingTasks(const QList<MervoTask *> &tasks)
{
    m_precedingTasks = tasks;
}

void MervoTask::setFollowingTasks(const QList<MervoTask *> &tasks)
{
    m_followingTasks = tasks;
}

double MervoTask::elapsedMinutes() const
{
    if (!m_clock.isValid())
        return 0.0;
    return m_clock.elapsed() / 60000.0;
}

void MervoTask::abort()
{
    cancelFollowers();
    // Reaches the process only while one is connected; a task that has not started keeps
    // its state.
    emit killProcess();
}

void MervoTask::cancelFollowers()
{
    for (MervoTask *follower : std::as_const(m_followingTasks)) {
        if (!follower || follower->state != Waiting)
            continue;
        follower->setState(Cancelled);
        follower->cancelFollowers();
    }
}

bool MervoTask::insertChecked(MervoTask *task, QList<MervoTask *> *list)
{
    bool complete = true;
    for (MervoTask *preceding : std::as_const(task->m_precedingTasks)) {
        if (list->lastIndexOf(preceding) >= 0)
            continue;
        qCDebug(lcJobs) << "MervoTask: preceeding task" << (preceding ? preceding->name() : QString())
                 << "not defined for " << task->name();
        complete = false;
    }
    if (complete)
        list->append(task);
    return complete;
}

QString MervoTask::clockText(qint64 seconds)
{
    const qint64 minutes = seconds / 60;
    const qint64 hours = minutes / 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
