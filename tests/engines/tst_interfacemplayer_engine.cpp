// InterfaceMplayer against the real MPlayer: the command lines it builds are run on media
// the test makes, and its parsers read what MPlayer prints.

#include "testmedia.h"
#include "testregistry.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/interfacemplayer.h"
#include "engines/playbackinfo.h"
#include "engines/playercapabilities.h"
#include "engines/playeroutputcode.h"
#include "engines/playerstatus.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArrayList stdOutLines; // each with its line end, as a caller reads them
    QByteArray stdErr;
};

Run runToEnd(const QString &program, const QStringList &arguments, int timeoutMs = 30000)
{
    Run run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return run;
    process.closeWriteChannel();
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    while (process.canReadLine())
        run.stdOutLines << process.readLine();
    const QByteArray rest = process.readAll();
    if (!rest.isEmpty())
        run.stdOutLines << rest;
    run.stdErr = process.readAllStandardError();
    return run;
}

// What the player panel keeps of a clip identify run: the clip record, and a copy of the
// stream that each stream line described.
struct ClipRun
{
    ClipInfo clip;
    QList<AudioInfo> audioStreams;
    QList<SubtitleInfo> subtitleStreams;
    int failedLines = 0;
};

ClipRun parseClip(const InterfaceMplayer &mplayer, const Run &run, int kind)
{
    ClipRun result;
    result.clip.kind = kind;
    for (const QByteArray &line : run.stdOutLines) {
        int code = PlayerOutputCode::Ignored;
        if (!mplayer.parseStdoutClip(line, &code, &result.clip)) {
            ++result.failedLines;
            continue;
        }
        if (code == PlayerOutputCode::AudioStream)
            result.audioStreams << result.clip.audio;
        else if (code == PlayerOutputCode::SubtitleStream)
            result.subtitleStreams << result.clip.subtitle;
    }
    return result;
}

// A running slave-mode player: writes commands and reads answers as the panel does.
class SlaveSession
{
public:
    explicit SlaveSession(const InterfaceMplayer &mplayer) : m_mplayer(mplayer) {}

    bool start(const QString &program, const QStringList &arguments)
    {
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000) && waitForLine("Starting playback...");
    }

    // Writes the command, then reads lines until one parses to the wanted code.
    bool answer(const QString &command, int wanted, PlaybackInfo *info, int timeoutMs = 5000)
    {
        m_process.write(command.toUtf8());
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine();
                m_output += line;
                int code = PlayerOutputCode::Ignored;
                PlaybackInfo fresh;
                if (m_mplayer.parseStdoutRun(line, &code, &fresh) && code == wanted) {
                    *info = fresh;
                    return true;
                }
            }
            if (m_process.state() != QProcess::Running && !m_process.canReadLine())
                return false;
            m_process.waitForReadyRead(100);
        }
        return false;
    }

    bool waitForEnd(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    QProcess &process() { return m_process; }
    QByteArray everything() { return m_output + m_process.readAll() + m_process.readAllStandardError(); }

    ~SlaveSession()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    bool waitForLine(const QByteArray &start)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 15000) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine();
                m_output += line;
                if (line.startsWith(start))
                    return true;
            }
            if (m_process.state() != QProcess::Running)
                return false;
            m_process.waitForReadyRead(100);
        }
        return false;
    }

    const InterfaceMplayer &m_mplayer;
    QProcess m_process;
    QByteArray m_output;
};

} // namespace

class TestInterfaceMplayerEngine : public QObject
{
    Q_OBJECT

private:
    QString m_mplayerPath;
    QMap<QString, QString> m_videoDrivers;
    QMap<QString, QString> m_audioDrivers;
    PlayerCapabilities m_capabilities{&m_videoDrivers, &m_audioDrivers};
    PlayerStatus m_status;

    void initInterface(InterfaceMplayer &mplayer)
    {
        mplayer.init(m_mplayerPath, &m_capabilities, &m_status);
    }

    Run identify(InterfaceMplayer &mplayer)
    {
        QString program;
        QStringList arguments;
        mplayer.cliCmdIdentify(&program, &arguments);
        return runToEnd(program, arguments);
    }

private slots:
    void initTestCase()
    {
        m_mplayerPath = QStandardPaths::findExecutable("mplayer");
        if (m_mplayerPath.isEmpty())
            QSKIP("MPlayer is not installed");
    }

    void status()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        QString program;
        QStringList arguments;
        mplayer.cliCmdGetStatus(&program, &arguments);
        QProcess process;
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(15000));
        m_status.clear();
        m_status.stdOut = process.readAllStandardOutput();
        m_status.stdErr = process.readAllStandardError();
        m_status.state = PlayerStatus::OutputCaptured;

        mplayer.parseStatus();
        QCOMPARE(m_status.state, int(PlayerStatus::Ready));
        QCOMPARE(m_status.signature, QString("MPlayer"));
        QVERIFY(!m_status.version.isEmpty());
        QVERIFY2(m_status.version.startsWith("UNKNOWN") || m_status.version.at(0).isDigit()
                     || m_status.version.startsWith("SVN"),
                 qPrintable(m_status.version));
        for (const char *driver : {"gl", "x11", "xv", "null"})
            QVERIFY2(m_videoDrivers.contains(driver), driver);
        QVERIFY(m_status.openGl);
        QCOMPARE(m_videoDrivers.value("null"), QString("Null video output"));
        QVERIFY(m_audioDrivers.contains("null"));
        QVERIFY(m_audioDrivers.contains("pcm"));
        QVERIFY(!m_videoDrivers.contains("Available"));

        QVERIFY(mplayer.setVideoOutput("x11"));
        QVERIFY(!mplayer.setVideoOutput("no-such-driver"));
    }

    void identifyAvi()
    {
        const QString avi = TestMedia::standardAvi();
        QVERIFY(!avi.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(avi, false);
        const Run run = identify(mplayer);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);

        const ClipRun r = parseClip(mplayer, run, InterfaceMplayer::MediaFile);
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(r.clip.fileFormat, QString("AVI"));
        QVERIFY(!r.clip.audioOnly);
        QCOMPARE(r.clip.videoFormat, QString("FMP4")); // the VIDEO line names the codec first
        QCOMPARE(r.clip.sourceSize(), QSize(320, 240));
        QCOMPARE(r.clip.displaySize(), QSize(320, 240));
        QCOMPARE(r.clip.frameRate, 25.0);
        QCOMPARE(r.clip.frameRateCode, 3);
        QVERIFY2(qAbs(r.clip.length - 3.0) < 0.2, qPrintable(QString::number(r.clip.length)));
        QCOMPARE(r.clip.aspect, 1.33);
        QCOMPARE(r.audioStreams.size(), 1);
        QCOMPARE(r.audioStreams[0].aid, 1);
        QCOMPARE(r.audioStreams[0].streamNumber, 1);
        QCOMPARE(r.clip.audio.format, QString("MP3"));
        QCOMPARE(r.clip.audio.codec, QString("mpg123"));
        QCOMPARE(r.clip.audio.samplingRate, 44100);
        QCOMPARE(r.clip.audio.channelCount, 2);
        QVERIFY(r.subtitleStreams.isEmpty());
        // Joystick and LIRC are not asked for, so nothing of them reaches standard error.
        QVERIFY2(!run.stdErr.contains("LIRC") && !run.stdErr.contains("joystick"),
                 run.stdErr.constData());
    }

    void identifyMp4()
    {
        const QString mp4 = TestMedia::standardMp4();
        QVERIFY(!mp4.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(mp4, false);
        const Run run = identify(mplayer);
        QVERIFY(run.finished);

        const ClipRun r = parseClip(mplayer, run, InterfaceMplayer::MediaFile);
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(r.clip.fileFormat, QString("libavformat"));
        QCOMPARE(r.clip.videoFormat, QString("H264"));
        QCOMPARE(r.clip.sourceSize(), QSize(320, 240));
        QCOMPARE(r.clip.frameRate, 25.0);
        QCOMPARE(r.clip.frameRateCode, 3);
        QVERIFY(qAbs(r.clip.length - 3.0) < 0.2);
        QCOMPARE(r.audioStreams.size(), 1);
        QCOMPARE(r.audioStreams[0].aid, 0);
        QCOMPARE(r.audioStreams[0].streamNumber, 1);
        QCOMPARE(r.audioStreams[0].format, QString("aac"));
        QCOMPARE(r.clip.audio.codec, QString("aac"));
    }

    // Two audio streams, one of them untagged, and a subtitle: the ids of all survive.
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

        QCOMPARE(r.audioStreams.size(), 2);
        QCOMPARE(r.audioStreams[0].aid, 0);
        QCOMPARE(r.audioStreams[0].language, QString("eng"));
        QCOMPARE(r.audioStreams[0].description, QString("Main track"));
        QCOMPARE(r.audioStreams[1].aid, 1);
        QCOMPARE(r.audioStreams[1].streamNumber, 2);
        QVERIFY(r.audioStreams[1].language.isEmpty());
        QCOMPARE(r.subtitleStreams.size(), 1);
        QCOMPARE(r.subtitleStreams[0].sid, 0);
        QCOMPARE(r.subtitleStreams[0].language, QString("fre"));
    }

    void identifyAudioOnly()
    {
        const QString mp3 = TestMedia::clip("tone.mp3", {"-f", "lavfi", "-i",
                                                         "sine=frequency=440:duration=1",
                                                         "-c:a", "libmp3lame"});
        QVERIFY(!mp3.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(mp3, true);
        const ClipRun r = parseClip(mplayer, identify(mplayer), InterfaceMplayer::MediaFile);
        QVERIFY(r.clip.audioOnly);
        QVERIFY(r.clip.videoFormat.isEmpty());
        QCOMPARE(r.clip.audio.format, QString("MP3"));
        QCOMPARE(r.clip.audio.samplingRate, 44100);
        QVERIFY(qAbs(r.clip.length - 1.0) < 0.2);
    }

    void identifyDvd()
    {
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceDvd(dvd, 1);
        const Run run = identify(mplayer);
        QVERIFY(run.finished);

        // The disc.
        DiskInfo disk;
        disk.kind = InterfaceMplayer::Dvd;
        QList<int> codes;
        for (const QByteArray &line : run.stdOutLines) {
            int code = PlayerOutputCode::Ignored;
            QVERIFY2(mplayer.parseStdoutDisk(line, &code, &disk), line.constData());
            codes << code;
        }
        QCOMPARE(disk.titleCount, 2);
        QCOMPARE(disk.title(1)->chapters, 4);
        QCOMPARE(disk.title(2)->chapters, 1);
        QCOMPARE(disk.title(1)->angles, 1);
        QCOMPARE(disk.title(1)->length, 8.0);
        QCOMPARE(disk.title(2)->length, 3.0);
        QCOMPARE(disk.title(3)->chapters, 0);
        QVERIFY(disk.volumeId.isEmpty()); // a folder has no volume id
        QVERIFY(codes.contains(PlayerOutputCode::Playing));
        QVERIFY(codes.contains(PlayerOutputCode::Exiting));

        // Title 1: 16:9, four chapters, two audio tracks.
        const ClipRun r = parseClip(mplayer, run, InterfaceMplayer::Dvd);
        QCOMPARE(r.failedLines, 0);
        QCOMPARE(r.clip.fileFormat, QString("MPEG-PS"));
        QCOMPARE(r.clip.videoFormat, QString("MPEG2"));
        QCOMPARE(r.clip.sourceSize(), QSize(720, 576));
        QCOMPARE(r.clip.displaySize(), QSize(1024, 576));
        QCOMPARE(r.clip.aspectCode, 3);
        QCOMPARE(r.clip.frameRateCode, 3);
        QCOMPARE(r.clip.angles, 1);
        QCOMPARE(r.clip.length, 8.0);
        QCOMPARE(r.clip.chapters, 4);
        QCOMPARE(r.clip.chapterTimes.size(), 4);
        QCOMPARE(r.clip.chapterTimes[0], 0.0);
        // The authored marks at 2, 4 and 6 s move to the nearest group of pictures.
        for (int i = 1; i < 4; ++i)
            QVERIFY2(qAbs(r.clip.chapterTimes[i] - 2.0 * i) < 0.7,
                     qPrintable(QString::number(r.clip.chapterTimes[i])));
        QCOMPARE(r.clip.audioCount, 2);
        QCOMPARE(r.audioStreams.size(), 2);
        QCOMPARE(r.audioStreams[0].aid, 128);
        QCOMPARE(r.audioStreams[0].language, QString("en"));
        QCOMPARE(r.audioStreams[0].format, QString("ac3"));
        QCOMPARE(r.audioStreams[1].aid, 129);
        QCOMPARE(r.audioStreams[1].streamNumber, 1);
        QCOMPARE(r.audioStreams[1].language, QString("fr"));
        QCOMPARE(r.clip.subtitleCount, 0);

        // Title 2: 4:3.
        mplayer.setSourceDvd(dvd, 2);
        const ClipRun second = parseClip(mplayer, identify(mplayer), InterfaceMplayer::Dvd);
        QCOMPARE(second.clip.aspectCode, 2);
        QCOMPARE(second.clip.displaySize(), QSize(768, 576));
        // A title of one chapter prints no chapter list; the disc lines give its count.
        QCOMPARE(second.clip.chapters, 0);
        QCOMPARE(second.audioStreams.size(), 1);
    }

    void identifyMissingFile()
    {
        InterfaceMplayer mplayer;
        initInterface(mplayer);
        mplayer.setSourceFile(TestMedia::folder() + "/no such file.avi", false);
        const Run run = identify(mplayer);
        QVERIFY(run.finished);
        bool notFound = false;
        for (const QByteArray &line : run.stdErr.split('\n')) {
            int code = PlayerOutputCode::Ignored;
            QString text;
            mplayer.parseStderr(line, &code, &text);
            notFound = notFound || code == PlayerOutputCode::FileNotFound;
        }
        QVERIFY2(notFound, run.stdErr.constData());
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
        QVERIFY(arguments.contains("-slave"));

        SlaveSession session(mplayer);
        QVERIFY(session.start(program, arguments));
        using C = PlayerOutputCode;
        PlaybackInfo info;

        QVERIFY(session.answer(mplayer.cliGetDeinterlace(), C::Deinterlace, &info));
        QCOMPARE(info.deinterlace, 0);
        QVERIFY(session.answer("get_time_length\n", C::Length, &info));
        QVERIFY2(qAbs(info.length - 8.0) < 0.5, qPrintable(QString::number(info.length)));
        QVERIFY(session.answer("get_video_resolution\n", C::VideoResolution, &info));
        QCOMPARE(info.videoWidth, 720);
        QCOMPARE(info.videoHeight, 576);

        QVERIFY(session.answer(mplayer.cliFaster() + mplayer.cliGetSpeed(), C::Speed, &info));
        QCOMPARE(info.speed, 2.0);
        QVERIFY(session.answer(mplayer.cliNormalSpeed() + mplayer.cliGetSpeed(), C::Speed, &info));
        QCOMPARE(info.speed, 1.0);
        QVERIFY(session.answer(mplayer.cliSlower() + mplayer.cliGetSpeed(), C::Speed, &info));
        QCOMPARE(info.speed, 0.5);
        QVERIFY(session.answer(mplayer.cliNormalSpeed() + mplayer.cliGetSpeed(), C::Speed, &info));
        QCOMPARE(info.speed, 1.0);

        // Commands that answer nothing are taken without complaint.
        const QString quiet = mplayer.cliPause() + mplayer.cliPause()
                              + mplayer.cliOsdShowText("Preview mode", 3)
                              + mplayer.cliOsdShowProgression() + mplayer.cliSelectAudio(129)
                              + mplayer.cliSelectSubtitle(-1) + mplayer.cliSelectAudio(-1)
                              + mplayer.cliSelectAudio(128) + mplayer.cliPrevChapter(1)
                              + mplayer.cliNextChapter(1);
        QVERIFY(session.answer(quiet + mplayer.cliGetTimePos(), C::TimePosition, &info));

        QVERIFY(session.answer(mplayer.cliSeek(5) + mplayer.cliGetTimePos(), C::TimePosition, &info));
        QVERIFY2(info.position >= 4.5 && info.position < 8.0, qPrintable(QString::number(info.position)));
        QVERIFY(session.answer(mplayer.cliGetChapter(), C::CurrentChapter, &info));
        const int chapter = info.chapter;
        QVERIFY(session.answer(mplayer.cliNextChapter(0) + mplayer.cliGetChapter(), C::CurrentChapter,
                               &info));
        QCOMPARE(info.chapter, chapter + 1);

        QVERIFY(session.answer(mplayer.cliQuit(), C::Exiting, &info));
        QVERIFY(session.waitForEnd(5000));
        QCOMPARE(session.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.process().exitCode(), 0);
        const QByteArray output = session.everything();
        QVERIFY2(!output.contains("requires at least"), output.constData());
        QVERIFY2(!output.contains("LIRC") && !output.contains("joystick"), output.constData());
    }
};

VEXO_TEST_CLASS(TestInterfaceMplayerEngine)
#include "tst_interfacemplayer_engine.moc"
