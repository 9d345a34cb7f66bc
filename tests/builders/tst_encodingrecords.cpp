// The encoding records: construction, reset, the output file name, the engine names and
// copies that keep their own data.

#include "encoder/records/encodingjob.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/outputtarget.h"

#include "testregistry.h"

#include <QTest>

namespace {

EncodingSource filledSource()
{
    EncodingSource s;
    s.path = "/media/dvd";
    s.kind = SourceKind::Dvd;
    s.video.kind = VideoInfo::DvdTitle;
    s.video.title = 2;
    s.video.videoFormat = "MPEG2";
    s.video.standard = "PAL";
    s.video.aspect = 16.0 / 9.0;
    s.noVideo = false;
    s.audio.aid = 128;
    s.audio.language = "en";
    s.noAudio = false;
    s.subtitle.sid = 0;
    s.subtitle.streamNumber = 0;
    s.subtitle.spareInt1 = 5;
    s.subtitle.spareInt2 = 6;
    s.subtitle.format = "vobsub";
    s.subtitle.language = "fr";
    s.subtitle.description = "Forced";
    s.noSubtitle = false;
    s.videoStreams = {s.video};
    s.audioStreams = {s.audio, s.audio};
    s.subtitleStreams = {s.subtitle};
    s.spareMap1.insert("a", "b");
    s.spareMap2.insert("c", "d");
    return s;
}

EncodingTarget filledTarget()
{
    EncodingTarget t;
    t.muxer = "avi";
    t.profile.spareText1 = "one";
    t.profile.muxer = "avi";
    t.profile.level = EncoderProfile::LevelUser;
    t.profile.spareText2 = "two";
    t.profile.standard = "PAL";
    t.profile.videoCodec = "xvid";
    t.profile.pictureSize = QSize(640, 480);
    t.profile.videoBitrate = 1200.0;
    t.profile.audioCodec = "mp3";
    t.profile.samplingRate = 44100;
    t.profile.audioBitrate = 128.0;
    t.video.codec = "xvid";
    t.video.standard = "NTSC";
    t.video.pictureSize = QSize(640, 480);
    t.video.bitrate = 1200.0;
    t.video.frameRate = 25.0;
    t.video.preset = "slow";
    t.video.profile = "x264_high";
    t.video.spareList1 = QStringList{"v1"};
    t.video.spareList2 = QStringList{"v2"};
    t.audio.codec = "mp3";
    t.audio.volume = 6;
    t.audio.samplingRate = 44100;
    t.audio.bitrate = 128.0;
    t.audio.spareList1 = QStringList{"a1"};
    t.audio.spareList2 = QStringList{"a2"};
    t.subtitleCodec = "srt";
    t.spareList1 = QStringList{"l1"};
    t.spareList2 = QStringList{"l2"};
    t.extraOptions.insert("-passlogfile", "/tmp/out.stats");
    t.spareInt1 = 3;
    t.spareInt2 = 4;
    return t;
}

void verifySourceIsReset(const EncodingSource &s)
{
    QVERIFY(s.path.isEmpty());
    QCOMPARE(s.kind, SourceKind::Unset);
    // The streams are the media records' reset state.
    QCOMPARE(s.video.kind, 0);
    QCOMPARE(s.video.title, 1);
    QCOMPARE(s.video.angle, 1);
    QVERIFY(s.video.videoFormat.isEmpty());
    QVERIFY(s.video.standard.isEmpty());
    QCOMPARE(s.video.aspect, 0.0);
    QCOMPARE(s.video.spareInt1, -1);
    QCOMPARE(s.audio.streamNumber, -1);
    QCOMPARE(s.audio.aid, -1);
    QVERIFY(s.audio.language.isEmpty());
    QCOMPARE(s.subtitle.spareInt1, 0);
    QCOMPARE(s.subtitle.streamNumber, -1);
    QCOMPARE(s.subtitle.sid, -1);
    QCOMPARE(s.subtitle.spareInt2, 0);
    QVERIFY(s.subtitle.format.isEmpty());
    QVERIFY(s.subtitle.language.isEmpty());
    QVERIFY(s.subtitle.description.isEmpty());
    // No stream until stream descriptions are set.
    QCOMPARE(s.noVideo, true);
    QCOMPARE(s.noAudio, true);
    QCOMPARE(s.noSubtitle, true);
    QVERIFY(s.videoStreams.isEmpty());
    QVERIFY(s.audioStreams.isEmpty());
    QVERIFY(s.subtitleStreams.isEmpty());
    QVERIFY(s.spareMap1.isEmpty());
    QVERIFY(s.spareMap2.isEmpty());
}

// Everything but the profile is back to its constructed state.
void verifyTargetIsReset(const EncodingTarget &t)
{
    QVERIFY(t.muxer.isEmpty());
    QCOMPARE(t.profile.level, 0);
    QVERIFY(t.video.codec.isEmpty());
    QVERIFY(t.video.standard.isEmpty());
    QCOMPARE(t.video.pictureSize, QSize(0, 0));
    QCOMPARE(t.video.bitrate, 0.0);
    QCOMPARE(t.video.frameRate, 0.0);
    QVERIFY(t.video.preset.isEmpty());
    QVERIFY(t.video.profile.isEmpty());
    QVERIFY(t.video.spareList1.isEmpty());
    QVERIFY(t.video.spareList2.isEmpty());
    QVERIFY(t.audio.codec.isEmpty());
    QCOMPARE(t.audio.volume, 0);
    QCOMPARE(t.audio.samplingRate, 0);
    QCOMPARE(t.audio.bitrate, 0.0);
    QVERIFY(t.audio.spareList1.isEmpty());
    QVERIFY(t.audio.spareList2.isEmpty());
    QVERIFY(t.subtitleCodec.isEmpty());
    QVERIFY(t.spareList1.isEmpty());
    QVERIFY(t.spareList2.isEmpty());
    QVERIFY(t.extraOptions.isEmpty());
    QCOMPARE(t.spareInt1, 0);
    QCOMPARE(t.spareInt2, 0);
}

} // namespace

class TestEncodingRecords : public QObject
{
    Q_OBJECT

private slots:
    void newSourceHasNoStreams();
    void resetSourceForgetsEverything();
    void newTargetSizes();
    void resetTargetKeepsProfileButLevel();
    void jobStartsWithBothHalvesReset();
    void copiesKeepTheirOwnData();
    void outputFileName_data();
    void outputFileName();
    void engineNames_data();
    void engineNames();
};

void TestEncodingRecords::newSourceHasNoStreams()
{
    verifySourceIsReset(EncodingSource());
}

void TestEncodingRecords::resetSourceForgetsEverything()
{
    EncodingSource source = filledSource();
    source.reset();
    verifySourceIsReset(source);
}

void TestEncodingRecords::newTargetSizes()
{
    const EncodingTarget target;
    verifyTargetIsReset(target);
    // The video target starts at 0 by 0, the profile at -1 by -1.
    QCOMPARE(target.profile.pictureSize, QSize(-1, -1));
    QVERIFY(target.profile.muxer.isEmpty());
    QVERIFY(target.profile.videoCodec.isEmpty());
    QVERIFY(target.profile.audioCodec.isEmpty());
    QCOMPARE(target.profile.videoBitrate, 0.0);
    QCOMPARE(target.profile.audioBitrate, 0.0);
    QCOMPARE(target.profile.samplingRate, 0);
}

void TestEncodingRecords::resetTargetKeepsProfileButLevel()
{
    EncodingTarget target = filledTarget();
    target.reset();
    verifyTargetIsReset(target);

    const EncoderProfile &p = target.profile;
    QCOMPARE(p.spareText1, QString("one"));
    QCOMPARE(p.muxer, QString("avi"));
    QCOMPARE(p.spareText2, QString("two"));
    QCOMPARE(p.standard, QString("PAL"));
    QCOMPARE(p.videoCodec, QString("xvid"));
    QCOMPARE(p.pictureSize, QSize(640, 480));
    QCOMPARE(p.videoBitrate, 1200.0);
    QCOMPARE(p.audioCodec, QString("mp3"));
    QCOMPARE(p.samplingRate, 44100);
    QCOMPARE(p.audioBitrate, 128.0);
}

void TestEncodingRecords::jobStartsWithBothHalvesReset()
{
    const EncodingJob job;
    verifySourceIsReset(job.source);
    verifyTargetIsReset(job.target);
    QCOMPARE(job.target.profile.pictureSize, QSize(-1, -1));
}

// The encoder copies its source into each engine's job before every command, and the
// panels keep copies of both; changing or resetting one copy must not reach another.
void TestEncodingRecords::copiesKeepTheirOwnData()
{
    EncodingJob job;
    job.source = filledSource();
    job.target = filledTarget();

    EncodingJob copy = job;
    job.source.reset();
    job.target.reset();
    job.target.profile.videoCodec = "x264";

    QCOMPARE(copy.source.path, QString("/media/dvd"));
    QCOMPARE(copy.source.video.title, 2);
    QCOMPARE(copy.source.audio.aid, 128);
    QCOMPARE(copy.source.subtitle.language, QString("fr"));
    QCOMPARE(copy.source.audioStreams.size(), 2);
    QCOMPARE(copy.source.spareMap1.value("a"), QString("b"));
    QCOMPARE(copy.target.muxer, QString("avi"));
    QCOMPARE(copy.target.profile.level, int(EncoderProfile::LevelUser));
    QCOMPARE(copy.target.profile.videoCodec, QString("xvid"));
    QCOMPARE(copy.target.video.preset, QString("slow"));
    QCOMPARE(copy.target.audio.volume, 6);
    QCOMPARE(copy.target.extraOptions.value("-passlogfile"), QString("/tmp/out.stats"));

    EncodingJob second = copy;
    second.source.audioStreams[0].language = "de";
    second.target.extraOptions.insert("-noskip", QString());
    QCOMPARE(copy.source.audioStreams.at(0).language, QString("en"));
    QCOMPARE(copy.target.extraOptions.size(), 1);

    OutputTarget output("/out", "film", ".avi", "avi");
    output.spareInt1 = 700;
    const OutputTarget outputCopy = output;
    output.baseName = "other";
    QCOMPARE(outputCopy.fileName(), QString("film.avi"));
    QCOMPARE(outputCopy.spareInt1, 700);
}

void TestEncodingRecords::outputFileName_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("new") << QString() << QString() << QString() << QString();
    QTest::newRow("avi") << "/home/user/Videos" << "output" << ".avi" << "output.avi";
    QTest::newRow("folder not part of it") << "/tmp/a b/" << "film (2)" << ".m4v" << "film (2).m4v";
    QTest::newRow("no extension") << "/tmp" << "film" << QString() << "film";
    QTest::newRow("dots in name") << "/tmp" << "my.film" << ".mpg" << "my.film.mpg";
}

void TestEncodingRecords::outputFileName()
{
    QFETCH(QString, folder);
    QFETCH(QString, baseName);
    QFETCH(QString, extension);
    QFETCH(QString, fileName);

    const OutputTarget target(folder, baseName, extension, "avi");
    QCOMPARE(target.fileName(), fileName);
    QCOMPARE(target.folder, folder);
    QCOMPARE(target.muxer, QString("avi"));
    // Set at construction and carried along untouched.
    QCOMPARE(target.spareInt1, 681);
    QCOMPARE(target.spareInt2, 2);

    const OutputTarget empty;
    QVERIFY(empty.folder.isEmpty() && empty.muxer.isEmpty());
    QCOMPARE(empty.fileName(), QString());
}

void TestEncodingRecords::engineNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");

    QTest::newRow("MEncoder") << EngineType::MEncoder << "MEncoder";
    QTest::newRow("FFmpeg") << EngineType::FFmpeg << "FFmpeg";
    // The display names cover the two base engines only.
    QTest::newRow("x264") << EngineType::X264 << "unknown";
    QTest::newRow("MKVmerge") << EngineType::MKVmerge << "unknown";
    QTest::newRow("zero") << 0 << "unknown";
    QTest::newRow("negative") << -1 << "unknown";
    QTest::newRow("seven") << 7 << "unknown";
}

void TestEncodingRecords::engineNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QCOMPARE(EngineType::name(type), name);
}

VEXO_TEST_CLASS(TestEncodingRecords)

#include "tst_encodingrecords.moc"
