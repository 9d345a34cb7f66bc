#pragma once

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
};
