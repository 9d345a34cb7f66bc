// The MEncoder builder's vocabulary, its support checks by the tables and by the real engine,
// and the status parser on the installed engine's answer and on answers it must refuse.

#include "mencodertestengine.h"
#include "testregistry.h"

#include <QTest>

class MEncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    void namesInOrder();
    void support_data();
    void support();
    void parseStatus_data();
    void parseStatus();
};

void MEncoderVocabularyTest::namesInOrder()
{
    const InterfaceMEncoder b;
    QCOMPARE(b.supportedMuxers, QStringList({"avi", "mpeg", "lavf", "mpeg_vcd"}));
    QCOMPARE(b.supportedVideoCodecs, QStringList({"copy", "xvid", "frameno", "lavc", "x264"}));
    QCOMPARE(b.supportedAudioCodecs, QStringList({"copy", "faac", "mp3lame", "lavc"}));
    QCOMPARE(b.supportedSubtitleCodecs, QStringList({"inlay"}));
    QVERIFY(b.audioCodecAliases.values("mp3").contains("mp3lame"));

    // The names reached through libavformat and libavcodec keep their listed order.
    QCOMPARE(b.libraryNames.value("muxer").indexOf("RoQ"), 39);
    QCOMPARE(b.libraryNames.value("video").mid(0, 2), QStringList({"dvvideo", "dnxhd"}));
    // The muxer list replaces "lavf" by its formats, sorted with the others.
    const QStringList muxers = b.muxers();
    QCOMPARE(muxers.size(), 56);
    QCOMPARE(muxers.mid(0, 4), QStringList({"3g2", "3gp", "RoQ", "ac3"}));
}

// Each row: the answer of the tables alone, then once the real engine is read (refusals say
// why). The conformance test runs or refuses every pair the same checks give.
void MEncoderVocabularyTest::support_data()
{
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<QString>("video"); // empty for the container or audio check
    QTest::addColumn<QString>("audio"); // empty for the container or video check
    QTest::addColumn<bool>("byTables");
    QTest::addColumn<bool>("byEngine");

    QTest::newRow("mkv through its alias") << "mkv" << "" << "" << true << true;
    QTest::newRow("wmv: alias asf has no row") << "wmv" << "" << "" << false << false;
    QTest::newRow("au: empty row") << "au" << "" << "" << false << false;
    QTest::newRow("lavf: empty rows") << "lavf" << "" << "" << false << false;

    QTest::newRow("avi xvid") << "avi" << "xvid" << "" << true << true;
    QTest::newRow("matroska x264 crashes") << "matroska" << "x264" << "" << true << false;

    QTest::newRow("avi aac_lr through faac") << "avi" << "" << "aac_lr" << true << false;
    QTest::newRow("matroska vorbis by libavcodec") << "matroska" << "" << "vorbis" << true << false;
    QTest::newRow("mpeg mp2 by TwoLAME") << "mpeg" << "" << "mp2" << true << true;
}

void MEncoderVocabularyTest::support()
{
    QFETCH(QString, muxer);
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(bool, byTables);
    QFETCH(bool, byEngine);
    MEncoderTestEngine engine;
    const InterfaceMEncoder &b = engine.builder;
    const auto check = [&](bool engineRead) { // supported, and the refusal is empty just then
        const bool yes = !video.isEmpty() ? b.isVideoCodecSupported(muxer, video)
                         : !audio.isEmpty() ? b.isAudioCodecSupported(muxer, audio)
                                            : b.isMuxerSupported(muxer);
        const QString why = !video.isEmpty() ? b.videoCodecRefusal(muxer, video)
                            : !audio.isEmpty() ? b.audioCodecRefusal(muxer, audio)
                                               : b.muxerRefusal(muxer);
        QCOMPARE(yes, engineRead ? byEngine : byTables);
        if (engineRead && byTables)
            QCOMPARE(why.isEmpty(), byEngine);
    };
    check(false);
    QVERIFY(engine.queryEngine());
    check(true);
}

void MEncoderVocabularyTest::parseStatus_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("ready");
    const QByteArray real = MEncoderTestEngine::helpOutput();
    const int audioSection =
        real.indexOf("Available codecs:", real.indexOf("Available codecs:") + 1);
    QTest::newRow("the installed engine") << real << true;
    QTest::newRow("Windows line ends") << QByteArray(real).replace("\n", "\r\n") << true;
    QTest::newRow("audio and formats missing") << real.left(audioSection) << false;
}

void MEncoderVocabularyTest::parseStatus()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, ready);
    MEncoderTestEngine engine;
    engine.videoCodecs.insert("kept", "from an earlier parse");
    engine.status.stdOut = output;
    engine.status.state = InterfaceStatus::OutputCaptured;
    engine.builder.parseStatus();
    if (!ready) {
        QCOMPARE(engine.status.state, int(InterfaceStatus::ParseFailed));
        QCOMPARE(engine.videoCodecs.keys(), QStringList({"kept"}));
        // An engine that failed its status is not narrowed by engine checks.
        QVERIFY(engine.builder.isAudioCodecSupported("avi", "aac"));
        return;
    }
    QCOMPARE(engine.status.state, int(InterfaceStatus::Ready));
    // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team"
    QCOMPARE(engine.status.signature, QString("MEncoder"));
    QCOMPARE(engine.status.version, QString::fromUtf8(output).section(' ', 1, 1));
    QVERIFY(!engine.status.version.isEmpty());
    // Of the names the builder supports, the Debian build has all but FAAC.
    QCOMPARE(engine.videoCodecs.keys(), QStringList({"copy", "frameno", "lavc", "x264", "xvid"}));
    QCOMPARE(engine.audioCodecs.keys(), QStringList({"copy", "lavc", "mp3lame"}));
    QCOMPARE(engine.muxers.keys(), QStringList({"avi", "lavf", "mpeg"}));
    QCOMPARE(engine.videoCodecs.value("lavc"), QString("libavcodec codecs - best quality!"));
    QCOMPARE(engine.lavcVideo.value("lavc"), engine.builder.libraryNames.value("video"));
    QCOMPARE(engine.lavfMuxers.value("lavf"), engine.builder.libraryNames.value("muxer"));
}

VEXO_TEST_CLASS(MEncoderVocabularyTest)
#include "tst_mencodervocabulary.moc"
