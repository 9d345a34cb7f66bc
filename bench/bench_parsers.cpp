// Reads the status lines that the real MEncoder and FFmpeg print on a generated clip through
// their progress parsers, one line per call as a job's output reaches them, and prints the
// lines per second of each parser (median of the runs) against the goal of a million, and
// against the rate at which the raw engine printed them.
//
//   bench_parsers [runs] [calls per run]

#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
using Parser = bool (*)(const QString &, QString &, int &, double &, int &, int &, double &, int &);

struct EngineLines
{
    QStringList lines;
    double perSecond = 0;
};

// Runs the engine and keeps its status lines as a job's output router hands them on: each
// with the carriage return that ends it.
EngineLines engineLines(const QString &program, const QStringList &arguments, bool onStdErr,
                        const QString &marker)
{
    QProcess engine;
    QElapsedTimer clock;
    clock.start();
    engine.start(program, arguments);
    engine.waitForFinished(300000);
    const double seconds = clock.elapsed() / 1000.0;
    const QString output = QString::fromUtf8(onStdErr ? engine.readAllStandardError()
                                                      : engine.readAllStandardOutput());
    EngineLines result;
    for (const QString &part : output.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        const qsizetype at = part.indexOf(marker);
        if (at >= 0)
            result.lines.append(part.mid(at) + QLatin1Char('\r'));
    }
    result.perSecond = seconds > 0 ? result.lines.size() / seconds : 0;
    return result;
}

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Lines per second of one run of `calls` calls, by the processor time this thread got: the
// machine may be busy with other work, which a wall clock would count against the parser.
double timeRun(Parser parse, const QStringList &lines, int calls, long *checksum)
{
    const double start = threadSeconds();
    for (int i = 0; i < calls; ++i) {
        QString rest;
        int frame = -1, percent = -1, minutesLeft = -1, size = -1;
        double position = -1, fps = -1;
        parse(lines.at(i % lines.size()), rest, frame, position, percent, minutesLeft, fps, size);
        *checksum += frame + percent + size + rest.size();
    }
    return calls / (threadSeconds() - start);
}

void report(const char *name, Parser parse, const EngineLines &engine, int runs, int calls)
{
    if (engine.lines.isEmpty()) {
        std::printf("%s: the engine printed no status line\n", name);
        return;
    }
    long checksum = 0;
    timeRun(parse, engine.lines, calls / 10, &checksum); // warm caches
    QList<double> rates;
    for (int run = 0; run < runs; ++run)
        rates.append(timeRun(parse, engine.lines, calls, &checksum));
    std::sort(rates.begin(), rates.end());
    const double median = rates.at(rates.size() / 2);
    std::printf("%-8s %9.0f lines/s of processor time (median of %d runs of %d calls; %d distinct "
                "real lines)\n", name,
                median, runs, calls, int(engine.lines.size()));
    std::printf("         %.2fx the goal of 1,000,000 lines/s; %.0fx the %.0f lines/s the raw engine "
                "printed (checksum %ld)\n",
                median / 1e6, engine.perSecond > 0 ? median / engine.perSecond : 0.0, engine.perSecond,
                checksum % 10);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(5, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7);
    const int calls = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 2000000;

    QTemporaryDir folder;
    const QString clip = folder.path() + QStringLiteral("/clip.avi");
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=20:size=320x240:rate=25",
                       "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "mpeg4", "-c:a", "libmp3lame", clip});
    const EngineLines mencoder = engineLines(
        QStringLiteral("mencoder"), {clip, "-ovc", "lavc", "-oac", "copy", "-o", "/dev/null"}, false,
        QStringLiteral("Pos:"));
    // FFmpeg prints its status twice a second: every update of a run, as it writes them.
    const EngineLines ffmpeg = engineLines(
        QStringLiteral("ffmpeg"),
        {"-y", "-stats_period", "0.001", "-i", clip, "-c:v", "mpeg4", "-c:a", "mp2", "-f", "avi", "/dev/null"},
        true, QStringLiteral("frame="));

    report("MEncoder", &InterfaceMEncoder::parseProgress, mencoder, runs, calls);
    report("FFmpeg", &InterfaceFFmpeg::parseProgress, ffmpeg, runs, calls);
    return 0;
}
