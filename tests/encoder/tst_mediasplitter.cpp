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

#include <QCryptographicHash>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTime>
#include <QTest>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(QList<FFprobePacket>)

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

// The start a split command seeks to; empty when it copies from the very beginning.
QString seekOf(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf("-ss");
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

QString engine(const char *name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// A decoded video frame: the MD5 of its picture and its time in seconds from the start.
struct Frame
{
    QString digest;
    double time = 0.0;
};

QList<Frame> decodedFrames(const QString &file)
{
    QString out;
    TestMedia::run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:v", "-f", "framemd5", "-"}, &out);
    static const QRegularExpression timeBase("^#tb 0: (\\d+)/(\\d+)", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch base = timeBase.match(out);
    const double tick = base.hasMatch() ? base.captured(1).toDouble() / base.captured(2).toDouble() : 0.0;
    QList<Frame> frames;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('#'))
            continue;
        // "0, dts, pts, duration, size, hash"
        frames.append({line.section(',', 5).trimmed(), line.section(',', 2, 2).trimmed().toDouble() * tick});
    }
    return frames;
}

int indexOf(const QList<Frame> &frames, const QString &digest, int from = 0)
{
    for (int i = from; i < frames.size(); ++i) {
        if (frames.at(i).digest == digest)
            return i;
    }
    return -1;
}

// A packet hash as FFprobe writes it, made from a label.
QString hashOf(const QString &label)
{
    return "MD5:" + QCryptographicHash::hash(label.toUtf8(), QCryptographicHash::Md5).toHex();
}

FFprobePacket packet(double time, bool key, const QString &hash, double duration = 0.04)
{
    FFprobePacket result;
    result.time = time;
    result.duration = duration;
    result.key = key;
    result.hash = hash;
    return result;
}

// Key packets every 10 s of an input that starts at `start`, with a non-key one between.
QList<FFprobePacket> inputPackets(double start)
{
    QList<FFprobePacket> packets;
    for (int second = 0; second <= 40; second += 10) {
        packets << packet(start + second, true, hashOf(QString("key%1").arg(second)))
                << packet(start + second + 5, false, hashOf(QString("frame%1").arg(second + 5)));
    }
    return packets;
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
    void volumeEnd_data();
    void volumeEnd();
    void referenceStream_data();
    void referenceStream();
    void splitsARealClip_data();
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
                    const QString &inputName = "movie.avi", const QString &ffmpegScript = QString());
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
                                   const QString &inputName, const QString &ffmpegScript)
{
    m_ffmpeg = std::make_unique<FFmpeg>();
    QVERIFY(m_ffmpeg->startInterface(ffmpegScript.isEmpty()
                                         ? writeEngineScript("ffmpeg-banner", "echo 'ffmpeg version 9.9'")
                                         : ffmpegScript,
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
    // Volume 1 copies from the very beginning, without a seek.
    const QStringList starts{"", "00:06:17", "00:12:34"};
    const qint64 values[] = {700000000, 700000000, 400000000};
    for (int volume = 1; volume <= 3; ++volume) {
        const QueuedCall &call = host.calls.at(volume - 1);
        const QString output = QString("%1/movie.part%2.avi").arg(folder).arg(volume);
        QStringList arguments;
        if (volume > 1)
            arguments << "-ss" << starts.at(volume - 1);
        arguments << "-i" << m_input << "-vcodec" << "copy" << "-acodec" << "copy";
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
    QCOMPARE(host.calls.at(0).arguments.first(), QString("-i"));
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

void MediaSplitterTest::volumeEnd_data()
{
    QTest::addColumn<double>("startSecond");
    QTest::addColumn<double>("inputStart");
    QTest::addColumn<QList<FFprobePacket>>("inputWindow");
    QTest::addColumn<double>("length");
    QTest::addColumn<double>("volumeStart");
    QTest::addColumn<QList<FFprobePacket>>("head");
    QTest::addColumn<QList<FFprobePacket>>("tail");
    QTest::addColumn<double>("end");

    // Cut from second 17: FFmpeg starts at the key frame of second 10, so the volume runs
    // from 10 to 26 and not to 17 + its length.
    const QList<FFprobePacket> keyAt10{packet(0.0, true, hashOf("key10"))};
    const QList<FFprobePacket> to16{packet(14.0, false, "MD5:a"), packet(15.96, false, "MD5:b")};
    QTest::newRow("lead-in counted in the length (AVI)")
        << 17.0 << 0.0 << inputPackets(0.0) << 16.0 << 0.0 << keyAt10 << to16 << 26.0;
    QTest::newRow("lead-in hidden by an edit list (MP4)")
        << 17.0 << 0.0 << inputPackets(0.0) << 9.0 << 0.0
        << QList<FFprobePacket>{packet(-7.0, true, hashOf("key10"))}
        << QList<FFprobePacket>{packet(8.96, false, "MD5:b")} << 26.0;
    QTest::newRow("B-frames: the furthest packet counts, not the last listed")
        << 17.0 << 0.0 << inputPackets(0.0) << 16.0 << 0.0 << keyAt10
        << QList<FFprobePacket>{packet(15.96, false, "MD5:b"), packet(15.84, false, "MD5:c")} << 26.0;
    QTest::newRow("the seek went back past the key frame before the second")
        << 17.0 << 0.0 << inputPackets(0.0) << 20.0 << 0.0
        << QList<FFprobePacket>{packet(0.0, true, hashOf("key0"))}
        << QList<FFprobePacket>{packet(19.96, false, "MD5:b")} << 20.0;
    QTest::newRow("input with a start time (MPEG-PS)")
        << 17.0 << 0.5 << inputPackets(0.5) << 16.2 << 0.5
        << QList<FFprobePacket>{packet(0.5, true, hashOf("key10"))}
        << QList<FFprobePacket>{packet(16.46, false, "MD5:b")} << 26.0;
    QTest::newRow("first packet not in the input: key packet at or before the second")
        << 17.0 << 0.0 << inputPackets(0.0) << 16.0 << 0.0
        << QList<FFprobePacket>{packet(0.0, true, "MD5:changed")} << to16 << 26.0;
    QList<FFprobePacket> stillPicture = inputPackets(0.0);
    stillPicture[2].hash = stillPicture[0].hash;
    QTest::newRow("identical key frames: the earliest counts")
        << 17.0 << 0.0 << stillPicture << 26.0 << 0.0
        << QList<FFprobePacket>{packet(0.0, true, hashOf("key0"))}
        << QList<FFprobePacket>{packet(25.96, false, "MD5:b")} << 26.0;
    QTest::newRow("no packets at the end: the length from the volume's start time")
        << 17.0 << 0.0 << inputPackets(0.0) << 9.0 << 0.0
        << QList<FFprobePacket>{packet(-7.0, true, hashOf("key10"))} << QList<FFprobePacket>{} << 26.0;
    QTest::newRow("volume without packets: key packet at or before the second plus the length")
        << 17.0 << 0.0 << inputPackets(0.0) << 16.0 << 0.0 << QList<FFprobePacket>{}
        << QList<FFprobePacket>{} << 26.0;
    QTest::newRow("no packets at all: the start second plus the length")
        << 17.0 << 0.0 << QList<FFprobePacket>{} << 16.0 << 0.0 << QList<FFprobePacket>{}
        << QList<FFprobePacket>{} << 33.0;
}

void MediaSplitterTest::volumeEnd()
{
    QFETCH(double, startSecond);
    QFETCH(double, inputStart);
    QFETCH(QList<FFprobePacket>, inputWindow);
    QFETCH(double, length);
    QFETCH(double, volumeStart);
    QFETCH(QList<FFprobePacket>, head);
    QFETCH(QList<FFprobePacket>, tail);
    QFETCH(double, end);
    QCOMPARE(MediaSplitter::volumeEnd(startSecond, inputStart, inputWindow, length, volumeStart,
                                      head, tail),
             end);
}

namespace {
QByteArray packetAnswer(const QList<FFprobePacket> &packets)
{
    QByteArray text;
    for (const FFprobePacket &p : packets)
        text += QString("[PACKET]\npts_time=%1\ndts_time=%1\nduration_time=%2\nflags=%3\n"
                        "data_hash=%4\n[/PACKET]\n")
                    .arg(p.time, 0, 'f', 6)
                    .arg(p.duration, 0, 'f', 6)
                    .arg(p.key ? "K_" : "__", p.hash)
                    .toUtf8();
    return text;
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}
} // namespace

void MediaSplitterTest::referenceStream_data()
{
    QTest::addColumn<QString>("streams");
    QTest::addColumn<bool>("seeksToKeyFrames");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("starts");

    const QString video = "[STREAM]\nindex=0\ncodec_name=mpeg4\ncodec_type=video\n"
                          "DISPOSITION:attached_pic=0\n[/STREAM]\n";
    const QString cover = "[STREAM]\nindex=0\ncodec_name=mjpeg\ncodec_type=video\n"
                          "DISPOSITION:attached_pic=1\n[/STREAM]\n";
    const QString audio = "[STREAM]\nindex=%1\ncodec_name=mp3\ncodec_type=audio\n[/STREAM]\n";
    const QString subtitle = "[STREAM]\nindex=0\ncodec_name=subrip\ncodec_type=subtitle\n[/STREAM]\n";
    const QStringList located{"", "00:00:25", "00:00:38"};
    QTest::newRow("movie") << video + audio.arg(1) << true << "V:0" << located;
    QTest::newRow("audio with a cover picture") << cover + audio.arg(1) << true << "a:0" << located;
    QTest::newRow("audio only") << audio.arg(0) << true << "a:0" << located;
    // Without packets to go by: each start second plus the measured length.
    QTest::newRow("neither video nor audio")
        << subtitle << true << "" << QStringList{"", "00:00:26", "00:00:45"};
    // From seconds 25 and 24 the copy would begin at the key packet of second 30, past the
    // end of volume 1 (25.5 s); from second 23 at that of second 20.
    QTest::newRow("movie in a format that seeks to any packet")
        << video + audio.arg(1) << false << "V:0" << QStringList{"", "00:00:23", "00:00:38"};
}

void MediaSplitterTest::referenceStream()
{
    QFETCH(QString, streams);
    QFETCH(bool, seeksToKeyFrames);
    QFETCH(QString, selection);
    QFETCH(QStringList, starts);

    // The stand-in answers an analysis ("load") or a packet list by the file's name, and
    // notes every call. The input starts at 0.5 s. Volume 1 runs from the key packet at 0 to
    // 25.5 s (measured: 26 s); volume 2 from the key packet at 20 for 18 s (measured: 19 s).
    const QString answers = m_folder->path() + "/answers";
    QDir().mkpath(answers);
    QVERIFY(writeFile(answers + "/input.load",
                      (streams + "[FORMAT]\nduration=100.000000\nstart_time=0.500000\n[/FORMAT]\n").toUtf8()));
    QVERIFY(writeFile(answers + "/input.packets", packetAnswer(inputPackets(0.5))));
    QVERIFY(writeFile(answers + "/part1.load", "[FORMAT]\nduration=26.000000\nstart_time=0.000000\n[/FORMAT]\n"));
    QVERIFY(writeFile(answers + "/part1.packets", packetAnswer({packet(0.0, true, hashOf("key0")),
                                                               packet(25.46, false, hashOf("x"))})));
    QVERIFY(writeFile(answers + "/part.load", "[FORMAT]\nduration=19.000000\nstart_time=0.000000\n[/FORMAT]\n"));
    QVERIFY(writeFile(answers + "/part.packets", packetAnswer({packet(0.0, true, hashOf("key20")),
                                                              packet(17.96, false, hashOf("y"))})));
    const QString calls = answers + "/calls";
    const QString probe = writeEngineScript(
        "probe-reference",
        QString("[ \"$1\" = -version ] && { echo 'ffprobe version 9.9'; exit 0; }\n"
                "printf '%s\\n' \"$*\" >> '%1'\n"
                "for a; do file=$a; done\n"
                "case \"$*\" in *-read_intervals*) kind=packets ;; *) kind=load ;; esac\n"
                "case \"$file\" in\n"
                "  *.part1.avi) cat '%2/part1.'$kind ;;\n"
                "  *.part*) cat '%2/part.'$kind ;;\n"
                "  *) cat '%2/input.'$kind ;;\n"
                "esac")
            .arg(calls, answers));
    // The one-packet copies: a format that seeks to any packet begins at the next key packet.
    QString ffmpeg;
    if (!seeksToKeyFrames) {
        ffmpeg = writeEngineScript(
            "ffmpeg-any-packet",
            QString("case \"$*\" in\n"
                    "  -version) echo 'ffmpeg version 9.9' ;;\n"
                    "  *'-ss 00:00:25 '*|*'-ss 00:00:24 '*) echo 'MD5=%1' ;;\n"
                    "  *'-ss 00:00:2'?' '*) echo 'MD5=%2' ;;\n"
                    "esac")
                .arg(hashOf("key30").mid(4), hashOf("key20").mid(4)));
    }
    useEngines(probe, 1000, "movie.avi", ffmpeg);

    RecordingJobManager host;
    MediaSplitter splitter(&host);
    splitter.startSplit(m_input, 3, 500);
    QCOMPARE(host.calls.size(), size_t(3));
    for (int volume = 0; volume < 3; ++volume)
        QCOMPARE(seekOf(host.calls.at(volume).arguments), starts.at(volume));

    // Every packet list asked for is of the reference stream; those of the input cover, in
    // turn, the second each volume was cut from and the second its end falls in, counted
    // from the input's start time.
    QFile log(calls);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    const QList<double> seconds{0.5, 25.5, QTime::fromString(starts.at(1), "hh:mm:ss").msecsSinceStartOfDay() / 1000 + 0.5,
                                38.5};
    int inputLists = 0;
    for (const QString &line : lines) {
        if (!line.contains("-read_intervals"))
            continue;
        QVERIFY2(line.contains("-select_streams " + selection + " "), qPrintable(line));
        if (!line.endsWith(m_input))
            continue;
        QVERIFY(inputLists < seconds.size());
        const QString intervals = line.section("-read_intervals ", 1).section(' ', 0, 0);
        const double from = intervals.startsWith('%') ? -1e9 : intervals.section('%', 0, 0).toDouble();
        const double to = intervals.section('%', 1).toDouble();
        const double second = seconds.at(inputLists++);
        QVERIFY2(from <= second && second < to, qPrintable(QString("%1 for %2").arg(line).arg(second)));
    }
    QCOMPARE(inputLists, selection.isEmpty() ? 0 : 4);
}

void MediaSplitterTest::splitsARealClip_data()
{
    QTest::addColumn<QString>("clipName");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<double>("keyInterval");
    QTest::addColumn<qint64>("overshoot"); // bytes a volume may pass its size limit by, beyond 5 %

    const QStringList sources{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=40",
                              "-f", "lavfi", "-i", "sine=frequency=440:duration=40"};
    QTest::newRow("AVI, a key frame every 2 s")
        << "split-g50.avi"
        << sources + QStringList{"-c:v", "mpeg4", "-g", "50", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"}
        << 2.0 << qint64(0);
    QTest::newRow("AVI, a key frame every second")
        << "split-g25.avi"
        << sources + QStringList{"-c:v", "mpeg4", "-g", "25", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"}
        << 1.0 << qint64(0);
    // Its measured length counts the audio past the video's end and its start time lies
    // after 0. The MPEG muxer writes the packs it holds after the size limit is reached.
    QTest::newRow("MPEG program stream, a key frame every 2 s")
        << "split-g50.mpg"
        << sources + QStringList{"-c:v", "mpeg2video", "-g", "50", "-q:v", "4", "-c:a", "mp2"}
        << 2.0 << qint64(96 * 1024);
    // B-frames, and an edit list that hides each volume's lead-in from its measured length.
    QTest::newRow("MP4, H.264 with a key frame every 2 s")
        << "split-g50.mp4"
        << sources + QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-g", "50",
                                 "-keyint_min", "50", "-sc_threshold", "0", "-pix_fmt", "yuv420p",
                                 "-c:a", "aac"}
        << 2.0 << qint64(0);
    // FFmpeg stamps an FLV's first video packet after 0 (25 ms): a seek to second 0 would
    // land on the second key frame and volume 1 would lose its first 2 s.
    QTest::newRow("FLV, a key frame every 2 s")
        << "split-g50.flv"
        << sources + QStringList{"-c:v", "flv1", "-g", "50", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k"}
        << 2.0 << qint64(0);
}

void MediaSplitterTest::splitsARealClip()
{
    QFETCH(QString, clipName);
    QFETCH(QStringList, encoding);
    QFETCH(double, keyInterval);
    QFETCH(qint64, overshoot);
    const QString clip = TestMedia::clip(clipName, encoding);
    QVERIFY(!clip.isEmpty());
    m_ffmpeg = std::make_unique<FFmpeg>();
    QVERIFY(m_ffmpeg->startInterface(engine("ffmpeg"), QString()));
    m_ffprobe = std::make_unique<FFprobe>();
    QVERIFY(m_ffprobe->startInterface(engine("ffprobe"), QString()));
    EngineObjects::setEngines(m_ffmpeg.get(), m_ffprobe.get(), nullptr);

    const QString suffix = QFileInfo(clip).suffix();
    const QString input = m_folder->path() + "/Mon film d'été." + suffix;
    QVERIFY(QFile::copy(clip, input));
    const qint64 volumeSize = QFileInfo(input).size() / 3;

    MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
    MediaSplitter splitter(&host);
    QSignalSpy started(&splitter, &MediaSplitter::started);
    QSignalSpy finished(&splitter, &MediaSplitter::finished);
    splitter.startSplit(input, 3, volumeSize);
    QVERIFY(finished.count() == 1 || finished.wait(30000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);

    QCOMPARE(host.jobs().size(), 3);
    const QList<Frame> inputFrames = decodedFrames(input);
    QCOMPARE(inputFrames.size(), 1000);
    QVERIFY2(inputFrames.last().time > 39.9 && inputFrames.last().time < 40.1,
             qPrintable(QString::number(inputFrames.last().time)));
    const double frameTime = 0.04;
    int previousEnd = -1;
    for (int volume = 1; volume <= 3; ++volume) {
        MervoJob *job = host.jobs().at(volume - 1);
        QCOMPARE(job->title(), QString("Extract volume %1/3 from Mon film d'été.%2").arg(volume).arg(suffix));
        const QString part = m_folder->path() + QString("/Mon film d'été.part%1.%2").arg(volume).arg(suffix);
        QVERIFY2(QFileInfo::exists(part), qPrintable(part));
        QCOMPARE(job->output(), QFileInfo(part).fileName());
        if (volume < 3)
            QVERIFY2(QFileInfo(part).size() <= volumeSize + volumeSize / 20 + overshoot,
                     qPrintable(QString("%1 bytes for a limit of %2").arg(QFileInfo(part).size()).arg(volumeSize)));

        // Where the volume's first and last pictures lie in the input.
        const QList<Frame> frames = decodedFrames(part);
        QVERIFY(!frames.isEmpty());
        const int start = indexOf(inputFrames, frames.first().digest);
        const int end = indexOf(inputFrames, frames.last().digest, start);
        QVERIFY2(start >= 0 && end >= start, qPrintable(part));
        qInfo("volume %d: frames %d to %d (%.2f s to %.2f s)", volume, start, end,
              inputFrames.at(start).time, inputFrames.at(end).time + frameTime);
        if (volume == 1) {
            QCOMPARE(start, 0);
        } else {
            // No picture of the input is left out between two volumes ...
            QVERIFY2(start <= previousEnd + 1,
                     qPrintable(QString("volume %1 starts at frame %2, the previous ended at %3")
                                    .arg(volume).arg(start).arg(previousEnd)));
            // ... and the volume starts no earlier than one key-frame interval before the
            // whole second in which the previous one ended.
            const double previousEndTime = inputFrames.at(previousEnd).time + frameTime;
            QVERIFY2(inputFrames.at(start).time >= std::floor(previousEndTime) - keyInterval - frameTime / 2,
                     qPrintable(QString("volume %1 starts at %2 s, the previous ended at %3 s")
                                    .arg(volume).arg(inputFrames.at(start).time).arg(previousEndTime)));
        }
        if (volume == 3)
            QCOMPARE(end, inputFrames.size() - 1);
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
