// InterfaceMplayer against the real MPlayer: the command lines it builds are run on media
// the test makes, and its parsers read what MPlayer prints.

#include "testmedia.h"
#include "testregistry.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacemplayer.h"
#include "engines/playbackinfo.h"
#include "engines/playeroutputcode.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <functional>

namespace {

using C = PlayerOutputCode;

// Runs the identify command to its end; returns the standard output lines.
QList<QByteArray> identify(const InterfaceMplayer &mplayer, QString *stdErr = nullptr)
{
    QString program;
    QStringList arguments;
    mplayer.cliCmdIdentify(&program, &arguments);
    QString out;
    if (TestMedia::run(program, arguments, &out, stdErr, 30000) < 0)
        qWarning("identify run failed");
    return out.toUtf8().split('\n');
}

// What the player panel keeps of a clip identify run: the clip record, and a copy of the
// stream that each stream line described.
struct ClipRun
{
    ClipInfo clip;
    QList<AudioInfo> audio;
    QList<SubtitleInfo> subtitles;
    int failedLines = 0;
};

ClipRun parseClip(const InterfaceMplayer &mplayer, const QList<QByteArray> &lines, int kind)
{
    ClipRun run;
    run.clip.kind = kind;
    for (const QByteArray &line : lines) {
        int code = C::Ignored;
        if (!mplayer.parseStdoutClip(line, &code, &run.clip))
            ++run.failedLines;
        else if (code == C::AudioStream)
            run.audio << run.clip.audio;
        else if (code == C::SubtitleStream)
            run.subtitles << run.clip.subtitle;
    }
    return run;
}

// The streams that a run described, e.g. "audio 0 (1) eng Main track; subtitle 0 (3) fre":
// the id, the stream number in brackets, the language and the title.
QString streams(const ClipRun &run)
{
    QStringList all;
    for (const AudioInfo &a : run.audio)
        all << QStringLiteral("audio %1 (%2) %3 %4").arg(a.aid).arg(a.streamNumber).arg(a.language, a.description).trimmed();
    for (const SubtitleInfo &t : run.subtitles)
        all << QStringLiteral("subtitle %1 (%2) %3").arg(t.sid).arg(t.streamNumber).arg(t.language).trimmed();
    return all.join("; ");
}

// Reads the player's lines (kept in `output`) until `done` accepts one; false when the
// player ends or 15 s pass first.
bool readUntil(QProcess &player, QByteArray *output, const std::function<bool(const QByteArray &)> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 15000) {
        while (player.canReadLine()) {
            const QByteArray line = player.readLine();
            *output += line;
            if (done(line))
                return true;
        }
        if (player.state() != QProcess::Running)
            return false;
        player.waitForReadyRead(100);
    }
    return false;
}

} // namespace

class TestInterfaceMplayerEngine : public QObject
{
    Q_OBJECT

private:
    QString m_mplayerPath;

    void initInterface(InterfaceMplayer &mplayer) { mplayer.init(m_mplayerPath, nullptr, nullptr); }

private slots:
    void initTestCase()
    {
        m_mplayerPath = QStandardPaths::findExecutable("mplayer");
        QVERIFY(!m_mplayerPath.isEmpty());
    }

    // Format, codec, size, frame rate and its code, length and the audio streams with ids.
    void identifyFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("audioOnly");
        QTest::addColumn<QString>("summary");
        QTest::newRow("avi") << TestMedia::standardAvi() << false
                             << "AVI FMP4 320x240 25 fps (3) 3 s, audio 1 (1), MP3 mpg123";
        QTest::newRow("mp4") << TestMedia::standardMp4() << false
                             << "libavformat H264 320x240 25 fps (3) 3 s, audio 0 (1) und, MP4A aac";
        QTest::newRow("audio only")
            << TestMedia::clip("tone.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                                            "-c:a", "libmp3lame"})
            << true << "  0x0 0 fps (0) 1 s, , MP3 mpg123";
    }

    void identifyFile()
    {
        QFETCH(QString, path);
        QFETCH(bool, audioOnly);
        QVERIFY(!path.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(path, audioOnly);
        QString stdErr;
        const ClipRun r = parseClip(mplayer, identify(mplayer, &stdErr), InterfaceMplayer::MediaFile);
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(r.clip.audioOnly, audioOnly);
        const ClipInfo &c = r.clip;
        QTEST(QStringLiteral("%1 %2 %3x%4 %5 fps (%6) %7 s, %8, %9 %10")
                  .arg(c.fileFormat, c.videoFormat).arg(c.width).arg(c.height).arg(c.frameRate)
                  .arg(c.frameRateCode).arg(qRound(c.length)).arg(streams(r), c.audio.format, c.audio.codec),
              "summary");
        // Joystick and LIRC are not asked for, so nothing of them reaches standard error.
        QVERIFY2(!stdErr.contains("LIRC") && !stdErr.contains("joystick"), qPrintable(stdErr));
    }

    // Two audio streams, the second untagged, and a subtitle: the ids of all survive.
    void identifyStreamsOfMatroska()
    {
        const QString srt = TestMedia::folder() + "/streams.srt";
        QFile subtitles(srt);
        QVERIFY(subtitles.open(QIODevice::WriteOnly));
        subtitles.write("1\n00:00:00,500 --> 00:00:01,500\nHello\n");
        subtitles.close();
        const QString mkv = TestMedia::clip(
            "streams.mkv",
            {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
             "sine=frequency=440:duration=2", "-f", "lavfi", "-i", "sine=frequency=880:duration=2",
             "-i", srt, "-map", "0", "-map", "1", "-map", "2", "-map", "3", "-c:v", "libx264",
             "-preset", "ultrafast", "-c:a:0", "libvorbis", "-c:a:1", "libmp3lame", "-c:s", "srt",
             "-metadata:s:a:0", "language=eng", "-metadata:s:a:0", "title=Main track",
             "-metadata:s:s:0", "language=fre"});
        QVERIFY(!mkv.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(mkv, false);
        const ClipRun r = parseClip(mplayer, identify(mplayer), InterfaceMplayer::MediaFile);

        QCOMPARE(streams(r), QStringLiteral("audio 0 (1) eng Main track; audio 1 (2); subtitle 0 (3) fre"));
    }

    void identifyDvd()
    {
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceDvd(dvd, 1);
        const QList<QByteArray> lines = identify(mplayer);

        // The disc: two titles; a folder has no volume id.
        DiskInfo disk;
        disk.kind = InterfaceMplayer::Dvd;
        QList<int> codes;
        for (const QByteArray &line : lines) {
            int code = C::Ignored;
            QVERIFY2(mplayer.parseStdoutDisk(line, &code, &disk), line.constData());
            codes << code;
        }
        QCOMPARE(QStringLiteral("%1 titles: %2 chapters %3 s, %4 chapter %5 s; id '%6'")
                     .arg(disk.titleCount).arg(disk.title(1)->chapters).arg(disk.title(1)->length)
                     .arg(disk.title(2)->chapters).arg(disk.title(2)->length).arg(disk.volumeId),
                 QStringLiteral("2 titles: 4 chapters 8 s, 1 chapter 3 s; id ''"));
        QVERIFY(codes.contains(C::Playing) && codes.contains(C::Exiting));

        // Title 1: 16:9, four chapters, two audio tracks.
        const ClipRun r = parseClip(mplayer, lines, InterfaceMplayer::Dvd);
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(r.clip.videoFormat, QString("MPEG2"));
        QCOMPARE(r.clip.sourceSize(), QSize(720, 576));
        QCOMPARE(r.clip.displaySize(), QSize(1024, 576));
        QCOMPARE(r.clip.aspectCode, 3);
        QCOMPARE(r.clip.length, 8.0);
        QCOMPARE(r.clip.chapters, 4);
        QCOMPARE(r.clip.chapterTimes.value(0), 0.0);
        // The authored marks at 2, 4 and 6 s move to the nearest group of pictures.
        for (int i = 1; i < 4; ++i)
            QVERIFY2(qAbs(r.clip.chapterTimes.value(i) - 2.0 * i) < 0.7,
                     qPrintable(QString::number(r.clip.chapterTimes.value(i))));
        QCOMPARE(r.clip.audioCount, 2);
        QCOMPARE(streams(r), QStringLiteral("audio 128 (0) en; audio 129 (1) fr"));

        // Title 2 is 4:3.
        mplayer.setSourceDvd(dvd, 2);
        const ClipRun second = parseClip(mplayer, identify(mplayer), InterfaceMplayer::Dvd);
        QCOMPARE(second.clip.aspectCode, 2);
        QCOMPARE(second.clip.displaySize(), QSize(768, 576));
    }

    // A slave-mode playback of DVD title 1 without video and audio output.
    void slaveSession()
    {
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceDvd(dvd, 1);
        mplayer.disableVideo();
        mplayer.disableAudio();
        QString program;
        QStringList arguments;
        mplayer.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QProcess player;
        player.start(program, arguments);
        QVERIFY(player.waitForStarted(10000));
        QByteArray output;
        QVERIFY(readUntil(player, &output, [](const QByteArray &l) { return l.startsWith("Starting playback..."); }));
        // Writes the command, then reads lines until one parses to the wanted answer.
        PlaybackInfo info;
        auto answer = [&](const QString &command, int wanted) {
            player.write(command.toUtf8());
            return readUntil(player, &output, [&](const QByteArray &line) {
                int code = C::Ignored;
                PlaybackInfo fresh;
                const bool found = mplayer.parseStdoutRun(line, &code, &fresh) && code == wanted;
                if (found)
                    info = fresh;
                return found;
            });
        };

        QVERIFY(answer(mplayer.cliGetDeinterlace(), C::Deinterlace));
        QCOMPARE(info.deinterlace, 0);
        QVERIFY(answer("get_time_length\n", C::Length));
        QVERIFY2(qAbs(info.length - 8.0) < 0.5, qPrintable(QString::number(info.length)));
        QVERIFY(answer("get_video_resolution\n", C::VideoResolution));
        QCOMPARE(QSize(info.videoWidth, info.videoHeight), QSize(720, 576));
        QVERIFY(answer(mplayer.cliFaster() + mplayer.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 2.0);
        QVERIFY(answer(mplayer.cliSlower() + mplayer.cliSlower() + mplayer.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 0.5);
        QVERIFY(answer(mplayer.cliNormalSpeed() + mplayer.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 1.0);

        // Commands that answer nothing are taken without complaint.
        const QString quiet = mplayer.cliPause() + mplayer.cliPause()
                              + mplayer.cliOsdShowText("Preview mode", 3)
                              + mplayer.cliOsdShowProgression() + mplayer.cliSelectAudio(129)
                              + mplayer.cliSelectSubtitle(-1) + mplayer.cliSelectAudio(-1)
                              + mplayer.cliPrevChapter(1) + mplayer.cliNextChapter(1);
        QVERIFY(answer(quiet + mplayer.cliSeek(5) + mplayer.cliGetTimePos(), C::TimePosition));
        QVERIFY2(info.position >= 4.5 && info.position < 8.0, qPrintable(QString::number(info.position)));
        QVERIFY(answer(mplayer.cliGetChapter(), C::CurrentChapter));
        const int chapter = info.chapter;
        QVERIFY(answer(mplayer.cliNextChapter(0) + mplayer.cliGetChapter(), C::CurrentChapter));
        QCOMPARE(info.chapter, chapter + 1);

        QVERIFY(answer(mplayer.cliQuit(), C::Exiting));
        QVERIFY(player.waitForFinished(5000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
        output += player.readAllStandardError();
        QVERIFY2(!output.contains("requires at least"), output.constData());
        QVERIFY2(!output.contains("LIRC") && !output.contains("joystick"), output.constData());
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerEngine)
#include "tst_interfacemplayer_engine.moc"
