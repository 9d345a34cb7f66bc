#include "player/slowreadwatch.h"

#include <algorithm>

SlowReadWatch::SlowReadWatch(std::function<QList<qint64>()> engines)
    : m_engines(std::move(engines))
{
    connect(&m_timer, &QTimer::timeout, this, &SlowReadWatch::look);
    m_timer.start(WorkWatch::LookMs);
    m_since.start();
}

void SlowReadWatch::look()
{
    const qint64 span = std::max<qint64>(m_since.restart(), 1);
    const qint64 workingCpuMs = std::max<qint64>(WorkWatch::WorkingCpuMs, qint64(WorkWatch::WorkingCpuShare * span));
    bool progressed = false;
    // Waited for a processor at least as long as it ran, and for a third of the look: an
    // engine that reads slowly waits a little at each of its many wakings on a busy machine
    // (a share's reads at 1 MB/s, beside two busy processes per core: up to 150 ms of 500).
    bool starved = false;
    bool reading = false;
    QHash<qint64, WorkWatch::Usage> now;
    for (qint64 pid : m_engines()) {
        const WorkWatch::Usage usage = WorkWatch::usageOf(pid);
        now.insert(pid, usage);
        const auto before = m_before.constFind(pid);
        if (before == m_before.cend() || usage.cpuMs < 0 || before->cpuMs < 0 || usage.program != before->program)
            continue;
        const qint64 cpuMs = usage.cpuMs - before->cpuMs;
        progressed = progressed || cpuMs >= workingCpuMs;
        starved = starved
                  || (usage.queuedMs >= 0 && before->queuedMs >= 0
                      && usage.queuedMs - before->queuedMs >= std::max({workingCpuMs, cpuMs, span / 3}));
        reading = reading || usage.blocked
                  || (usage.readBytes >= 0 && before->readBytes >= 0
                      && usage.readBytes - before->readBytes >= WorkWatch::WorkingReadPerSecond * span / 1000);
    }
    m_before = now;
    const bool waiting = reading && !progressed && !starved;
    if (waiting != m_waiting) {
        m_waiting = waiting;
        emit waitingChanged(waiting);
    }
}
