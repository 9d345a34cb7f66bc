// The MEncoder commands that run whole, on the installed MEncoder over media the test makes:
// the two passes of the Xvid CD target, the VideoCD and Super VideoCD targets, the
// stream-copy re-mux and the merge.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
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

// A DVD folder like TestMedia::dvdFolder()'s first title (8 s, 16:9, one English track),
// but NTSC, at the frame rate given ("30000/1001" video, "24000/1001" film).
QString ntscDvdFolder(const QString &frameRate)
{
    const QString name = "ntsc-" + QString(frameRate).replace('/', '-');
    const QString root = TestMedia::folder() + "/" + name;
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QString title = TestMedia::clip(
        name + ".mpg",
        {"-f", "lavfi", "-i", "testsrc=size=720x480:duration=8:rate=" + frameRate, "-f", "lavfi",
         "-i", "sine=frequency=440:duration=8", "-target", "ntsc-dvd", "-r", frameRate,
         "-aspect", "16:9", "-b:v", "2000k"});
    const QString xml = TestMedia::folder() + "/" + name + ".xml";
    QFile file(xml);
    if (title.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    // The video manager's format in the file spares dvdauthor's VIDEO_FORMAT variable.
    file.write(QString("<dvdauthor dest=\"%1\">\n"
                       " <vmgm><menus><video format=\"ntsc\"/></menus></vmgm>\n"
                       " <titleset><titles>\n"
                       "  <video format=\"ntsc\" aspect=\"16:9\" widescreen=\"nopanscan\"/>\n"
                       "  <audio lang=\"en\"/>\n"
                       "  <pgc><vob file=\"%2\"/></pgc>\n"
                       " </titles></titleset>\n"
                       "</dvdauthor>\n")
                   .arg(root, title)
                   .toUtf8());
    file.close();
    QString err;
    if (TestMedia::run("dvdauthor", {"-x", xml}, nullptr, &err) != 0)
        QWARN(qPrintable("dvdauthor failed: " + err));
    return QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO") ? root : QString();
}

double rate(const QString &fraction)
{
    const QStringList parts = fraction.split('/');
    return parts.size() == 2 ? parts[0].toDouble() / parts[1].toDouble() : fraction.toDouble();
}

// The seconds of sound that a file decodes to (its first audio stream is MPEG layer 2,
// 1152 samples a frame); -1 on failure.
double soundSeconds(const QString &path)
{
    QString out;
    if (TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "a:0",
                                   "-show_entries", "stream=sample_rate,nb_read_frames", "-of",
                                   "csv=p=0", path},
                       &out)
        != 0)
        return -1;
    const QStringList values = out.trimmed().split(',');
    if (values.size() < 2 || values[0].toInt() <= 0)
        return -1;
    return values[1].toInt() * 1152.0 / values[0].toInt();
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
    QTest::addColumn<QString>("titleRate"); // "25": the PAL title of TestMedia::dvdFolder()
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("video");
    QTest::addColumn<double>("soundTail");
    // The 16:9 title is marked so (MPEG-1 by its pixel shape); a variable rate has no bitrate.
    // At the end of the file MEncoder's MPEG muxer loses the last of the sound, whatever the
    // standard: up to 0.3 s in a VideoCD, 0.7 s in a Super VideoCD (soundTail).
    QTest::newRow("VCD PAL from PAL")
        << false << "25" << "PAL" << "mpeg1video,video,352,288,49:27,25/1,1152000" << 0.3;
    QTest::newRow("VCD NTSC from PAL: frames repeated")
        << false << "25" << "NTSC" << "mpeg1video,video,352,240,704:405,30000/1001,1152000" << 0.3;
    QTest::newRow("SVCD NTSC from PAL: frames repeated")
        << true << "25" << "NTSC" << "mpeg2video,video,480,480,16:9,30000/1001,N/A" << 0.7;
    QTest::newRow("VCD PAL from NTSC: frames dropped")
        << false << "30000/1001" << "PAL" << "mpeg1video,video,352,288,49:27,25/1,1152000" << 0.3;
    QTest::newRow("SVCD PAL from NTSC: frames dropped")
        << true << "30000/1001" << "PAL" << "mpeg2video,video,480,576,16:9,25/1,N/A" << 0.7;
    QTest::newRow("VCD NTSC from film: frames repeated")
        << false << "24000/1001" << "NTSC" << "mpeg1video,video,352,240,704:405,30000/1001,1152000"
        << 0.3;
}

// A disc whose frame rate differs from the title's must still play the picture as long as
// the sound: an encode that keeps the title's frames at a higher disc rate runs short.
void MEncoderJobsTest::discTargets()
{
    QFETCH(bool, superVideoCd);
    QFETCH(QString, titleRate);
    QFETCH(QString, standard);
    QFETCH(QString, video);
    QFETCH(double, soundTail);
    const QString dvd = titleRate == "25" ? TestMedia::dvdFolder() : ntscDvdFolder(titleRate);
    QVERIFY(!dvd.isEmpty());
    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::dvdSource(dvd);
    engine.job.source.video.frameRate = rate(titleRate);
    const QString output = scratch(QString("disc-%1-%2-%3.mpg")
                                       .arg(superVideoCd)
                                       .arg(standard, QString(titleRate).replace('/', '-')));
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
    QCOMPARE(probed, QStringList({"mp2,audio,44100,2,0/0,224000", video}));

    const double picture = TestMedia::countVideoFrames(output) / rate(video.section(',', 5, 5));
    const double sound = soundSeconds(output);
    const QString measured = QString("picture %1 s, sound %2 s").arg(picture).arg(sound);
    QVERIFY2(qAbs(picture - 8.0) <= 0.3, qPrintable("the 8 s title gives " + measured));
    QVERIFY2(sound <= picture + 0.1 && picture - sound <= soundTail, qPrintable(measured));
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
