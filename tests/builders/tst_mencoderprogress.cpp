// The readers of MEncoder's output: the progress parser on status lines as today's MEncoder
// prints them (ended by a carriage return) and on a real running encode, and the command
// check on the outputs of real runs that work and that fail.

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
    int size = -7; // never written

    bool parse(const QString &text, QString &rest)
    {
        return InterfaceMEncoder::parseProgress(text, rest, frame, position, percent, minutesLeft,
                                                fps, size);
    }
    // "position frame percent fps minutes-left", -1 where nothing was read.
    QString values() const
    {
        return QString::asprintf("%g %d %d %g %d", position, frame, percent, fps, minutesLeft);
    }
};

// The standard clip into the given container and codecs; the command with its output.
QStringList clipCommand(QString &program, const QString &muxer, const QString &video,
                        const QString &audio, const QString &output)
{
    MEncoderTestEngine engine;
    engine.job.source = MEncoderTestEngine::clipSource(TestMedia::standardAvi());
    setTarget(engine.job.target, EncoderProfile::LevelUser, muxer, video, {320, 240}, 600, audio,
              0, 128);
    QStringList arguments;
    engine.builder.cliCmdEncode(program, arguments, output, 0, 0, 0);
    return arguments;
}

} // namespace

class MEncoderProgressTest : public QObject
{
    Q_OBJECT

private slots:
    void parseProgress_data();
    void parseProgress();
    void runningEncode();
    void commandCheckOnRealRuns_data();
    void commandCheckOnRealRuns();
};

void MEncoderProgressTest::parseProgress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("values");
    const QString none = "-1 -1 -1 -1 -1";

    // Status lines as MEncoder UNKNOWN-12 prints them.
    QTest::newRow("one status line")
        << "Pos:   2.9s     73f (92%)  0.00fps Trem:   0min   0mb  A-V:0.078 [0:0]\r" << true
        << "" << "2.9 73 92 0 0";
    QTest::newRow("the last status line counts, messages go to the rest")
        << "\n\n1 duplicate frame(s)!\r"
           "Pos:   0.4s     10f (12%)  0.00fps Trem:   0min   0mb  A-V:0.036 [0:0]\r"
           "Skipping frame!\r"
           "Pos: 125.4s   3135f (45%) 87.50fps Trem:   2min  61mb  A-V:0.004 [1152:224]\r"
        << true << "\n\n1 duplicate frame(s)!Skipping frame!" << "125.4 3135 45 87.5 2";
    QTest::newRow("a message ended by a line feed hides the status line behind it")
        << "Writing header...\nPos:   1.0s     25f (33%)  9.00fps Trem:   0min   0mb\r" << true
        << "Writing header...\nPos:   1.0s     25f (33%)  9.00fps Trem:   0min   0mb" << none;
    QTest::newRow("no carriage return, however long")
        << "Pos:   2.9s     73f (92%)  0.00fps Trem:   0min   0mb  A-V:0.078 [0:0]\n"
               + QString("Video stream:  923.200 kbit/s\n").repeated(40)
        << false << "untouched" << none;
    QTest::newRow("percent with blanks; text after the last carriage return is dropped")
        << "Pos:   0.0s      1f (  0%)  0.00fps Trem:   0min   0mb  A-V:0.000 [0:0]\rPos:   1.3s"
        << true << "" << "0 1 0 0 0";
}

void MEncoderProgressTest::parseProgress()
{
    QFETCH(QString, text);
    QFETCH(bool, reported);
    QFETCH(QString, rest);
    QFETCH(QString, values);
    Progress p;
    QString got = "untouched";
    QCOMPARE(p.parse(text, got), reported);
    QCOMPARE(got, rest);
    QCOMPARE(p.values(), values);
    QCOMPARE(p.size, -7);
}

void MEncoderProgressTest::runningEncode()
{
    // The encoder core hands each chunk of a job's standard output to the parser, in whole
    // lines as the job views decode them.
    QString program;
    const QStringList arguments = clipCommand(program, "avi", "xvid", "mp3",
                                              TestMedia::folder() + "/progress.avi");
    QProcess process;
    Progress p;
    int reports = 0;
    bool framesOnlyGrow = true;
    QString rest, messages;
    QByteArray pending;
    auto read = [&] {
        pending += process.readAllStandardOutput();
        const int end = pending.lastIndexOf('\r');
        if (end < 0)
            return;
        const int lastFrame = p.frame;
        if (p.parse(QString::fromUtf8(pending.left(end + 1)), rest)) {
            ++reports;
            messages += rest;
            framesOnlyGrow = framesOnlyGrow && p.frame >= lastFrame;
        }
        pending.remove(0, end + 1);
    };
    connect(&process, &QProcess::readyReadStandardOutput, this, read);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(60000));
    read();
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(reports > 1);
    QVERIFY(framesOnlyGrow);
    QVERIFY2(p.frame >= 70 && p.frame <= 78, qPrintable(p.values()));
    QVERIFY(p.position > 2.5 && p.position < 3.5);
    QVERIFY(p.percent >= 95 && p.percent <= 100);
    QVERIFY(p.fps >= 0);
    QCOMPARE(p.minutesLeft, 0);
    QVERIFY(messages.contains("MEncoder"));
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
    QTest::newRow("output folder missing") << "avi" << "xvid" << "mp3" << "/missing" << false;
    QTest::newRow("no FAAC: exits 0, writes nothing") << "avi" << "xvid" << "aac" << "" << false;
    QTest::newRow("H.264 in Matroska crashes") << "matroska" << "x264" << "mp3" << "" << false;
}

void MEncoderProgressTest::commandCheckOnRealRuns()
{
    QFETCH(QString, muxer);
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(QString, folder);
    QFETCH(bool, works);
    const QString output = (folder.isEmpty() ? TestMedia::folder() : folder) + "/check." + muxer;
    QString program, out;
    const QStringList arguments = clipCommand(program, muxer, video, audio, output);
    const int code = TestMedia::run(program, QStringList{"-frames", "20"} + arguments, &out);
    QCOMPARE(InterfaceMEncoder::parseCommandCheck(out.toUtf8(), QByteArray()), works);
    QCOMPARE(code == 0 && QFileInfo(output).size() > 0, works);
    QFile::remove(output);
}

VEXO_TEST_CLASS(MEncoderProgressTest)
#include "tst_mencoderprogress.moc"
