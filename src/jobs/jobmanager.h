#pragma once

#include "jobs/encodingtaskdata.h"
#include "jobs/job.h"
#include "jobs/process.h"
#include "jobs/task.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class QTextEdit;

// Runs jobs of one task each: starts the waiting task of every queued job as a child
// process, hands each process's end to its job, and reports starts, output and ends as
// signals for the views. It owns the jobs it was given, their tasks and processes, and
// frees them when it is destroyed (killing what still runs).
class JobManager : public QObject
{
    Q_OBJECT

public:
    JobManager(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
               int logLevel, int startTimeout, int finishTimeout, int killTimeout);
    ~JobManager() override;

    void setTimeouts(int start, int finish, int kill);
    void setLogLevel(int level);
    static QString createTimestamp();
    static void acknowledgeTask(Process *process);

    // True when every job is finished; the extended manager adds its own jobs, so that the
    // question reaches both kinds of jobs through either pointer.
    virtual bool isIdle() const;
    void addJob(Job *job);
    // Stops every started process; the extended manager also stops its own. Nothing waits:
    // the ends arrive from the event loop and are handled a slice per turn, so that
    // hundreds of them never hold the window; each ends its task as aborted.
    virtual void killAll();
    // Frees a job that no view shows any more (the user removed it, or the view was cleared):
    // once it has finished, from the event loop, with its tasks and processes. It stays in
    // the job list until then. A job of another manager is left alone.
    void releaseJob(Job *job);

    // Makes, queues and starts a job of one task for an engine command. The engine is the
    // caller's engine processor; only its name is read (the engine library sits above
    // this one, so the name is taken here, at the call).
    template <class Engine, class = decltype(std::declval<Engine &>().name())>
    Job *addEngineJob(const QString &program, const QStringList &arguments,
                      const QString &outputFile, const QString &label, const QString &name,
                      Engine *engine, qint64 value, double duration)
    {
        return addEngineJob(program, arguments, outputFile, label, name, engineName(engine),
                            value, duration);
    }
    template <class Engine, class = decltype(std::declval<Engine &>().name())>
    Job *addEngineJob(const QString &program, const QStringList &arguments,
                      const QString &outputFile, const QString &label, const QString &name,
                      Engine *engine, qint64 value)
    {
        return addEngineJob(program, arguments, outputFile, label, name, engineName(engine),
                            value);
    }
    virtual Job *addEngineJob(const QString &program, const QStringList &arguments,
                              const QString &outputFile, const QString &label,
                              const QString &name, const QString &engineName, qint64 value,
                              double duration);
    virtual Job *addEngineJob(const QString &program, const QStringList &arguments,
                              const QString &outputFile, const QString &label,
                              const QString &name, const QString &engineName, qint64 value);

    void log(const QString &text, int level);
    void logStdIn(const QString &text, int level);

    QList<Job *> jobs() const { return m_jobs; }
    QList<Process *> processes() const { return m_processes; }
    int logLevel() const { return m_logLevel; }
    int startTimeout() const { return m_startTimeout; }
    int finishTimeout() const { return m_finishTimeout; }
    int killTimeout() const { return m_killTimeout; }

signals:
    void processStarted(Task *task);
    void processTicked(qint64 *pid, Process *process, Task::State *state, Job *job);
    void processFinished(Process *process, int exitCode, QProcess::ExitStatus exitStatus);
    void processStdOutReady(Process *process);
    void processStdErrReady(Process *process);

public slots:
    void processJobs();
    void readProcessStdOutput();
    void readProcessStdError();
    void handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);

protected:
    template <class Engine>
    static QString engineName(Engine *engine)
    {
        return engine ? engine->name() : QString();
    }

    // The shared first steps of addEngineJob: the output folder made, the views cleared.
    bool prepareEngineJob(const QString &outputFile, const QString &name);
    EncodingTaskData *makeEngineTaskData(const QString &engineName, const QString &outputFile,
                                         qint64 value, double duration);
    static QString engineWorkingDirectory(const QString &outputFile);
    static QString outputFileName(const QString &outputFile);
    // Starts the task's program in the task's folder and waits for the start.
    bool startProcess(Process *process, const Task *task) const;
    // The start of a task in the given new process, as both managers make it: the task is
    // starting, its command line is logged, its program started. When it does not start,
    // the task has failed to start (the task keeps why), the process is deleted, and the
    // result is false. The
    // manager word begins the debug lines.
    bool launchTask(Process *process, Task *task, const QString &jobId, const char *manager);
    // A started task gets its process, which a kill request of the task reaches; the caller
    // then marks it running (an extended task through its own setState).
    void attachProcess(Process *process, Task *task);
    // Whether a process that ended exited well; if not, the task keeps what happened.
    static bool noteExit(Process *process, Task *task, int exitCode,
                         QProcess::ExitStatus exitStatus);
    // Frees tasks and their processes; the processes still running are killed first, all
    // at once, and awaited together until one kill time-out after their first kill; a
    // failed end that was never handed to the job still removes the output the task wrote.
    void releaseTasks(const QList<Task *> &tasks);
    // Kills the processes of the tasks without waiting.
    void killTasks(const QList<Task *> &tasks);
    // Waits for a killed process to end, until one kill time-out after its first kill;
    // true when it has ended.
    static bool awaitStop(Process *process);
    // The tasks of the plain jobs.
    QList<Task *> plainTasks() const;
    // Stops the processes as "kill all" does: a slice per turn of the event loop, their
    // ends handled among the others'.
    void stopAll(const QList<Process *> &processes);
    // A started process's end: handled at once, or queued for the slices when "kill all"
    // stopped it.
    void receiveEnd(Process *process, int exitCode, QProcess::ExitStatus exitStatus);
    // What the end of a process means to its job; the extended manager handles its own.
    virtual void endProcess(Process *process, int exitCode, QProcess::ExitStatus exitStatus);
    // Whether the job is this manager's, and freeing it once it has finished.
    virtual bool holdsJob(const Job *job) const;
    virtual void freeJob(Job *job);
    // Frees the tasks (as releaseTasks) with the task data made for them by addEngineJob.
    void freeTasks(const QList<Task *> &tasks);
    void freeReleasedJobsLater();

    QTextEdit *stdInView() const { return m_stdIn; }
    QTextEdit *stdOutView() const { return m_stdOut; }
    QTextEdit *stdErrView() const { return m_stdErr; }
    QTextEdit *logView() const { return m_log; }

private:
    struct PendingEnd
    {
        QPointer<Process> process;
        int exitCode = 0;
        QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    };
    void releaseTask(Task *task);
    void keepWindowsPainted();
    void startBusySpell();
    void handlePendingEnds();
    void killQueuedSlice();
    void freeReleasedJobs();
    // Queued ends are handled, and released jobs freed, until this much time has passed in
    // a turn of the event loop; the rest waits for the next turn.
    // Short: other work sliced over the same turns (the views deleting what a clear took
    // out, the ends of the engines killed the turn before) shares them.
    static constexpr int SliceMs = 4;
    // Kills are sent for less, and few at a time: the ends they bring back cost more than
    // the kills (each end also costs the event loop a walk over every other process's
    // notifiers), and on an idle machine they all come back within the next turn.
    static constexpr int KillSliceMs = 2;
    static constexpr int KillsPerTurn = 32;
    // Pending events are handled from the log calls once the GUI thread has been kept from
    // its event loop this long, and then at most this often (milliseconds).
    static constexpr int EventsInterval = 40;

    // Runs from the first log call made since events were last handled; invalid before it.
    QElapsedTimer m_eventsClock;
    int m_logLevel;
    QList<Process *> m_processes;
    QList<Job *> m_jobs;
    QTextEdit *m_log;
    QTextEdit *m_stdIn;
    QTextEdit *m_stdOut;
    QTextEdit *m_stdErr;
    int m_startTimeout = 3000;
    int m_finishTimeout = 3000;
    int m_killTimeout = 5000;
    // The task data made by addEngineJob; task data from the job builders stays theirs.
    std::vector<std::unique_ptr<EncodingTaskData>> m_ownTaskData;
    QList<PendingEnd> m_pendingEnds;
    QList<QPointer<Process>> m_killQueue;
    bool m_killQueued = false;
    QList<Job *> m_releasedJobs;
    bool m_freeQueued = false;
};
