#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest time the event loop did not come round while this lives, measured by a zero
// timer: how long a window would not have reacted.
class EventGaps
{
public:
    EventGaps()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { m_longest = std::max(m_longest, m_clock.restart()); });
        m_clock.start();
        m_timer.start(0);
    }
    qint64 longest() const { return std::max(m_longest, m_clock.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

// Far above a program's own work between two events, far below an engine run that blocks.
constexpr qint64 kWideGapMs = 1000;
