// The readers of MEncoder's output: the progress parser on status lines as today's
// MEncoder prints them (ended by a carriage return) and on a real running encode, and
// the command check on the outputs of real runs that work and that fail.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QProcess>
#include <QTest>

namespace {

struct Progress
{
    int frame = -1;
    double position = -1;
    int percent = -1;
    int minutesLeft = -1;
    double fps = -1;
    int size = -7;
};

} // namespace

class MEncoderProgressTest : public QObject
{
    Q_OBJECT

private slots:
    void parseProgress_data();
    void parseProgress();
    void runningEncode();
    void commandCheck_data();
    void commandCheck();
    void commandCheckOnRealRuns_data();
    void commandCheckOnRealRuns();
};

void MEncoderProgressTest::parseProgress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("percent");
    QTest::addColumn<double>("fps");
    QTest::addColumn<int>("minutesLeft");

    // Status lines as MEncoder UNKNOWN-12 prints them.
    QTest::newRow("one status line")
        << "Pos:   2.9s     73f (92%)  0.00fps Trem:   0min   0mb  A-V:0.078 [0:0]\r" << true
        << "" << 2.9 << 73 << 92 << 0.0 << 0;
    QTest::newRow("the last of several status lines counts")
        << "Pos:   0.2s      6f ( 9%)  0.00fps Trem:   0min   0mb  A-V:0.020 [0:0]\r"
           "Pos: 125.4s   3135f (45%) 87.50fps Trem:   2min  61mb  A-V:0.004 [1152:224]\r"
        << true << "" << 125.4 << 3135 << 45 << 87.5 << 2;
    QTest::newRow("messages before and between status lines go to the rest")
        << "\n\n1 duplicate frame(s)!\r"
           "Pos:   0.4s     10f (12%)  0.00fps Trem:   0min   0mb  A-V:0.036 [0:0]\r"
           "Skipping frame!\r"
           "Pos:   0.5s     12f (14%) 24.10fps Trem:   1min   0mb  A-V:0.044 [0:0]\r"
        << true << "\n\n1 duplicate frame(s)!Skipping frame!" << 0.5 << 12 << 14 << 24.1 << 1;
    QTest::newRow("a message ended by a line feed hides the status line behind it")
        << "Writing header...\nPos:   1.0s     25f (33%)  9.00fps Trem:   0min   0mb\r" << true
        << "Writing header...\nPos:   1.0s     25f (33%)  9.00fps Trem:   0min   0mb" << -1.0
        << -1 << -1 << -1.0 << -1;
    QTest::newRow("only messages") << "Flushing video frames.\r\r" << true
                                   << "Flushing video frames." << -1.0 << -1 << -1 << -1.0 << -1;
    QTest::newRow("no carriage return, however long")
        << "Pos:   2.9s     73f (92%)  0.00fps Trem:   0min   0mb  A-V:0.078 [0:0]\n"
           + QString("Video stream:  923.200 kbit/s\n").repeated(40)
        << false << "untouched" << -1.0 << -1 << -1 << -1.0 << -1;
    QTest::newRow("text after the last carriage return is dropped")
        << "Pos:   1.2s     30f (40%) 30.00fps Trem:   0min   0mb\rPos:   1.3s   "
        << true << "" << 1.2 << 30 << 40 << 30.0 << 0;
    QTest::newRow("percent written with blanks")
        << "Pos:   0.0s      1f (  0%)  0.00fps Trem:   0min   0mb  A-V:0.000 [0:0]\r" << true
        << "" << 0.0 << 1 << 0 << 0.0 << 0;
    QTest::newRow("empty") << "" << false << "untouched" << -1.0 << -1 << -1 << -1.0 << -1;
}

void MEncoderProgressTest::parseProgress()
{
    QFETCH(QString, text);
    QFETCH(bool, reported);
    QFETCH(QString, rest);
    QFETCH(double, position);
    QFETCH(int, frame);
    QFETCH(int, percent);
    QFETCH(double, fps);
    QFETCH(int, minutesLeft);

    Progress p;
    QString got = "untouched";
    QCOMPARE(InterfaceMEncoder::parseProgress(text, got, p.frame, p.position, p.percent,
                                              p.minutesLeft, p.fps, p.size),
             reported);
    QCOMPARE(got, rest);
    QCOMPARE(p.position, position);
    QCOMPARE(p.frame, frame);
    QCOMPARE(p.percent, percent);
    QCOMPARE(p.fps, fps);
    QCOMPARE(p.minutesLeft, minutesLeft);
    QCOMPARE(p.size, -7);
}

void MEncoderProgressTest::runningEncode()
{
    // The encoder core hands each piece of a job's standard output to the parser.
    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::clipSource(TestMedia::standardAvi());
    engine.job.target.muxer = "avi";
    engine.job.target.video.codec = "xvid";
    engine.job.target.video.pictureSize = {320, 240};
    engine.job.target.video.bitrate = 600;
    engine.job.target.audio.codec = "mp3";
    engine.job.target.audio.bitrate = 128;
    QString program;
    QStringList arguments;
    engine.builder.cliCmdEncode(program, arguments, TestMedia::folder() + "/progress.avi", 0, 0,
                                0);

    QProcess process;
    Progress p;
    int reports = 0;
    int lastFrame = -1;
    bool framesOnlyGrow = true;
    QString rest;
    QString messages;
    QByteArray pending;
    auto read = [&] {
        // Whole lines only, as the job views decode them.
        pending += process.readAllStandardOutput();
        const int end = pending.lastIndexOf('\r');
        if (end < 0)
            return;
        const QString text = QString::fromUtf8(pending.left(end + 1));
        pending.remove(0, end + 1);
        if (InterfaceMEncoder::parseProgress(text, rest, p.frame, p.position, p.percent,
                                             p.minutesLeft, p.fps, p.size)) {
            ++reports;
            messages += rest;
            framesOnlyGrow = framesOnlyGrow && p.frame >= lastFrame;
            lastFrame = p.frame;
        }
    };
    connect(&process, &QProcess::readyReadStandardOutput, this, read);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(60000));
    read();
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(reports > 1);
    QVERIFY(framesOnlyGrow);
    QVERIFY2(p.frame >= 70 && p.frame <= 78, qPrintable(QString::number(p.frame)));
    QVERIFY(p.position > 2.5 && p.position < 3.5);
    QVERIFY(p.percent >= 95 && p.percent <= 100);
    QVERIFY(p.fps >= 0);
    QCOMPARE(p.minutesLeft, 0);
    QCOMPARE(p.size, -7);
    QVERIFY(messages.contains("MEncoder"));
}

void MEncoderProgressTest::commandCheck_data()
{
    QTest::addColumn<QByteArray>("stdOut");
    QTest::addColumn<bool>("works");

    QTest::newRow("status lines") << QByteArray("MEncoder UNKNOWN-12\nPos:   0.9s     23f (30%)  0.00fps Trem:   0min   0mb  A-V:0.092 [0:0]\r") << true;
    QTest::newRow("any letter case") << QByteArray("POS:   0.9S     23F (30%)  0.00FPS\r") << true;
    QTest::newRow("no status line") << QByteArray("MEncoder UNKNOWN-12\nCannot open output file 'x.avi'.\n\nExiting...\n") << false;
    QTest::newRow("marker without a position") << QByteArray("Pos:s f %fps\r") << false;
    QTest::newRow("ended and summed up")
        << QByteArray("Pos:   0.9s     23f (30%)  0.00fps\r\n\nFlushing video frames.\nWriting index...\n\nVideo stream:  900.000 kbit/s  (112500 B/s)  size: 4500 bytes  0.040 secs  25 frames\n")
        << true;
    QTest::newRow("died while closing the file")
        << QByteArray("Pos:   0.8s     20f (32%)  0.00fps Trem:   0min   0mb  A-V:0.076 [0:0]\r\n\nFlushing video frames.\nVIDEO CODEC ID: 27\nWriting header...\n")
        << false;
    QTest::newRow("killed while encoding")
        << QByteArray("Pos:   0.8s     20f (32%)  0.00fps Trem:   0min   0mb  A-V:0.076 [0:0]\r") << true;
    QTest::newRow("empty") << QByteArray() << false;
}

void MEncoderProgressTest::commandCheck()
{
    QFETCH(QByteArray, stdOut);
    QFETCH(bool, works);
    QCOMPARE(InterfaceMEncoder::parseCommandCheck(stdOut, QByteArray("Pos: 1.0s 1f (1%) 1fps")),
             works);
}

// Test runs of commands as the encoder core makes them: a frame limit in front.
void MEncoderProgressTest::commandCheckOnRealRuns_data()
{
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("audio");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("works");

    QTest::newRow("Xvid and MP3 in AVI") << "avi" << "xvid" << "mp3" << "" << true;
    QTest::newRow("MPEG-4 without audio in MP4") << "mp4" << "mpeg4" << "noaudio" << "" << true;
    QTest::newRow("output folder missing") << "avi" << "xvid" << "mp3" << "/missing" << false;
    QTest::newRow("FAAC not built in") << "avi" << "xvid" << "aac" << "" << false;
    QTest::newRow("libavcodec audio fails") << "avi" << "xvid" << "vorbis" << "" << false;
    QTest::newRow("H.264 in Matroska crashes") << "matroska" << "x264" << "mp3" << "" << false;
}

void MEncoderProgressTest::commandCheckOnRealRuns()
{
    QFETCH(QString, muxer);
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(QString, folder);
    QFETCH(bool, works);

    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::clipSource(TestMedia::standardAvi());
    engine.job.target.muxer = muxer;
    engine.job.target.video.codec = video;
    engine.job.target.video.pictureSize = {320, 240};
    engine.job.target.video.bitrate = 600;
    engine.job.target.audio.codec = audio;
    engine.job.target.audio.bitrate = 128;
    const QString output = (folder.isEmpty() ? TestMedia::folder() : folder) + "/check." + muxer;
    QString program;
    QStringList arguments;
    engine.builder.cliCmdEncode(program, arguments, output, 0, 0, 0);
    QString out;
    const int code = TestMedia::run(program, QStringList{"-frames", "20"} + arguments, &out);
    QCOMPARE(InterfaceMEncoder::parseCommandCheck(out.toUtf8(), QByteArray()), works);
    QCOMPARE(code == 0 && QFileInfo(output).size() > 0, works);
    QFile::remove(output);
}

VEXO_TEST_CLASS(MEncoderProgressTest)
#include "tst_mencoderprogress.moc"
