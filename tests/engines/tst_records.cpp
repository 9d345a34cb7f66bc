// The media description records: what a reset returns to, and the title table's bounds.

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/movieinfo.h"
#include "engines/titleinfo.h"
#include "engines/videoinfo.h"

#include "testregistry.h"

#include <QTest>

class TestMediaRecords : public QObject
{
    Q_OBJECT

private slots:
    void resetReturnsToTheStartValues();
    void titleLookupStaysInsideTheTable_data();
    void titleLookupStaysInsideTheTable();
};

// The player reuses its records for each load: a reset keeps nothing of the last one, and
// gives the "unset" values (-1; title and angle 1) that the readers test against.
void TestMediaRecords::resetReturnsToTheStartValues()
{
    AudioInfo audio;
    audio.aid = 129;
    audio.language = "fr";

    VideoInfo video;
    video.kind = VideoInfo::DvdTitle;
    video.title = video.angle = 3;
    video.width = 720;
    video.spareInt1 = 5;
    video.reset();
    QCOMPARE(QList<int>({video.kind, video.title, video.angle, video.width, video.spareInt1}),
             QList<int>({0, 1, 1, 0, -1}));

    ClipInfo clip;
    clip.deinterlace = 1;
    clip.chapterTimes = {0.0, 2.0};
    clip.audio = audio;
    clip.subtitle.sid = 3;
    clip.reset();
    QCOMPARE(QList<int>({clip.deinterlace, int(clip.chapterTimes.size()), clip.audio.aid, clip.subtitle.sid}),
             QList<int>({-1, 0, -1, -1}));
    QVERIFY(clip.audio.language.isEmpty());

    TitleInfo title;
    title.number = 1;
    title.spareInt2 = 2;
    title.ignored = true;
    title.audioStreams = {audio};
    title.subtitleStreams = {SubtitleInfo()};
    title.reset();
    QCOMPARE(QList<int>({title.number, title.spareInt2, title.ignored, int(title.audioStreams.size()),
                         int(title.subtitleStreams.size())}),
             QList<int>({0, -1, 0, 0, 0}));

    MovieInfo movie;
    movie.containerFormat = "avi";
    movie.audioOnly = true;
    movie.spareInt1 = 1;
    movie.audioStreams = {audio};
    movie.reset();
    QCOMPARE(QList<int>({movie.audioOnly, movie.spareInt1, int(movie.audioStreams.size())}),
             QList<int>({0, -1, 0}));
    QVERIFY(movie.containerFormat.isEmpty());
}

void TestMediaRecords::titleLookupStaysInsideTheTable_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("index"); // -1: no entry

    QTest::newRow("first title") << 1 << 0;
    QTest::newRow("last title") << 99 << 98;
    QTest::newRow("title 0") << 0 << -1;
    QTest::newRow("title 100") << 100 << -1;
    QTest::newRow("negative") << -5 << -1;
}

// Title numbers come from engine output; one outside 1 to 99 must not reach any entry, and a
// valid one must reach exactly its own.
void TestMediaRecords::titleLookupStaysInsideTheTable()
{
    QFETCH(int, number);
    QFETCH(int, index);
    DiskInfo disk;
    DiskTitle *entry = disk.title(number);
    QCOMPARE(std::as_const(disk).title(number), entry);
    QCOMPARE(entry == nullptr, index < 0);
    if (entry)
        entry->chapters = 7;
    for (int i = 0; i < DiskInfo::MaxTitles; ++i)
        QCOMPARE(disk.titles[size_t(i)].chapters, i == index ? 7 : 0);
}

VEXO_TEST_CLASS(TestMediaRecords)
#include "tst_records.moc"
