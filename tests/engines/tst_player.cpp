// The player facade on stand-in engines: engines that answer wrongly, hang or crash,
// binary and back-end changes, dispatch to the MPlayer interface, and the log sinks.

#include "engines/interfacemplayer.h"
#include "engines/mervoplayer.h"
#include "engines/playbackinfo.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "jobs/console.h"

#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

namespace {
const QString kMissing = QStringLiteral("/nonexistent/vexo/engine");
const QString kVlcWarning = QStringLiteral("player backend: VLC interface not implemented yet");

// An engine that runs the fake engine in one mode, whatever it is asked; the text goes
// in double quotes, so it may hold line breaks.
QString fake(const QString &name, const QString &mode, const QString &text = QString())
{
    return writeEngineScript(name, "exec '" + TestMedia::fakeEngine() + "' " + mode
                                       + (text.isNull() ? QString() : " \"" + text + '"'));
}

// A status answer shaped as today's MPlayer prints it: tab-indented, "\n" line ends.
QString mplayerStatus(const QString &version, const QString &videoDrivers)
{
    return "MPlayer " + version + " (C) 2000-2023 MPlayer Team\nAvailable video output drivers:\n"
           + videoDrivers + "\nAvailable audio output drivers:\n\tnull\tNull audio output\n";
}

QStringList lines(const QTextEdit &console)
{
    return console.toPlainText().split('\n', Qt::SkipEmptyParts);
}

struct Consoles
{
    QTextEdit stdIn;
    QTextEdit stdOut;
    QTextEdit stdErr;
    QTextEdit log;
};
} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT

    QString m_mediaInfo;
    QString m_ffprobe;
    QString m_mplayer;

    std::unique_ptr<Player> make(Consoles &c, const QString &backend, const QString &mediaInfo,
                                 const QString &ffprobe, int logLevel = LogLevel::Verbose,
                                 int type = Player::MplayerBackend)
    {
        return std::make_unique<Player>(type, backend, mediaInfo, ffprobe, &c.stdIn, &c.stdOut,
                                        &c.stdErr, &c.log, logLevel, 0, 0, 0);
    }

private slots:
    void initTestCase()
    {
        m_mediaInfo = fake("mediainfo-ok", "print", "MediaInfo Command line, \nMediaInfoLib - v23.04");
        m_ffprobe = fake("ffprobe-ok", "print", "ffprobe version 5.1.9-fake Copyright (c) 2007-2023");
        m_mplayer = fake("mplayer-ok", "print",
                         mplayerStatus("1.5-fake", "\tx11\tX11 ( XImage/Shm )\n\tgl\tOpenGL\n"));
        QVERIFY(!m_mediaInfo.isEmpty() && !m_ffprobe.isEmpty() && !m_mplayer.isEmpty());
    }

    // Each status run echoes its command line and outputs; the three run in their order.
    void statusRunsEchoAndLog()
    {
        Consoles c;
        MervoPlayer player(Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe, &c.stdIn,
                           &c.stdOut, &c.stdErr, &c.log, LogLevel::Verbose, 0, 0, 0);
        QCOMPARE(player.utilityVersion(Player::FFprobeUtility), QStringLiteral("5.1.9-fake"));
        QCOMPARE(player.utilityVersion(Player::BackendUtility), QStringLiteral("1.5-fake"));
        QCOMPARE(player.utilityVersion(3), QStringLiteral("undefined"));
        QCOMPARE(player.utilityBinary(Player::VlcUtility), QStringLiteral("VLC not supported"));
        QCOMPARE(lines(c.stdErr), QStringList{kVlcWarning});
        QString program;
        QStringList arguments;
        player.cliCmdGetStatus(&program, &arguments);
        QCOMPARE(lines(c.stdIn), QStringList({m_mediaInfo + " --version", m_ffprobe + " -version",
                                              program + ' ' + arguments.join(' ')}));
        QVERIFY(c.stdOut.toPlainText().contains("MediaInfoLib - v23.04"));
        QStringList log = QString("MediaInfo utitlity reset begins|MediaInfo process starts|"
                                  "MediaInfo process started|MediaInfo process finished|"
                                  "MediaInfo utility reset completed|MediaInfo utility is ready|"
                                  "FFprobe utitlity reset begins|FFprobe process starts|"
                                  "FFprobe process started|FFprobe process finished|"
                                  "FFprobe utility is ready|FFprobe utility reset completed|"
                                  "MPlayer backend reset begins|MPlayer process starts|"
                                  "MPlayer process started|MPlayer process finished|"
                                  "MPlayer backend reset completed|MPlayer backend is ready")
                              .split('|');
        for (QString &line : log)
            line = "Player: " + line + '.';
        QCOMPARE(lines(c.log), log);
    }

    // An engine that crashes or answers with another banner fails its initialization, and
    // the log names its binary even when quiet.
    void faultyEngineIsReported_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("log");
        const QString binary = "Player: %1 binary is %2";
        const QString failed = "Player: %1 failed initialization.";
        for (const auto &[which, name, utility] :
             {std::tuple(0, "MediaInfo", "MediaInfo utility"), std::tuple(1, "FFprobe", "FFprobe utility"),
              std::tuple(2, "MPlayer", "MPlayer backend")}) {
            QTest::addRow("%s crashes", name)
                << which << "crash"
                << QStringList{QStringLiteral("Warning: %1 process crashed.").arg(name),
                               binary.arg(utility), failed.arg(utility)};
            QTest::addRow("%s answers wrongly", name)
                << which << "print" << QStringList{binary.arg(utility), failed.arg(utility)};
        }
    }

    void faultyEngineIsReported()
    {
        QFETCH(int, which);
        QFETCH(QString, mode);
        QFETCH(QStringList, log);
        const QString faulty = fake("faulty", mode, "SomeOtherTool 1.0");
        Consoles c;
        auto player = make(c, which == 2 ? faulty : m_mplayer, which == 0 ? faulty : m_mediaInfo,
                           which == 1 ? faulty : m_ffprobe, LogLevel::Normal);
        QCOMPARE(lines(c.log), log.replaceInStrings("%2", faulty));
        const InterfaceStatus *status[] = {player->mediaInfoStatus(), player->ffprobeStatus(),
                                           player->playerStatus()};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(status[i]->state, int(i == which ? InterfaceStatus::ParseFailed : InterfaceStatus::Ready));
    }

    void hangingEngineIsKilledAndItsOutputParsed()
    {
        const QString hanging = fake("mediainfo-hang", "partial-hang",
                                     "MediaInfo Command line, \nMediaInfoLib - v99.1");
        Consoles c;
        auto player = make(c, m_mplayer, m_mediaInfo, m_ffprobe);
        player->setTimeouts(3000, 400, 3000);
        c.log.clear();
        QElapsedTimer clock;
        clock.start();
        player->setMediaInfoBinary(hanging);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QStringLiteral("v99.1"));
        const QStringList log = lines(c.log);
        QVERIFY(log.contains("Player: MediaInfo process killed."));
        QVERIFY(log.indexOf("Player: MediaInfo process being killed.")
                < log.indexOf("Player: MediaInfo utility is ready."));
    }

    // A null path disables a run and keeps the status; an empty one is a path that fails.
    void nullBinaryOnlyDisablesEmptyOneRuns()
    {
        Consoles c;
        auto player = make(c, m_mplayer, m_mediaInfo, m_ffprobe, LogLevel::Normal);
        c.log.clear();
        c.stdIn.clear();
        player->setBackendBinary(QString());
        player->setMediaInfoBinary(QString());
        player->setFFprobeBinary(QString());
        QCOMPARE(lines(c.log), QStringList({"Player: MPlayer backend is disabled.",
                                            "Player: MediaInfo utility is disabled.",
                                            "Player: FFprobe utility is disabled."}));
        QVERIFY(c.stdIn.toPlainText().isEmpty());
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));

        c.log.clear();
        player->setBackendBinary(QStringLiteral(""));
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
        QCOMPARE(lines(c.log), QStringList{"Player: MPlayer process failed to start in 3000 milliseconds."});
    }

    // The driver lists belong to one binary: a new binary may lack drivers the old one had.
    void backendResetForgetsDriversOfThePreviousBinary()
    {
        const QString other = fake("mplayer-nogl", "print",
                                   mplayerStatus("1.5-other", "\tx11\tX11 ( XImage/Shm )\n"));
        Consoles c;
        auto player = make(c, m_mplayer, kMissing, kMissing);
        QVERIFY(player->setVideoOutput("gl"));
        player->setBackendBinary(other);
        QCOMPARE(player->utilityVersion(Player::BackendUtility), QStringLiteral("1.5-other"));
        QCOMPARE(player->playerCapabilities()->videoDrivers->keys(), QStringList{"x11"});
        QVERIFY(!player->playerStatus()->openGl);
        QVERIFY(!player->setVideoOutput("gl"));
    }

    // Without an MPlayer interface every call answers empty and says why; nothing crashes.
    void unsupportedBackendAnswersEmpty_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("initMessage");
        QTest::addColumn<QString>("dispatchMessage");
        QTest::newRow("undefined") << 0 << "player backend undefined" << "player backend (type 0) unknown";
        QTest::newRow("VLC") << 5 << kVlcWarning << kVlcWarning;
        QTest::newRow("unknown") << 7 << "player backend (type 7) unknown" << "player backend (type 7) unknown";
    }

    void unsupportedBackendAnswersEmpty()
    {
        QFETCH(int, type);
        QFETCH(QString, initMessage);
        QFETCH(QString, dispatchMessage);
        Consoles c;
        auto player = make(c, m_mplayer, m_mediaInfo, m_ffprobe, LogLevel::Normal, type);
        QCOMPARE(lines(c.stdErr).value(0), initMessage);
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
        QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));

        c.stdErr.clear();
        QCOMPARE(player->cliQuit(), QString());
        QVERIFY(!player->setVideoOutput("gl"));
        QString program = "stale";
        QStringList arguments = {"stale"};
        player->cliPlay(&program, &arguments, 10, 0, 0, 0);
        QVERIFY(program.isEmpty() && arguments.isEmpty());
        int code = -7;
        PlaybackInfo info;
        QVERIFY(!player->parseStdoutRun("ANS_speed=2", &code, &info));
        QCOMPARE(code, -7);
        QCOMPARE(lines(c.stdErr), QStringList(4, dispatchMessage));
        QCOMPARE(player->utilityBinary(Player::BackendUtility), QString());
    }

    // The facade hands every call to the MPlayer interface and keeps the source kinds apart.
    void callsReachTheInterface()
    {
        Consoles c;
        auto player = make(c, m_mplayer, kMissing, kMissing);
        InterfaceMplayer m;
        QCOMPARE(player->cliQuit() + player->cliPause() + player->cliSelectAudio(2)
                     + player->cliSelectSubtitle(3) + player->cliOsdShowText("Paused", 1500)
                     + player->cliOsdShowProgression() + player->cliGetTimePos()
                     + player->cliGetChapter() + player->cliGetDeinterlace() + player->cliGetSpeed()
                     + player->cliPrevChapter(30) + player->cliNextChapter(20) + player->cliSeek(75)
                     + player->cliFaster() + player->cliSlower() + player->cliNormalSpeed(),
                 m.cliQuit() + m.cliPause() + m.cliSelectAudio(2) + m.cliSelectSubtitle(3)
                     + m.cliOsdShowText("Paused", 1500) + m.cliOsdShowProgression()
                     + m.cliGetTimePos() + m.cliGetChapter() + m.cliGetDeinterlace()
                     + m.cliGetSpeed() + m.cliPrevChapter(30) + m.cliNextChapter(20) + m.cliSeek(75)
                     + m.cliFaster() + m.cliSlower() + m.cliNormalSpeed());

        // Both build the same command lines. A file source of kind 2 is a DVD played from
        // title 1, and a DVD title of kind 1 is a file.
        m.init(m_mplayer, nullptr, nullptr);
        auto sameCommandLines = [&] {
            QString program, expectedProgram;
            QStringList arguments, expected;
            player->cliPlay(&program, &arguments, 250, 3, 4, 5);
            m.cliPlay(&expectedProgram, &expected, 250, 3, 4, 5);
            QCOMPARE(program, expectedProgram);
            QCOMPARE(arguments, expected);
            player->cliCmdIdentify(&program, &arguments);
            m.cliCmdIdentify(&expectedProgram, &expected);
            QCOMPARE(arguments, expected);
        };
        player->setSourceFile("/media/My DVD", 2, false);
        m.setSourceDvd("/media/My DVD", 1);
        sameCommandLines();
        player->setSourceDvdTitle("/tmp/movie.avi", 1, 7);
        m.setSourceFile("/tmp/movie.avi", false);
        sameCommandLines();
        player->setSourceDvdTitle("/media/My DVD", 2, 3);
        player->setDvdAngle(2);
        player->disableVideo();
        m.setSourceDvd("/media/My DVD", 3);
        m.setDvdAngle(2);
        m.disableVideo();
        sameCommandLines();

        c.stdErr.clear();
        player->setChapterList({2, 4});
        QCOMPARE(lines(c.stdErr), QStringList{"slices restricted as a chapter list in this "
                                              "implementation of InterfaceMplayer"});
        int code = -1;
        QString text;
        player->parseStderr("File not found: 'x'\n", &code, &text);
        QCOMPARE(code, int(PlayerOutputCode::FileNotFound));
    }

    // Each sink shows the lines up to its level; without a console, or once the console is
    // gone, every line goes to the debug output with its prefix.
    void logSinks()
    {
        Consoles c;
        auto player = make(c, kMissing, kMissing, kMissing, LogLevel::Normal);
        c.log.clear();
        player->log("shown", LogLevel::Normal);
        player->log("dropped", LogLevel::Verbose);
        player->logStdErr("err", LogLevel::Normal);
        QCOMPARE(lines(c.log), QStringList{"shown"});
        QCOMPARE(lines(c.stdErr), QStringList{"err"});

        auto log = std::make_unique<QTextEdit>();
        Player bare(Player::MplayerBackend, kMissing, kMissing, kMissing, nullptr, nullptr,
                    nullptr, log.get(), LogLevel::Quiet, 0, 0, 0);
        log.reset();
        for (const char *expected : {"Player Log: a", "Player stdIn: b", "Player stdOut: c", "Player stdErr: d"})
            QTest::ignoreMessage(QtDebugMsg, expected); // the test fails unless each one comes
        bare.log("a", LogLevel::Verbose);
        bare.logStdIn("b", LogLevel::Verbose);
        bare.logStdOut("c", LogLevel::Verbose);
        bare.logStdErr("d", LogLevel::Verbose);
    }
};

VEXO_TEST_CLASS(TestPlayer)
#include "tst_player.moc"
