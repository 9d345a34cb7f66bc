#pragma once

#include "jobs/job.h"

#include <QElapsedTimer>
#include <QList>

class MervoTask;

// A job of several tasks linked by preceding tasks (a two-pass encode, an encode and its
// finalising step). It measures its processing time and reports once, at its end.
class MervoJob : public Job
{
    Q_OBJECT

public:
    MervoJob();

    void init(const QList<MervoTask *> &tasks, const QString &id, const QString &title,
              const QString &output, QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
              QTextEdit *log, int logLevel, int startTimeout, int finishTimeout,
              int killTimeout);
    void start();

    QList<MervoTask *> readyTasks() const;
    bool isFinished() const override;
    QString failure() const override;
    QList<MervoTask *> tasks() const { return m_tasks; }
    int elapsedSeconds() const;

    // Called by the extended manager only (not an override of Job::taskFinished).
    void taskFinished(MervoTask *task, bool ok);
    // A task whose process did not start can never end well: what waits for it is
    // cancelled, and the job reports its end if nothing is left to run.
    void taskFailedToStart(MervoTask *task);

    // "hh:mm:ss" of the job's run time plus the seconds spent before it; empty when the
    // clock shows no time at all.
    static QString processingTimeText(qint64 elapsedMs, int accumulatedSeconds);

    // Written and read directly by the job builders and the job views.
    void *container = nullptr;
    QString processingTime;
    int accumulatedSeconds = 0;

signals:
    void finished(void *container, const QString &processingTime);

private:
    void cancelBlockedTasks();
    void closeIfFinished();

    QList<MervoTask *> m_tasks;
    QElapsedTimer m_clock;
};
