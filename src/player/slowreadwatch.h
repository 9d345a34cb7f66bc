#pragma once

#include "jobs/workwatch.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// Tells whether a load waits on the storage its source is on (a network share, a slow or
// sleeping disk): over a look (WorkWatch::LookMs at least, while the thread handles events),
// none of the load's engines made progress in processor time while they read, or waited in
// the kernel for a read. Engines that compute are no wait on storage, nor are those of a busy
// machine: they wait for a processor (an engine that has just started reads its own files
// from the cache meanwhile). An engine that started since the last look (or that a script
// started under its own process id) is judged from the next.
class SlowReadWatch : public QObject
{
    Q_OBJECT

public:
    // `engines` gives the process ids of the load's engines still running.
    explicit SlowReadWatch(std::function<QList<qint64>()> engines);

    bool waiting() const { return m_waiting; }

signals:
    void waitingChanged(bool waiting);

private:
    void look();

    std::function<QList<qint64>()> m_engines;
    QTimer m_timer;
    QElapsedTimer m_since; // since the last look
    QHash<qint64, WorkWatch::Usage> m_before;
    bool m_waiting = false;
};
