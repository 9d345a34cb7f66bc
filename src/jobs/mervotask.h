#pragma once

#include "jobs/task.h"

#include <QElapsedTimer>
#include <QList>

// A task of a multi-task job: it knows the tasks that must end well before it may start
// (preceding) and the tasks that wait for it (following), and measures how long it ran.
class MervoTask : public Task
{
    Q_OBJECT

public:
    MervoTask();

    // Hides Task::setState: starts the clock on entering Running and records the run
    // time on Terminated. Managers and jobs always change a MervoTask through this one.
    void setState(int state);

    void setPrecedingTasks(const QList<MervoTask *> &tasks);
    void setFollowingTasks(const QList<MervoTask *> &tasks);
    QList<MervoTask *> precedingTasks() const { return m_precedingTasks; }
    QList<MervoTask *> followingTasks() const { return m_followingTasks; }

    double elapsedMinutes() const;
    QString duration() const { return m_duration; }

    // Cancels every waiting follower (and theirs), then asks for the process to be killed.
    void abort();
    // A follower of a task that will never end well can never run: cancels the waiting
    // followers, and the followers of those, through the links the job builder set.
    void cancelFollowers();

    static bool insertChecked(MervoTask *task, QList<MervoTask *> *list);

    // "hh:mm:ss" with at least two digits each; hours are not wrapped.
    static QString clockText(qint64 seconds);

private:
    QList<MervoTask *> m_precedingTasks;
    QList<MervoTask *> m_followingTasks;
    QElapsedTimer m_clock;
    QString m_duration;
};
