#include "jobs/mervojobmanager.h"
#include "jobs/jobslogging.h"

#include "jobs/console.h"
#include "jobs/keepawake.h"
#include "jobs/mervojob.h"
#include "jobs/mervoprocess.h"
#include "jobs/mervotask.h"

#include <QDebug>

#include <algorithm>
#include <utility>

MervoJobManager::MervoJobManager(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
                                 QTextEdit *log, int logLevel, int startTimeout,
                                 int finishTimeout, int killTimeout)
    : JobManager(stdIn, stdOut, stdErr, log, logLevel, startTimeout, finishTimeout, killTimeout)
{
}

MervoJobManager::~MervoJobManager()
{
    // The plain jobs' engines are killed now too, so that they end side by side with these;
    // the base class then finds them ended.
    killTasks(plainTasks());
    QList<Task *> tasks;
    for (const MervoJob *job : std::as_const(m_mervoJobs)) {
        for (MervoTask *task : job->tasks())
            tasks << task;
    }
    releaseTasks(tasks);
    qDeleteAll(m_mervoJobs);
}

void MervoJobManager::addJob(MervoJob *job)
{
    m_mervoJobs.append(job);
    m_waitingJobs.append(job);
    mervoProcessJobs();
}

bool MervoJobManager::isIdle() const
{
    for (const MervoJob *job : m_mervoJobs) {
        if (!job->isFinished())
            return false;
    }
    return JobManager::isIdle();
}

bool MervoJobManager::holdsJob(const Job *job) const
{
    const auto *mervoJob = qobject_cast<const MervoJob *>(job);
    return (mervoJob && m_mervoJobs.contains(mervoJob)) || JobManager::holdsJob(job);
}

void MervoJobManager::freeJob(Job *job)
{
    auto *mervoJob = qobject_cast<MervoJob *>(job);
    if (!mervoJob || !m_mervoJobs.removeOne(mervoJob)) {
        JobManager::freeJob(job);
        return;
    }
    m_waitingJobs.removeOne(mervoJob);
    QList<Task *> tasks;
    for (MervoTask *task : mervoJob->tasks()) {
        m_mervoProcesses.removeOne(task->process);
        tasks.append(task);
    }
    freeTasks(tasks);
    delete mervoJob;
}

void MervoJobManager::acknowledgeTask(MervoProcess *process)
{
    if (process && process->mervoTask && process->mervoTask->state == Task::Terminated)
        process->mervoTask->setState(Task::Completed);
}

void MervoJobManager::killAll()
{
    // No wait: the ends arrive later, a slice per turn of the event loop, and end their
    // tasks as aborted. The engines' own children go with them.
    const QList<MervoProcess *> processes = std::exchange(m_mervoProcesses, {});
    stopAll({processes.cbegin(), processes.cend()});
    // Plain jobs run on this manager too: "kill all" leaves none of them running.
    JobManager::killAll();
}

void MervoJobManager::mervoProcessJobs()
{
    qCDebug(lcJobs) << "MervoJobManager: processing.";
    // Logging processes events, so a process end may run a nested pass in the middle of
    // this one: walk a copy, and start a task only while it still waits. Only the jobs that
    // still have a waiting task, in queue order: a pass after each end and each add must not
    // cost a long queue's length each time.
    const QList<MervoJob *> jobs = m_waitingJobs;
    for (MervoJob *job : jobs) {
        const QList<MervoTask *> ready = job->readyTasks();
        for (MervoTask *task : ready) {
            if (task->state == Task::Waiting)
                startTask(job, task);
        }
    }
    // A task never waits again once it has left that state.
    m_waitingJobs.removeIf([](const MervoJob *job) {
        const QList<MervoTask *> tasks = job->tasks();
        return std::none_of(tasks.cbegin(), tasks.cend(),
                            [](const MervoTask *task) { return task->state == Task::Waiting; });
    });
}

void MervoJobManager::startTask(MervoJob *job, MervoTask *task)
{
    auto *process = new MervoProcess;
    if (!launchTask(process, task, job->id(), "MervoJobManager:")) {
        log(tr("Failed to start job %1 [%2]: %3.").arg(task->name(), job->id(), task->failure()),
            LogLevel::Quiet);
        emit jobStarted(job);
        // After jobStarted, so that the views know the job before it reports its end.
        job->taskFailedToStart(task);
        return;
    }

    process->mervoJob = job;
    process->mervoTask = task;
    m_mervoProcesses.append(process);
    attachProcess(process, task);
    // Through the extended task's own state change, which starts its clock: each task
    // counts its own run time, not the time its job waited before it.
    task->setState(Task::Running);
    // Each process named in its connection: sender() searches every connection made to this
    // manager, which a long queue makes slow for each line of output and each end.
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus exitStatus) {
        receiveEnd(process, exitCode, exitStatus);
    });
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] { emit processStdOutReady(process); });
    connect(process, &QProcess::readyReadStandardError, this, [this, process] { emit processStdErrReady(process); });
    // Before the log line: logging processes events, so the process may end inside it,
    // and its end must find the keep-awake request made and the start reported.
    setKeepAwake();
    emit jobStarted(job);
    log(tr("Started job %1 [%2].").arg(task->name(), job->id()), LogLevel::Quiet);
}

void MervoJobManager::handleMervoProcessFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (auto *process = qobject_cast<MervoProcess *>(sender()))
        receiveEnd(process, exitCode, exitStatus);
}

void MervoJobManager::endProcess(Process *process, int exitCode, QProcess::ExitStatus exitStatus)
{
    if (auto *mervoProcess = qobject_cast<MervoProcess *>(process); mervoProcess && mervoProcess->mervoJob)
        finishProcess(mervoProcess, exitCode, exitStatus);
    else
        JobManager::endProcess(process, exitCode, exitStatus);
}

void MervoJobManager::finishProcess(MervoProcess *process, int exitCode, QProcess::ExitStatus exitStatus)
{
    if (!process->mervoJob || !process->mervoTask)
        return;
    qCDebug(lcJobs) << "JobManager: exit code" << process->mervoJob->title() << process->exitCode();
    const bool ok = noteExit(process, process->mervoTask, exitCode, exitStatus);
    process->mervoJob->taskFinished(process->mervoTask, ok);
    resetKeepAwake();
    emit processFinished(process, exitCode, exitStatus);
    mervoProcessJobs();
    freeReleasedJobsLater();
}

void MervoJobManager::readProcessStdOutput()
{
    if (auto *process = qobject_cast<MervoProcess *>(sender()))
        emit processStdOutReady(process);
}

void MervoJobManager::readProcessStdError()
{
    if (auto *process = qobject_cast<MervoProcess *>(sender()))
        emit processStdErrReady(process);
}

MervoJob *MervoJobManager::addEngineJob(const QString &program, const QStringList &arguments,
                                        const QString &outputFile, const QString &label,
                                        const QString &name, const QString &engineName,
                                        qint64 value, double duration)
{
    if (!prepareEngineJob(outputFile, name))
        return nullptr;
    EncodingTaskData *data = makeEngineTaskData(engineName, outputFile, value, duration);

    auto *task = new MervoTask;
    task->set(data, program, arguments, engineWorkingDirectory(outputFile), name, label);
    QList<MervoTask *> tasks;
    MervoTask::insertChecked(task, &tasks);
    auto *job = new MervoJob;
    job->init(tasks, createTimestamp(), name, outputFileName(outputFile), stdInView(),
              stdOutView(), stdErrView(), logView(), logLevel(), 0, 0, 0);
    m_mervoJobs.append(job);
    m_waitingJobs.append(job);
    mervoProcessJobs();
    return job;
}

MervoJob *MervoJobManager::addEngineJob(const QString &program, const QStringList &arguments,
                                        const QString &outputFile, const QString &label,
                                        const QString &name, const QString &engineName,
                                        qint64 value)
{
    return addEngineJob(program, arguments, outputFile, label, name, engineName, value, 0.0);
}
