#pragma once

// What the benchmarks share: medians of paired runs, the raw engine runs they compare the
// program with (one after another or side by side), and a meter of the longest time the
// event loop could not handle events.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <malloc.h>
#include <sys/resource.h>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace Bench {

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// The machine's load, to print beside every figure.
inline QString loadAverage()
{
    QProcess uptime;
    uptime.start(QStringLiteral("uptime"), {});
    uptime.waitForFinished(5000);
    const QString text = QString::fromLocal8Bit(uptime.readAllStandardOutput()).trimmed();
    const int at = text.indexOf(QLatin1String("load average"));
    return at < 0 ? text : text.mid(at);
}

// Chooses the off-screen platform unless one is chosen; made before the application.
struct OffscreenUnlessChosen
{
    OffscreenUnlessChosen()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

// The first argument that is a number and no option's value ("--name value").
inline int runsArgument(int argc, char **argv, int fallback)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] == '-') {
            ++i;
            continue;
        }
        const int value = std::atoi(argv[i]);
        if (value > 0)
            return std::max(5, value);
    }
    return fallback;
}

// The value given after the option ("--name value"), or the fallback.
inline QString optionArgument(int argc, char **argv, const char *name, const QString &fallback = QString())
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return fallback;
}

// One engine command as the program runs it, with what it is given on standard input.
struct RawRun
{
    QString program;
    QStringList arguments;
    QByteArray input;
};

inline std::unique_ptr<QProcess> startRaw(const RawRun &run)
{
    auto process = std::make_unique<QProcess>();
    process->start(run.program, run.arguments, QIODevice::ReadWrite);
    if (process->waitForStarted(10000))
        process->write(run.input);
    return process;
}

inline void finishRaw(QProcess &process)
{
    process.waitForFinished(20000);
    process.readAllStandardOutput();
    process.readAllStandardError();
}

// Seconds for the runs one after another.
inline double rawSerial(const QList<RawRun> &runs)
{
    QElapsedTimer clock;
    clock.start();
    for (const RawRun &run : runs)
        finishRaw(*startRaw(run));
    return clock.elapsed() / 1000.0;
}

// Seconds for the runs side by side, no more than `bound` at once, started in order.
inline double rawSideBySide(const QList<RawRun> &runs, int bound)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> going;
    int next = 0;
    while (next < runs.size() || !going.empty()) {
        while (next < runs.size() && int(going.size()) < bound)
            going.push_back(startRaw(runs.at(next++)));
        // Wait for whichever ends first.
        for (;;) {
            const auto ended = std::find_if(going.begin(), going.end(), [](const auto &p) {
                return p->state() == QProcess::NotRunning || p->waitForFinished(1);
            });
            if (ended != going.end()) {
                finishRaw(**ended);
                going.erase(ended);
                break;
            }
        }
    }
    return clock.elapsed() / 1000.0;
}

// The processor time this thread has used, in milliseconds.
inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// The processor time of the ended child processes (and theirs) so far, in seconds.
inline double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The longest gap between two turns of the event loop while it runs (a timer every 5 ms,
// which does not keep a core busy as a zero timer would): on the clock, and in processor
// time of the window's thread (the program's own work, which a loaded machine does not
// stretch).
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { turn(); });
    }
    void start()
    {
        m_longest = 0;
        m_longestCpu = 0;
        m_clock.start();
        m_cpu = threadCpuMs();
        m_timer.start();
    }
    void stop()
    {
        turn();
        m_timer.stop();
    }
    double longestMs() const { return double(m_longest); }
    double longestCpuMs() const { return m_longestCpu; }

private:
    void turn()
    {
        m_longest = std::max(m_longest, m_clock.restart());
        const double cpu = threadCpuMs();
        m_longestCpu = std::max(m_longestCpu, cpu - m_cpu);
        m_cpu = cpu;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
    double m_cpu = 0.0;
    double m_longestCpu = 0.0;
};

// The bytes the program holds on its heap now (freed blocks do not count, whether or not
// the allocator gave them back to the system).
inline double liveHeapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks) + double(info.hblkhd);
}

// A figure with its goal: the median of the paired runs, their range, and whether the
// median meets the goal ("FAIL" when it does not). Returns whether it does.
inline bool printGoal(const char *what, const std::vector<double> &values, double goal, bool atMost = true,
                      const char *unit = "")
{
    const double middle = median(values);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const bool met = !values.empty() && (atMost ? middle <= goal : middle >= goal);
    std::printf("%-44s %8.3f%s (range %.3f-%.3f over %d; goal: %s %.3f%s) %s\n", what, middle, unit,
                values.empty() ? 0.0 : *low, values.empty() ? 0.0 : *high, int(values.size()),
                atMost ? "at most" : "at least", goal, unit, met ? "met" : "FAIL");
    return met;
}

inline void printFigure(const char *what, const std::vector<double> &values, const char *unit = "s")
{
    std::printf("%-44s %8.3f %s (median of %d)\n", what, median(values), unit, int(values.size()));
}

} // namespace Bench
