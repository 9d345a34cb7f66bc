// The player facade on stand-in engines: engines that answer wrongly or crash, back-end
// changes, and the log sinks.

#include "engines/playbackinfo.h"
#include "engines/player.h"

#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>

#include <memory>

namespace {
const QString kMissing = QStringLiteral("/nonexistent/vexo/engine");
const QString kVlcWarning = QStringLiteral("player backend: VLC interface not implemented yet");

// An engine that runs the fake engine in one mode, whatever it is asked; the text goes
// in double quotes, so it may hold line breaks.
QString fake(const QString &name, const QString &mode, const QString &text)
{
    return writeEngineScript(name, "exec '" + TestMedia::fakeEngine() + "' " + mode + " \"" + text + '"');
}

// A status answer shaped as today's MPlayer prints it: tab-indented, "\n" line ends.
QString mplayerStatus(const QString &version, const QString &videoDrivers)
{
    return "MPlayer " + version + " (C) 2000-2023 MPlayer Team\nAvailable video output drivers:\n"
           + videoDrivers + "\nAvailable audio output drivers:\n\tnull\tNull audio output\n";
}

QStringList lines(const QTextEdit &console) { return console.toPlainText().split('\n', Qt::SkipEmptyParts); }

struct Consoles { QTextEdit stdIn, stdOut, stdErr, log; };
} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT

    QString m_mediaInfo, m_ffprobe, m_mplayer;

    std::unique_ptr<Player> make(Consoles &c, const QString &backend, const QString &mediaInfo, const QString &ffprobe,
                                 int type = Player::MplayerBackend)
    {
        return std::make_unique<Player>(type, backend, mediaInfo, ffprobe, &c.stdIn, &c.stdOut, &c.stdErr, &c.log,
                                        LogLevel::Normal, 0, 0, 0);
    }

private slots:
    void initTestCase()
    {
        m_mediaInfo = fake("mediainfo-ok", "print", "MediaInfo Command line, \nMediaInfoLib - v23.04");
        m_ffprobe = fake("ffprobe-ok", "print", "ffprobe version 5.1.9-fake Copyright (c) 2007-2023");
        m_mplayer = fake("mplayer-ok", "print", mplayerStatus("1.5-fake", "\tx11\tX11 ( XImage/Shm )\n\tgl\tOpenGL\n"));
        QVERIFY(!m_mediaInfo.isEmpty() && !m_ffprobe.isEmpty() && !m_mplayer.isEmpty());
    }

    // An engine that crashes or answers with another banner fails its initialization, and
    // the log names its binary even when quiet.
    void faultyEngineIsReported_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("log");
        const QString binary = "Player: %1 binary is %2", failed = "Player: %1 failed initialization.";
        for (const auto &[which, name, utility] :
             {std::tuple(0, "MediaInfo", "MediaInfo utility"), std::tuple(1, "FFprobe", "FFprobe utility"),
              std::tuple(2, "MPlayer", "MPlayer backend")}) {
            const QStringList log{binary.arg(utility), failed.arg(utility)};
            QTest::addRow("%s crashes", name) << which << "crash"
                                              << QStringList{"Warning: " + QString(name) + " process crashed."} + log;
            QTest::addRow("%s answers wrongly", name) << which << "print" << log;
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
                           which == 1 ? faulty : m_ffprobe);
        QCOMPARE(lines(c.log), log.replaceInStrings("%2", faulty));
        QCOMPARE(player->state(), 0);
        const InterfaceStatus *status[] = {player->mediaInfoStatus(), player->ffprobeStatus(), player->playerStatus()};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(status[i]->state, int(i == which ? InterfaceStatus::ParseFailed : InterfaceStatus::Ready));
    }

    // The driver lists belong to one binary: a new binary may lack drivers the old one had.
    void backendResetForgetsDriversOfThePreviousBinary()
    {
        const QString other = fake("mplayer-nogl", "print", mplayerStatus("1.5-other", "\tx11\tX11 ( XImage/Shm )\n"));
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
    void unsupportedBackendAnswersEmpty()
    {
        Consoles c;
        auto player = make(c, m_mplayer, m_mediaInfo, m_ffprobe, Player::VlcBackend);
        QCOMPARE(lines(c.stdErr).value(0), kVlcWarning);
        QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
        QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));

        c.stdErr.clear();
        QCOMPARE(player->cliQuit(), QString());
        QVERIFY(!player->setVideoOutput("gl"));
        QString program = "stale";
        QStringList arguments{"stale"};
        player->cliPlay(&program, &arguments, 10, 0, 0, 0);
        QVERIFY(program.isEmpty() && arguments.isEmpty());
        int code = -7;
        PlaybackInfo info;
        QVERIFY(!player->parseStdoutRun("ANS_speed=2", &code, &info));
        QCOMPARE(code, -7);
        QCOMPARE(lines(c.stdErr), QStringList(4, kVlcWarning));
    }

    // A utility that prints without end at its status query: its start holds the window
    // three times its latencies at most, and is not asked again once that time is spent.
    void endlessStatusGivesUp()
    {
        Consoles c;
        QString counter;
        const QString chatty = countingScript("ffprobe-chatty", "progress 1000000", &counter);
        QElapsedTimer clock;
        clock.start();
        Player player(Player::MplayerBackend, m_mplayer, m_mediaInfo, chatty, &c.stdIn, &c.stdOut, &c.stdErr,
                            &c.log, LogLevel::Normal, 500, 500, 500);
        QVERIFY(player.ffprobeStatus()->state != InterfaceStatus::Ready && player.ffprobeStatus()->late);
        QCOMPARE(runCount(counter), 1);
        QVERIFY(!c.log.toPlainText().contains("asked again"));
        QVERIFY2(clock.elapsed() < SyncRunner::Timeouts::startBudget(500, 500, 500) + 2000, qPrintable(QString::number(clock.elapsed())));
    }

    // Once a console is gone, its lines go to the debug output with their prefix.
    void logSinksOutliveTheirConsoles()
    {
        auto log = std::make_unique<QTextEdit>();
        Player bare(Player::MplayerBackend, kMissing, kMissing, kMissing, nullptr, nullptr,
                    nullptr, log.get(), LogLevel::Quiet, 0, 0, 0);
        log.reset();
        QLoggingCategory::setFilterRules("vexo.console.debug=true"); // off unless asked for
        for (const char *expected : {"Player Log: a", "Player stdIn: b", "Player stdErr: d"})
            QTest::ignoreMessage(QtDebugMsg, expected); // the test fails unless each one comes
        bare.log("a", LogLevel::Verbose);
        bare.logStdIn("b", LogLevel::Verbose);
        bare.logStdErr("d", LogLevel::Verbose);
        QLoggingCategory::setFilterRules(QString());
    }
};

VEXO_TEST_CLASS(TestPlayer)
#include "tst_player.moc"
