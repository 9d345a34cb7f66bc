// MEncoder commands run whole on generated media: two-pass Xvid, the VideoCD and Super VideoCD
// targets, the re-mux and the merge; the progress parser on a running encode (status lines
// ended by "\r") and the command check on real runs that work and that fail.

#include "buildertesting.h"
#include "testmedia.h"
#include "testregistry.h"

#include "engines/mencoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

QString scratch(const QString &name) { return TestMedia::scratch("jobs", name); }

// A DVD folder like TestMedia::dvdFolder()'s first title (8 s, 16:9, one English track),
// but NTSC, at the frame rate given ("30000/1001" video, "24000/1001" film).
QString ntscDvdFolder(const QString &frameRate)
{
    const QString name = "ntsc-" + QString(frameRate).replace('/', '-');
    const QString root = TestMedia::folder() + "/" + name;
    const QString title = TestMedia::clip(name + ".mpg", {"-f", "lavfi", "-i", "testsrc=size=720x480:duration=8:rate="
        + frameRate, "-f", "lavfi", "-i", "sine=frequency=440:duration=8", "-target", "ntsc-dvd", "-r", frameRate,
        "-aspect", "16:9", "-b:v", "2000k"});
    return QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO") || (!title.isEmpty() && TestMedia::authorDvd(root,
        QString("<titleset><titles><video format='ntsc' aspect='16:9' widescreen='nopanscan'/><audio lang='en'/>"
                "<pgc><vob file='%1'/></pgc></titles></titleset>").arg(title))) ? root : QString();
}

double rate(const QString &fraction)
{
    const QStringList parts = fraction.split('/');
    return parts.size() == 2 ? parts[0].toDouble() / parts[1].toDouble() : fraction.toDouble();
}

// An encode of the standard clip at the user's settings; the command with its output.
QStringList clipCommand(QString &program, const QString &audio, const QString &output,
                        const QString &muxer = "avi", const QString &video = "xvid")
{
    MEncoderRecords engine("mencoder");
    engine.job.source = clipSource(TestMedia::standardAvi());
    setTarget(engine.job.target, EncoderProfile::LevelUser, muxer, video, {320, 240}, 600, audio,
              audio == "mp2" ? 44100 : 0, 128, "PAL");
    QStringList arguments;
    engine.builder.cliCmdEncode(program, arguments, output, 0, 0, 0);
    return arguments;
}

} // namespace

class MEncoderJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void twoPassXvidReadsFirstPassStatistics()
    {
        // The job as the encoder core sets up the Xvid CD target, sized for the 8 s DVD title:
        // at a size it never reaches the second pass would encode every picture alike.
        MEncoderRecords engine("mencoder");
        engine.job.source = dvdSource(TestMedia::dvdFolder());
        setTarget(engine.job.target, EncoderProfile::LevelUser, "avi", "xvid", {624, 352},
                  -200, "mp3", 44100, 128);
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
        QCOMPARE(TestMedia::run(program, secondPass), 0);
        QCOMPARE(probeStreams(output), QStringList({"mpeg4,video", "mp3,audio"}));
        QVERIFY(qAbs(TestMedia::countVideoFrames(output) - 200) <= 10);

        // Without the first pass's statistics the second spends the bits differently.
        QFile::remove(stats);
        const QString blind = scratch("movie-without-stats.avi");
        QCOMPARE(TestMedia::run(program, secondPass.replaceInStrings(output, blind)), 0);
        QVERIFY2(QFileInfo(blind).size() > 0 && QFileInfo(output).size() != QFileInfo(blind).size(),
                 "the second pass must depend on the statistics of the first");
    }

    void discTargets_data()
    {
        QTest::addColumn<bool>("superVideoCd");
        QTest::addColumn<QString>("titleRate"); // "25": the PAL title of TestMedia::dvdFolder()
        QTest::addColumn<QString>("standard");
        QTest::addColumn<QString>("video");
        // The 16:9 title is marked so on a Super VideoCD; MPEG-1 shows 16:9 2 % off at the
        // VideoCD's sizes, which letterbox it in a 4:3 frame (marked by its pixel shape). A
        // variable rate has no bitrate.
        QTest::newRow("VCD PAL from PAL")
            << false << "25" << "PAL" << "mpeg1video,video,352,288,1958:1467,25/1,1152000";
        QTest::newRow("VCD NTSC from PAL: frames repeated")
            << false << "25" << "NTSC" << "mpeg1video,video,352,240,880:657,30000/1001,1152000";
        QTest::newRow("SVCD NTSC from PAL: frames repeated")
            << true << "25" << "NTSC" << "mpeg2video,video,480,480,16:9,30000/1001,N/A";
        QTest::newRow("VCD PAL from NTSC: frames dropped")
            << false << "30000/1001" << "PAL" << "mpeg1video,video,352,288,1958:1467,25/1,1152000";
        QTest::newRow("SVCD PAL from NTSC: frames dropped")
            << true << "30000/1001" << "PAL" << "mpeg2video,video,480,576,16:9,25/1,N/A";
        QTest::newRow("VCD NTSC from film: frames repeated")
            << false << "24000/1001" << "NTSC" << "mpeg1video,video,352,240,880:657,30000/1001,1152000";
    }

    // A disc whose frame rate differs from the title's must still last as long as the title: an
    // encode that keeps the title's frames at a higher disc rate runs short.
    void discTargets()
    {
        QFETCH(bool, superVideoCd);
        QFETCH(QString, titleRate);
        QFETCH(QString, standard);
        QFETCH(QString, video);
        const QString dvd = titleRate == "25" ? TestMedia::dvdFolder() : ntscDvdFolder(titleRate);
        QVERIFY(!dvd.isEmpty());
        MEncoderRecords engine("mencoder");
        engine.job.source = dvdSource(dvd);
        engine.job.source.video.frameRate = rate(titleRate);
        const QString output = scratch(QString("disc-%1-%2-%3.mpg").arg(superVideoCd).arg(standard)
                                           .arg(QString(titleRate).replace('/', '-')));
        QString program;
        QStringList arguments;
        const auto build = superVideoCd ? &InterfaceMEncoder::cliCmdTargetSvcd
                                        : &InterfaceMEncoder::cliCmdTargetVcd;
        (engine.builder.*build)(program, arguments, dvd, output, standard);
        QCOMPARE(TestMedia::run(program, arguments), 0);
        QStringList probed = probeStreams(output, "codec_name,codec_type,width,height,display_aspect_"
                                                  "ratio,r_frame_rate,sample_rate,channels,bit_rate");
        probed.sort(); // sound first, whichever stream the muxer writes first
        QCOMPARE(probed, QStringList({"mp2,audio,44100,2,0/0,224000", video}));

        const double picture = TestMedia::countVideoFrames(output) / rate(video.section(',', 5, 5));
        QVERIFY2(qAbs(picture - 8.0) <= 0.3, qPrintable(QString("8 s title gives %1 s").arg(picture)));
    }

    // The re-mux of the standard clip to Matroska, and the merge of two AVI clips as the merger
    // hands them over (with the FourCC of the first).
    void remuxAndMerge()
    {
        QStringList inputs;
        for (const QString picture : {"testsrc", "testsrc2"}) {
            inputs << TestMedia::clip(QString("merge-%1.avi").arg(inputs.size() + 1),
                                      {"-f", "lavfi", "-i", picture + "=size=320x240:duration=2", "-f",
                                       "lavfi", "-i", "sine=frequency=440:duration=2", "-c:v", "mpeg4",
                                       "-c:a", "libmp3lame", "-b:a", "128k"});
            QVERIFY(!inputs.last().isEmpty());
        }
        MEncoderRecords engine("mencoder");
        const QString remuxed = scratch("copy.mkv"), merged = scratch("merged.avi");
        QString program, error = "stale";
        QStringList remux, merge;
        engine.builder.cliCmdRemux(TestMedia::standardAvi(), remuxed, program, remux, "mkv");
        QCOMPARE(TestMedia::run(program, remux), 0);
        QVERIFY(engine.builder.cliCmdMerge(program, merge, error, inputs, merged, "avi", "FMP4"));
        QVERIFY(error.isEmpty());
        QCOMPARE(TestMedia::run(program, merge), 0);
        for (const auto &[file, frames] : {std::pair{remuxed, 75}, {merged, 100}}) {
            QCOMPARE(probeStreams(file), QStringList({"mpeg4,video", "mp3,audio"}));
            QVERIFY(qAbs(TestMedia::countVideoFrames(file) - frames) <= 3);
            QVERIFY(qAbs(TestMedia::probeDuration(file) - frames / 25.0) < 0.3);
        }
    }

    void runningEncode()
    {
        // The encoder core hands each chunk of a job's standard output to the parser, in whole
        // lines as the job views decode them.
        QString program;
        const QStringList arguments = clipCommand(program, "mp3", TestMedia::folder() + "/p.avi");
        QProcess process;
        int frame = -1, percent = -1, minutesLeft = -1, size = -1, reports = 0;
        double position = -1, fps = -1;
        bool framesOnlyGrow = true;
        QString rest, messages;
        auto read = [&] {
            const int lastFrame = frame;
            if (InterfaceMEncoder::parseProgress(QString::fromUtf8(process.readAllStandardOutput()),
                                                 rest, frame, position, percent, minutesLeft, fps,
                                                 size)) {
                ++reports;
                messages += rest;
                framesOnlyGrow = framesOnlyGrow && frame >= lastFrame;
            }
        };
        connect(&process, &QProcess::readyReadStandardOutput, this, read);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(60000));
        read();
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(reports > 1 && framesOnlyGrow);
        QVERIFY2(frame >= 70 && frame <= 78, qPrintable(QString::number(frame)));
        QVERIFY(position > 2.5 && position < 3.5);
        QVERIFY(percent >= 95 && percent <= 100);
        QCOMPARE(minutesLeft, 0);
        QVERIFY(fps >= 0 && size >= 0); // both written: "0.00fps" and "0mb" on a clip this short
        QVERIFY(messages.contains("MEncoder"));
        // The closing summary ends in line feeds, after the last status line.
        QVERIFY2(messages.contains("Video stream:") && messages.contains("Audio stream:"),
                 qPrintable(messages.right(300)));
    }

    // Test runs of commands as the encoder core makes them: a frame limit in front.
    void commandCheckOnRealRuns_data()
    {
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("works");
        QTest::newRow("Xvid and MP3 in AVI") << "avi" << "xvid" << "mp3" << "" << true;
        QTest::newRow("output folder missing") << "avi" << "xvid" << "mp3" << "/missing" << false;
        QTest::newRow("no FAAC: exits 0, writes nothing") << "avi" << "xvid" << "aac" << "" << false;
        // A trial stops an MPEG job after a few frames: the job's muxer must write them.
        QTest::newRow("MPEG-2 and MP2 in MPEG") << "mpeg" << "mpeg2video" << "mp2" << "" << true;
    }

    void commandCheckOnRealRuns()
    {
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QString, folder);
        QFETCH(bool, works);
        const QString output = (folder.isEmpty() ? TestMedia::folder() : folder) + "/check." + muxer;
        QString program, out;
        const QStringList arguments = clipCommand(program, audio, output, muxer, video);
        const int code = TestMedia::run(program, QStringList{"-frames", "20"} + arguments, &out);
        QCOMPARE(InterfaceMEncoder::parseCommandCheck(out.toUtf8(), QByteArray()), works);
        QCOMPARE(code == 0 && QFileInfo(output).size() > 0, works);
        QFile::remove(output);
    }

    // An AVI whose two audio tracks (22.05 and 44.1 kHz) stand before or after its video: the
    // encode takes the chosen track, which its sampling rate tells.
    void audioTrackOfAvi_data()
    {
        QTest::addColumn<bool>("soundFirst");
        QTest::addColumn<int>("track"); // 0 or 1
        QTest::newRow("video first, second track") << false << 1;
        QTest::newRow("sound first, first track") << true << 0;
        QTest::newRow("sound first, second track") << true << 1;
    }

    void audioTrackOfAvi()
    {
        QFETCH(bool, soundFirst);
        QFETCH(int, track);
        const QString avi = twoTrackClip("avi", soundFirst);
        QVERIFY(!avi.isEmpty());
        MEncoderRecords engine("mencoder");
        engine.job.source = twoTrackSource(avi, soundFirst, track);
        setTarget(engine.job.target, EncoderProfile::LevelUser, "avi", "xvid", {160, 120}, 300, "mp3",
                  0, 64);
        QString program;
        QStringList arguments;
        const QString output = scratch("track-" + QFileInfo(avi).fileName());
        engine.builder.cliCmdEncode(program, arguments, output, 10, 0, 0);
        QCOMPARE(TestMedia::run(program, arguments), 0);
        QCOMPARE(probeStreams(output, "codec_type,sample_rate").filter("audio"),
                 QStringList{track == 0 ? "audio,22050" : "audio,44100"});
    }

    // A DVD title's AC-3 sound copied into an AVI: every picture of the 8 s title once, as
    // long as the sound, and the sound whole from its first frame on.
    void dvdSoundCopiedIntoAvi()
    {
        MEncoderRecords engine("mencoder");
        engine.job.source = dvdSource(TestMedia::dvdFolder());
        setTarget(engine.job.target, EncoderProfile::LevelUser, "avi", "xvid", {624, 352}, 700, "ac3_copy", 0, 0);
        QString program;
        QStringList arguments;
        const QString output = scratch("dvd-ac3-copy.avi");
        engine.builder.cliCmdEncode(program, arguments, output, 0, 0, 0);
        QCOMPARE(TestMedia::run(program, arguments), 0);
        const OutputReport report = probeOutput(output);
        QVERIFY2(qAbs(report.videoFrames - 200) <= 1, qPrintable(QString::number(report.videoFrames)));
        QVERIFY2(qAbs(report.audioSeconds - report.videoSeconds) < 0.3,
                 qPrintable(QString("%1 %2").arg(report.audioSeconds).arg(report.videoSeconds)));
        QString errors;
        TestMedia::run("ffmpeg", {"-v", "error", "-i", output, "-f", "null", "-"}, nullptr, &errors);
        QCOMPARE(errors, QString());
    }

    // Relative names that begin with "-" reach MEncoder as files: the encode's input and the
    // inputs of a merge that the MEncoder engine object builds.
    void dashedFileNames()
    {
        const QString folder = TestMedia::folder();
        QFile::remove(folder + "/-clip.avi");
        QVERIFY(QFile::copy(TestMedia::standardAvi(), folder + "/-clip.avi"));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        MEncoderRecords engine("mencoder");
        engine.job.source = clipSource("-clip.avi");
        setTarget(engine.job.target, EncoderProfile::LevelUser, "avi", "xvid", {320, 240}, 600, "mp3",
                  0, 128);
        QString program, error;
        QStringList arguments;
        const QString encoded = scratch("dashed.avi"), merged = scratch("dashed-merge.avi");
        engine.builder.cliCmdEncode(program, arguments, encoded, 10, 0, 0);
        const int encodeCode = TestMedia::run(program, arguments);
        MEncoder mencoder;
        const bool started = mencoder.startInterface("mencoder", QString());
        mencoder.cliCmdMerge(program, arguments, error, {"-clip.avi", "-clip.avi"}, merged, "avi",
                             "[0][0][0][0]");
        const int mergeCode = TestMedia::run(program, arguments);
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(encodeCode, 0);
        QVERIFY(qAbs(TestMedia::countVideoFrames(encoded) - 10) <= 1);
        QCOMPARE(mergeCode, 0);
        QVERIFY(qAbs(TestMedia::countVideoFrames(merged) - 150) <= 3);
    }
};

VEXO_TEST_CLASS(MEncoderJobsTest)
#include "tst_mencoderjobs.moc"
