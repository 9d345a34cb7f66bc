#include "encoding/mervojobmanagerwidget.h"

#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "encoding/viewtext.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "jobs/process.h"

#include <QGroupBox>
#include <QVBoxLayout>

MervoJobManagerWidget::MervoJobManagerWidget(QWidget *parent)
    : JobManagerWidget(parent)
{
}

void MervoJobManagerWidget::setJobManager(MervoJobManager *manager)
{
    m_mervoManager = manager;
    attachManager(manager);
    deleteRemovedConsoles();
    rebuild();
}

void MervoJobManagerWidget::rebuild()
{
    if (!m_mervoManager)
        return;
    const QList<MervoJob *> jobs = m_mervoManager->jobs();
    for (MervoJob *job : jobs)
        addJobContainer(job);
}

QWidget *MervoJobManagerWidget::ownContainer(void *container) const
{
    auto *widget = static_cast<QWidget *>(container);
    // Compared by address only: a container of another view or a deleted box is not used.
    return container && isOwnBox(widget) ? widget : nullptr;
}

void MervoJobManagerWidget::addJobContainer(MervoJob *job)
{
    deleteRemovedConsoles();
    if (!job || m_jobs.contains(job))
        return;
    const QList<MervoTask *> tasks = job->tasks();

    QGroupBox *box = nullptr;
    const auto finished = qOverload<void *, const QString &>(&MervoJob::finished);
    if (!flatList && !job->container) {
        box = makeBox(job->title(), job->output());
        if (tasks.size() > 1)
            box->setObjectName(QStringLiteral("MultiTaskJob"));
        job->container = box;
        addBox(box, 0);
        connect(job, finished, this, &MervoJobManagerWidget::updateMervoTaskMiniConsole);
    } else if (job->container) {
        resetJobContainerDisplay(job->container);
        connect(job, finished, this, &MervoJobManagerWidget::updateMervoTaskMiniConsole);
    }

    int longest = 0;
    for (const MervoTask *task : tasks)
        longest = std::max(longest, int(task->text().size()));

    for (MervoTask *task : tasks) {
        const int engine = taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt();
        auto *console = new MervoConsoleDialog(task->name(), task->text(), task->commandLine(),
                                               Encoder::engineName(engine), int(task->processId()),
                                               engine == EngineType::FFmpeg);
        task->setConsole(console);
        console->setProcess(task);

        auto *mini = new MervoMiniConsoleWidget(console, this);
        mini->setProcessButtonHidden(processButtonHidden);
        mini->setConsoleButtonHidden(consoleButtonHidden);
        if (longest > 0)
            mini->setLabelWidth(longest);
        setTotals(console, mini, task);
        placeMiniConsole(mini, task, box ? box->layout() : mainLayout());
        // A task that started before its strip was made shows its state at once.
        mini->displayProgress();

        connect(mini, qOverload<MervoMiniConsoleWidget *>(&MervoMiniConsoleWidget::requestToAbort),
                this, &MervoJobManagerWidget::abortMervoTaskMiniConsole);
        connect(mini, qOverload<MervoMiniConsoleWidget *>(&MervoMiniConsoleWidget::requestToRemove),
                this, &MervoJobManagerWidget::removeMervoTaskMiniConsole);
        addShown(mini);
    }
    m_jobs.append(job);
}

void MervoJobManagerWidget::abortMervoTaskMiniConsole(MervoMiniConsoleWidget *mini)
{
    auto *task = mini ? qobject_cast<MervoTask *>(mini->task()) : nullptr;
    if (!task)
        return;
    if (confirmAbort(task, tr("This process is part a job which then won't be completed.")))
        abortRemaining(task);
}

void MervoJobManagerWidget::abortRemaining(MervoTask *task)
{
    switch (task->state) {
    case Task::Running:
        if (task->process)
            task->process->abortedByUser = true;
        // Its waiting followers are cancelled before the kill.
        task->abort();
        return;
    case Task::Waiting:
        task->setState(Task::Cancelled);
        task->cancelFollowers();
        return;
    default:
        // It ended while the user was asked: the abort applies to what is left of its job,
        // such as a second pass that has started meanwhile.
        for (MervoTask *follower : task->followingTasks()) {
            if (follower)
                abortRemaining(follower);
        }
    }
}

void MervoJobManagerWidget::removeMervoTaskMiniConsole(MervoMiniConsoleWidget *mini)
{
    Task *task = mini ? mini->task() : nullptr;
    if (!task)
        return;
    auto *job = qobject_cast<MervoJob *>(task->job);
    if (!job || job->objectName() != QLatin1String("MervoJob")) {
        removeMiniConsole(mini);
        return;
    }
    if (!job->isFinished())
        return;
    if (job->tasks().size() > 1 && !confirmRemoval(job->title()))
        return;

    const bool inOwnBox = ownContainer(job->container) != nullptr;
    QWidget *container = mini->parentWidget();
    if (!container || container->objectName() != QLatin1String("MultiTaskJob"))
        container = nullptr;
    for (MiniConsoleWidget *shown : miniConsoles()) {
        if (shown->task() && shown->task()->job == job)
            removeMiniConsole(shown, true);
    }
    // A box that still shows another job's strip (a finalising step that runs on) stays.
    if (container)
        hideEmptyBox(container);
    // The view no longer shows the job: it must not name the box, deleted once it shows
    // nothing, nor a later box made at the same address.
    if (inOwnBox)
        job->container = nullptr;
    m_jobs.removeAll(job);
    if (m_mervoManager)
        m_mervoManager->releaseJob(job);
    emit guiSizeAdjustRequest();
}

void MervoJobManagerWidget::updateMervoTaskMiniConsole(void *container, const QString &time)
{
    QWidget *box = ownContainer(container);
    if (!box)
        return;
    box->setToolTip(ViewText::richToolTip(
        tr("%1<br>Job processing time: %2").arg(box->toolTip(), ViewText::escaped(time))));
}

void MervoJobManagerWidget::resetJobContainerDisplay(void *container)
{
    QWidget *box = ownContainer(container);
    if (!box)
        return;
    box->setToolTip(box->toolTip().split(QLatin1String("<br>")).first());
}

void MervoJobManagerWidget::clear()
{
    // The boxes are deleted with the strips: the jobs must not keep pointing at them. And the
    // manager need not keep jobs that no view shows.
    const QList<QPointer<MervoJob>> jobs = m_jobs;
    m_jobs.clear();
    for (const QPointer<MervoJob> &job : jobs) {
        if (job && ownContainer(job->container))
            job->container = nullptr;
        if (job && m_mervoManager)
            m_mervoManager->releaseJob(job);
    }
    JobManagerWidget::clear();
}
