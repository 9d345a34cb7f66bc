// How much the movie splitter's own analysis (FFprobe loads, packet lists, trial copies)
// costs next to the copying that FFmpeg does for it, on a generated input of more than 1 GB.
//
//   bench_splitter [volumes]      (2 by default: volumes of about 540 MB)
//
// Makes the input in a temporary folder (removed at the end), splits it with the real
// FFmpeg and FFprobe, and prints the time of the copies, the time of everything else and
// their ratio. Exits 1 when the analysis costs 10% of the copying or more.

#include "encoder/mediasplitter.h"
#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "jobs/console.h"
#include "jobs/job.h"
#include "jobs/mervojobmanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

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
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int volumes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;

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

    // Copying: from each job's start to its end. The splitter connects to a job's end only
    // after the job has started, so the end is timed before the next volume is prepared.
    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    qint64 copying = 0;
    QElapsedTimer jobClock;
    QObject::connect(&host, &MervoJobManager::jobStarted, [&](MervoJob *job) {
        jobClock.start();
        QObject::connect(job, &Job::finished, [&] { copying += jobClock.elapsed(); });
    });

    MediaSplitter splitter(&host);
    splitter.setOutputFolder(folder.path());
    QEventLoop loop;
    bool done = false;
    QObject::connect(&splitter, &MediaSplitter::finished, [&] {
        done = true;
        loop.quit();
    });
    const qint64 inputSize = QFileInfo(input).size();
    QElapsedTimer total;
    total.start();
    splitter.startSplit(input, volumes, inputSize / volumes + 1);
    if (!done)
        loop.exec();
    const qint64 all = total.elapsed();

    const qint64 analysis = all - copying;
    const double ratio = copying > 0 ? double(analysis) / double(copying) : 1.0;
    std::printf("input %.2f GB in %d volumes (%d jobs)\n", inputSize / 1e9, volumes, int(host.jobs().size()));
    std::printf("copying (FFmpeg)   %8lld ms\n", copying);
    std::printf("splitter analysis  %8lld ms\n", analysis);
    std::printf("ratio analysis/copying %.3f (limit %.2f)\n", ratio, AllowedRatio);
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    EngineObjects::setConsole(nullptr);
    return host.jobs().size() == volumes && ratio < AllowedRatio ? 0 : 1;
}
