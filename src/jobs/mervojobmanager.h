#pragma once

#include "jobs/jobmanager.h"
#include "jobs/mervojob.h"
#include "jobs/mervoprocess.h"
#include "jobs/mervotask.h"

// Runs multi-task jobs in which a task may wait for others: every pass starts each
// waiting task whose preceding tasks all ended well, and every process end is followed by
// a new pass, so a job moves on by itself. Plain jobs still run as in JobManager.
class MervoJobManager : public JobManager
{
    Q_OBJECT

public:
    MervoJobManager(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                    int logLevel, int startTimeout, int finishTimeout, int killTimeout);
    ~MervoJobManager() override;

    using JobManager::addJob;
    void addJob(MervoJob *job);
    QList<MervoJob *> jobs() const { return m_mervoJobs; }
    QList<MervoProcess *> mervoProcesses() const { return m_mervoProcesses; }
    bool isIdle() const override;

    using JobManager::acknowledgeTask;
    static void acknowledgeTask(MervoProcess *process);
    void killAll() override;

    template <class Engine, class = decltype(std::declval<Engine &>().name())>
    MervoJob *addEngineJob(const QString &program, const QStringList &arguments,
                           const QString &outputFile, const QString &label,
                           const QString &name, Engine *engine, qint64 value, double duration)
    {
        return addEngineJob(program, arguments, outputFile, label, name, engineName(engine),
                            value, duration);
    }
    template <class Engine, class = decltype(std::declval<Engine &>().name())>
    MervoJob *addEngineJob(const QString &program, const QStringList &arguments,
                           const QString &outputFile, const QString &label,
                           const QString &name, Engine *engine, qint64 value)
    {
        return addEngineJob(program, arguments, outputFile, label, name, engineName(engine),
                            value);
    }
    MervoJob *addEngineJob(const QString &program, const QStringList &arguments,
                           const QString &outputFile, const QString &label,
                           const QString &name, const QString &engineName, qint64 value,
                           double duration) override;
    MervoJob *addEngineJob(const QString &program, const QStringList &arguments,
                           const QString &outputFile, const QString &label,
                           const QString &name, const QString &engineName,
                           qint64 value) override;

signals:
    void jobStarted(MervoJob *job);
    void taskStarted(MervoTask *task);
    void processTicked(qint64 *pid, MervoProcess *process, Task::State *state, Job *job);
    void processFinished(MervoProcess *process, int exitCode, QProcess::ExitStatus exitStatus);
    void processStdOutReady(MervoProcess *process);
    void processStdErrReady(MervoProcess *process);

public slots:
    void mervoProcessJobs();
    void handleMervoProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void readProcessStdOutput();
    void readProcessStdError();

protected:
    void endProcess(Process *process, int exitCode, QProcess::ExitStatus exitStatus) override;
    bool holdsJob(const Job *job) const override;
    void freeJob(Job *job) override;

private:
    void startTask(MervoJob *job, MervoTask *task);
    void finishProcess(MervoProcess *process, int exitCode, QProcess::ExitStatus exitStatus);

    QList<MervoProcess *> m_mervoProcesses;
    QList<MervoJob *> m_mervoJobs;
    // The jobs with a task that has not started yet, in queue order.
    QList<MervoJob *> m_waitingJobs;
};
