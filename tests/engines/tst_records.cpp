// The media description records: defaults, reset, the title table's bounds and copies
// that keep their own data.

#include "engines/audioinfo.h"
#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacestatus.h"
#include "engines/movieinfo.h"
#include "engines/playerstatus.h"
#include "engines/subtitleinfo.h"
#include "engines/titleinfo.h"
#include "engines/videoinfo.h"

#include "testregistry.h"

#include <QTest>

namespace {

// Every field away from its default, so that a reset that forgets one is caught.
AudioInfo filledAudio()
{
    AudioInfo a;
    a.spareInt = 7;
    a.streamNumber = 2;
    a.aid = 129;
    a.format = "ac3";
    a.codec = "a52";
    a.bitrate = 448.0;
    a.channels = "5.1";
    a.channelCount = 6;
    a.channelPositions = "Front: L C R, Side: L R, LFE";
    a.samplingRate = 48000;
    a.spareDouble = 1.5;
    a.language = "fr";
    a.description = "Director's comments";
    return a;
}

SubtitleInfo filledSubtitle()
{
    SubtitleInfo s;
    s.spareInt1 = 3;
    s.streamNumber = 1;
    s.sid = 1;
    s.spareInt2 = 4;
    s.format = "vobsub";
    s.language = "de";
    s.description = "Forced";
    return s;
}

VideoInfo filledVideo()
{
    VideoInfo v;
    v.kind = VideoInfo::DvdTitle;
    v.title = 3;
    v.angle = 2;
    v.fileFormat = "libavformat";
    v.videoFormat = "mpeg2video";
    v.colorDepth = 24;
    v.width = 720;
    v.height = 576;
    v.scaledWidth = 1024;
    v.scaledHeight = 576;
    v.standard = "PAL";
    v.spareInt1 = 5;
    v.spareInt2 = 6;
    v.aspect = 16.0 / 9.0;
    v.spareDouble = 2.5;
    v.frameRate = 25.0;
    v.videoBitrate = 9800.0;
    v.length = 125.0;
    return v;
}

void verifyAudioDefaults(const AudioInfo &a)
{
    QCOMPARE(a.spareInt, 0);
    QCOMPARE(a.streamNumber, -1);
    QCOMPARE(a.aid, -1);
    QVERIFY(a.format.isEmpty());
    QVERIFY(a.codec.isEmpty());
    QCOMPARE(a.bitrate, 0.0);
    QVERIFY(a.channels.isEmpty());
    QCOMPARE(a.channelCount, 0);
    QVERIFY(a.channelPositions.isEmpty());
    QCOMPARE(a.samplingRate, 0);
    QCOMPARE(a.spareDouble, 0.0);
    QVERIFY(a.language.isEmpty());
    QVERIFY(a.description.isEmpty());
}

void verifySubtitleDefaults(const SubtitleInfo &s)
{
    QCOMPARE(s.spareInt1, 0);
    QCOMPARE(s.streamNumber, -1);
    QCOMPARE(s.sid, -1);
    QCOMPARE(s.spareInt2, 0);
    QVERIFY(s.format.isEmpty());
    QVERIFY(s.language.isEmpty());
    QVERIFY(s.description.isEmpty());
}

void verifyVideoDefaults(const VideoInfo &v)
{
    QCOMPARE(v.kind, 0);
    QCOMPARE(v.title, 1);
    QCOMPARE(v.angle, 1);
    QVERIFY(v.fileFormat.isEmpty());
    QVERIFY(v.videoFormat.isEmpty());
    QCOMPARE(v.colorDepth, 0);
    QCOMPARE(v.sourceSize(), QSize(0, 0));
    QCOMPARE(v.displaySize(), QSize(0, 0));
    QVERIFY(v.standard.isEmpty());
    QCOMPARE(v.spareInt1, -1);
    QCOMPARE(v.spareInt2, -1);
    QCOMPARE(v.aspect, 0.0);
    QCOMPARE(v.spareDouble, 0.0);
    QCOMPARE(v.frameRate, 0.0);
    QCOMPARE(v.videoBitrate, 0.0);
    QCOMPARE(v.length, 0.0);
}

void verifyClipDefaults(const ClipInfo &c)
{
    QCOMPARE(c.kind, 0);
    QVERIFY(c.fileFormat.isEmpty());
    QCOMPARE(c.audioOnly, false);
    QVERIFY(c.videoFormat.isEmpty());
    QCOMPARE(c.colorDepth, 0);
    QCOMPARE(c.sourceSize(), QSize(0, 0));
    QCOMPARE(c.displaySize(), QSize(0, 0));
    QCOMPARE(c.aspectCode, 0);
    QCOMPARE(c.aspect, 0.0);
    QCOMPARE(c.spareDouble, 0.0);
    QCOMPARE(c.frameRateCode, 0);
    QCOMPARE(c.frameRate, 0.0);
    QCOMPARE(c.videoBitrate, 0.0);
    QCOMPARE(c.deinterlace, -1);
    QCOMPARE(c.spareInt, -1);
    QCOMPARE(c.length, 0.0);
    QCOMPARE(c.chapters, 0);
    QVERIFY(c.chapterTimes.isEmpty());
    QCOMPARE(c.angles, 0);
    QCOMPARE(c.audioCount, 0);
    verifyAudioDefaults(c.audio);
    QCOMPARE(c.subtitleCount, 0);
    verifySubtitleDefaults(c.subtitle);
}

void verifyTitleDefaults(const TitleInfo &t)
{
    QCOMPARE(t.number, 0);
    QVERIFY(t.fileFormat.isEmpty());
    QVERIFY(t.videoFormat.isEmpty());
    QCOMPARE(t.sourceSize(), QSize(0, 0));
    QCOMPARE(t.displaySize(), QSize(0, 0));
    QVERIFY(t.standard.isEmpty());
    QCOMPARE(t.spareInt1, -1);
    QCOMPARE(t.spareInt2, -1);
    QCOMPARE(t.unsetDouble, 0.0);
    QCOMPARE(t.spareDouble, 0.0);
    QCOMPARE(t.aspectCode, 0);
    QCOMPARE(t.frameRateCode, 0);
    QCOMPARE(t.videoBitrate, 0.0);
    QCOMPARE(t.length, 0.0);
    QCOMPARE(t.ignored, false);
    QCOMPARE(t.angles, 0);
    QCOMPARE(t.chapters, 0);
    QVERIFY(t.chapterTimes.isEmpty());
    QCOMPARE(t.audioCount, 0);
    QVERIFY(t.audioStreams.isEmpty());
    QCOMPARE(t.subtitleCount, 0);
    QVERIFY(t.subtitleStreams.isEmpty());
}

void verifyMovieDefaults(const MovieInfo &m)
{
    QVERIFY(m.containerFormat.isEmpty());
    QCOMPARE(m.audioOnly, false);
    QVERIFY(m.videoFormat.isEmpty());
    QCOMPARE(m.colorDepth, 0);
    QCOMPARE(m.sourceSize(), QSize(0, 0));
    QCOMPARE(m.displaySize(), QSize(0, 0));
    QVERIFY(m.standard.isEmpty());
    QCOMPARE(m.spareInt1, -1);
    QCOMPARE(m.spareInt2, -1);
    QVERIFY(m.aspectText.isEmpty());
    QCOMPARE(m.aspect, 0.0);
    QCOMPARE(m.spareDouble, 0.0);
    QCOMPARE(m.frameRate, 0.0);
    QCOMPARE(m.videoBitrate, 0.0);
    QCOMPARE(m.length, 0.0);
    QCOMPARE(m.audioCount, 0);
    QVERIFY(m.audioStreams.isEmpty());
    QCOMPARE(m.subtitleCount, 0);
    QVERIFY(m.subtitleStreams.isEmpty());
}

} // namespace

class TestMediaRecords : public QObject
{
    Q_OBJECT

private slots:
    void newAndResetRecordsAreEqual();
    void diskTableHoldsExactlyNinetyNineTitles();
    void titleLookupStaysInsideTheTable_data();
    void titleLookupStaysInsideTheTable();
    void resetLeavesEarlierCopiesAlone();
    void statusRecordsClear();
};

// A new record and a reset one are in the same state, whatever the record held before.
void TestMediaRecords::newAndResetRecordsAreEqual()
{
    verifyAudioDefaults(AudioInfo());
    AudioInfo audio = filledAudio();
    audio.reset();
    verifyAudioDefaults(audio);

    verifySubtitleDefaults(SubtitleInfo());

    verifyVideoDefaults(VideoInfo());
    VideoInfo video = filledVideo();
    video.reset();
    verifyVideoDefaults(video);

    verifyClipDefaults(ClipInfo());
    ClipInfo clip;
    clip.kind = 2;
    clip.fileFormat = "libavformat";
    clip.audioOnly = true;
    clip.videoFormat = "mpeg2";
    clip.colorDepth = 12;
    clip.width = 720;
    clip.height = 576;
    clip.scaledWidth = 1024;
    clip.scaledHeight = 576;
    clip.aspectCode = 3;
    clip.aspect = 1.7778;
    clip.spareDouble = 4.0;
    clip.frameRateCode = 3;
    clip.frameRate = 25.0;
    clip.videoBitrate = 9800.0;
    clip.deinterlace = 1;
    clip.spareInt = 9;
    clip.length = 8.0;
    clip.chapters = 4;
    clip.chapterTimes = {0.0, 2.0, 4.0, 6.0};
    clip.angles = 1;
    clip.audioCount = 2;
    clip.audio = filledAudio();
    clip.subtitleCount = 1;
    clip.subtitle = filledSubtitle();
    clip.reset();
    verifyClipDefaults(clip);

    verifyTitleDefaults(TitleInfo());
    TitleInfo title;
    title.number = 1;
    title.fileFormat = "mpeges";
    title.videoFormat = "MPEG2";
    title.width = 720;
    title.height = 576;
    title.scaledWidth = 1024;
    title.scaledHeight = 576;
    title.standard = "PAL";
    title.spareInt1 = 1;
    title.spareInt2 = 2;
    title.unsetDouble = 3.0;
    title.spareDouble = 4.0;
    title.aspectCode = 3;
    title.frameRateCode = 3;
    title.videoBitrate = 9800.0;
    title.length = 8.0;
    title.ignored = true;
    title.angles = 1;
    title.chapters = 4;
    title.chapterTimes = {0.0, 2.0};
    title.audioCount = 1;
    title.audioStreams = {filledAudio()};
    title.subtitleCount = 1;
    title.subtitleStreams = {filledSubtitle()};
    title.reset();
    verifyTitleDefaults(title);

    verifyMovieDefaults(MovieInfo());
    MovieInfo movie;
    movie.containerFormat = "avi";
    movie.audioOnly = true;
    movie.videoFormat = "mpeg4";
    movie.colorDepth = 24;
    movie.width = 320;
    movie.height = 240;
    movie.scaledWidth = 320;
    movie.scaledHeight = 240;
    movie.standard = "NTSC";
    movie.spareInt1 = 1;
    movie.spareInt2 = 2;
    movie.aspectText = "4:3";
    movie.aspect = 4.0 / 3.0;
    movie.spareDouble = 1.0;
    movie.frameRate = 25.0;
    movie.videoBitrate = 200.0;
    movie.length = 3.0;
    movie.audioCount = 1;
    movie.audioStreams = {filledAudio()};
    movie.subtitleCount = 1;
    movie.subtitleStreams = {filledSubtitle()};
    movie.reset();
    verifyMovieDefaults(movie);
}

void TestMediaRecords::diskTableHoldsExactlyNinetyNineTitles()
{
    const DiskInfo disk;
    QCOMPARE(disk.kind, 0);
    QCOMPARE(disk.titleCount, 0);
    QVERIFY(disk.volumeId.isEmpty());
    QCOMPARE(disk.currentTitle, 0);
    QCOMPARE(disk.mainTitle, 0);
    QCOMPARE(int(disk.titles.size()), 99);
    for (const DiskTitle &entry : disk.titles) {
        QCOMPARE(entry.ignored, false);
        QCOMPARE(entry.chapters, 0);
        QCOMPARE(entry.angles, 0);
        QCOMPARE(entry.length, 0.0);
    }
}

void TestMediaRecords::titleLookupStaysInsideTheTable_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("index"); // -1: no entry

    QTest::newRow("first title") << 1 << 0;
    QTest::newRow("third title") << 3 << 2;
    QTest::newRow("last title") << 99 << 98;
    QTest::newRow("title 0") << 0 << -1;
    QTest::newRow("title 100") << 100 << -1;
    QTest::newRow("negative") << -5 << -1;
    QTest::newRow("huge") << 2147483647 << -1;
}

// Title numbers come from engine output; one outside 1 to 99 must not reach any entry,
// and a valid one must reach exactly its own.
void TestMediaRecords::titleLookupStaysInsideTheTable()
{
    QFETCH(int, number);
    QFETCH(int, index);

    DiskInfo disk;
    DiskTitle *entry = disk.title(number);
    const DiskInfo &constDisk = disk;
    if (index < 0) {
        QCOMPARE(entry, nullptr);
        QCOMPARE(constDisk.title(number), nullptr);
        return;
    }
    QVERIFY(entry != nullptr);
    entry->chapters = 7;
    entry->length = 125.0;
    QCOMPARE(constDisk.title(number), entry);
    for (int i = 0; i < DiskInfo::MaxTitles; ++i) {
        const DiskTitle &t = disk.titles[size_t(i)];
        QCOMPARE(t.chapters, i == index ? 7 : 0);
        QCOMPARE(t.length, i == index ? 125.0 : 0.0);
    }
}

// The player panel hands copies on and then resets its own records for the next load:
// the copies must keep their streams, and changing a copy must not reach the original.
void TestMediaRecords::resetLeavesEarlierCopiesAlone()
{
    TitleInfo title;
    title.number = 1;
    title.chapterTimes = {0.0, 2.0, 4.0};
    title.audioCount = 2;
    title.audioStreams = {filledAudio(), filledAudio()};
    title.subtitleCount = 1;
    title.subtitleStreams = {filledSubtitle()};

    TitleInfo titleCopy = title;
    title.reset();
    QCOMPARE(titleCopy.number, 1);
    QCOMPARE(titleCopy.chapterTimes, QList<double>({0.0, 2.0, 4.0}));
    QCOMPARE(titleCopy.audioStreams.size(), 2);
    QCOMPARE(titleCopy.audioStreams.at(1).language, QString("fr"));
    QCOMPARE(titleCopy.subtitleStreams.size(), 1);
    QCOMPARE(titleCopy.subtitleStreams.at(0).language, QString("de"));

    TitleInfo second = titleCopy;
    second.audioStreams[0].language = "it";
    second.chapterTimes.append(6.0);
    QCOMPARE(titleCopy.audioStreams.at(0).language, QString("fr"));
    QCOMPARE(titleCopy.chapterTimes.size(), 3);

    MovieInfo movie;
    movie.containerFormat = "avi";
    movie.audioCount = 1;
    movie.audioStreams = {filledAudio()};
    movie.subtitleCount = 1;
    movie.subtitleStreams = {filledSubtitle()};
    MovieInfo movieCopy = movie;
    movie.reset();
    QCOMPARE(movieCopy.containerFormat, QString("avi"));
    QCOMPARE(movieCopy.audioStreams.size(), 1);
    QCOMPARE(movieCopy.audioStreams.at(0).aid, 129);
    QCOMPARE(movieCopy.subtitleStreams.size(), 1);

    ClipInfo clip;
    clip.chapterTimes = {0.0, 312.0};
    clip.audio = filledAudio();
    ClipInfo clipCopy = clip;
    clip.reset();
    QCOMPARE(clipCopy.chapterTimes.size(), 2);
    QCOMPARE(clipCopy.audio.aid, 129);

    DiskInfo disk;
    disk.title(2)->chapters = 4;
    DiskInfo diskCopy = disk;
    disk.title(2)->chapters = 9;
    QCOMPARE(diskCopy.title(2)->chapters, 4);
}

void TestMediaRecords::statusRecordsClear()
{
    const InterfaceStatus fresh;
    QCOMPARE(fresh.state, int(InterfaceStatus::Reset));
    QVERIFY(fresh.stdOut.isEmpty() && fresh.stdErr.isEmpty());
    QVERIFY(fresh.signature.isEmpty() && fresh.version.isEmpty());

    InterfaceStatus status;
    status.state = InterfaceStatus::Ready;
    status.stdOut = "ffprobe version 5.1.6-0+deb12u1";
    status.stdErr = "warning";
    status.signature = "ffprobe";
    status.version = "5.1.6-0+deb12u1";
    const InterfaceStatus kept = status;
    status.clear();
    QCOMPARE(status.state, 0);
    QVERIFY(status.stdOut.isEmpty() && status.stdErr.isEmpty());
    QVERIFY(status.signature.isEmpty() && status.version.isEmpty());
    QCOMPARE(kept.state, 3);
    QCOMPARE(kept.version, QString("5.1.6-0+deb12u1"));
    QCOMPARE(kept.stdOut, QByteArray("ffprobe version 5.1.6-0+deb12u1"));

    PlayerStatus player;
    QCOMPARE(player.state, 0);
    QCOMPARE(player.openGl, false);
    player.state = InterfaceStatus::Ready;
    player.stdOut = "MPlayer UNKNOWN-12";
    player.signature = "MPlayer";
    player.version = "UNKNOWN-12";
    player.openGl = true;
    player.clear();
    QCOMPARE(player.state, 0);
    QVERIFY(player.stdOut.isEmpty());
    QVERIFY(player.signature.isEmpty() && player.version.isEmpty());
    QCOMPARE(player.openGl, false);
}

VEXO_TEST_CLASS(TestMediaRecords)

#include "tst_records.moc"
