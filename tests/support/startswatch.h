#pragma once

#include "jobs/outputcheck.h"

#include <QString>
#include <QStringList>

// While it lives, records the starts the end check reads ("path track"), each then read by
// the meter it replaced: a job whose output was never held against its source's start shows
// here, whichever window started it.
class StartsWatch
{
public:
    StartsWatch()
    {
        seenList().clear();
        wrapped() = OutputCheck::setStartMeter(&read);
    }
    ~StartsWatch() { OutputCheck::setStartMeter(wrapped()); }
    StartsWatch(const StartsWatch &) = delete;
    StartsWatch &operator=(const StartsWatch &) = delete;

    QStringList seen() const { return seenList(); }

private:
    static OutputCheck::Starts read(const QString &path, int track)
    {
        seenList() << QStringLiteral("%1 %2").arg(path).arg(track);
        return wrapped() ? wrapped()(path, track) : OutputCheck::Starts();
    }
    static QStringList &seenList()
    {
        static QStringList list;
        return list;
    }
    static OutputCheck::StartMeter &wrapped()
    {
        static OutputCheck::StartMeter meter = nullptr;
        return meter;
    }
};
