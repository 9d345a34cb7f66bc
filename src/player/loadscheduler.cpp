#include "player/loadscheduler.h"

#include "player/loadprocess.h"

#include <QThread>

#include <algorithm>

namespace {
int s_maximumRuns = 0; // 0: the machine's cores
} // namespace

LoadScheduler::LoadScheduler() = default;

int LoadScheduler::maximumRuns()
{
    return s_maximumRuns > 0 ? s_maximumRuns : std::max(1, QThread::idealThreadCount());
}

void LoadScheduler::setMaximumRuns(int count)
{
    s_maximumRuns = std::max(0, count);
}

void LoadScheduler::submit(LoadProcess *run, int rank, std::function<void()> start)
{
    const auto after = std::upper_bound(m_waiting.begin(), m_waiting.end(), rank,
                                        [](int value, const Waiting &waiting) { return value < waiting.rank; });
    m_waiting.insert(after, Waiting{run, rank, std::move(start)});
    connect(run, &LoadProcess::over, this, [this, run] {
        m_going.removeOne(run);
        startWaiting();
    });
    connect(run, &QObject::destroyed, this, [this, run] { withdraw(run); });
    startWaiting();
}

void LoadScheduler::withdraw(LoadProcess *run)
{
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                   [run](const Waiting &waiting) { return waiting.run == run; }),
                    m_waiting.end());
    if (m_going.removeOne(run))
        startWaiting();
}

QList<qint64> LoadScheduler::runningProcessIds() const
{
    QList<qint64> ids;
    for (const LoadProcess *run : m_going)
        if (run->processId() > 0)
            ids.append(run->processId());
    return ids;
}

void LoadScheduler::startWaiting()
{
    while (!m_waiting.isEmpty() && m_going.size() < maximumRuns()) {
        const Waiting next = m_waiting.takeFirst();
        m_going.append(next.run);
        next.start(); // may end the run at once (a program that cannot start)
    }
}
