#pragma once

#include <QList>
#include <QObject>

#include <functional>

class LoadProcess;

// Starts the engine runs of a load side by side, no more at once than the machine has
// cores: a run waits in line until one of those going is over. Runs in line start by
// their rank (the lowest first; equal ranks in the order given), so that a load that reads
// its results in rank order gets the first ones first.
class LoadScheduler : public QObject
{
    Q_OBJECT

public:
    LoadScheduler();

    // `start` begins the run (LoadProcess::begin); it is called at once or when a place is
    // free. The run must outlive its place in line or be withdrawn first.
    void submit(LoadProcess *run, int rank, std::function<void()> start);
    void withdraw(LoadProcess *run);
    // The process ids of the runs going.
    QList<qint64> runningProcessIds() const;

    // How many runs go at once: the machine's cores unless set (1 makes a load serial).
    static int maximumRuns();
    static void setMaximumRuns(int count);

private:
    struct Waiting
    {
        LoadProcess *run;
        int rank;
        std::function<void()> start;
    };
    void startWaiting();

    QList<Waiting> m_waiting;
    QList<LoadProcess *> m_going;
};
