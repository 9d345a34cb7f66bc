#pragma once

#include "encoding/jobmanagerwidget.h"
#include "jobs/mervojobmanager.h"

class MervoMiniConsoleWidget;

// The view of the extended job manager: a box per job holding one strip per task, all made
// when the job starts (a waiting task's strip stays disabled until its task runs). It aborts
// a task together with its waiting followers, removes a whole finished job at once, and shows
// the job's processing time in the box's tool tip when the job ends.
class MervoJobManagerWidget : public JobManagerWidget
{
    Q_OBJECT

public:
    explicit MervoJobManagerWidget(QWidget *parent);

    void setJobManager(MervoJobManager *manager);
    MervoJobManager *mervoJobManager() const { return m_mervoManager; }
    void addJobContainer(MervoJob *job);
    void clear() override;

public slots:
    void abortMervoTaskMiniConsole(MervoMiniConsoleWidget *mini);
    void removeMervoTaskMiniConsole(MervoMiniConsoleWidget *mini);
    void updateMervoTaskMiniConsole(void *container, const QString &time);
    void resetJobContainerDisplay(void *container);

private:
    void rebuild();
    // A confirmed abort: the task and its waiting followers; when the task ended while the
    // user was asked, what is left of its job after it.
    static void abortRemaining(MervoTask *task);
    // The job's container as a box of this view; none when it is not one (any more).
    QWidget *ownContainer(void *container) const;

    QList<QPointer<MervoJob>> m_jobs;
    QPointer<MervoJobManager> m_mervoManager;
};
