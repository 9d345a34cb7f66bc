// The encoding records: what a reset keeps.

#include "encoder/records/encodingjob.h"

#include "testregistry.h"

#include <QTest>

class TestEncodingRecords : public QObject
{
    Q_OBJECT

private slots:
    void resetSourceOffersNoStream()
    {
        EncodingSource source;
        source.path = "/media/dvd";
        source.kind = SourceKind::Dvd;
        source.noVideo = source.noAudio = source.noSubtitle = false;
        source.audioStreams = {source.audio, source.audio};
        source.reset();
        QVERIFY(source.path.isEmpty() && source.audioStreams.isEmpty());
        QCOMPARE(source.kind, int(SourceKind::Unset));
        // Until stream descriptions are set the source offers no stream.
        QVERIFY(source.noVideo && source.noAudio && source.noSubtitle);
    }

    void resetTargetKeepsProfileButLevel()
    {
        EncodingTarget target;
        target.muxer = "avi";
        target.profile.level = EncoderProfile::LevelUser;
        target.profile.videoCodec = target.video.codec = "xvid";
        target.audio.volume = 6;
        target.extraOptions.insert("-passlogfile", "/tmp/out.stats");
        target.reset();
        QVERIFY(target.muxer.isEmpty() && target.video.codec.isEmpty() && target.extraOptions.isEmpty());
        QCOMPARE(QList<int>({target.audio.volume, target.profile.level}), QList<int>({0, 0}));
        QCOMPARE(target.profile.videoCodec, QString("xvid")); // the profile is kept, but for its level
    }
};

VEXO_TEST_CLASS(TestEncodingRecords)
#include "tst_encodingrecords.moc"
