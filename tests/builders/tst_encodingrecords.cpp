// The encoding records: what a reset keeps, and the engine names.

#include "encoder/records/encodingjob.h"
#include "encoder/records/enginetype.h"

#include "testregistry.h"

#include <QTest>

class TestEncodingRecords : public QObject
{
    Q_OBJECT

private slots:
    void resetSourceOffersNoStream();
    void resetTargetKeepsProfileButLevel();
    void engineNames_data();
    void engineNames();
};

void TestEncodingRecords::resetSourceOffersNoStream()
{
    EncodingSource source;
    source.path = "/media/dvd";
    source.kind = SourceKind::Dvd;
    source.video.title = 2;
    source.audio.aid = 128;
    source.subtitle.sid = 0;
    source.noVideo = source.noAudio = source.noSubtitle = false;
    source.audioStreams = {source.audio, source.audio};
    source.spareMap1.insert("a", "b");
    source.reset();
    QVERIFY(source.path.isEmpty());
    QCOMPARE(source.kind, int(SourceKind::Unset));
    // Until stream descriptions are set the source offers no stream.
    QVERIFY(source.noVideo && source.noAudio && source.noSubtitle);
    QVERIFY(source.audioStreams.isEmpty() && source.spareMap1.isEmpty());
}

void TestEncodingRecords::resetTargetKeepsProfileButLevel()
{
    EncodingTarget target;
    target.muxer = "avi";
    target.profile.level = EncoderProfile::LevelUser;
    target.profile.videoCodec = "xvid";
    target.profile.pictureSize = QSize(640, 480);
    target.profile.audioBitrate = 128.0;
    target.video.codec = "xvid";
    target.video.pictureSize = QSize(640, 480);
    target.audio.volume = 6;
    target.extraOptions.insert("-passlogfile", "/tmp/out.stats");
    target.spareInt1 = 3;
    target.reset();
    QVERIFY(target.muxer.isEmpty() && target.video.codec.isEmpty() && target.extraOptions.isEmpty());
    QCOMPARE(target.video.pictureSize, QSize(0, 0));
    QCOMPARE(QList<int>({target.audio.volume, target.spareInt1, target.profile.level}), QList<int>({0, 0, 0}));
    // The profile is kept, but for its level.
    QCOMPARE(target.profile.videoCodec, QString("xvid"));
    QCOMPARE(target.profile.pictureSize, QSize(640, 480));
    QCOMPARE(target.profile.audioBitrate, 128.0);
}

void TestEncodingRecords::engineNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("MEncoder") << EngineType::MEncoder << "MEncoder";
    QTest::newRow("FFmpeg") << EngineType::FFmpeg << "FFmpeg";
    // The display names cover the two base engines only.
    QTest::newRow("x264") << EngineType::X264 << "unknown";
    QTest::newRow("zero") << 0 << "unknown";
}

void TestEncodingRecords::engineNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(EngineType::name(type), name);
}

VEXO_TEST_CLASS(TestEncodingRecords)
#include "tst_encodingrecords.moc"
