// The movie splitter: the volume plan against a recording job manager and stand-in engines,
// then a real split of a generated clip with FFmpeg, FFprobe and the extended job manager.

#include "encoder/mediasplitter.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/mervojobmanager.h"
#include "testregistry.h"

#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {
// A job whose end the test decides.
class StubJob : public Job
{
public:
    explicit StubJob(bool finished) : m_finished(finished) {}
    bool isFinished() const override { return m_finished; }
    void finish()
    {
        m_finished = true;
        emit finished();
    }

private:
    bool m_finished;
};

struct QueuedCall
{
    QString program;
    QStringList arguments;
    QString outputFile;
    QString label;
    QString name;
    QString engineName;
    qint64 value = 0;
};

// Records what the splitter queues instead of running it.
class RecordingJobManager : public JobManager
{
public:
    RecordingJobManager() : JobManager(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0) {}

    using JobManager::addEngineJob;
    Job *addEngineJob(const QString &program, const QStringList &arguments,
                      const QString &outputFile, const QString &label, const QString &name,
                      const QString &engineName, qint64 value) override
    {
        calls.push_back({program, arguments, outputFile, label, name, engineName, value});
        if (refuse)
            return nullptr;
        jobs.push_back(std::make_unique<StubJob>(jobsEndAtOnce));
        return jobs.back().get();
    }

    std::vector<QueuedCall> calls;
    std::vector<std::unique_ptr<StubJob>> jobs;
    bool jobsEndAtOnce = true;
    bool refuse = false;
};

// An FFprobe stand-in that answers with the duration listed for the file's name (the last
// argument), matched by shell pattern in order; "-" stands for "no FORMAT block".
QString durationProbe(const QString &name, const QList<QPair<QString, QString>> &durations)
{
    QString cases;
    for (const auto &[pattern, duration] : durations) {
        cases += duration == "-" ? QString("  %1) echo 'Invalid data found' >&2 ; exit 1 ;;\n").arg(pattern)
                                 : QString("  %1) printf '[FORMAT]\\nduration=%2\\n[/FORMAT]\\n' ;;\n")
                                       .arg(pattern, duration);
    }
    return writeEngineScript(name, QString("[ \"$1\" = -version ] && { echo 'ffprobe version 9.9'; exit 0; }\n"
                                           "for a; do file=$a; done\n"
                                           "case \"$file\" in\n%1esac")
                                       .arg(cases));
}

QString engine(const char *name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// The MD5 of every decoded video frame, in order.
QStringList frameDigests(const QString &file)
{
    QString out;
    TestMedia::run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:v", "-f", "framemd5", "-"}, &out);
    QStringList digests;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('#'))
            digests << line.section(',', 5).trimmed();
    }
    return digests;
}
} // namespace

class MediaSplitterTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nullHostIsRefused();
    void startTimeText_data();
    void startTimeText();
    void plansThreeVolumes();
    void takenNamesGetANumber();
    void oneVolume();
    void jobsThatEndLater();
    void unknownDurationEndsAtOnce();
    void positionError();
    void failuresBeforeTheFirstVolume_data();
    void failuresBeforeTheFirstVolume();
    void failureWhileMeasuringAVolume();
    void refusedJob();
    void autoDelete();
    void splitsARealClip();
    void badInput_data();
    void badInput();

private:
    std::unique_ptr<ConsoleCapture> m_capture;
    std::unique_ptr<FFmpeg> m_ffmpeg;
    std::unique_ptr<FFprobe> m_ffprobe;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_input;

    // Registers a ready FFmpeg (its answers are not read by the planner) and an FFprobe
    // stand-in; makes the input file (sparse) with the given size.
    void useEngines(const QString &ffprobeScript, qint64 inputSize = 1000,
                    const QString &inputName = "movie.avi");
};

void MediaSplitterTest::init()
{
    m_capture = std::make_unique<ConsoleCapture>();
    m_folder = std::make_unique<QTemporaryDir>(TestMedia::folder() + "/split-XXXXXX");
}

void MediaSplitterTest::cleanup()
{
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    m_ffmpeg.reset();
    m_ffprobe.reset();
    m_capture.reset();
    m_folder.reset();
}

void MediaSplitterTest::useEngines(const QString &ffprobeScript, qint64 inputSize,
                                   const QString &inputName)
{
    m_ffmpeg = std::make_unique<FFmpeg>();
    QVERIFY(m_ffmpeg->startInterface(writeEngineScript("ffmpeg-banner", "echo 'ffmpeg version 9.9'"),
                                     QString()));
    m_ffprobe = std::make_unique<FFprobe>();
    QVERIFY(m_ffprobe->startInterface(ffprobeScript, QString()));
    EngineObjects::setEngines(m_ffmpeg.get(), m_ffprobe.get(), nullptr);
    m_input = m_folder->path() + "/" + inputName;
    QFile file(m_input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(inputSize));
}

void MediaSplitterTest::nullHostIsRefused()
{
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, MediaSplitter splitter(nullptr));
}

void MediaSplitterTest::startTimeText_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0.0 << "00:00:00";
    QTest::newRow("fraction dropped") << 754.4 << "00:12:34";
    QTest::newRow("just below a second") << 59.999 << "00:00:59";
    QTest::newRow("hours") << 3 * 3600.0 + 61.5 << "03:01:01";
    QTest::newRow("24 hours count again") << 24 * 3600.0 + 5.0 << "00:00:05";
}

void MediaSplitterTest::startTimeText()
{
    QFETCH(double, position);
    QFETCH(QString, text);
    QCOMPARE(MediaSplitter::startTimeText(position), text);
}

void MediaSplitterTest::plansThreeVolumes()
{
    useEngines(durationProbe("probe-plan", {{"*.part1.avi", "377.200000"},
                                            {"*.part2.avi", "377.200000"},
                                            {"*", "2000.000000"}}),
               1800000000);
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 3, 700000000);

    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(host.calls.size(), size_t(3));
    const QString folder = QFileInfo(m_input).canonicalPath();
    const QStringList starts{"00:00:00", "00:06:17", "00:12:34"};
    const qint64 values[] = {700000000, 700000000, 400000000};
    for (int volume = 1; volume <= 3; ++volume) {
        const QueuedCall &call = host.calls.at(volume - 1);
        const QString output = QString("%1/movie.part%2.avi").arg(folder).arg(volume);
        QStringList arguments{"-ss", starts.at(volume - 1), "-i", m_input, "-vcodec", "copy",
                              "-acodec", "copy"};
        if (volume < 3)
            arguments << "-fs" << "700M";
        arguments << "-y" << output;
        QCOMPARE(call.arguments, arguments);
        QCOMPARE(call.outputFile, output);
        QCOMPARE(call.program, m_ffmpeg->binary());
        QCOMPARE(call.label, QString("Splitting"));
        QCOMPARE(call.name, QString("Extract volume %1/3 from movie.avi").arg(volume));
        QCOMPARE(call.engineName, QString("FFmpeg"));
        QCOMPARE(call.value, values[volume - 1]);
    }
    QVERIFY(m_capture->log().contains("Start FFmpeg job with -ss 00:12:34 -i " + m_input));
}

void MediaSplitterTest::takenNamesGetANumber()
{
    useEngines(durationProbe("probe-names", {{"*.part*", "100.0"}, {"*", "1000.0"}}));
    const QString outputFolder = m_folder->path() + "/out";
    QDir().mkpath(outputFolder);
    QFile(outputFolder + "/movie.part2.avi").open(QIODevice::WriteOnly);
    QFile(outputFolder + "/movie (1).part3.avi").open(QIODevice::WriteOnly);
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    splitter.setOutputFolder(outputFolder);
    splitter.startSplit(m_input, 3, 300);

    QCOMPARE(splitter.partBaseName(), QString("movie (2).part"));
    QCOMPARE(host.calls.size(), size_t(3));
    for (int volume = 1; volume <= 3; ++volume)
        QCOMPARE(host.calls.at(volume - 1).outputFile,
                 QString("%1/movie (2).part%2.avi").arg(outputFolder).arg(volume));
}

void MediaSplitterTest::oneVolume()
{
    useEngines(durationProbe("probe-one", {{"*", "100.0"}}));
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 1, 700000000);
    QCOMPARE(host.calls.size(), size_t(1));
    QCOMPARE(host.calls.at(0).name, QString("Extract volume 1/1 from movie.avi"));
    QVERIFY(!host.calls.at(0).arguments.contains("-fs"));
    QCOMPARE(host.calls.at(0).arguments.at(1), QString("00:00:00"));
    // The expected size of a volume never passes what is left of the input.
    QCOMPARE(host.calls.at(0).value, qint64(1000));
    QCOMPARE(finished.count(), 1);
}

void MediaSplitterTest::jobsThatEndLater()
{
    useEngines(durationProbe("probe-later", {{"*.part1.avi", "40.5"}, {"*", "100.0"}}));
    RecordingJobManager host;
    host.jobsEndAtOnce = false;
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 2, 500);
    QCOMPARE(host.calls.size(), size_t(1));
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 0);

    host.jobs.at(0)->finish();
    QCOMPARE(host.calls.size(), size_t(2));
    QCOMPARE(host.calls.at(1).arguments.at(1), QString("00:00:40"));
    QCOMPARE(finished.count(), 0);
    host.jobs.at(1)->finish();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(started.count(), 1);
}

void MediaSplitterTest::unknownDurationEndsAtOnce()
{
    useEngines(durationProbe("probe-na", {{"*", "N/A"}}));
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 3, 500);
    QVERIFY(host.calls.empty());
    QCOMPARE(started.count(), 0);
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_capture->log().contains(
        "Warning: done in 0 part instead of 3, terminating split of movie.avi"));
}

void MediaSplitterTest::positionError()
{
    useEngines(durationProbe("probe-zero", {{"*.part1.avi", "0.000000"}, {"*", "100.0"}}));
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 3, 500);
    QCOMPARE(host.calls.size(), size_t(1));
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_capture->log().contains("Failed (position error) to continue split of movie.avi"));
}

void MediaSplitterTest::failuresBeforeTheFirstVolume_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("FFmpeg not ready") << "ffmpeg" << "Failed to start split: could not start FFmpeg interface.";
    QTest::newRow("FFprobe not ready") << "ffprobe" << "Failed to start split: could not start FFprobe interface.";
    QTest::newRow("input not a media file") << "load" << "Failed to start split: could not analyze input media file";
    QTest::newRow("no duration") << "duration" << "Failed to start split: could not get input media duration";
}

void MediaSplitterTest::failuresBeforeTheFirstVolume()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    if (failure == "load")
        useEngines(durationProbe("probe-fail-load", {{"*", "-"}}));
    else if (failure == "duration")
        useEngines(writeCannedFFprobe("probe-fail-duration", "[FORMAT]\nformat_name=avi\n[/FORMAT]\n"));
    else
        useEngines(durationProbe("probe-fine", {{"*", "100.0"}}));
    FFmpeg idleFFmpeg;
    FFprobe idleFFprobe;
    if (failure == "ffmpeg")
        EngineObjects::setEngines(&idleFFmpeg, m_ffprobe.get(), nullptr);
    if (failure == "ffprobe")
        EngineObjects::setEngines(m_ffmpeg.get(), &idleFFprobe, nullptr);

    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 3, 500);
    QVERIFY(host.calls.empty());
    QCOMPARE(started.count(), 0);
    QCOMPARE(finished.count(), 0);
    QVERIFY2(m_capture->log().contains(message), qPrintable(m_capture->log()));
}

void MediaSplitterTest::failureWhileMeasuringAVolume()
{
    useEngines(durationProbe("probe-bad-volume", {{"*.part1.avi", "30.0"}, {"*.part2.avi", "-"}, {"*", "100.0"}}));
    RecordingJobManager host;
    MediaSplitter splitter(&host);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 3, 500);
    QCOMPARE(host.calls.size(), size_t(2));
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_capture->log().contains(
        "Failed to start split part #3 of movie.avi: could not analyze input media file"));
}

void MediaSplitterTest::refusedJob()
{
    useEngines(durationProbe("probe-refused", {{"*", "100.0"}}));
    RecordingJobManager host;
    host.refuse = true;
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(m_input, 2, 500);
    QCOMPARE(started.count(), 0);
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_capture->log().contains("Failed to start split part #1 of movie.avi"));
}

void MediaSplitterTest::autoDelete()
{
    useEngines(durationProbe("probe-delete", {{"*", "100.0"}}));
    RecordingJobManager host;
    host.jobsEndAtOnce = false;
    QPointer<MediaSplitter> splitter = new MediaSplitter(&host);
    splitter->setAutoDelete(true);
    splitter->setAutoDelete(true);
    splitter->startSplit(m_input, 1, 500);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(splitter);
    host.jobs.at(0)->finish();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!splitter);

    QPointer<MediaSplitter> kept = new MediaSplitter(&host);
    kept->setAutoDelete(true);
    kept->setAutoDelete(false);
    kept->startSplit(m_input, 1, 500);
    host.jobs.back()->finish();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(kept);
    delete kept;
}

void MediaSplitterTest::splitsARealClip()
{
    // 40 s with a key frame every second (25 frames).
    const QString clip = TestMedia::clip(
        "split-source.avi", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=40",
                             "-f", "lavfi", "-i", "sine=frequency=440:duration=40", "-c:v", "mpeg4",
                             "-g", "25", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"});
    QVERIFY(!clip.isEmpty());
    m_ffmpeg = std::make_unique<FFmpeg>();
    QVERIFY(m_ffmpeg->startInterface(engine("ffmpeg"), QString()));
    m_ffprobe = std::make_unique<FFprobe>();
    QVERIFY(m_ffprobe->startInterface(engine("ffprobe"), QString()));
    EngineObjects::setEngines(m_ffmpeg.get(), m_ffprobe.get(), nullptr);

    const QString input = m_folder->path() + "/Mon film d'été.avi";
    QVERIFY(QFile::copy(clip, input));
    const qint64 inputSize = QFileInfo(input).size();
    const qint64 volumeSize = inputSize * 2 / 5;

    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(input, 3, volumeSize);
    QVERIFY(finished.count() == 1 || finished.wait(60000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);

    QCOMPARE(host.jobs().size(), 3);
    const QStringList inputFrames = frameDigests(input);
    QCOMPARE(inputFrames.size(), 1000);
    int previousEnd = -1;
    for (int volume = 1; volume <= 3; ++volume) {
        MervoJob *job = host.jobs().at(volume - 1);
        QCOMPARE(job->title(), QString("Extract volume %1/3 from Mon film d'été.avi").arg(volume));
        const QString part = m_folder->path() + QString("/Mon film d'été.part%1.avi").arg(volume);
        QVERIFY2(QFileInfo::exists(part), qPrintable(part));
        QCOMPARE(job->output(), QFileInfo(part).fileName());
        if (volume < 3)
            QVERIFY(QFileInfo(part).size() <= volumeSize + volumeSize / 20);

        // Where the volume's frames sit in the input.
        const QStringList frames = frameDigests(part);
        QVERIFY(!frames.isEmpty());
        const int start = inputFrames.indexOf(frames.first());
        const int end = inputFrames.indexOf(frames.last(), start);
        QVERIFY2(start >= 0 && end >= start, qPrintable(part));
        if (volume == 1)
            QCOMPARE(start, 0);
        else
            // Whole seconds dropped from the start (25 frames) and one key-frame interval (25).
            QVERIFY2(qAbs(start - (previousEnd + 1)) <= 50,
                     qPrintable(QString("volume %1 starts at frame %2, the previous ended at %3")
                                    .arg(volume).arg(start).arg(previousEnd)));
        if (volume == 3)
            QCOMPARE(end, inputFrames.size() - 1);
        qInfo("volume %d: frames %d to %d", volume, start, end);
        previousEnd = end;
    }
}

void MediaSplitterTest::badInput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "missing" << "Failed to start split: could not analyze input media file";
    QTest::newRow("text file named .avi") << "text" << "Failed to start split: could not analyze input media file";
    QTest::newRow("truncated clip") << "truncated" << "";
    QTest::newRow("spaces, quotes and non-ASCII letters") << "odd" << "";
}

void MediaSplitterTest::badInput()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    m_ffmpeg = std::make_unique<FFmpeg>();
    QVERIFY(m_ffmpeg->startInterface(engine("ffmpeg"), QString()));
    m_ffprobe = std::make_unique<FFprobe>();
    QVERIFY(m_ffprobe->startInterface(engine("ffprobe"), QString()));
    EngineObjects::setEngines(m_ffmpeg.get(), m_ffprobe.get(), nullptr);

    QString input = m_folder->path() + "/input.avi";
    if (kind == "text") {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Not a movie at all.\n");
    } else if (kind == "truncated") {
        QFile source(TestMedia::standardAvi());
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(source.readAll().left(int(source.size() / 2)));
    } else if (kind == "odd") {
        input = m_folder->path() + "/Le \"grand\" film d'Ève – 日本 $HOME.avi";
        QVERIFY(QFile::copy(TestMedia::standardAvi(), input));
    }

    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    MediaSplitter splitter(&host);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(input, 2, QFileInfo(input).size() / 2);
    if (!message.isEmpty()) {
        QVERIFY(m_capture->log().contains(message));
        QVERIFY(host.jobs().isEmpty());
        QCOMPARE(finished.count(), 0);
        return;
    }
    QVERIFY(finished.count() == 1 || finished.wait(30000));
    QVERIFY(!host.jobs().isEmpty());
    const QString first = m_folder->path() + "/" + QFileInfo(input).completeBaseName() + ".part1.avi";
    QVERIFY2(QFileInfo::exists(first), qPrintable(first));
    QVERIFY(TestMedia::probeDuration(first) > 0.0);
}

VEXO_TEST_CLASS(MediaSplitterTest)
#include "tst_mediasplitter.moc"
