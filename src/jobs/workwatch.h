#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

// Tells whether an engine's process is at work while it prints nothing new: its processor
// time or the bytes it reads moving (Linux: /proc/<pid>/stat and /proc/<pid>/io, which count
// its threads and the children it has waited for), or a file it writes growing. On a busy
// machine, a cold disk or a network share an engine that works can take many times its usual
// time; one that is stuck (waiting on a pipe, a lock, a device, a sleep) moves none of these.
//
// An idle loop is no work: a shell that repeats a line and sleeps uses a tick of processor
// time every few seconds and reads some kilobytes a second starting its sleeps, so each look
// spans at least LookMs and asks for more than that.
class WorkWatch
{
public:
    // How long one look spans at least: looks asked for sooner wait for it.
    static constexpr int LookMs = 500;
    // Processor time, per look, that shows work: two clock ticks (an idle loop's starts of
    // other programs cost a tick every few seconds), and at least this share of the look.
    static constexpr int WorkingCpuMs = 20;
    static constexpr double WorkingCpuShare = 0.04;
    // Bytes read per second that show work (an idle loop's starts read about 15 KiB a second).
    static constexpr qint64 WorkingReadPerSecond = 128 * 1024;

    WorkWatch() = default;
    // Watches the process `pid` (0: none) when `process` is set, and the files.
    WorkWatch(qint64 pid, bool process, const QStringList &files);

    // Whether there is anything to watch.
    bool isWatching() const { return m_pid > 0 || !m_files.isEmpty(); }
    // What a look saw since the last look that counted: nothing, the process at work (its
    // processor time or its reads), or a watched file grown (output, whatever the process did).
    enum Look { Idle = 0, Working, Writing };
    // Looks now. A look sooner than LookMs after the last one that counted tells nothing
    // (Idle) and does not count.
    Look worked();
    // Looks now and tells whether the engine moved on: a watched file grew, or the process
    // worked within `aloneMs` of its last output (what it printed `sincePrintedMs` ago, or a
    // file growing). Work without any output is what an engine that computes shows, but also
    // one that spins in a loop for ever: it stands for progress for a bounded time only.
    bool movedOn(qint64 sincePrintedMs, qint64 aloneMs);

    // What the system tells of a process's work so far: its processor time in milliseconds
    // and the bytes it read; -1 each where it cannot be read (the process has ended, or the
    // system hides it).
    struct Usage
    {
        qint64 cpuMs = -1;
        qint64 readBytes = -1;
        // Waiting in the kernel, for a read as a rule (the state "D"): a disk or a network
        // share that has not answered yet.
        bool blocked = false;
        // How long it was ready to run but waited for a processor, in milliseconds (-1 where
        // the system does not tell): a busy machine's engines wait there.
        qint64 queuedMs = -1;
        // The program's name: a script that hands its process to an engine (exec) leaves
        // the engine's start under the same id.
        QByteArray program;
    };
    static Usage usageOf(qint64 pid);
    // The readers of /proc/<pid>/stat and /proc/<pid>/io: the processor time in clock ticks
    // (user and system, the waited-for children's included) and "rchar"; -1 where the text
    // does not tell. A count past what a machine reaches in centuries (a damaged or faked
    // file) tells nothing either, so that the sums and scalings made of them stay in range.
    static qint64 cpuTicks(const QByteArray &stat);
    static qint64 readBytes(const QByteArray &io);
    static constexpr qint64 MostTicks = qint64(1) << 40;      // 348 years at 100 a second
    static constexpr qint64 MostReadBytes = qint64(1) << 60; // an exbibyte
    // The size of a file, -1 when there is none.
    static qint64 sizeOf(const QString &path);

private:
    void takeLook();

    qint64 m_pid = 0;
    QStringList m_files;
    QElapsedTimer m_since; // since the last look that counted
    QElapsedTimer m_wrote; // since a watched file last grew
    Usage m_usage;
    QList<qint64> m_sizes;
};
