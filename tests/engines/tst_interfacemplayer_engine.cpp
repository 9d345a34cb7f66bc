// InterfaceMplayer against the real MPlayer: the command lines it builds are run on media
// the test makes, and its parsers read what MPlayer prints.

#include "testmedia.h"
#include "testregistry.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacemplayer.h"
#include "engines/playbackinfo.h"
#include "engines/playeroutputcode.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QProcess>
#include <QTest>

namespace {

using C = PlayerOutputCode;

// Runs the identify command to its end; returns the standard output lines.
QList<QByteArray> identify(const InterfaceMplayer &mplayer, QString *stdErr = nullptr)
{
    QString program, out;
    QStringList arguments;
    mplayer.cliCmdIdentify(&program, &arguments);
    if (TestMedia::run(program, arguments, &out, stdErr, 30000) < 0)
        qWarning("identify run failed");
    return out.toUtf8().split('\n');
}

// What the player panel keeps of a clip identify run: the clip record, and each audio
// stream line as "audio <id> (<stream number>) <language>".
struct ClipRun
{
    ClipInfo clip;
    QStringList audio;
    int failedLines = 0;
};

ClipRun parseClip(const InterfaceMplayer &mplayer, const QList<QByteArray> &lines, int kind)
{
    ClipRun run;
    run.clip.kind = kind;
    for (const QByteArray &line : lines) {
        int code = C::Ignored;
        const AudioInfo &a = run.clip.audio;
        if (!mplayer.parseStdoutClip(line, &code, &run.clip))
            ++run.failedLines;
        else if (code == C::AudioStream)
            run.audio << QStringLiteral("audio %1 (%2) %3").arg(a.aid).arg(a.streamNumber).arg(a.language).trimmed();
    }
    return run;
}

} // namespace

class TestInterfaceMplayerEngine : public QObject
{
    Q_OBJECT

    // MPlayer as found on PATH.
    static void initInterface(InterfaceMplayer &mplayer) { mplayer.init("mplayer", nullptr, nullptr); }

private slots:
    // Format, codec, size, frame rate and its code, length and the audio streams with ids.
    void identifyFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("summary");
        QTest::newRow("avi") << TestMedia::standardAvi()
                             << "AVI FMP4 320x240 25 fps (3) 3 s, audio 1 (1), MP3 mpg123 BITRATE";
        QTest::newRow("mp4") << TestMedia::standardMp4()
                             << "libavformat H264 320x240 25 fps (3) 3 s, audio 0 (1) und, MP4A aac BITRATE";
        // Relative to the working folder, and named like an option.
        QTest::newRow("relative name starting with -") << "-ss 0.avi"
                             << "AVI FMP4 320x240 25 fps (3) 3 s, audio 1 (1), MP3 mpg123 BITRATE";
    }

    void identifyFile()
    {
        QFETCH(QString, path);
        QVERIFY(!path.isEmpty());
        const QString workingFolder = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(workingFolder); });
        if (path.startsWith('-')) {
            QVERIFY(QDir::setCurrent(TestMedia::folder()));
            QFile::remove(path);
            QVERIFY(QFile::copy(TestMedia::standardAvi(), path));
        }
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(path, false);
        QString stdErr;
        const ClipRun r = parseClip(mplayer, identify(mplayer, &stdErr), InterfaceMplayer::MediaFile);
        QCOMPARE(r.failedLines, 0);
        const ClipInfo &c = r.clip;
        QFETCH(QString, summary);
        // The audio bit rate as ffprobe reads it, in whole kbit/s.
        QString probed;
        TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream=bit_rate",
                                   "-of", "default=nw=1:nk=1", QFileInfo(path).absoluteFilePath()}, &probed);
        QVERIFY(probed.trimmed().toInt() > 0);
        summary.replace("BITRATE", QString::number(probed.trimmed().toInt() / 1000) + " kbit/s");
        QCOMPARE(QStringLiteral("%1 %2 %3x%4 %5 fps (%6) %7 s, %8, %9 %10 %11 kbit/s")
                     .arg(c.fileFormat, c.videoFormat).arg(c.width).arg(c.height).arg(c.frameRate)
                     .arg(c.frameRateCode).arg(qRound(c.length))
                     .arg(r.audio.join("; "), c.audio.format, c.audio.codec).arg(c.audio.bitrate),
                 summary);
        // Joystick and LIRC are not asked for, so nothing of them reaches standard error.
        QVERIFY2(!stdErr.contains("LIRC") && !stdErr.contains("joystick"), qPrintable(stdErr));
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
        for (const QByteArray &line : lines)
            QVERIFY2(mplayer.parseStdoutDisk(line, &codes.emplace_back(C::Ignored), &disk), line.constData());
        QCOMPARE(QStringLiteral("%1 titles: %2 chapters %3 s, %4 chapter %5 s; id '%6'")
                     .arg(disk.titleCount).arg(disk.title(1)->chapters).arg(disk.title(1)->length)
                     .arg(disk.title(2)->chapters).arg(disk.title(2)->length).arg(disk.volumeId),
                 QStringLiteral("2 titles: 4 chapters 8 s, 1 chapter 3 s; id ''"));
        QVERIFY(codes.contains(C::Playing) && codes.contains(C::Exiting));

        // Title 1: 16:9, four chapters, two audio tracks.
        const ClipRun r = parseClip(mplayer, lines, InterfaceMplayer::Dvd);
        const ClipInfo &c = r.clip;
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(QStringLiteral("%1 %2x%3 shown %4x%5 (%6) %7 s, %8 chapters, %9 audio")
                     .arg(c.videoFormat).arg(c.width).arg(c.height).arg(c.displaySize().width())
                     .arg(c.displaySize().height()).arg(c.aspectCode).arg(c.length).arg(c.chapters)
                     .arg(c.audioCount),
                 QStringLiteral("MPEG2 720x576 shown 1024x576 (3) 8 s, 4 chapters, 2 audio"));
        // The authored marks at 0, 2, 4 and 6 s move to the nearest group of pictures.
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(c.chapterTimes.value(i, -9) - 2.0 * i) < 0.7,
                     qPrintable(QString::number(c.chapterTimes.value(i))));
        QCOMPARE(r.audio.join("; "), QStringLiteral("audio 128 (0) en; audio 129 (1) fr"));
    }

    // The font-cache and status command lines are taken by today's MPlayer as they stand
    // (the status run, a help answer, ends with code 1).
    void queryCommandsRun()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        for (auto command : {&InterfaceMplayer::cliCmdUpdateFontCache, &InterfaceMplayer::cliCmdGetStatus}) {
            QString program, stdOut, stdErr;
            QStringList arguments;
            (mplayer.*command)(&program, &arguments);
            QVERIFY(TestMedia::run(program, arguments, &stdOut, &stdErr, 30000) >= 0);
            QVERIFY2(!(stdOut + stdErr).contains("Error parsing option"), qPrintable(stdErr));
        }
    }

    // A slave-mode playback of DVD title 1 without video and audio output.
    void slaveSession()
    {
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        InterfaceMplayer m;
        initInterface(m);
        m.setSourceDvd(dvd, 1);
        m.disableVideo();
        m.disableAudio();
        QString program;
        QStringList arguments;
        m.cliPlay(&program, &arguments, 0, 0, 0, 0);
        QProcess player;
        player.start(program, arguments);
        QByteArray output;
        PlaybackInfo info;
        // Writes the command, then reads lines until one parses to the wanted answer; false
        // when the player ends or 15 s pass first.
        auto answer = [&](const QString &command, int wanted) {
            player.write(command.toUtf8());
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < 15000
                   && (player.canReadLine() || player.state() != QProcess::NotRunning)) {
                if (!player.canReadLine() && !player.waitForReadyRead(100))
                    continue;
                const QByteArray line = player.readLine();
                output += line;
                int code = C::Ignored;
                PlaybackInfo fresh;
                if (wanted == C::StartingPlayback ? line.startsWith("Starting playback...")
                                                  : m.parseStdoutRun(line, &code, &fresh) && code == wanted) {
                    info = fresh;
                    return true;
                }
            }
            return false;
        };
        QVERIFY(answer(QString(), C::StartingPlayback));
        QVERIFY(answer(m.cliGetDeinterlace(), C::Deinterlace));
        QCOMPARE(info.deinterlace, 0);
        QVERIFY(answer("get_time_length\n", C::Length));
        QVERIFY2(qAbs(info.length - 8.0) < 0.5, qPrintable(QString::number(info.length)));
        QVERIFY(answer("get_video_resolution\n", C::VideoResolution));
        QCOMPARE(QSize(info.videoWidth, info.videoHeight), QSize(720, 576));
        QVERIFY(answer(m.cliFaster() + m.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 2.0);
        QVERIFY(answer(m.cliFaster() + m.cliSlower() + m.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 2.0);
        QVERIFY(answer(m.cliNormalSpeed() + m.cliGetSpeed(), C::Speed));
        QCOMPARE(info.speed, 1.0);
        // Commands that answer nothing are taken without complaint.
        QVERIFY(answer(m.cliPause() + m.cliPause() + m.cliOsdShowText("Preview", 3) + m.cliOsdShowProgression()
                           + m.cliSelectAudio(129) + m.cliSelectSubtitle(-1) + m.cliSelectAudio(-1)
                           + m.cliPrevChapter(1) + m.cliNextChapter(1) + m.cliSeek(5) + m.cliGetTimePos(),
                       C::TimePosition));
        QVERIFY2(info.position >= 4.5 && info.position < 8.0, qPrintable(QString::number(info.position)));
        QVERIFY(answer(m.cliGetChapter(), C::CurrentChapter));
        const int chapter = info.chapter;
        QVERIFY(answer(m.cliNextChapter(0) + m.cliGetChapter(), C::CurrentChapter));
        QCOMPARE(info.chapter, chapter + 1);

        QVERIFY(answer(m.cliQuit(), C::Exiting));
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
        output += player.readAllStandardError();
        QVERIFY2(!output.contains("requires at least"), output.constData());
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerEngine)
#include "tst_interfacemplayer_engine.moc"
