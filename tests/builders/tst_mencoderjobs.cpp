// The MEncoder commands that run whole, on the installed MEncoder over media the test makes:
// the two passes of the Xvid CD target, the VideoCD and Super VideoCD targets, the
// stream-copy re-mux and the merge.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace {

QString scratch(const QString &name)
{
    QDir().mkpath(TestMedia::folder() + "/jobs");
    const QString path = TestMedia::folder() + "/jobs/" + name;
    QFile::remove(path);
    return path;
}

} // namespace

class MEncoderJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void twoPassXvidReadsFirstPassStatistics();
    void discTargets_data();
    void discTargets();
    void streamCopies_data();
    void streamCopies();
};

void MEncoderJobsTest::twoPassXvidReadsFirstPassStatistics()
{
    // The job as the encoder core sets up the Xvid CD target for the 8 s DVD title.
    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::dvdSource(TestMedia::dvdFolder());
    setTarget(engine.job.target, EncoderProfile::LevelUser, "avi", "xvid", {624, 352},
              -(700000 - 16 * 8), "mp3", 44100, 128);
    const QString stats = scratch("movie.stats");
    engine.job.target.extraOptions.insert("-passlogfile", stats);
    QString program;
    QStringList firstPass, secondPass;
    engine.builder.passes = 2;
    engine.builder.pass = 1;
    engine.builder.cliCmdEncode(program, firstPass, "/dev/null", 0, 0, 0);
    QCOMPARE(TestMedia::run(program, firstPass), 0);
    QVERIFY2(QFileInfo(stats).size() > 0, "the first pass writes the statistics file");

    engine.builder.pass = 2;
    const QString output = scratch("movie.avi");
    engine.builder.cliCmdEncode(program, secondPass, output, 0, 0, 0);
    QString log;
    QCOMPARE(TestMedia::run(program, secondPass, &log), 0);
    QVERIFY(InterfaceMEncoder::parseCommandCheck(log.toUtf8(), QByteArray()));
    QCOMPARE(probeStreams(output), QStringList({"mpeg4,video", "mp3,audio"}));
    QVERIFY(qAbs(TestMedia::countVideoFrames(output) - 200) <= 10);

    // Without the first pass's statistics the second spends the bits differently.
    QFile::remove(stats);
    const QString blind = scratch("movie-without-stats.avi");
    QCOMPARE(TestMedia::run(program, secondPass.replaceInStrings(output, blind)), 0);
    QVERIFY(QFileInfo(blind).size() > 0);
    QVERIFY2(QFileInfo(output).size() != QFileInfo(blind).size(),
             "the second pass must depend on the statistics of the first");
}

void MEncoderJobsTest::discTargets_data()
{
    QTest::addColumn<bool>("superVideoCd");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QStringList>("streams");
    QTest::addColumn<int>("frames"); // the 8 s title at the disc's rate
    // The 16:9 title is marked so (MPEG-1 by its pixel shape); a variable rate has no bitrate.
    const QString sound = "mp2,audio,44100,2,0/0,224000";
    QTest::newRow("VCD PAL") << false << "PAL"
                             << QStringList{sound, "mpeg1video,video,352,288,49:27,25/1,1152000"}
                             << 200;
    QTest::newRow("SVCD NTSC") << true << "NTSC"
                               << QStringList{sound, "mpeg2video,video,480,480,16:9,30000/1001,N/A"}
                               << 240;
}

void MEncoderJobsTest::discTargets()
{
    QFETCH(bool, superVideoCd);
    QFETCH(QString, standard);
    QFETCH(QStringList, streams);
    QFETCH(int, frames);
    MEncoderTestEngine engine;
    const QString dvd = TestMedia::dvdFolder();
    engine.job.source = MEncoderTestEngine::dvdSource(dvd);
    const QString output = scratch(QString("disc-%1-%2.mpg").arg(superVideoCd).arg(standard));
    QString program;
    QStringList arguments;
    if (superVideoCd)
        engine.builder.cliCmdTargetSvcd(program, arguments, dvd, output, standard);
    else
        engine.builder.cliCmdTargetVcd(program, arguments, dvd, output, standard);
    QCOMPARE(TestMedia::run(program, arguments), 0);
    QStringList probed = probeStreams(output, "codec_name,codec_type,width,height,"
                                              "display_aspect_ratio,r_frame_rate,sample_rate,"
                                              "channels,bit_rate");
    probed.sort(); // sound first, whichever stream the muxer writes first
    QCOMPARE(probed, streams);
    const int decoded = TestMedia::countVideoFrames(output);
    QVERIFY2(qAbs(decoded - frames) <= frames / 10, qPrintable(QString::number(decoded)));
}

// The re-mux of the standard clip, and the merge of two clips as the merger hands them over
// (the container as ffprobe names it, the FourCC of the first).
void MEncoderJobsTest::streamCopies_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("fourcc");
    QTest::addColumn<int>("parts"); // 0: re-mux the standard clip
    QTest::newRow("re-mux to mkv by libavformat") << "mkv" << "mkv" << "" << 0;
    QTest::newRow("re-mux to mpeg by MEncoder's muxer") << "mpg" << "mpeg" << "" << 0;
    QTest::newRow("merge avi") << "avi" << "avi" << "FMP4" << 2;
    QTest::newRow("merge matroska") << "mkv" << "matroska" << "" << 2;
}

void MEncoderJobsTest::streamCopies()
{
    QFETCH(QString, extension);
    QFETCH(QString, container);
    QFETCH(QString, fourcc);
    QFETCH(int, parts);
    QStringList inputs;
    for (int i = 1; i <= parts; ++i) {
        const QString picture = QString(i == 1 ? "testsrc" : "testsrc2")
                                + "=size=320x240:rate=25:duration=2";
        inputs << TestMedia::clip(QString("merge-%1.%2").arg(i).arg(extension),
                                  {"-f", "lavfi", "-i", picture, "-f", "lavfi", "-i",
                                   "sine=frequency=440:duration=2", "-c:v", "mpeg4", "-c:a",
                                   "libmp3lame", "-b:a", "128k"});
        QVERIFY(!inputs.last().isEmpty());
    }
    MEncoderTestEngine engine;
    const QString output = scratch(QString("copy-%1.%2").arg(parts).arg(extension));
    QString program, error = "stale";
    QStringList arguments;
    if (parts == 0) {
        engine.builder.cliCmdRemux(TestMedia::standardAvi(), output, program, arguments,
                                   container);
    } else {
        QVERIFY(engine.builder.cliCmdMerge(program, arguments, error, inputs, output, container,
                                           fourcc));
        QVERIFY(error.isEmpty());
    }
    QCOMPARE(TestMedia::run(program, arguments), 0);
    QCOMPARE(probeStreams(output), QStringList({"mpeg4,video", "mp3,audio"}));
    QVERIFY(qAbs(TestMedia::countVideoFrames(output) - (parts ? 100 : 75)) <= 3);
    QVERIFY(qAbs(TestMedia::probeDuration(output) - (parts ? 4.0 : 3.0)) < 0.3);
}

VEXO_TEST_CLASS(MEncoderJobsTest)
#include "tst_mencoderjobs.moc"
