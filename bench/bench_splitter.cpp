// How much the movie splitter's own analysis (FFprobe loads, packet lists, trial copies)
// costs next to the copying that FFmpeg does for it, on a generated input of more than 1 GB,
// in 2, 8 and 16 volumes; and how the whole split compares with the same copies run
// directly, one after another. A split is timed from the split dialog's OK, as the user
// waits for it: the dialog, open for a second, has started the input's analysis. The same
// split started without the dialog (the input analysed after OK) is timed too.
//
//   bench_splitter [runs]      (at least 5; paired: a split, then its copies run directly)
//
// Makes the input in a temporary folder (removed at the end) and splits it with the real
// FFmpeg and FFprobe, into a folder in memory (/dev/shm) when there is one. Exits 1 when
// the analysis costs 10% of the copying or more at 16 volumes.

#include "encoder/mediasplitter.h"
#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "jobs/console.h"
#include "jobs/job.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"

#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace {
constexpr qint64 MinimumInputSize = 1000LL * 1000 * 1000;
constexpr double AllowedRatio = 0.10;

// 50 s of noisy 720p pictures in MPEG-4 with MP3 sound: about 1.1 GB in AVI.
bool makeInput(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=50",
                  "-f", "lavfi", "-i", "sine=frequency=440:duration=50", "-vf", "noise=alls=30:allf=t",
                  "-c:v", "mpeg4", "-q:v", "2", "-g", "50", "-c:a", "libmp3lame", "-b:a", "128k", path});
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0
           && QFileInfo(path).size() >= MinimumInputSize;
}

struct Split
{
    double all = 0.0;     // seconds from the start of the split to its end
    double copying = 0.0; // seconds from each job's start to its end, summed
    double stall = 0.0;   // the window's longest stall, milliseconds
    QList<Bench::RawRun> copies;
};

// A person takes a second or more to choose the volumes in the split dialog, which starts
// the input's analysis when it opens.
constexpr int DialogMs = 1000;

Split split(const QString &input, const QString &folder, int volumes, bool throughDialog)
{
    if (throughDialog) {
        MediaSplitter::prefetchInputAnalysis(input);
        QEventLoop dialog;
        QTimer::singleShot(DialogMs, &dialog, &QEventLoop::quit);
        dialog.exec();
    }
    // Copying: from each job's start to its end. The splitter connects to a job's end only
    // after the job has started, so the end is timed before the next volume is prepared.
    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    Split result;
    qint64 copying = 0;
    QElapsedTimer jobClock;
    QObject::connect(&host, &MervoJobManager::jobStarted, [&](MervoJob *job) {
        const MervoTask *task = job->tasks().first();
        result.copies << Bench::RawRun{task->program(), task->arguments(), {}};
        jobClock.start();
        QObject::connect(job, &Job::finished, [&] { copying += jobClock.elapsed(); });
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
    QElapsedTimer total;
    total.start();
    meter.start();
    splitter.startSplit(input, volumes, QFileInfo(input).size() / volumes + 1);
    if (!done)
        loop.exec();
    meter.stop();
    result.all = total.elapsed() / 1000.0;
    result.copying = copying / 1000.0;
    result.stall = meter.longestMs();
    if (host.jobs().size() != volumes) {
        std::fprintf(stderr, "the split made %d volumes instead of %d\n", int(host.jobs().size()), volumes);
        std::exit(2);
    }
    return result;
}

void clearFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
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
    split(input, volumesFolder, 2, false); // warms the caches
    std::printf("input %.2f GB; %s\n", QFileInfo(input).size() / 1e9, qPrintable(Bench::loadAverage()));
    double ratioAt16 = 1.0;
    for (int volumes : {2, 8, 16}) {
        std::vector<double> all, copying, analysis, share, raw, toRaw, stalls, shareWithout;
        for (int i = 0; i < runs; ++i) {
            clearFolder(volumesFolder);
            const Split without = split(input, volumesFolder, volumes, false);
            shareWithout.push_back((without.all - without.copying) / without.copying);
            clearFolder(volumesFolder);
            const Split made = split(input, volumesFolder, volumes, true);
            clearFolder(volumesFolder);
            raw.push_back(Bench::rawSerial(made.copies));
            all.push_back(made.all);
            copying.push_back(made.copying);
            analysis.push_back(made.all - made.copying);
            share.push_back((made.all - made.copying) / made.copying);
            toRaw.push_back(made.all / raw.back());
            stalls.push_back(made.stall);
        }
        std::printf("%d volumes; %s\n", volumes, qPrintable(Bench::loadAverage()));
        Bench::printFigure("  split", all);
        Bench::printFigure("  copying (FFmpeg jobs)", copying);
        Bench::printFigure("  splitter analysis", analysis);
        Bench::printFigure("  the same copies run directly", raw);
        Bench::printFigure("  ratio split / copies run directly", toRaw, "");
        std::printf("  %-42s %8.3f   (median of %d; limit %.2f)\n", "ratio analysis / copying",
                    Bench::median(share), runs, AllowedRatio);
        Bench::printFigure("  same, input analysed after OK", shareWithout, "");
        Bench::printFigure("  longest stall of the window", stalls, "ms");
        if (volumes == 16)
            ratioAt16 = Bench::median(share);
    }
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    EngineObjects::setConsole(nullptr);
    return ratioAt16 < AllowedRatio ? 0 : 1;
}
