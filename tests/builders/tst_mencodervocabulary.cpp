// The MEncoder builder's vocabulary and support checks: the tables alone (no engine read
// yet) and narrowed by what the installed MEncoder reports and can do.

#include "mencodertestengine.h"
#include "testregistry.h"

#include <QTest>

class MEncoderVocabularyTest : public QObject
{
    Q_OBJECT

private slots:
    void supportedNamesInOrder();
    void libraryNames();
    void muxersReplaceLavfBySortedFormats();
    void initStartsSinglePass();

    void muxerSupport_data();
    void muxerSupport();
    void videoCodecSupport_data();
    void videoCodecSupport();
    void audioCodecSupport_data();
    void audioCodecSupport();
};

void MEncoderVocabularyTest::supportedNamesInOrder()
{
    const InterfaceMEncoder builder;
    QCOMPARE(builder.supportedMuxers, QStringList({"avi", "mpeg", "lavf", "mpeg_vcd"}));
    QCOMPARE(builder.supportedVideoCodecs, QStringList({"copy", "xvid", "frameno", "lavc", "x264"}));
    QCOMPARE(builder.supportedAudioCodecs, QStringList({"copy", "faac", "mp3lame", "lavc"}));
    QCOMPARE(builder.supportedSubtitleCodecs, QStringList({"inlay"}));
    QVERIFY(builder.subtitleCodecAliases.isEmpty());
    QCOMPARE(builder.audioCodecAliases.values("mp3").size(), 2);
    QVERIFY(builder.audioCodecAliases.values("mp3").contains("mp3lame"));
}

void MEncoderVocabularyTest::libraryNames()
{
    const InterfaceMEncoder builder;
    QCOMPARE(builder.libraryNames.keys(), QStringList({"audio", "muxer", "subtitle", "video"}));
    const QStringList muxers = builder.libraryNames.value("muxer");
    QCOMPARE(muxers.size(), 53);
    QCOMPARE(muxers.first(), QString("3g2"));
    QCOMPARE(muxers.indexOf("RoQ"), 39); // kept in the listed order, not sorted
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
    QStringList muxers = builder.muxers();
    QCOMPARE(muxers.size(), 56);
    QVERIFY(!muxers.contains("lavf"));
    QCOMPARE(muxers.count("avi"), 2);
    QCOMPARE(muxers.count("mpeg"), 2);
    QCOMPARE(muxers.mid(0, 4), QStringList({"3g2", "3gp", "RoQ", "ac3"}));
    QStringList sorted = muxers;
    sorted.sort(Qt::CaseSensitive);
    QCOMPARE(muxers, sorted);

    builder.libraryNames["muxer"].clear();
    QCOMPARE(builder.muxers(), QStringList({"avi", "mpeg", "mpeg_vcd"}));
}

void MEncoderVocabularyTest::initStartsSinglePass()
{
    MEncoderTestEngine engine;
    engine.builder.passes = 2;
    engine.builder.pass = 2;
    engine.builder.init("/opt/mencoder", &engine.capabilities, &engine.job, &engine.status);
    QCOMPARE(engine.builder.passes, 1);
    QCOMPARE(engine.builder.pass, 1);
    QCOMPARE(engine.builder.binary(), QString("/opt/mencoder"));
    QCOMPARE(engine.builder.data, &engine.job);
}

// Each row: the answer of the tables alone, then the answer once the real engine is read.
void MEncoderVocabularyTest::muxerSupport_data()
{
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<bool>("byTables");
    QTest::addColumn<bool>("byEngine");

    QTest::newRow("mkv through its alias") << "mkv" << true << true;
    QTest::newRow("matroska row") << "matroska" << true << true;
    QTest::newRow("wmv: alias asf has no row") << "wmv" << false << false;
    QTest::newRow("au: empty row") << "au" << false << false;
    QTest::newRow("lavf: empty rows") << "lavf" << false << false;
    QTest::newRow("mp3: audio row only") << "mp3" << true << true;
    QTest::newRow("avi") << "avi" << true << true;
    QTest::newRow("mpeg_vcd") << "mpeg_vcd" << true << true;
    QTest::newRow("psp needs AAC") << "psp" << true << false;
    QTest::newRow("unknown") << "dv" << false << false;
    QTest::newRow("case matters") << "AVI" << false << false;
}

void MEncoderVocabularyTest::muxerSupport()
{
    QFETCH(QString, muxer);
    QFETCH(bool, byTables);
    QFETCH(bool, byEngine);
    MEncoderTestEngine engine;
    QCOMPARE(engine.builder.isMuxerSupported(muxer), byTables);
    QVERIFY(engine.queryEngine());
    QCOMPARE(engine.builder.isMuxerSupported(muxer), byEngine);
    if (byTables && !byEngine)
        QVERIFY(!engine.builder.muxerRefusal(muxer).isEmpty());
}

void MEncoderVocabularyTest::videoCodecSupport_data()
{
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<bool>("byTables");
    QTest::addColumn<bool>("byEngine");

    QTest::newRow("avi xvid") << "avi" << "xvid" << true << true;
    QTest::newRow("avi x264") << "avi" << "x264" << false << false;
    QTest::newRow("mkv: container not resolved") << "mkv" << "xvid" << false << false;
    QTest::newRow("matroska xvid") << "matroska" << "xvid" << true << true;
    QTest::newRow("matroska x264 crashes") << "matroska" << "x264" << true << false;
    QTest::newRow("mov x264_lr through libx264") << "mov" << "x264_lr" << true << true;
    QTest::newRow("mp4 mpeg4 by libavcodec") << "mp4" << "mpeg4" << true << true;
    QTest::newRow("mp4 h263 has no tag") << "mp4" << "h263" << true << false;
    QTest::newRow("3gp h263") << "3gp" << "h263" << true << true;
    QTest::newRow("ogg theora: no encoder") << "ogg" << "theora" << true << false;
    QTest::newRow("webm vp8: no encoder") << "webm" << "vp8" << true << false;
    QTest::newRow("mp4 libx264 does not open") << "mp4" << "libx264" << true << false;
    QTest::newRow("mpeg mpeg2video") << "mpeg" << "mpeg2video" << true << true;
    QTest::newRow("mpeg_vcd mpeg1video") << "mpeg_vcd" << "mpeg1video" << true << true;
    QTest::newRow("ipod copy") << "ipod" << "copy" << true << false;
    QTest::newRow("mov copy") << "mov" << "copy" << true << true;
}

void MEncoderVocabularyTest::videoCodecSupport()
{
    QFETCH(QString, muxer);
    QFETCH(QString, codec);
    QFETCH(bool, byTables);
    QFETCH(bool, byEngine);
    MEncoderTestEngine engine;
    QCOMPARE(engine.builder.isVideoCodecSupported(muxer, codec), byTables);
    QVERIFY(engine.queryEngine());
    QCOMPARE(engine.builder.isVideoCodecSupported(muxer, codec), byEngine);
    if (byTables && !byEngine)
        QVERIFY(!engine.builder.videoCodecRefusal(muxer, codec).isEmpty());
}

void MEncoderVocabularyTest::audioCodecSupport_data()
{
    QTest::addColumn<QString>("muxer");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<bool>("byTables");
    QTest::addColumn<bool>("byEngine");

    QTest::newRow("avi aac_lr through faac") << "avi" << "aac_lr" << true << false;
    QTest::newRow("avi mp3") << "avi" << "mp3" << true << true;
    QTest::newRow("avi pcm by MEncoder's own encoder") << "avi" << "pcm" << true << true;
    QTest::newRow("avi ac3_copy") << "avi" << "ac3_copy" << true << true;
    QTest::newRow("psp mp3") << "psp" << "mp3" << false << false;
    QTest::newRow("matroska vorbis through libvorbis") << "matroska" << "vorbis" << true << false;
    QTest::newRow("matroska mp3") << "matroska" << "mp3" << true << true;
    QTest::newRow("matroska mp2 mislabelled") << "matroska" << "mp2" << true << false;
    QTest::newRow("mpeg mp2 by TwoLAME") << "mpeg" << "mp2" << true << true;
    QTest::newRow("mpeg pcm unreadable") << "mpeg" << "pcm" << true << false;
    QTest::newRow("mpeg_vcd mp2_vcd") << "mpeg_vcd" << "mp2_vcd" << true << true;
    QTest::newRow("mp3 through mp3lame") << "mp3" << "mp3" << true << true;
    QTest::newRow("wav adpcm by libavcodec") << "wav" << "adpcm_ima_wav" << true << false;
    QTest::newRow("mov copy") << "mov" << "copy" << true << true;
    QTest::newRow("ipod copy") << "ipod" << "copy" << true << false;
}

void MEncoderVocabularyTest::audioCodecSupport()
{
    QFETCH(QString, muxer);
    QFETCH(QString, codec);
    QFETCH(bool, byTables);
    QFETCH(bool, byEngine);
    MEncoderTestEngine engine;
    QCOMPARE(engine.builder.isAudioCodecSupported(muxer, codec), byTables);
    QVERIFY(engine.queryEngine());
    QCOMPARE(engine.builder.isAudioCodecSupported(muxer, codec), byEngine);
    if (byTables && !byEngine)
        QVERIFY(!engine.builder.audioCodecRefusal(muxer, codec).isEmpty());
}

VEXO_TEST_CLASS(MEncoderVocabularyTest)
#include "tst_mencodervocabulary.moc"
