// The FFmpeg commands run on the installed engine: disc targets, stream copies, H.264 from
// a 4:4:4 source, awkward file names; the progress reader and the command check on the
// engine's real output.

#include "buildertesting.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

// ffprobe's "codec|type|width|height|pix_fmt" or "codec|type|sampling rate" of each
// stream, then the format; with the display aspect ratio after the height when asked.
QStringList streams(const QString &path, bool aspect = false)
{
    QString out;
    const QString ratio = aspect ? "display_aspect_ratio," : "";
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries",
                               "stream=codec_name,codec_type,width,height," + ratio
                                   + "sample_rate,pix_fmt:format=format_name",
                               "-of", "compact=p=0:nk=1", path}, &out);
    QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    static const QRegularExpression emptySideData("\\|+$");
    return lines.replaceInStrings(emptySideData, QString());
}

// Runs a command of the builder; returns its standard error.
QByteArray runCommand(const QString &program, const QStringList &arguments,
                      const QString &folder = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardError();
}

QString output(const QString &name) { return TestMedia::scratch("ffmpeg-jobs", name); }

} // namespace

class FFmpegJobsTest : public QObject
{
    Q_OBJECT

private slots:
    void command_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected"); // ffprobe's lines, the streams then the format
        InterfaceFFmpeg builder;
        builder.init("ffmpeg", nullptr, nullptr, nullptr);
        const QString clip = TestMedia::standardAvi(), mp4 = TestMedia::standardMp4();
        QString program;
        QStringList list;
        auto row = [&](const char *name, const QStringList &expected) {
            QTest::newRow(name) << list << expected;
        };
        builder.cliCmdTargetVcd(program, list, clip, output("vcd.mpg"), "PAL");
        row("PAL VideoCD", {"mpeg1video|video|352|288|yuv420p", "mp2|audio|44100", "mpeg"});
        builder.cliCmdTargetSvcd(program, list, clip, output("svcd.mpg"), "PAL");
        row("PAL Super VideoCD", {"mpeg2video|video|480|576|yuv420p", "mp2|audio|44100", "mpeg"});
        builder.cliCmdRemux(clip, output("remux.mkv"), program, list);
        row("re-mux", {"mpeg4|video|320|240|yuv420p", "mp3|audio|44100", "matroska,webm"});
        builder.cliCmdEncode(program, list, mp4, output("aspect.mp4"), 1.778);
        row("aspect correction", {"h264|video|320|240|16:9|yuv420p", "aac|audio|44100",
                                  "mov,mp4,m4a,3gp,3g2,mj2"});
        builder.cliCmdEncode(program, list, clip, output("audio.mp3"));
        row("audio extraction", {"mp3|audio|44100", "mp3"});

        // H.264 from an RGB source, and awkward names on both sides.
        const QString rgb = TestMedia::clip("-rgb 'a,b:é'.mov",
            {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-pix_fmt", "rgb24",
             "-vcodec", "qtrle"});
        FFmpegRecords engine("ffmpeg");
        engine.job.source = clipSource(rgb);
        engine.job.source.noAudio = true;
        setTarget(engine.job.target, EncoderProfile::LevelUser, "mp4", "x264", {320, 240}, 300,
                  "noaudio", 0, 0);
        engine.job.target.video.profile = "x264_main";
        engine.builder.cliCmdEncode(program, list, output("-h264 'a,b:é'.mp4"), 0, 0);
        row("H.264 main from RGB, awkward names", {"h264|video|320|240|4:3|yuv420p",
                                                   "mov,mp4,m4a,3gp,3g2,mj2"});
    }

    void command()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        runCommand("ffmpeg", arguments);
        QString file = arguments.last();
        QCOMPARE(streams(file.startsWith("./") ? file.mid(2) : file, arguments.contains("-aspect")),
                 expected);
    }

    // A file whose two audio tracks (22.05 and 44.1 kHz) stand before or after its video:
    // the encode takes the track chosen in the player, which its sampling rate tells.
    void chosenAudioTrack_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<bool>("soundFirst");
        QTest::addColumn<int>("track");
        QTest::newRow("AVI, video first, second track") << "avi" << false << 1;
        QTest::newRow("AVI, sound first, second track") << "avi" << true << 1;
        QTest::newRow("AVI, sound first, first track") << "avi" << true << 0;
        QTest::newRow("Matroska, second track") << "mkv" << false << 1;
        QTest::newRow("MP4, second track") << "mp4" << false << 1;
    }
    void chosenAudioTrack()
    {
        QFETCH(QString, container);
        QFETCH(bool, soundFirst);
        QFETCH(int, track);
        const QString clip = twoTrackClip(container, soundFirst);
        QVERIFY(!clip.isEmpty());
        FFmpegRecords engine("ffmpeg");
        engine.job.source = twoTrackSource(clip, soundFirst, track);
        setTarget(engine.job.target, EncoderProfile::LevelUser, "matroska", "x264", {160, 120}, 300,
                  "vorbis", 0, 64);
        QString program;
        QStringList arguments;
        const QString encoded = output("track-" + QFileInfo(clip).completeBaseName() + "-" + container + ".mkv");
        engine.builder.cliCmdEncode(program, arguments, encoded, 0, 0);
        runCommand(program, arguments);
        QCOMPARE(streams(encoded).filter("audio"), QStringList{track == 0 ? "vorbis|audio|22050" : "vorbis|audio|44100"});
    }

    void relativeNamesWithColonOrDash()
    {
        const QString folder = output("");
        QFile::copy(TestMedia::standardAvi(), folder + "in:1.avi");
        InterfaceFFmpeg builder;
        builder.init("ffmpeg", nullptr, nullptr, nullptr);
        QString program;
        QStringList arguments;
        builder.cliCmdEncode(program, arguments, "in:1.avi", "-out:1.mp3");
        runCommand(program, arguments, folder);
        QCOMPARE(streams(folder + "-out:1.mp3"), (QStringList{"mp3|audio|44100", "mp3"}));
    }

    void progressOfRealRun()
    {
        FFmpegRecords engine("ffmpeg");
        engine.job.source = clipSource(TestMedia::standardAvi());
        setTarget(engine.job.target, 2, "avi", "xvid", {320, 240}, 400, "mp3", 44100, 128);
        QString program;
        QStringList arguments;
        const QString encoded = output("progress.avi");
        engine.builder.cliCmdEncode(program, arguments, encoded, 0, 0);
        const QByteArray stdErr = runCommand(program, arguments);

        // Chunks as a running job delivers them: each status update, each message line.
        int frame = -1, percent = -1, minutesLeft = -1, size = -1, statusChunks = 0;
        double position = -1, fps = -1;
        QString rest, console;
        for (const QByteArray &chunk : stdErr.split('\r')) {
            const int before = frame;
            if (InterfaceFFmpeg::parseProgress(QString::fromUtf8(chunk) + '\n', rest, frame, position,
                                               percent, minutesLeft, fps, size))
                console += rest;
            statusChunks += frame != before;
        }
        // The last status counts every picture written (the clip's 75, and any repeated to
        // keep an AVI's rate).
        QVERIFY2(statusChunks > 0 && frame == TestMedia::countVideoFrames(encoded) && frame >= 75,
                 qPrintable(QString::number(frame)));
        QVERIFY2(qAbs(position - 3.0) < 0.1, qPrintable(QString::number(position)));
        QVERIFY(size > 10 && fps >= 0.0);
        QCOMPARE(percent, 100);
        QVERIFY(console.contains("Input #0, avi") && !console.contains("frame="));
    }

    void commandCheckOfRealRuns()
    {
        FFmpegRecords engine("ffmpeg");
        engine.job.source = clipSource(TestMedia::standardAvi());
        setTarget(engine.job.target, EncoderProfile::LevelUser, "3gp", "h263", {176, 144}, 200,
                  "aac_lr", 0, 64);
        QString program;
        QStringList arguments;
        engine.builder.cliCmdEncode(program, arguments, output("check.3gp"), 50, 0);
        arguments.insert(arguments.size() - 1, "-fs"); // the encoder core's test run
        arguments.insert(arguments.size() - 1, "100000");
        QVERIFY(InterfaceFFmpeg::parseCommandCheck({}, runCommand(program, arguments)));

        QStringList classic = arguments; // H.263 as the classic command wrote it
        classic.replace(classic.indexOf("+aic"), "+obmc+aic");
        QVERIFY(!InterfaceFFmpeg::parseCommandCheck({}, runCommand(program, classic)));

        arguments.last() = "/dev/full"; // encodes, then cannot write: exit code 0 all the same
        arguments.insert(arguments.size() - 1, "-f");
        arguments.insert(arguments.size() - 1, "3gp");
        QVERIFY(!InterfaceFFmpeg::parseCommandCheck({}, runCommand(program, arguments)));
    }
};

VEXO_TEST_CLASS(FFmpegJobsTest)
#include "tst_ffmpegjobs.moc"
