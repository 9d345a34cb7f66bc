#include "jobs/jobmanager.h"
#include "jobs/jobslogging.h"

#include "jobs/console.h"
#include "jobs/job.h"
#include "jobs/keepawake.h"
#include "jobs/nestedloop.h"
#include "jobs/outputcheck.h"
#include "jobs/process.h"
#include "jobs/processend.h"
#include "jobs/processkiller.h"
#include "jobs/programstart.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <utility>

JobManager::JobManager(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                       int logLevel, int startTimeout, int finishTimeout, int killTimeout)
    : m_logLevel(logLevel), m_log(log), m_stdIn(stdIn), m_stdOut(stdOut), m_stdErr(stdErr)
{
    setTimeouts(startTimeout, finishTimeout, killTimeout);
}

JobManager::~JobManager()
{
    // An end still queued is not handed to its job: the task goes as one whose end was
    // never handled (its partial output removed).
    m_pendingEnds.clear();
    releaseTasks(plainTasks());
    qDeleteAll(m_jobs);
}

QList<Task *> JobManager::plainTasks() const
{
    QList<Task *> tasks;
    for (const Job *job : m_jobs) {
        if (job->task())
            tasks << job->task();
    }
    return tasks;
}

void JobManager::setTimeouts(int start, int finish, int kill)
{
    m_startTimeout = start == 0 ? 3000 : start;
    m_finishTimeout = finish == 0 ? 3000 : finish;
    m_killTimeout = kill == 0 ? 5000 : kill;
}

void JobManager::setLogLevel(int level)
{
    m_logLevel = level;
}

QString JobManager::createTimestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
}

void JobManager::acknowledgeTask(Process *process)
{
    if (process && process->task && process->task->state == Task::Terminated)
        process->task->setState(Task::Completed);
}

bool JobManager::isIdle() const
{
    for (const Job *job : m_jobs) {
        if (!job->isFinished())
            return false;
    }
    return true;
}

void JobManager::addJob(Job *job)
{
    m_jobs.append(job);
    processJobs();
}

void JobManager::killAll()
{
    // Every engine is killed now or within a few turns of the event loop; none is waited
    // for here. Each end reaches its job from the event loop, queued with the others' and
    // handled a slice per turn, and ends the task as aborted (its partial output removed).
    stopAll(std::exchange(m_processes, {}));
    NestedLoop::processEvents("JobManager::killAll");
}

void JobManager::stopAll(const QList<Process *> &processes)
{
    for (Process *process : processes) {
        process->abortedByUser = true;
        process->killedWithAll = true;
        m_killQueue.append(process);
    }
    if (!m_killQueued)
        killQueuedSlice();
}

void JobManager::killQueuedSlice()
{
    // Killed a slice at a time: the ends of engines killed together come back together, and
    // a thousand of them would hold the window in the turn they arrive in.
    m_killQueued = false;
    QElapsedTimer clock;
    clock.start();
    for (int kills = 0; !m_killQueue.isEmpty() && kills < KillsPerTurn && clock.elapsed() < KillSliceMs; ++kills) {
        if (Process *process = m_killQueue.takeFirst())
            process->stop(m_killTimeout);
    }
    if (!m_killQueue.isEmpty()) {
        m_killQueued = true;
        QTimer::singleShot(0, this, &JobManager::killQueuedSlice);
    }
}

void JobManager::receiveEnd(Process *process, int exitCode, QProcess::ExitStatus exitStatus)
{
    if (!process->killedWithAll && !OutputCheck::running()) {
        endProcess(process, exitCode, exitStatus);
        return;
    }
    // Hundreds of killed engines end within a few milliseconds of each other: handled all
    // in the turn they arrive in, their ends would hold the window far too long. An end that
    // arrives while the end of another is checked waits for that check.
    m_pendingEnds.append({process, exitCode, exitStatus});
    if (m_pendingEnds.size() == 1)
        QTimer::singleShot(0, this, &JobManager::handlePendingEnds);
}

void JobManager::handlePendingEnds()
{
    // Inside a check's wait for its engines: once every such wait has returned.
    if (OutputCheck::running()) {
        NestedLoop::afterwards(this, [this] { handlePendingEnds(); });
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (!m_pendingEnds.isEmpty() && clock.elapsed() < SliceMs) {
        const PendingEnd end = m_pendingEnds.takeFirst();
        if (end.process)
            endProcess(end.process, end.exitCode, end.exitStatus);
    }
    if (!m_pendingEnds.isEmpty())
        QTimer::singleShot(0, this, &JobManager::handlePendingEnds);
}

void JobManager::releaseJob(Job *job)
{
    if (!job || m_releasedJobs.contains(job))
        return;
    m_releasedJobs.append(job);
    freeReleasedJobsLater();
}

void JobManager::freeReleasedJobsLater()
{
    // Never at once: the caller, or the handlers of the process end that finished the job,
    // may still be using it.
    if (m_freeQueued || m_releasedJobs.isEmpty())
        return;
    m_freeQueued = true;
    QTimer::singleShot(0, this, &JobManager::freeReleasedJobs);
}

void JobManager::freeReleasedJobs()
{
    m_freeQueued = false;
    QElapsedTimer clock;
    clock.start();
    const QList<Job *> released = m_releasedJobs;
    for (Job *job : released) {
        // A long list goes over a few turns of the event loop, never holding it long.
        if (clock.elapsed() >= SliceMs) {
            freeReleasedJobsLater();
            return;
        }
        if (!holdsJob(job)) {
            m_releasedJobs.removeOne(job);
            continue;
        }
        if (!job->isFinished())
            continue;
        m_releasedJobs.removeOne(job);
        freeJob(job);
    }
}

bool JobManager::holdsJob(const Job *job) const
{
    return m_jobs.contains(job);
}

void JobManager::freeJob(Job *job)
{
    m_jobs.removeOne(job);
    QList<Task *> tasks;
    if (Task *task = job->task()) {
        m_processes.removeOne(task->process);
        tasks << task;
    }
    freeTasks(tasks);
    delete job;
}

void JobManager::freeTasks(const QList<Task *> &tasks)
{
    QList<const EncodingTaskData *> data;
    for (const Task *task : tasks)
        data << task->taskData;
    releaseTasks(tasks);
    m_ownTaskData.erase(std::remove_if(m_ownTaskData.begin(), m_ownTaskData.end(),
                                       [&data](const auto &own) { return data.contains(own.get()); }),
                        m_ownTaskData.end());
}

bool JobManager::awaitStop(Process *process)
{
    if (process->state() == QProcess::NotRunning)
        return true;
    // One never killed is not waited for (nor forever).
    const QDeadlineTimer deadline = process->stopDeadline();
    return process->waitForFinished(deadline.isForever() ? 0 : int(deadline.remainingTime()));
}

void JobManager::log(const QString &text, int level)
{
    Console::writeLine(m_log, m_logLevel, level, "JobManager Log:", text);
    if (m_log && level <= m_logLevel)
        keepWindowsPainted();
}

void JobManager::logStdIn(const QString &text, int level)
{
    Console::writeLine(m_stdIn, m_logLevel, level, "JobManager stdIn:", text);
    if (m_stdIn && level <= m_logLevel)
        keepWindowsPainted();
}

void JobManager::keepWindowsPainted()
{
    // Lets the views repaint (and process ends arrive) while the GUI thread is busy, at a
    // display rate: a long queue added at once would otherwise lay out, paint and read the
    // output of every running job again for each line it logs. Only while it is busy: work
    // that hands back to the event loop within the interval (one add of a user's) leaves the
    // painting to the loop, instead of paying for it once more in the middle of its own work.
    if (m_eventsClock.isValid()) {
        if (m_eventsClock.elapsed() < EventsInterval)
            return;
        NestedLoop::processEvents("JobManager::keepWindowsPainted");
    }
    startBusySpell();
}

void JobManager::startBusySpell()
{
    m_eventsClock.start();
    // The spell ends when the event loop next runs, on its own or from a log call.
    QMetaObject::invokeMethod(this, [this] { m_eventsClock.invalidate(); }, Qt::QueuedConnection);
}

bool JobManager::startProcess(Process *process, const Task *task) const
{
    process->setWorkingDirectory(task->workingDirectory());
    ProgramStart::start(process, task->program(), task->arguments(), QIODevice::ReadWrite);
    return process->waitForStarted(m_startTimeout);
}

bool JobManager::launchTask(Process *process, Task *task, const QString &jobId,
                            const char *manager)
{
    task->setState(Task::Starting);
    const QString program = task->program();
    const QStringList arguments = task->arguments();
    logStdIn(task->commandLine(), LogLevel::Normal);
    qCDebug(lcJobs) << manager << jobId << "start" << program << arguments;
    task->noteOutputAtStart();
    if (startProcess(process, task))
        return true;
    // Read before the process is stopped: what the system said about the start.
    task->setFailure(ProcessEnd::startFailure(process, m_startTimeout));
    task->setState(Task::FailedToStart);
    // A start that timed out may still be under way: stopped, at most kill time-out long.
    ProcessKiller::killAndWait(process, m_killTimeout);
    ProcessKiller::release(process);
    qCDebug(lcJobs) << manager << jobId << "failed to start" << program << arguments;
    return false;
}

void JobManager::attachProcess(Process *process, Task *task)
{
    task->setPid(process->processId());
    task->setProcess(process);
    // The engine's own children go with it.
    connect(task, &Task::killProcess, process, [this, process] {
        process->abortedByUser = true;
        process->stop(m_killTimeout);
    });
}

bool JobManager::noteExit(Process *process, Task *task, int exitCode,
                          QProcess::ExitStatus exitStatus)
{
    // What nobody read yet (a job without a console, the last lines of one) is looked at too,
    // and left for its readers: an engine that could not write may end with code 0 all the
    // same (FFmpeg does on a full disk).
    for (QProcess::ProcessChannel channel : {QProcess::StandardOutput, QProcess::StandardError}) {
        const QProcess::ProcessChannel reading = process->readChannel();
        process->setReadChannel(channel);
        task->noteOutput(QString::fromUtf8(process->peek(process->bytesAvailable())));
        process->setReadChannel(reading);
    }
    const bool ok = exitStatus == QProcess::NormalExit && exitCode == 0;
    if (ok)
        return true;
    if (process->abortedByUser) {
        task->setFailure(tr("aborted"));
        return false;
    }
    const QString end = ProcessEnd::exitText(exitStatus, exitCode);
    const QString reason = task->engineReason();
    task->setFailure(reason.isEmpty() ? end : tr("%1: %2").arg(end, reason));
    return false;
}

void JobManager::processJobs()
{
    qCDebug(lcJobs) << "JobManager: processing.";
    // Logging processes events, so a nested pass may change the list under us.
    const QList<Job *> jobs = m_jobs;
    for (Job *job : jobs) {
        Task *task = job->readyTask();
        if (!task)
            continue;
        auto *process = new Process;
        if (!launchTask(process, task, job->id(), "JobManager:")) {
            log(tr("Failed to start %1 [%2]: %3.").arg(task->name(), job->id(), task->failure()),
                LogLevel::Quiet);
            continue;
        }

        process->job = job;
        process->task = task;
        task->setParent(process);
        m_processes.append(process);
        attachProcess(process, task);
        task->setState(Task::Running);
        connect(process, &QProcess::finished, this, &JobManager::handleProcessFinished);
        connect(process, &QProcess::readyReadStandardOutput, this,
                &JobManager::readProcessStdOutput);
        connect(process, &QProcess::readyReadStandardError, this,
                &JobManager::readProcessStdError);
        // Before the log line: logging processes events, so the process may end inside
        // it, and its end must find the keep-awake request made and the start reported.
        setKeepAwake();
        emit processStarted(task);
        log(tr("Started job: %1 [%2].").arg(task->name(), job->id()), LogLevel::Quiet);
    }
}

void JobManager::readProcessStdOutput()
{
    if (auto *process = qobject_cast<Process *>(sender()))
        emit processStdOutReady(process);
}

void JobManager::readProcessStdError()
{
    if (auto *process = qobject_cast<Process *>(sender()))
        emit processStdErrReady(process);
}

void JobManager::handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (auto *process = qobject_cast<Process *>(sender()))
        receiveEnd(process, exitCode, exitStatus);
}

void JobManager::endProcess(Process *process, int exitCode, QProcess::ExitStatus exitStatus)
{
    if (!process->job || !process->task)
        return;
    qCDebug(lcJobs) << "JobManager: exit code" << process->job->title() << process->exitCode();
    const bool ok = noteExit(process, process->task, exitCode, exitStatus);
    process->job->taskFinished(process->task, ok);
    resetKeepAwake();
    emit processFinished(process, exitCode, exitStatus);
    freeReleasedJobsLater();
}

bool JobManager::prepareEngineJob(const QString &outputFile, const QString &name)
{
    const QString folder = QFileInfo(outputFile).absolutePath();
    if (!QDir().mkpath(folder)) {
        log(tr("Failed to start job %1.").arg(name), LogLevel::Quiet);
        log(tr("Target output directory can't be created: %1").arg(QDir::toNativeSeparators(folder)),
            LogLevel::Quiet);
        return false;
    }
    for (QTextEdit *view : {m_stdIn, m_stdOut, m_stdErr}) {
        if (view)
            view->clear();
    }
    return true;
}

EncodingTaskData *JobManager::makeEngineTaskData(const QString &engineName,
                                                 const QString &outputFile, qint64 value,
                                                 double duration)
{
    int engineType = 0;
    if (engineName == QLatin1String("FFmpeg"))
        engineType = 2;
    else if (engineName == QLatin1String("MEncoder"))
        engineType = 1;

    // An FFmpeg value is an expected size in bytes, which can pass 2 GiB: kept 64-bit.
    const qint64 testSize = engineType == 2 ? value : 0;
    m_ownTaskData.push_back(std::make_unique<EncodingTaskData>(EncodingTaskData{
        engineType, duration, testSize, 0.0, 0, outputFile, QString(), false, QVariant()}));
    return m_ownTaskData.back().get();
}

// The process runs in the output's folder once the output exists; before that the
// canonical path is empty and the process inherits the program's working directory.
QString JobManager::engineWorkingDirectory(const QString &outputFile)
{
    const QFileInfo output(outputFile);
    return output.exists() ? output.canonicalPath() : QString();
}

QString JobManager::outputFileName(const QString &outputFile)
{
    return QFileInfo(outputFile).fileName();
}

Job *JobManager::addEngineJob(const QString &program, const QStringList &arguments,
                              const QString &outputFile, const QString &label,
                              const QString &name, const QString &engineName, qint64 value,
                              double duration)
{
    if (!prepareEngineJob(outputFile, name))
        return nullptr;
    EncodingTaskData *data = makeEngineTaskData(engineName, outputFile, value, duration);

    auto *task = new Task;
    task->set(data, program, arguments, engineWorkingDirectory(outputFile), name, label);
    auto *job = new Job;
    job->init(task, createTimestamp(), name, outputFileName(outputFile), m_stdIn, m_stdOut,
              m_stdErr, m_log, m_logLevel, 0, 0, 0);
    m_jobs.append(job);
    processJobs();
    return job;
}

Job *JobManager::addEngineJob(const QString &program, const QStringList &arguments,
                              const QString &outputFile, const QString &label,
                              const QString &name, const QString &engineName, qint64 value)
{
    return addEngineJob(program, arguments, outputFile, label, name, engineName, value, 0.0);
}

void JobManager::killTasks(const QList<Task *> &tasks)
{
    for (Task *task : tasks) {
        if (task->process)
            task->process->stop(m_killTimeout);
    }
}

void JobManager::releaseTasks(const QList<Task *> &tasks)
{
    // Nothing may reach this manager (or a process) while they are torn down.
    for (Task *task : tasks) {
        if (Process *process = task->process) {
            process->disconnect(this);
            task->disconnect(process);
        }
    }
    // Every engine is killed before any is awaited, each at most until one kill time-out
    // after its first kill: closing on hundreds of running jobs must not wait for each in
    // turn, nor again for those a "kill all" has already waited for.
    killTasks(tasks);
    for (Task *task : tasks)
        releaseTask(task);
}

void JobManager::releaseTask(Task *task)
{
    const bool endUnhandled = task->state == Task::Running;
    bool failed = false;
    if (Process *process = task->process) {
        // A process may have ended with exit code 0 whose end was not yet delivered: its
        // output is complete and stays. Only a process seen to end otherwise failed.
        if (awaitStop(process))
            failed = process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0;
        task->setParent(nullptr);
        ProcessKiller::release(process);
    }
    if (endUnhandled) {
        if (failed)
            task->removeOutputFile();
        resetKeepAwake();
    }
    delete task;
}
