// The MEncoder status parser on the installed engine's real answer to the status query, on
// the same answer with Windows line ends, and on answers it must refuse.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QTest>

class MEncoderStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void parseStatus_data();
    void parseStatus();
};

void MEncoderStatusTest::parseStatus_data()
{
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("ready");

    const int captured = InterfaceStatus::OutputCaptured;
    const QByteArray real = MEncoderTestEngine::helpOutput();
    QString ffmpeg;
    TestMedia::run("ffmpeg", {"-version"}, &ffmpeg);
    const int audioSection =
        real.indexOf("Available codecs:", real.indexOf("Available codecs:") + 1);
    QTest::newRow("the installed engine") << captured << real << true;
    QTest::newRow("Windows line ends")
        << captured << QByteArray(real).replace("\n", "\r\n") << true;
    QTest::newRow("not captured") << int(InterfaceStatus::Reset) << real << false;
    QTest::newRow("another program") << captured << ffmpeg.toUtf8() << false;
    QTest::newRow("banner without sections")
        << captured << QByteArray("MEncoder 1.0rc2 (C) 2000-2007 MPlayer Team\n\nExiting...\n")
        << false;
    QTest::newRow("audio and formats missing") << captured << real.left(audioSection) << false;
}

void MEncoderStatusTest::parseStatus()
{
    QFETCH(int, stateBefore);
    QFETCH(QByteArray, output);
    QFETCH(bool, ready);
    MEncoderTestEngine engine;
    engine.videoCodecs.insert("kept", "from an earlier parse");
    engine.status.stdOut = output;
    engine.status.state = stateBefore;
    engine.builder.parseStatus();
    if (!ready) {
        QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
        QCOMPARE(engine.videoCodecs.keys(), QStringList({"kept"}));
        QVERIFY(engine.muxers.isEmpty());
        // An engine that failed its status is not narrowed by engine checks.
        QVERIFY(engine.builder.isAudioCodecSupported("avi", "aac"));
        return;
    }
    QCOMPARE(engine.status.state, int(InterfaceStatus::Ready));
    // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team"
    const QString banner = QString::fromUtf8(output).section('\n', 0, 0);
    QCOMPARE(engine.status.signature, QString("MEncoder"));
    QCOMPARE(engine.status.version, banner.section(' ', 1, 1));
    QVERIFY(!engine.status.version.isEmpty());
    // Of the names the builder supports, the Debian build has all but FAAC.
    QCOMPARE(engine.videoCodecs.keys(), QStringList({"copy", "frameno", "lavc", "x264", "xvid"}));
    QCOMPARE(engine.audioCodecs.keys(), QStringList({"copy", "lavc", "mp3lame"}));
    QCOMPARE(engine.muxers.keys(), QStringList({"avi", "lavf", "mpeg"}));
    QCOMPARE(engine.videoCodecs.value("lavc"), QString("libavcodec codecs - best quality!"));
    QCOMPARE(engine.audioCodecs.value("mp3lame"), QString("cbr/abr/vbr MP3 using libmp3lame"));
    QVERIFY(engine.subtitleCodecs.isEmpty());
    QCOMPARE(engine.lavcVideo.value("lavc"), engine.builder.libraryNames.value("video"));
    QCOMPARE(engine.lavcAudio.value("lavc"), engine.builder.libraryNames.value("audio"));
    QCOMPARE(engine.lavfMuxers.value("lavf"), engine.builder.libraryNames.value("muxer"));
}

VEXO_TEST_CLASS(MEncoderStatusTest)
#include "tst_mencoderstatus.moc"
