#include "jobs/workwatch.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

namespace {
// A small file of /proc read whole; empty when it cannot be read.
QByteArray procFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}
} // namespace

// Fields 14 to 17 of /proc/<pid>/stat. The program's name (field 2) may hold blanks and
// parentheses: the fields are counted from its closing parenthesis.
qint64 WorkWatch::cpuTicks(const QByteArray &stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    // After the name: state (field 3) is the first; field 14 is the twelfth.
    constexpr int FirstCpuField = 11;
    if (fields.size() < FirstCpuField + 4)
        return -1;
    qint64 ticks = 0;
    for (int i = FirstCpuField; i < FirstCpuField + 4; ++i) {
        bool ok = false;
        const qint64 value = fields.at(i).toLongLong(&ok);
        if (!ok || value < 0 || value > MostTicks)
            return -1;
        ticks += value;
    }
    return ticks;
}

// "rchar: N": every byte the process read, from files, pipes and devices.
qint64 WorkWatch::readBytes(const QByteArray &io)
{
    static const QByteArray key("rchar:");
    const qsizetype at = io.indexOf(key);
    if (at < 0)
        return -1;
    const qsizetype end = io.indexOf('\n', at);
    bool ok = false;
    const qint64 value = io.mid(at + key.size(), end < 0 ? -1 : end - at - key.size()).trimmed().toLongLong(&ok);
    return ok && value >= 0 && value <= MostReadBytes ? value : -1;
}

WorkWatch::WorkWatch(qint64 pid, bool process, const QStringList &files)
    : m_pid(process ? pid : 0)
    , m_files(files)
{
    takeLook();
}

WorkWatch::Usage WorkWatch::usageOf(qint64 pid)
{
    Usage usage;
    if (pid <= 0)
        return usage;
    const QByteArray stat = procFile(pid, "stat");
    const qint64 ticks = cpuTicks(stat);
    const qsizetype close = stat.lastIndexOf(')');
    usage.blocked = close >= 0 && stat.mid(close + 1).trimmed().startsWith('D');
    const qsizetype open = stat.indexOf('(');
    if (open >= 0 && close > open)
        usage.program = stat.mid(open + 1, close - open - 1);
    static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (ticks >= 0 && ticksPerSecond > 0)
        usage.cpuMs = ticks * 1000 / ticksPerSecond;
    usage.readBytes = readBytes(procFile(pid, "io"));
    // "schedstat": nanoseconds on a processor, nanoseconds waiting for one, time slices.
    const QList<QByteArray> scheduled = procFile(pid, "schedstat").simplified().split(' ');
    bool queued = false;
    const qint64 waited = scheduled.value(1).toLongLong(&queued);
    if (queued && waited >= 0)
        usage.queuedMs = waited / 1000000;
    return usage;
}

qint64 WorkWatch::sizeOf(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

void WorkWatch::takeLook()
{
    m_since.start();
    m_usage = usageOf(m_pid);
    m_sizes.clear();
    for (const QString &file : std::as_const(m_files))
        m_sizes.append(sizeOf(file));
}

WorkWatch::Look WorkWatch::worked()
{
    if (!isWatching() || m_since.elapsed() < LookMs)
        return Idle;
    const qint64 span = m_since.elapsed();
    const Usage before = m_usage;
    const QList<qint64> sizes = m_sizes;
    takeLook();
    bool grew = false;
    for (qsizetype i = 0; i < sizes.size(); ++i)
        grew = grew || m_sizes.at(i) > sizes.at(i);
    // A value that cannot be read now or before tells nothing (not a negative step).
    const bool cpu = before.cpuMs >= 0 && m_usage.cpuMs >= 0
                     && m_usage.cpuMs - before.cpuMs >= std::max<qint64>(WorkingCpuMs, qint64(WorkingCpuShare * span));
    const bool read = before.readBytes >= 0 && m_usage.readBytes >= 0
                      && m_usage.readBytes - before.readBytes >= WorkingReadPerSecond * span / 1000;
    return grew ? Writing : cpu || read ? Working : Idle;
}

bool WorkWatch::movedOn(qint64 sincePrintedMs, qint64 aloneMs)
{
    switch (worked()) {
    case Writing:
        m_wrote.start();
        return true;
    case Working:
        return std::min(sincePrintedMs, m_wrote.isValid() ? m_wrote.elapsed() : sincePrintedMs) < aloneMs;
    case Idle:
        break;
    }
    return false;
}
