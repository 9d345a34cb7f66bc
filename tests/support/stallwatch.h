#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// Measures how long the event loop stays away: a timer due every 5 ms notes the longest gap
// between two of its ticks while the watch lives.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_beat.setInterval(5);
        connect(&m_beat, &QTimer::timeout, this, [this] { m_longest = std::max(m_longest, m_clock.restart()); });
        m_clock.start();
        m_beat.start();
    }
    qint64 longestMs() const { return std::max(m_longest, m_clock.elapsed()); }

private:
    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};
