// The MEncoder builder's vocabulary and support checks: the tables alone (no engine read
// yet) and narrowed by what the installed MEncoder reports and can do.

#include "mencodertestengine.h"
#include "testregistry.h"

#include <QTest>

class MEncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    void namesInOrder();
    void muxersReplaceLavfBySortedFormats();
    void support_data();
    void support();
};

void MEncoderVocabularyTest::namesInOrder()
{
    const InterfaceMEncoder builder;
    QCOMPARE(builder.supportedMuxers, QStringList({"avi", "mpeg", "lavf", "mpeg_vcd"}));
    QCOMPARE(builder.supportedVideoCodecs,
             QStringList({"copy", "xvid", "frameno", "lavc", "x264"}));
    QCOMPARE(builder.supportedAudioCodecs, QStringList({"copy", "faac", "mp3lame", "lavc"}));
    QCOMPARE(builder.supportedSubtitleCodecs, QStringList({"inlay"}));
    QVERIFY(builder.audioCodecAliases.values("mp3").contains("mp3lame"));

    // The names reached through libavformat and libavcodec, in the listed order, not sorted.
    const QStringList muxers = builder.libraryNames.value("muxer");
    QCOMPARE(muxers.size(), 53);
    QCOMPARE(muxers.first(), QString("3g2"));
    QCOMPARE(muxers.indexOf("RoQ"), 39);
    QCOMPARE(muxers.last(), QString("webm"));
    const QStringList video = builder.libraryNames.value("video");
    QCOMPARE(video.size(), 28);
    QCOMPARE(video.mid(0, 2), QStringList({"dvvideo", "dnxhd"}));
    QCOMPARE(video.last(), QString("wmv2"));
    const QStringList audio = builder.libraryNames.value("audio");
    QCOMPARE(audio.size(), 20);
    QCOMPARE(audio.first(), QString("adpcm_ima_qt"));
    QCOMPARE(audio.last(), QString("wmav2"));
    QVERIFY(builder.libraryNames.value("subtitle").isEmpty());
}

void MEncoderVocabularyTest::muxersReplaceLavfBySortedFormats()
{
    InterfaceMEncoder builder;
    const QStringList muxers = builder.muxers();
    QCOMPARE(muxers.size(), 56);
    QVERIFY(!muxers.contains("lavf"));
    QCOMPARE(muxers.count("avi"), 2);
    QCOMPARE(muxers.mid(0, 4), QStringList({"3g2", "3gp", "RoQ", "ac3"}));
    QStringList sorted = muxers;
    sorted.sort(Qt::CaseSensitive);
    QCOMPARE(muxers, sorted);

    builder.libraryNames["muxer"].clear();
    QCOMPARE(builder.muxers(), QStringList({"avi", "mpeg", "mpeg_vcd"}));
}

// Each row: the answer of the tables alone, then the answer once the real engine is read;
// every case the engine refuses must say why.
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
    QTest::newRow("mp3: audio row only") << "mp3" << "" << "" << true << true;
    QTest::newRow("psp needs AAC") << "psp" << "" << "" << true << false;

    QTest::newRow("avi xvid") << "avi" << "xvid" << "" << true << true;
    QTest::newRow("mkv: container not resolved") << "mkv" << "xvid" << "" << false << false;
    QTest::newRow("matroska x264 crashes") << "matroska" << "x264" << "" << true << false;
    QTest::newRow("mov x264_lr through libx264") << "mov" << "x264_lr" << "" << true << true;
    QTest::newRow("mp4 h263 has no tag") << "mp4" << "h263" << "" << true << false;
    QTest::newRow("ogg theora: no encoder") << "ogg" << "theora" << "" << true << false;
    QTest::newRow("mp4 libx264 does not open") << "mp4" << "libx264" << "" << true << false;
    QTest::newRow("ipod copy video") << "ipod" << "copy" << "" << true << false;
    QTest::newRow("mov copy video") << "mov" << "copy" << "" << true << true;

    QTest::newRow("avi aac_lr through faac") << "avi" << "" << "aac_lr" << true << false;
    QTest::newRow("avi mp3") << "avi" << "" << "mp3" << true << true;
    QTest::newRow("matroska vorbis by libavcodec") << "matroska" << "" << "vorbis" << true << false;
    QTest::newRow("matroska mp2 mislabelled") << "matroska" << "" << "mp2" << true << false;
    QTest::newRow("mpeg mp2 by TwoLAME") << "mpeg" << "" << "mp2" << true << true;
    QTest::newRow("mpeg pcm unreadable") << "mpeg" << "" << "pcm" << true << false;
    QTest::newRow("wav adpcm by libavcodec") << "wav" << "" << "adpcm_ima_wav" << true << false;
    QTest::newRow("ipod copy audio") << "ipod" << "" << "copy" << true << false;
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
    const auto supported = [&] {
        return !video.isEmpty() ? b.isVideoCodecSupported(muxer, video)
               : !audio.isEmpty() ? b.isAudioCodecSupported(muxer, audio)
                                  : b.isMuxerSupported(muxer);
    };
    const auto refusal = [&] {
        return !video.isEmpty() ? b.videoCodecRefusal(muxer, video)
               : !audio.isEmpty() ? b.audioCodecRefusal(muxer, audio)
                                  : b.muxerRefusal(muxer);
    };
    QCOMPARE(supported(), byTables);
    QVERIFY(engine.queryEngine());
    QCOMPARE(supported(), byEngine);
    if (byTables)
        QCOMPARE(refusal().isEmpty(), byEngine);
}

VEXO_TEST_CLASS(MEncoderVocabularyTest)
#include "tst_mencodervocabulary.moc"
