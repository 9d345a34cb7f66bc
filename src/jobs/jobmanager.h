#pragma once

#include "jobs/encodingtaskdata.h"
#include "jobs/job.h"
#include "jobs/process.h"
#include "jobs/task.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
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
    // Stops every started process; the extended manager also stops its own.
    virtual void killAll();

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

    QTextEdit *stdInView() const { return m_stdIn; }
    QTextEdit *stdOutView() const { return m_stdOut; }
    QTextEdit *stdErrView() const { return m_stdErr; }
    QTextEdit *logView() const { return m_log; }

private:
    void releaseTask(Task *task);
    void keepWindowsPainted();
    void startBusySpell();
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
};
