// The MEncoder commands that run whole: the two passes of the Xvid CD target, the VideoCD
// and Super VideoCD targets, the stream-copy re-mux and the merge, each run on the
// installed MEncoder over media the test makes.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class MEncoderJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void twoPassXvidReadsFirstPassStatistics();
    void discTargets_data();
    void discTargets();
    void remuxCopiesBothStreams_data();
    void remuxCopiesBothStreams();
    void mergeJoinsCompatibleClips_data();
    void mergeJoinsCompatibleClips();

private:
    QString scratch(const QString &name) const;
    QString m_dvd;
    QString m_clip;
};

namespace {

// Runs a built command; returns its exit code and keeps its standard output.
int runCommand(const QString &program, const QStringList &arguments, QString *stdOut = nullptr)
{
    return TestMedia::run(program, arguments, stdOut, nullptr, 120000);
}

qint64 videoStreamBytes(const QString &path)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                               "packet=size", "-of", "csv=p=0", path},
                   &out);
    qint64 total = 0;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
        total += line.trimmed().toLongLong();
    return total;
}

QString streamCodecs(const QString &path)
{
    QStringList codecs;
    for (const ProbedStream &stream : probeStreams(path))
        codecs << stream.type + ":" + stream.codec;
    return codecs.join(' ');
}

} // namespace

void MEncoderJobsTest::initTestCase()
{
    m_dvd = TestMedia::dvdFolder();
    m_clip = TestMedia::standardAvi();
    QVERIFY(!m_dvd.isEmpty());
    QVERIFY(!m_clip.isEmpty());
    QDir().mkpath(TestMedia::folder() + "/jobs");
}

QString MEncoderJobsTest::scratch(const QString &name) const
{
    const QString path = TestMedia::folder() + "/jobs/" + name;
    QFile::remove(path);
    return path;
}

void MEncoderJobsTest::twoPassXvidReadsFirstPassStatistics()
{
    // The job as the encoder core sets up the Xvid CD target for the 8 s DVD title.
    MEncoderTestEngine engine;
    EncodingJob &job = engine.job;
    job.source = MEncoderTestEngine::dvdSource(m_dvd);
    const QString stats = scratch("movie.stats");
    job.target.muxer = "avi";
    job.target.extraOptions.insert("-passlogfile", stats);
    job.target.video.codec = "xvid";
    job.target.video.pictureSize = QSize(624, 352);
    job.target.video.bitrate = -(700000 - 16 * 8);
    job.target.audio.codec = "mp3";
    job.target.audio.samplingRate = 44100;
    job.target.audio.bitrate = 128;

    QString program;
    QStringList firstPass, secondPass;
    engine.builder.passes = 2;
    engine.builder.pass = 1;
    engine.builder.cliCmdEncode(program, firstPass, "/dev/null", 0, 0, 0);
    QVERIFY(firstPass.join(' ').contains("turbo:pass=1"));
    QCOMPARE(runCommand(program, firstPass), 0);
    QVERIFY2(QFileInfo(stats).size() > 0, "the first pass writes the statistics file");

    engine.builder.pass = 2;
    const QString output = scratch("movie.avi");
    engine.builder.cliCmdEncode(program, secondPass, output, 0, 0, 0);
    QVERIFY(secondPass.join(' ').contains("pass=2"));
    QString log;
    QCOMPARE(runCommand(program, secondPass, &log), 0);
    QVERIFY(InterfaceMEncoder::parseCommandCheck(log.toUtf8(), QByteArray()));
    QCOMPARE(streamCodecs(output), QString("video:mpeg4 audio:mp3"));
    QVERIFY(qAbs(TestMedia::countVideoFrames(output) - 200) <= 10);

    // The second pass reads the first's statistics: without them its rate control
    // spends the bits differently.
    QFile::remove(stats);
    const QString blind = scratch("movie-without-stats.avi");
    secondPass[secondPass.indexOf(output)] = blind;
    QCOMPARE(runCommand(program, secondPass), 0);
    QVERIFY(videoStreamBytes(output) > 0);
    QVERIFY2(videoStreamBytes(output) != videoStreamBytes(blind),
             "the second pass must depend on the statistics of the first");
}

void MEncoderJobsTest::discTargets_data()
{
    QTest::addColumn<bool>("superVideoCd");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("rate");
    // The 8 s PAL title keeps its 200 frames: today's MEncoder adds no frames when
    // "-ofps" raises the rate, so an NTSC disc from PAL runs shorter than its sound.
    QTest::addColumn<int>("frames");

    QTest::newRow("VCD PAL") << false << "PAL" << "mpeg1video" << QSize(352, 288) << "25/1"
                             << 200;
    QTest::newRow("VCD NTSC") << false << "NTSC" << "mpeg1video" << QSize(352, 240)
                              << "30000/1001" << 200;
    QTest::newRow("SVCD PAL") << true << "PAL" << "mpeg2video" << QSize(480, 576) << "25/1"
                              << 200;
    QTest::newRow("SVCD NTSC") << true << "NTSC" << "mpeg2video" << QSize(480, 480)
                               << "30000/1001" << 200;
}

void MEncoderJobsTest::discTargets()
{
    QFETCH(bool, superVideoCd);
    QFETCH(QString, standard);
    QFETCH(QString, video);
    QFETCH(QSize, size);
    QFETCH(QString, rate);
    QFETCH(int, frames);

    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::dvdSource(m_dvd);
    const QString output = scratch(QString("disc-%1-%2.mpg").arg(superVideoCd).arg(standard));
    QString program;
    QStringList arguments;
    if (superVideoCd)
        engine.builder.cliCmdTargetSvcd(program, arguments, m_dvd, output, standard);
    else
        engine.builder.cliCmdTargetVcd(program, arguments, m_dvd, output, standard);
    QCOMPARE(runCommand(program, arguments), 0);

    const QList<ProbedStream> streams = probeStreams(output);
    QCOMPARE(streams.size(), 2);
    const ProbedStream &picture = streams.at(0).type == "video" ? streams.at(0) : streams.at(1);
    const ProbedStream &sound = streams.at(0).type == "audio" ? streams.at(0) : streams.at(1);
    QCOMPARE(picture.codec, video);
    QCOMPARE(QSize(picture.width, picture.height), size);
    QCOMPARE(sound.codec, QString("mp2"));

    QString audio;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                               "stream=sample_rate,channels,bit_rate", "-of", "csv=p=0", output},
                   &audio);
    QCOMPARE(audio.trimmed(), QString("44100,2,224000"));
    QString pictureRate;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                               "stream=r_frame_rate", "-of", "default=nw=1:nk=1", output},
                   &pictureRate);
    QCOMPARE(pictureRate.trimmed(), rate);
    const int decoded = TestMedia::countVideoFrames(output);
    QVERIFY2(qAbs(decoded - frames) <= frames / 10, qPrintable(QString::number(decoded)));
}

void MEncoderJobsTest::remuxCopiesBothStreams_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("extension");
    QTest::newRow("mkv") << "mkv" << "mkv";
    QTest::newRow("mp4") << "mp4" << "mp4";
    QTest::newRow("mpeg") << "mpeg" << "mpg";
    QTest::newRow("avi") << "avi" << "avi";
}

void MEncoderJobsTest::remuxCopiesBothStreams()
{
    QFETCH(QString, container);
    QFETCH(QString, extension);
    MEncoderTestEngine engine;
    const QString output = scratch("remux." + extension);
    QString program;
    QStringList arguments;
    engine.builder.cliCmdRemux(m_clip, output, program, arguments, container);
    QCOMPARE(runCommand(program, arguments), 0);
    QCOMPARE(streamCodecs(output), QString("video:mpeg4 audio:mp3"));
    QVERIFY(qAbs(TestMedia::countVideoFrames(output) - 75) <= 2);
}

void MEncoderJobsTest::mergeJoinsCompatibleClips_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("container"); // as the merger takes it from ffprobe
    QTest::addColumn<QString>("fourcc");
    QTest::addColumn<QStringList>("codecs");

    QTest::newRow("avi") << "avi" << "avi" << "FMP4"
                         << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
    QTest::newRow("matroska") << "mkv" << "matroska" << ""
                              << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
}

void MEncoderJobsTest::mergeJoinsCompatibleClips()
{
    QFETCH(QString, extension);
    QFETCH(QString, container);
    QFETCH(QString, fourcc);
    QFETCH(QStringList, codecs);

    QStringList parts;
    for (const QString &pattern : {QStringLiteral("testsrc"), QStringLiteral("testsrc2")}) {
        parts << TestMedia::clip(
            QString("merge-%1.%2").arg(pattern, extension),
            QStringList{"-f", "lavfi", "-i", pattern + "=size=320x240:rate=25:duration=2", "-f",
                        "lavfi", "-i", "sine=frequency=440:duration=2"}
                + codecs + QStringList{"-b:a", "128k"});
        QVERIFY(!parts.last().isEmpty());
    }
    MEncoderTestEngine engine;
    const QString output = scratch("merged." + extension);
    QString program, error = "stale";
    QStringList arguments;
    QVERIFY(engine.builder.cliCmdMerge(program, arguments, error, parts, output, container,
                                       fourcc));
    QVERIFY(error.isEmpty());
    QCOMPARE(runCommand(program, arguments), 0);
    QCOMPARE(streamCodecs(output), QString("video:mpeg4 audio:mp3"));
    QVERIFY(qAbs(TestMedia::countVideoFrames(output) - 100) <= 3);
    QVERIFY(qAbs(TestMedia::probeDuration(output) - 4.0) < 0.3);
}

VEXO_TEST_CLASS(MEncoderJobsTest)
#include "tst_mencoderjobs.moc"
