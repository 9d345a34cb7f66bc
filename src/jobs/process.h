#pragma once

#include <QDeadlineTimer>
#include <QProcess>

class Job;
class Task;

// The child process of one started task. It knows its job and task so that whoever
// receives its signals finds them from the sending process alone.
class Process : public QProcess
{
    Q_OBJECT

public:
    Process();

    Job *job = nullptr;
    Task *task = nullptr;
    // Set just before a task is killed on request (a view's abort, "kill all").
    bool abortedByUser = false;
    // Set when a "kill all" stopped it: its end is handled among the others', a slice per
    // turn of the event loop.
    bool killedWithAll = false;
    // The bytes of a character cut at the end of a read, per channel, that the next read
    // completes.
    QByteArray partialStdOut;
    QByteArray partialStdErr;

    // Kills the engine and what it started, without waiting. The first kill sets when its
    // end stops being awaited (timeout ms later): every later wait counts from that kill,
    // so that engines killed together are awaited together, once.
    void stop(int timeout);
    // Until then; forever while it was never killed.
    QDeadlineTimer stopDeadline() const { return m_stopDeadline; }

private:
    QDeadlineTimer m_stopDeadline{QDeadlineTimer::Forever};
};
