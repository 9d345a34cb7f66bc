#pragma once

#include "jobs/encodingtaskdata.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ConsoleDialog;
class Job;
class Process;

// One run of one external program. A task never starts anything itself: a job manager
// starts it, moves it through its states and connects its signals; the views watch it
// through stateChanged().
class Task : public QObject
{
    Q_OBJECT

public:
    // Stored and compared as plain integers by the views.
    enum State {
        Unset = 0,
        Waiting = 1,
        Starting = 2,
        Running = 3,
        Terminated = 4,    // ended with exit code 0; the views have not taken the result yet
        Completed = 5,     // terminated and acknowledged
        Aborted = 6,       // crashed, killed, non-zero exit code (what it wrote removed),
                           // or exit code 0 without its output file
        Cancelled = 7,     // waiting follower of a task that can no longer end well
        FailedToStart = 8
    };
    Q_ENUM(State)

    Task();

    void set(EncodingTaskData *taskData, const QString &program, const QStringList &arguments,
             const QString &workingDirectory, const QString &name, const QString &label);
    void setState(int state);
    void kill();
    bool isFinished() const;

    void setJob(Job *job, const QString &jobId, const QString &jobTitle);
    void setPid(qint64 pid);
    void setProcess(Process *process);
    qint64 processId() const;

    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }
    QString workingDirectory() const { return m_workingDirectory; }
    QString name() const { return m_name; }
    QString label() const { return m_label; }
    // The views call the label their display text.
    QString text() const { return m_label; }
    QString jobId() const { return m_jobId; }
    QString jobTitle() const { return m_jobTitle; }
    QString commandLine() const;

    // The console window the views made for the task; the job engine never reads it.
    ConsoleDialog *console() const { return consoleDialog; }
    void setConsole(ConsoleDialog *console) { consoleDialog = console; }

    // Notes what is at the output path (slot 5 of the task data) just before the process
    // starts, so that a failed run can tell a file it wrote from one that was there.
    void noteOutputAtStart();
    // Removes the output file after a failed run, only when it is a regular file (a first
    // pass may write to /dev/null, and the program may run as root) and only when this
    // task's run made or changed it: another job's finished file at the same path stays.
    bool removeOutputFile() const;
    // The output is a regular file that this task's run made or changed.
    bool wroteOutput() const;
    // The output path (slot 5 of the task data); empty when there is none.
    QString outputPath() const;
    // False when the task names an output file that is missing or empty: an engine can end
    // with exit code 0 and write nothing. A task naming no file, or a device, has its output.
    bool hasOutput() const;

    // Why the task did not end well, in words a user can act on ("exited with code 1", "its
    // output lasts 2.9 s of the 6.0 s asked for"); empty while it has not failed. Set by the
    // manager or the job that saw the failure.
    QString failure() const { return m_failure; }
    void setFailure(const QString &failure) { m_failure = failure; }
    // What its engine printed, as it is read: a system's reason for stopping in it ("No space
    // left on device") is kept, so that a failure can name it where the failure is shown, not
    // only in the task's console.
    void noteOutput(const QString &text);
    QString engineReason() const { return m_engineReason; }

    // The media files the task reads, played one after another (the parts of a merge): a
    // stream of its output that falls short of the length asked for is held against the
    // same stream of these (OutputCheck). Empty when not known; set() empties it.
    void setSources(const QStringList &files) { m_sources = files; }
    QStringList sources() const { return m_sources; }
    // The sound the task takes from its one source, as its place among the source's sounds:
    // its output's sound must start as far from the picture as that one does (OutputCheck).
    // -1 when it takes none, or no picture; set() makes it so.
    void setSoundTrack(int track) { m_soundTrack = track; }
    int soundTrack() const { return m_soundTrack; }

    // After a run that exited well but failed the end check, the output it wrote goes under
    // a name that says it is incomplete ("<name> (incomplete).<suffix>"), so that no one
    // takes it for the result; a measure can be wrong, so it is not removed. Only a regular
    // file that this run made or changed is moved. The new path; empty when nothing moved.
    QString keepOutputAsIncomplete() const;

    // Read (and, for the console, written) directly by managers, jobs and views.
    EncodingTaskData *taskData = nullptr;
    Job *job = nullptr;
    Process *process = nullptr;
    ConsoleDialog *consoleDialog = nullptr;
    State state = Unset;

signals:
    void stateChanged();
    void killProcess();
    void stopProcess();

private:
    QString m_engineReason;
    QString m_outputTail; // the end of the text noted last, for a reason cut between two reads
    QString m_program;
    QStringList m_arguments;
    QString m_workingDirectory;
    QString m_name;
    QString m_label;
    QString m_jobId;
    QString m_jobTitle;
    qint64 m_pid = 0;
    QString m_failure;
    QStringList m_sources;
    int m_soundTrack = -1;

    // What was at the output path when the process started; unset until then.
    struct OutputStamp
    {
        bool exists = false;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 changeNs = 0;
        bool operator==(const OutputStamp &other) const;
    };
    static OutputStamp stampOf(const QString &path);
    bool m_outputNoted = false;
    OutputStamp m_outputAtStart;
};
