// The MEncoder status query and its parser, on the installed engine's real answer, on
// the same answer with Windows line ends, and on answers it must refuse.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QTest>

class MEncoderStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void queryCommand();
    void realEngine();
    void windowsLineEnds();
    void refusedOutput_data();
    void refusedOutput();
    void parsingAgainGivesTheSameMaps();
};

void MEncoderStatusTest::queryCommand()
{
    MEncoderTestEngine engine;
    engine.builder.setBinary("/opt/mplayer/mencoder");
    QString program = "stale";
    QStringList arguments{"stale"};
    engine.builder.cliCmdGetStatus(program, arguments);
    QCOMPARE(program, QString("/opt/mplayer/mencoder"));
    QCOMPARE(arguments, QStringList({"-ovc", "help", "-oac", "help", "-of", "help"}));

    // A path outside Latin-1 reaches the engine unchanged.
    engine.builder.setBinary(QString::fromUtf8("/home/jürgen/Видео/mencoder"));
    engine.builder.cliCmdGetStatus(program, arguments);
    QCOMPARE(program, QString::fromUtf8("/home/jürgen/Видео/mencoder"));
}

void MEncoderStatusTest::realEngine()
{
    MEncoderTestEngine engine;
    QVERIFY(engine.queryEngine());
    QCOMPARE(engine.status.state, int(InterfaceStatus::Ready));
    // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team"
    const QString banner = QString::fromUtf8(MEncoderTestEngine::helpOutput()).section('\n', 0, 0);
    QCOMPARE(engine.status.signature, QString("MEncoder"));
    QCOMPARE(engine.status.version, banner.section(' ', 1, 1));
    QVERIFY(!engine.status.version.isEmpty());

    // Of the names the builder supports, the Debian build has all but FAAC.
    QCOMPARE(engine.videoCodecs.keys(), QStringList({"copy", "frameno", "lavc", "x264", "xvid"}));
    QCOMPARE(engine.audioCodecs.keys(), QStringList({"copy", "lavc", "mp3lame"}));
    QCOMPARE(engine.muxers.keys(), QStringList({"avi", "lavf", "mpeg"}));
    QCOMPARE(engine.videoCodecs.value("lavc"), QString("libavcodec codecs - best quality!"));
    QVERIFY(engine.subtitleCodecs.isEmpty());
    QCOMPARE(engine.lavcVideo.value("lavc"), engine.builder.libraryNames.value("video"));
    QCOMPARE(engine.lavcAudio.value("lavc"), engine.builder.libraryNames.value("audio"));
    QCOMPARE(engine.lavfMuxers.value("lavf"), engine.builder.libraryNames.value("muxer"));
}

void MEncoderStatusTest::windowsLineEnds()
{
    MEncoderTestEngine engine;
    QByteArray output = MEncoderTestEngine::helpOutput();
    output.replace("\n", "\r\n");
    engine.status.stdOut = output;
    engine.status.state = InterfaceStatus::OutputCaptured;
    engine.builder.parseStatus();
    QCOMPARE(engine.status.state, int(InterfaceStatus::Ready));
    QCOMPARE(engine.audioCodecs.keys(), QStringList({"copy", "lavc", "mp3lame"}));
    QCOMPARE(engine.audioCodecs.value("mp3lame"), QString("cbr/abr/vbr MP3 using libmp3lame"));
}

void MEncoderStatusTest::refusedOutput_data()
{
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<QByteArray>("output");

    const QByteArray real = MEncoderTestEngine::helpOutput();
    QString ffmpeg;
    TestMedia::run("ffmpeg", {"-version"}, &ffmpeg);
    QTest::newRow("not captured") << 0 << real;
    QTest::newRow("already ready") << 3 << real;
    QTest::newRow("another program") << 1 << ffmpeg.toUtf8();
    QTest::newRow("banner without sections")
        << 1 << QByteArray("MEncoder 1.0rc2 (C) 2000-2007 MPlayer Team\n\nExiting...\n");
    QByteArray videoOnly = real.left(real.indexOf("Available codecs:", real.indexOf("Available codecs:") + 1));
    QTest::newRow("audio and formats missing") << 1 << videoOnly;
    QTest::newRow("empty") << 1 << QByteArray();
}

void MEncoderStatusTest::refusedOutput()
{
    QFETCH(int, stateBefore);
    QFETCH(QByteArray, output);
    MEncoderTestEngine engine;
    engine.videoCodecs.insert("kept", "from an earlier reset");
    engine.status.stdOut = output;
    engine.status.state = stateBefore;
    engine.builder.parseStatus();
    QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
    QCOMPARE(engine.videoCodecs.keys(), QStringList({"kept"}));
    QVERIFY(engine.muxers.isEmpty());
    // An engine that failed its status is not narrowed by engine checks.
    QVERIFY(engine.builder.isAudioCodecSupported("avi", "aac"));
}

void MEncoderStatusTest::parsingAgainGivesTheSameMaps()
{
    MEncoderTestEngine engine;
    QVERIFY(engine.queryEngine());
    const auto video = engine.videoCodecs;
    const auto lavf = engine.lavfMuxers;
    engine.videoCodecs.insert("stale", "entry");
    QVERIFY(engine.queryEngine());
    QCOMPARE(engine.videoCodecs, video);
    QCOMPARE(engine.lavfMuxers, lavf);
}

VEXO_TEST_CLASS(MEncoderStatusTest)
#include "tst_mencoderstatus.moc"
