#pragma once

#include <QObject>
#include <QString>

class QTextEdit;
class Task;

// The work of one user request, run by the plain job manager: one task, its id (a time
// stamp), title and output file name, the console views of its log lines and its
// time-outs. A job decides what the end of its task's process means.
class Job : public QObject
{
    Q_OBJECT

public:
    Job();

    void init(Task *task, const QString &id, const QString &title, const QString &output,
              QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
              int logLevel, int startTimeout, int finishTimeout, int killTimeout);

    Task *readyTask() const;
    virtual bool isFinished() const;
    // ok: the task's process exited normally with code 0.
    virtual void taskFinished(Task *task, bool ok);

    void log(const QString &text, int level);
    // What happened to the job's first task that failed; empty when none did.
    virtual QString failure() const;

    Task *task() const { return m_task; }
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString output() const { return m_output; }
    int logLevel() const { return m_logLevel; }
    QTextEdit *stdInView() const { return m_stdIn; }
    QTextEdit *stdOutView() const { return m_stdOut; }
    QTextEdit *stdErrView() const { return m_stdErr; }
    QTextEdit *logView() const { return m_log; }
    int startTimeout() const { return m_startTimeout; }
    int finishTimeout() const { return m_finishTimeout; }
    int killTimeout() const { return m_killTimeout; }

signals:
    void finished();

protected:
    void initCommon(const QString &id, const QString &title, const QString &output,
                    QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                    int logLevel, int startTimeout, int finishTimeout, int killTimeout);
    // How a task ended: why it did not end well (empty when it did); what of an output that
    // ended well could not be checked, no engine measuring it (OutputCheck::Unchecked flags).
    struct TaskEnd
    {
        QString failure;
        int unchecked = 0;
    };
    // Judges the end of a task whose process exited normally with code 0 (exitedWell) or
    // not; the failure is also kept in the task. An engine that exited 0 ended well only when
    // it left its output file, long enough for its source.
    static TaskEnd judgeEnd(Task *task, bool exitedWell);
    // Logs the end of a task; after a process that did not exit well, removes the output
    // that the task wrote, and after one that exited well but failed, moves it to a name
    // that says it is incomplete.
    void reportTaskEnd(Task *task, bool exitedWell, const TaskEnd &end);

private:
    int m_logLevel = 0;
    Task *m_task = nullptr;
    QString m_id;
    QString m_title;
    QString m_output;
    QTextEdit *m_log = nullptr;
    QTextEdit *m_stdIn = nullptr;
    QTextEdit *m_stdOut = nullptr;
    QTextEdit *m_stdErr = nullptr;
    int m_startTimeout = 0;
    int m_finishTimeout = 0;
    int m_killTimeout = 0;
};
