// What a user waits for when MEncoder prints a status line per frame.
//
// Part 1, the real job path: the real MEncoder encodes a generated clip as a queued job (its
// process and pipe, the job manager, the output router, the console and the mini console in
// the shown job manager window, wired as the main window wires them), against the same
// command run directly with its output read through a pipe and thrown away, as any front end
// that shows progress must read it (an engine writing to /dev/null instead runs a different
// road, slower on a loaded machine, faster on an idle one). MEncoder prints a status line
// per frame, at its own rate, and its speed text changes on every line once it has run for
// a second. Runs alternate (engine, job, engine, job, ...) after one warm-up of each; the
// bench prints each pair, the median ratio of job to engine with its range (goal: within
// 1.02 in processor time, the engine's and the program's; wall time beside it), the processor
// time the program's own thread spent per job against the bare reader's per run, the longest
// time the window's event loop could not turn (goal: under 50 ms; measured in a job run of its
// own after each pair, since the meter's timer wakes the window 200 times a second), and the
// engine with its output thrown away for comparison.
//
// Part 2, the views at their limit: status lines in the form the real MEncoder prints them,
// the speed changing on every line, fed through one console and its mini console as fast as
// the window takes them, read by read. MEncoder writes each status line alone: a window that
// keeps up reads them one by one, and each read costs it the whole road (the line parsed,
// the figures set); a window that falls behind a busy pipe gets 4 KB a read, of which the
// parser looks at the last status line only. Both are timed, apart: 40,000 lines a line a
// read, then 400,000 lines in 4 KB reads, each with its lines and reads per second, the
// window's processor time per read, peak memory and the longest event-loop stall (goal:
// under 50 ms). Only the first tells what one line costs the window.
//
// Exits with 1 when a goal is missed.
//
//   bench_consolefeed [pairs] [clip seconds] [synthetic lines]

#include "encoding/joboutputrouter.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoding/mervominiconsolewidget.h"
#include "jobs/mervojobmanager.h"
#include "jobs/task.h"

#include "benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {
constexpr int BusyReadBytes = 4096; // what one read of a busy pipe returns
constexpr int MessageEvery = 1000;
constexpr double JobGoal = 1.02; // job / engine read through a pipe
constexpr double StallGoalMs = 50.0;

long statusKilobytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QString machineLoad()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll().trimmed()) + QStringLiteral(" on %1 cores").arg(QThread::idealThreadCount());
}

double threadSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}


// --- part 1 ------------------------------------------------------------------------------

struct Encode
{
    QString clip;
    QString output;
    QStringList arguments;
    double seconds = 0;
    int frames = 0;
};

// A program run with its output thrown away: seconds.
double timedRun(const QString &program, const QStringList &arguments)
{
    QProcess engine;
    engine.setStandardOutputFile(QProcess::nullDevice());
    engine.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    engine.start(program, arguments);
    engine.waitForFinished(-1);
    return clock.elapsed() / 1000.0;
}

// The engine run directly, its output to /dev/null.
double rawRun(const Encode &encode)
{
    return timedRun(QStringLiteral("mencoder"), encode.arguments);
}

// The engine with its output read through a pipe, as the job's process reads it: every
// line reaches this process and is thrown away here.
double pipedRun(const Encode &encode, double *cpuSeconds, double *readerSeconds)
{
    const double readerBefore = threadSeconds();
    const double cpuBefore = Bench::childrenCpuSeconds() + readerBefore;
    QProcess engine;
    QObject::connect(&engine, &QProcess::readyReadStandardOutput, &engine, [&engine] { engine.readAllStandardOutput(); });
    QObject::connect(&engine, &QProcess::readyReadStandardError, &engine, [&engine] { engine.readAllStandardError(); });
    QEventLoop loop;
    QObject::connect(&engine, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    engine.start(QStringLiteral("mencoder"), encode.arguments);
    loop.exec();
    const double seconds = clock.elapsed() / 1000.0;
    *readerSeconds = threadSeconds() - readerBefore;
    *cpuSeconds = Bench::childrenCpuSeconds() + threadSeconds() - cpuBefore;
    return seconds;
}

// The same command as a queued job, its output routed into the shown views: seconds, and
// the processor time of the program's own thread. With a meter, the run measures the stalls
// of the window's event loop (and is not timed against the engine).
double jobRun(const Encode &encode, QApplication &app, double *programSeconds, double *cpuSeconds,
              QString *shown, Bench::StallMeter *meter)
{
    MervoJobManagerDialog dialog(QStringLiteral("bench - Job manager"), nullptr);
    MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
    MervoJobManagerWidget *view = dialog.mervoView();
    view->setJobManager(&manager);
    QObject::connect(&manager, &MervoJobManager::jobStarted, view, &MervoJobManagerWidget::addJobContainer);
    QObject::connect(&manager, qOverload<MervoProcess *>(&MervoJobManager::processStdOutReady), view,
                     [](MervoProcess *p) {
                         JobOutputRouter::readChannel(p, QProcess::StandardOutput, p->taskElapsedMinutes());
                     });
    QObject::connect(&manager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady), view,
                     [](MervoProcess *p) {
                         JobOutputRouter::readChannel(p, QProcess::StandardError, p->taskElapsedMinutes());
                     });
    QObject::connect(&manager,
                     qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
                     view, [&app](MervoProcess *p, int, QProcess::ExitStatus) {
                         JobOutputRouter::finish(p);
                         app.quit();
                     });
    dialog.show();
    app.processEvents();

    EncodingTaskData data{1, encode.seconds, encode.frames, 1.25, 0, encode.output, QStringLiteral("avi"), false, {}};
    auto *task = new MervoTask;
    task->set(&data, QStringLiteral("mencoder"), encode.arguments, QString(), QStringLiteral("bench"),
              QStringLiteral("Encoding"));
    auto *job = new MervoJob;
    job->init({task}, QStringLiteral("b"), QStringLiteral("bench"), QStringLiteral("out.avi"), nullptr, nullptr,
              nullptr, nullptr, 2, 0, 0, 0);
    const double cpuStart = threadSeconds();
    const double enginesStart = Bench::childrenCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (meter)
        meter->start();
    manager.addJob(job);
    app.exec();
    if (meter)
        meter->stop();
    const double seconds = clock.elapsed() / 1000.0;
    *programSeconds = threadSeconds() - cpuStart;
    *cpuSeconds = *programSeconds + Bench::childrenCpuSeconds() - enginesStart;
    if (!view->miniConsoles().isEmpty()) {
        auto *mini = qobject_cast<MervoMiniConsoleWidget *>(view->miniConsoles().constFirst());
        *shown = QStringLiteral("bar %1, speed \"%2\", time \"%3\"")
                     .arg(mini->progressBar()->value())
                     .arg(mini->speedLabel()->text(), mini->remainingLabel()->text());
    }
    return seconds;
}

bool realJobPath(QApplication &app, int pairs, int clipSeconds)
{
    QTemporaryDir folder;
    Encode encode;
    encode.clip = folder.path() + QStringLiteral("/clip.mpg");
    encode.output = folder.path() + QStringLiteral("/out.avi");
    encode.seconds = clipSeconds;
    encode.frames = clipSeconds * 25;
    // A DVD-like source that MEncoder decodes and encodes at a few hundred frames a second.
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       QStringLiteral("testsrc2=duration=%1:size=720x576:rate=25").arg(clipSeconds), "-f", "lavfi",
                       "-i", QStringLiteral("sine=duration=%1").arg(clipSeconds), "-c:v", "mpeg2video", "-q:v",
                       "3", "-c:a", "mp2", "-f", "vob", encode.clip});
    encode.arguments = {encode.clip, "-ovc", "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=1800", "-oac", "copy",
                        "-o", encode.output};

    std::printf("Part 1: a MEncoder job of a %d s clip (%d frames) against MEncoder run directly\n",
                clipSeconds, encode.frames);
    std::printf("machine load before: %s\n", qPrintable(machineLoad()));
    double programSeconds = 0, jobCpu = 0, pipedCpu = 0, readerSeconds = 0;
    QString shown;
    Bench::StallMeter meter;
    pipedRun(encode, &pipedCpu, &readerSeconds); // warm caches on both sides
    jobRun(encode, app, &programSeconds, &jobCpu, &shown, nullptr);
    std::vector<double> ratios, cpuRatios, nullRatios, programShares, stalls, stallsCpu, programCpu, readerCpu;
    for (int pair = 0; pair < pairs; ++pair) {
        const double piped = pipedRun(encode, &pipedCpu, &readerSeconds);
        const double job = jobRun(encode, app, &programSeconds, &jobCpu, &shown, nullptr);
        const double raw = rawRun(encode);
        // The stalls in a job run of their own: the meter's wakes cost the window less than
        // they cost the bare reader, whose only other wakes are the engine's lines.
        double meteredProgram = 0, meteredCpu = 0;
        jobRun(encode, app, &meteredProgram, &meteredCpu, &shown, &meter);
        ratios.push_back(job / piped);
        cpuRatios.push_back(jobCpu / pipedCpu);
        nullRatios.push_back(job / raw);
        programShares.push_back(programSeconds / job);
        stalls.push_back(meter.longestMs());
        stallsCpu.push_back(meter.longestCpuMs());
        programCpu.push_back(programSeconds);
        readerCpu.push_back(readerSeconds);
        std::printf("  pair %d: engine read through a pipe %.2f s (processor %.2f s), job %.2f s (processor %.2f s), "
                    "ratio %.3f (processor %.3f); engine to /dev/null %.2f s (job to it %.3f); program thread "
                    "%.3f s of processor time (%.1f %% of a core), reader's %.3f s; longest stall %.0f ms "
                    "(processor %.1f ms)\n",
                    pair + 1, piped, pipedCpu, job, jobCpu, job / piped, cpuRatios.back(), raw, job / raw,
                    programSeconds, 100.0 * programSeconds / job, readerSeconds, stalls.back(), stallsCpu.back());
    }
    std::printf("medians of %d pairs; machine load after: %s\n", pairs, qPrintable(machineLoad()));
    // The goal holds for processor time, which a loaded machine does not stretch; the wall
    // time is printed beside it.
    bool met = Bench::printGoal("job / engine through a pipe, processor", cpuRatios, JobGoal);
    Bench::printFigure("job / engine through a pipe, wall", ratios, "");
    Bench::printFigure("job / engine writing to /dev/null, wall", nullRatios, "");
    Bench::printFigure("program's own share of a core", programShares, "");
    Bench::printFigure("program thread's processor time per job", programCpu);
    Bench::printFigure("bare reader's processor time per run", readerCpu);
    Bench::printFigure("longest stall of the window, wall", stalls, "ms");
    met &= Bench::printGoal("longest stall of the window, processor", stallsCpu, StallGoalMs, true, " ms");
    std::printf("last job shows:      %s\n\n", qPrintable(shown));
    return met;
}

// --- part 2 ------------------------------------------------------------------------------

// Status lines of a real run, as the real engine prints them.
QStringList engineLines()
{
    QTemporaryDir folder;
    const QString clip = folder.path() + QStringLiteral("/clip.avi");
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=20:size=320x240:rate=25",
                       "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "mpeg4", "-c:a", "libmp3lame", clip});
    QProcess engine;
    engine.start(QStringLiteral("mencoder"), {clip, "-ovc", "lavc", "-oac", "copy", "-o", "/dev/null"});
    engine.waitForFinished(120000);
    const QString output = QString::fromUtf8(engine.readAllStandardOutput());
    QStringList lines;
    for (const QString &part : output.split(QLatin1Char('\r'))) {
        const qsizetype at = part.lastIndexOf(QLatin1String("Pos:"));
        if (at >= 0)
            lines.append(part.mid(at));
    }
    return lines;
}

// The i-th line: a real line with its position, frame, percent and speed moved on, the
// speed as MEncoder measures it, different on every line.
QString statusLine(const QString &form, int i, int total)
{
    static const QRegularExpression numbers(
        QStringLiteral("Pos:\\s*[\\d.]+s\\s*\\d+f\\s*\\(\\s*\\d+%\\)\\s*[\\d.]+fps"));
    QString line = form;
    line.replace(numbers, QStringLiteral("Pos:%1s %2f (%3%) %4fps")
                              .arg(i / 25.0, 6, 'f', 1)
                              .arg(i, 6)
                              .arg(int(100.0 * i / total), 2)
                              .arg(250.0 + (i % 997) / 7.0, 5, 'f', 2));
    return line + QLatin1Char('\r');
}

// Feeds `total` lines, `readBytes` a read (0: one line a read); 0 when the stall goal holds.
int viewsAtTheirLimit(QApplication &app, const QStringList &forms, int total, int readBytes)
{
    EncodingTaskData data{1, total / 25.0, total, 1.33, 0, QString(), QStringLiteral("avi"), false, {}};
    Task task;
    task.set(&data, QStringLiteral("mencoder"), {}, QString(), QStringLiteral("bench"), QStringLiteral("Encoding"));
    task.setPid(1);
    task.setState(Task::Running);
    auto *console = new MervoConsoleDialog(QStringLiteral("bench"), QStringLiteral("Encoding"),
                                           QStringLiteral("mencoder"), QStringLiteral("MEncoder"), 1, false);
    console->setProcess(&task);
    task.setConsole(console);
    console->frameTotal = total;
    MervoMiniConsoleWidget mini(console, nullptr);
    mini.frameTotal = total;
    mini.show();
    console->show();
    app.processEvents();

    // The job's output, cut as the pipe would deliver it.
    QStringList reads;
    QString read;
    for (int i = 1; i <= total; ++i) {
        read += statusLine(forms.at(i % forms.size()), i, total);
        if (i % MessageEvery == 0)
            read += QStringLiteral("Skipping frame!\n");
        if (read.size() >= readBytes) {
            reads.append(read);
            read.clear();
        }
    }
    if (!read.isEmpty())
        reads.append(read);

    const long idleKb = statusKilobytes("VmRSS:");
    Bench::StallMeter meter;

    int next = 0;
    QTimer feeder;
    feeder.setInterval(0);
    QElapsedTimer clock;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (next == reads.size()) {
            feeder.stop();
            console->displayProgress();
            console->flushOutput();
            app.quit();
            return;
        }
        JobOutputRouter::feed(console, 1, QProcess::StandardOutput, reads.at(next++), 1.0);
    });
    const double cpuAt = Bench::threadCpuMs();
    clock.start();
    meter.start();
    feeder.start();
    app.exec();
    meter.stop();
    const double seconds = clock.elapsed() / 1000.0;
    const double cpuMs = Bench::threadCpuMs() - cpuAt;
    const long peakKb = statusKilobytes("VmHWM:");

    if (readBytes == 0)
        std::printf("Part 2a: %d status lines, one a read (a window that keeps up)\n", total);
    else
        std::printf("Part 2b: %d status lines in %lld reads of %d bytes (a window behind a busy pipe; only the "
                    "last status line of a read is parsed)\n",
                    total, qint64(reads.size()), readBytes);
    std::printf("time:                %.3f s (processor %.3f s): %.0f lines, %.0f reads per second\n", seconds,
                cpuMs / 1000.0, total / seconds, reads.size() / seconds);
    std::printf("processor per read:  %.1f us\n", 1000.0 * cpuMs / std::max<qsizetype>(1, reads.size()));
    std::printf("peak memory:         %.1f MB over idle (%.1f MB idle)\n", (peakKb - idleKb) / 1024.0,
                idleKb / 1024.0);
    std::printf("longest stall:       %.0f ms wall, %.1f ms processor (goal: under %.0f) %s\n", meter.longestMs(),
                meter.longestCpuMs(), StallGoalMs, meter.longestCpuMs() < StallGoalMs ? "met" : "FAIL");
    std::printf("shown:               bar %d and %d, speed \"%s\", console lines kept: %d\n\n",
                console->progressBar()->value(), mini.progressBar()->value(),
                qPrintable(mini.speedLabel()->text()), console->standardOutputView()->document()->blockCount());
    return meter.longestCpuMs() < StallGoalMs ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pairs = std::max(5, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5);
    const int clipSeconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 40;
    const int total = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 400000;
    const bool met = realJobPath(app, pairs, clipSeconds);
    const QStringList forms = engineLines();
    if (forms.isEmpty()) {
        std::fprintf(stderr, "mencoder printed no status line\n");
        return 1;
    }
    int limit = viewsAtTheirLimit(app, forms, total / 10, 0);
    limit |= viewsAtTheirLimit(app, forms, total, BusyReadBytes);
    std::printf("%s\n", met && limit == 0 ? "all goals met" : "FAIL: a goal is missed");
    return met && limit == 0 ? 0 : 1;
}
