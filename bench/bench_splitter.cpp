// The whole split against the same copies run directly: a generated input of more than 1 GB
// is split into 2, 8 and 16 volumes the way the split dialog starts it (the dialog, open for a
// second, has started the input's analysis), and each split is paired with its copies run
// directly, one after another, each side first in every other pair. Wall time counts from
// the dialog's OK to the split's end, as the user waits for it; processor time counts
// everything the road runs, from the dialog's opening: the program, the copies, and every
// analysis and trial copy, also those started beside a copy.
//
//   bench_splitter [runs]      (at least 5 pairs per volume count)
//
// Goal: the split within 1.15x of the direct copies, in wall time and in processor time, at
// every volume count (paired medians). Prints FAIL and exits 1 when it is missed. The input
// is made in a temporary folder (removed at the end); the volumes go to memory (/dev/shm)
// where there is one.

#include "encoder/mediasplitter.h"
#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "jobs/console.h"
#include "jobs/job.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"

#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

namespace {
constexpr qint64 MinimumInputSize = 1000LL * 1000 * 1000;
constexpr double Goal = 1.15;

// A film's proportions: 700 s of noisy pictures in MPEG-4 at some 12 Mbit/s, a key frame
// every 2 s, with MP3 sound: about 1.05 GB in AVI. (A gigabyte in 50 s made each key-frame
// interval 40 MB, a share of the input no film has.)
bool makeInput(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=640x360:rate=25:duration=700",
                  "-f", "lavfi", "-i", "sine=frequency=440:duration=700", "-vf", "noise=alls=8:allf=t",
                  "-c:v", "mpeg4", "-q:v", "3", "-g", "50", "-c:a", "libmp3lame", "-b:a", "128k", path});
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0
           && QFileInfo(path).size() >= MinimumInputSize;
}

// Processor seconds of this process, or of the children it has waited for.
double processorSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6 + double(usage.ru_stime.tv_sec)
           + usage.ru_stime.tv_usec / 1e6;
}

double processorSeconds()
{
    return processorSeconds(RUSAGE_SELF) + processorSeconds(RUSAGE_CHILDREN);
}

struct Cost
{
    double wall = 0.0;
    double processor = 0.0;
};

struct Split
{
    Cost cost;
    double own = 0.0;   // processor seconds of the program itself
    double stall = 0.0; // the window's longest stall, milliseconds
    double stallWork = 0.0; // the program's processor time in that stall, milliseconds
    QList<Bench::RawRun> copies;
};

// A person takes a second or more to choose the volumes in the split dialog, which starts
// the input's analysis when it opens.
constexpr int DialogMs = 1000;

Split split(const QString &input, const QString &folder, int volumes)
{
    Split result;
    const double processorStart = processorSeconds();
    const double ownStart = processorSeconds(RUSAGE_SELF);
    MediaSplitter::prefetchInputAnalysis(input, MediaSplitter::VolumeRule::EqualParts);
    QEventLoop dialog;
    QTimer::singleShot(DialogMs, &dialog, &QEventLoop::quit);
    dialog.exec();

    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    QObject::connect(&host, &MervoJobManager::jobStarted, [&](MervoJob *job) {
        const MervoTask *task = job->tasks().first();
        result.copies << Bench::RawRun{task->program(), task->arguments(), {}};
    });
    MediaSplitter splitter(&host);
    splitter.setOutputFolder(folder);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&splitter, &MediaSplitter::finished, [&] {
        done = true;
        loop.quit();
    });
    Bench::StallMeter meter;
    QElapsedTimer wall;
    wall.start();
    meter.start();
    splitter.startSplit(input, volumes, QFileInfo(input).size() / volumes + 1, MediaSplitter::VolumeRule::EqualParts);
    MediaSplitter::dropInputAnalysis(input); // as the window does, when the split did not take it
    if (!done)
        loop.exec();
    meter.stop();
    result.cost.wall = wall.elapsed() / 1000.0;
    result.stall = meter.longestMs();
    result.stallWork = meter.longestCpuMs();
    QCoreApplication::processEvents(); // the engines' ends handled
    result.cost.processor = processorSeconds() - processorStart;
    result.own = processorSeconds(RUSAGE_SELF) - ownStart;
    if (host.jobs().size() != volumes) {
        std::fprintf(stderr, "the split made %d volumes instead of %d\n", int(host.jobs().size()), volumes);
        std::exit(2);
    }
    return result;
}

Cost direct(const QList<Bench::RawRun> &copies)
{
    const double processorStart = processorSeconds();
    Cost cost;
    cost.wall = Bench::rawSerial(copies);
    cost.processor = processorSeconds() - processorStart;
    // The split removes its progress file; the copies run again write it anew.
    for (const Bench::RawRun &copy : copies) {
        const qsizetype progress = copy.arguments.indexOf(QStringLiteral("-progress"));
        if (progress >= 0)
            QFile::remove(copy.arguments.value(progress + 1));
    }
    return cost;
}

// The copies' commands without the file each writes its progress to (a new one each split).
QList<QStringList> cuts(const QList<Bench::RawRun> &copies)
{
    QList<QStringList> commands;
    for (const Bench::RawRun &copy : copies) {
        QStringList command = QStringList{copy.program} + copy.arguments;
        const qsizetype progress = command.indexOf(QStringLiteral("-progress"));
        if (progress >= 0)
            command.remove(progress, std::min<qsizetype>(2, command.size() - progress));
        commands << command;
    }
    return commands;
}

void clearFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

// The median and the range of paired ratios; true when the median meets the goal.
bool printRatio(const char *what, const std::vector<double> &ratios)
{
    const double median = Bench::median(ratios);
    const bool met = median <= Goal;
    std::printf("  %-34s %6.3f  (range %.3f-%.3f over %d pairs; goal %.2f) %s\n", what, median,
                *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()), int(ratios.size()), Goal,
                met ? "met" : "FAIL");
    return met;
}
} // namespace

int main(int argc, char *argv[])
{
    const Bench::OffscreenUnlessChosen platform;
    QApplication application(argc, argv);
    // The program's consoles show only what their verbosity lets through; this one has no
    // views, and writing every engine answer out would be work the program does not do.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type >= QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    const int runs = Bench::runsArgument(argc, argv, 5);

    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("bench input.avi"));
    std::printf("making the input...\n");
    if (!folder.isValid() || !makeInput(input)) {
        std::fprintf(stderr, "could not make an input of 1 GB or more in %s\n", qPrintable(folder.path()));
        return 2;
    }

    Console console;
    EngineObjects::setConsole(&console);
    FFmpeg ffmpeg;
    FFprobe ffprobe;
    if (!ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), QString())
        || !ffprobe.startInterface(QStandardPaths::findExecutable("ffprobe"), QString())) {
        std::fprintf(stderr, "FFmpeg or FFprobe did not start\n");
        return 2;
    }
    EngineObjects::setEngines(&ffmpeg, &ffprobe, nullptr);

    // The volumes go to memory where the system has it: the disk's write-back of a gigabyte
    // comes and goes, and slowed one side or the other by up to twice its time.
    const QTemporaryDir memory(QStringLiteral("/dev/shm/bench_splitter-XXXXXX"));
    const QString volumesFolder = (memory.isValid() ? memory.path() : folder.path()) + QStringLiteral("/volumes");
    clearFolder(volumesFolder);
    split(input, volumesFolder, 2); // warms the caches
    std::printf("input %.2f GB, %d cores; %s\n", QFileInfo(input).size() / 1e9, QThread::idealThreadCount(),
                qPrintable(Bench::loadAverage()));
    std::printf("goal: the whole split within %.2fx of the same copies run directly, wall and processor time\n", Goal);
    bool met = true;
    for (int volumes : {2, 8, 16}) {
        std::vector<double> wall, processor, splitWall, directWall, splitProcessor, directProcessor, own, stalls,
            stallWork;
        QList<Bench::RawRun> previousCopies;
        for (int i = 0; i < runs; ++i) {
            // Every other pair runs the copies first, those of the split before (a split cuts
            // the same volumes every time), so that neither side always comes first.
            const bool directFirst = i % 2 == 1 && !previousCopies.isEmpty();
            Cost copies;
            if (directFirst) {
                clearFolder(volumesFolder);
                copies = direct(previousCopies);
            }
            clearFolder(volumesFolder);
            const Split made = split(input, volumesFolder, volumes);
            if (directFirst && cuts(made.copies) != cuts(previousCopies)) {
                std::fprintf(stderr, "the split cut other volumes than the one before\n");
                return 2;
            }
            if (!directFirst) {
                clearFolder(volumesFolder);
                copies = direct(made.copies);
            }
            previousCopies = made.copies;
            wall.push_back(made.cost.wall / copies.wall);
            processor.push_back(made.cost.processor / copies.processor);
            splitWall.push_back(made.cost.wall);
            directWall.push_back(copies.wall);
            splitProcessor.push_back(made.cost.processor);
            directProcessor.push_back(copies.processor);
            own.push_back(made.own);
            stalls.push_back(made.stall);
            stallWork.push_back(made.stallWork);
        }
        std::printf("%d volumes; %s\n", volumes, qPrintable(Bench::loadAverage()));
        Bench::printFigure("  split, wall", splitWall);
        Bench::printFigure("  the same copies run directly, wall", directWall);
        Bench::printFigure("  split, processor", splitProcessor);
        Bench::printFigure("  the same copies run directly, processor", directProcessor);
        Bench::printFigure("  split, processor of the program itself", own);
        Bench::printFigure("  longest stall of the window", stalls, "ms");
        Bench::printFigure("  the window's own work in a stall, at most", stallWork, "ms");
        met = printRatio("wall time, split / direct", wall) && met;
        met = printRatio("processor time, split / direct", processor) && met;
    }
    clearFolder(volumesFolder);
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    EngineObjects::setConsole(nullptr);
    std::printf("%s\n", met ? "goal met" : "FAIL: goal missed");
    return met ? 0 : 1;
}
