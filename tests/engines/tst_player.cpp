// The player facade on stand-in engines: back-end dispatch, log sinks, binary setters and
// the synchronous runs' handling of engines that are missing, answer wrongly, hang or crash.

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/mervoplayer.h"
#include "engines/playbackinfo.h"
#include "engines/player.h"
#include "jobs/console.h"

#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>

namespace {
const QString kMissing = QStringLiteral("/nonexistent/vexo/engine");

const char *kMediaInfoBanner = "MediaInfo Command line, \nMediaInfoLib - v23.04";
const char *kFFprobeBanner = "ffprobe version 5.1.9-fake Copyright (c) 2007-2023 the FFmpeg developers";
// A status answer shaped as today's MPlayer prints it: tab-indented, "\n" line ends.
const char *kMplayerStatus =
    "MPlayer 1.5-fake (C) 2000-2023 MPlayer Team\n"
    "Available video output drivers:\n"
    "\tx11\tX11 ( XImage/Shm )\n"
    "\tgl\tOpenGL\n"
    "\tnull\tNull video output\n"
    "\n"
    "Available audio output drivers:\n"
    "\tpulse\tPulseAudio audio output\n"
    "\tnull\tNull audio output\n";
const char *kMplayerStatusNoGl =
    "MPlayer 1.5-other (C) 2000-2023 MPlayer Team\n"
    "Available video output drivers:\n"
    "\tx11\tX11 ( XImage/Shm )\n"
    "\n"
    "Available audio output drivers:\n"
    "\tnull\tNull audio output\n";

// An executable that runs the fake engine in one mode, whatever arguments it is given.
// The mode's text argument is written in double quotes, so it may hold line breaks.
QString fakeScript(const QString &name, const QString &mode, const QString &text = QString())
{
    const QString folder = TestMedia::folder() + "/player-engines";
    QDir().mkpath(folder);
    const QString path = folder + '/' + name;
    QString body = "#!/bin/sh\nexec '" + TestMedia::fakeEngine() + "' " + mode;
    if (!text.isNull())
        body += " \"" + text + '"';
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(body.toUtf8() + '\n');
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList lines(const QTextEdit &console)
{
    return console.toPlainText().split('\n', Qt::SkipEmptyParts);
}

// Collects the debug output while it lives.
class DebugCapture
{
public:
    DebugCapture() { m_previous = qInstallMessageHandler(&DebugCapture::handler); }
    ~DebugCapture()
    {
        qInstallMessageHandler(m_previous);
        messages().clear();
    }
    static QStringList &messages()
    {
        static QStringList captured;
        return captured;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        messages().append(message);
    }
    QtMessageHandler m_previous = nullptr;
};

// The four consoles of one facade.
struct Consoles
{
    QTextEdit stdIn;
    QTextEdit stdOut;
    QTextEdit stdErr;
    QTextEdit log;
};

std::unique_ptr<Player> makePlayer(Consoles &consoles, int type, const QString &backend,
                                   const QString &mediaInfo, const QString &ffprobe,
                                   int logLevel = LogLevel::Verbose, int start = 0,
                                   int finish = 0, int kill = 0)
{
    return std::make_unique<Player>(type, backend, mediaInfo, ffprobe, &consoles.stdIn,
                                    &consoles.stdOut, &consoles.stdErr, &consoles.log, logLevel,
                                    start, finish, kill);
}
} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT

private slots:
    void statusRunsOfWellBehavedEngines();
    void missingMediaInfoStaysReset();
    void mediaInfoWithWrongBannerFailsInitialization();
    void hangingEngineIsKilledAndItsOutputParsed();
    void crashingEngineIsReported_data();
    void crashingEngineIsReported();
    void zeroTimeoutsMeanDefaultsOnlyInTheConstructor();
    void nullBinaryOnlyDisablesEmptyOneRuns();
    void backendResetForgetsDriversOfThePreviousBinary();
    void unsupportedBackendAnswersEmpty_data();
    void unsupportedBackendAnswersEmpty();
    void utilityQueries_data();
    void utilityQueries();
    void slaveCommandsForwardTheirArguments_data();
    void slaveCommandsForwardTheirArguments();
    void sourceSettersChooseFileOrDvd();
    void settingsReachTheCommandLines();
    void parsersForwardLinesAndRecords();
    void logSinksFilterByLevelOrFallBackToDebug();
    void deletedConsoleFallsBackToDebug();
    void mervoPlayerBehavesAsPlayer();

private:
    QString m_mediaInfo;
    QString m_ffprobe;
    QString m_mplayer;

    void makeWellBehavedEngines();
};

void TestPlayer::makeWellBehavedEngines()
{
    if (m_mplayer.isEmpty()) {
        m_mediaInfo = fakeScript("mediainfo-ok", "print", kMediaInfoBanner);
        m_ffprobe = fakeScript("ffprobe-ok", "print", kFFprobeBanner);
        m_mplayer = fakeScript("mplayer-ok", "print", kMplayerStatus);
    }
    QVERIFY(!m_mplayer.isEmpty());
}

void TestPlayer::statusRunsOfWellBehavedEngines()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe);

    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->mediaInfoStatus()->version, QStringLiteral("v23.04"));
    QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->utilityVersion(Player::FFprobeUtility), QStringLiteral("5.1.9-fake"));
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->utilityVersion(Player::BackendUtility), QStringLiteral("1.5-fake"));
    QVERIFY(player->playerStatus()->openGl);
    QCOMPARE(player->playerCapabilities()->videoDrivers->keys(),
             QStringList({"gl", "null", "x11"}));
    QCOMPARE(player->playerCapabilities()->audioDrivers->keys(), QStringList({"null", "pulse"}));
    // The status records keep the raw answers.
    QVERIFY(player->playerStatus()->stdOut.contains("Available audio output drivers:"));
    QVERIFY(player->mediaInfoStatus()->stdOut.startsWith("MediaInfo Command line"));

    // Each status run echoes its command line and both outputs.
    QString program;
    QStringList arguments;
    player->cliCmdGetStatus(&program, &arguments);
    QCOMPARE(lines(consoles.stdIn),
             QStringList({m_mediaInfo + " --version", m_ffprobe + " -version",
                          program + ' ' + arguments.join(' ')}));
    QVERIFY(consoles.stdOut.toPlainText().contains("MediaInfoLib - v23.04"));
    QVERIFY(consoles.stdOut.toPlainText().contains("Available video output drivers:"));

    const QStringList log = lines(consoles.log);
    for (const char *expected :
         {"Player: MediaInfo utitlity reset begins.", "Player: MediaInfo process starts.",
          "Player: MediaInfo process started.", "Player: MediaInfo process finished.",
          "Player: MediaInfo utility reset completed.", "Player: MediaInfo utility is ready.",
          "Player: FFprobe utitlity reset begins.", "Player: FFprobe utility is ready.",
          "Player: FFprobe utility reset completed.", "Player: MPlayer backend reset begins.",
          "Player: MPlayer process starts.", "Player: MPlayer process started.",
          "Player: MPlayer process finished.", "Player: MPlayer backend reset completed.",
          "Player: MPlayer backend is ready."})
        QVERIFY2(log.contains(QString::fromUtf8(expected)), expected);
    // The three runs in their order: MediaInfo, FFprobe, back-end.
    QVERIFY(log.indexOf("Player: MediaInfo utility is ready.")
            < log.indexOf("Player: FFprobe utility is ready."));
    QVERIFY(log.indexOf("Player: FFprobe utility is ready.")
            < log.indexOf("Player: MPlayer backend is ready."));
    QVERIFY(!consoles.log.toPlainText().contains("failed"));
}

void TestPlayer::missingMediaInfoStaysReset()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, m_ffprobe,
                             LogLevel::Normal);

    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Reset));
    QVERIFY(player->mediaInfoStatus()->stdOut.isEmpty());
    QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QString());
    QCOMPARE(player->utilityBinary(Player::MediaInfoUtility), kMissing);
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo process failed to start in 3000 milliseconds."}));
    QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));

    // The failed start is a level-2 line: a quiet console does not show it.
    Consoles quiet;
    auto quietPlayer = makePlayer(quiet, Player::MplayerBackend, m_mplayer, kMissing, m_ffprobe,
                                  LogLevel::Quiet);
    QCOMPARE(quiet.log.toPlainText(), QString());
}

void TestPlayer::mediaInfoWithWrongBannerFailsInitialization()
{
    makeWellBehavedEngines();
    const QString wrong = fakeScript("mediainfo-wrong", "print", "SomeOtherTool 1.0");
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, wrong, m_ffprobe,
                             LogLevel::Quiet);

    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::ParseFailed));
    QCOMPARE(player->mediaInfoStatus()->stdOut, QByteArray("SomeOtherTool 1.0\n"));
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo utility binary is " + wrong,
                          "Player: MediaInfo utility failed initialization."}));

    // The same for FFprobe and the back-end, each naming its binary.
    Consoles others;
    auto failing = makePlayer(others, Player::MplayerBackend, wrong, m_mediaInfo, wrong,
                              LogLevel::Quiet);
    QCOMPARE(failing->ffprobeStatus()->state, int(InterfaceStatus::ParseFailed));
    QCOMPARE(failing->playerStatus()->state, int(InterfaceStatus::ParseFailed));
    QCOMPARE(lines(others.log),
             QStringList({"Player: FFprobe utility binary is " + wrong,
                          "Player: FFprobe utility failed initialization.",
                          "Player: MPlayer backend binary is " + wrong,
                          "Player: MPlayer backend failed initialization."}));
}

void TestPlayer::hangingEngineIsKilledAndItsOutputParsed()
{
    makeWellBehavedEngines();
    const QString hanging = fakeScript("mediainfo-hang", "partial-hang",
                                       "MediaInfo Command line, \nMediaInfoLib - v99.1");
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe);
    player->setTimeouts(3000, 400, 3000);

    QElapsedTimer clock;
    clock.start();
    consoles.log.clear();
    player->setMediaInfoBinary(hanging);
    QVERIFY(clock.elapsed() < 3000);

    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->utilityVersion(Player::MediaInfoUtility), QStringLiteral("v99.1"));
    const QStringList log = lines(consoles.log);
    QVERIFY(log.contains("Player: MediaInfo process being killed."));
    QVERIFY(log.contains("Player: MediaInfo process killed."));
    QVERIFY(log.indexOf("Player: MediaInfo process being killed.")
            < log.indexOf("Player: MediaInfo utility is ready."));
}

void TestPlayer::crashingEngineIsReported_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("warning");
    QTest::newRow("MediaInfo") << "mediainfo" << "Warning: MediaInfo process crashed.";
    QTest::newRow("FFprobe") << "ffprobe" << "Warning: FFprobe process crashed.";
    QTest::newRow("back-end") << "mplayer" << "Warning: MPlayer process crashed.";
}

void TestPlayer::crashingEngineIsReported()
{
    QFETCH(QString, which);
    QFETCH(QString, warning);
    makeWellBehavedEngines();
    const QString crashing = fakeScript("crashing", "crash");
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend,
                             which == "mplayer" ? crashing : m_mplayer,
                             which == "mediainfo" ? crashing : m_mediaInfo,
                             which == "ffprobe" ? crashing : m_ffprobe, LogLevel::Normal);
    const QStringList log = lines(consoles.log);
    QVERIFY2(log.contains(warning), qPrintable(consoles.log.toPlainText()));
    // A crash without a banner still goes on to the parser, which refuses it.
    QVERIFY(consoles.log.toPlainText().contains("failed initialization"));
}

void TestPlayer::zeroTimeoutsMeanDefaultsOnlyInTheConstructor()
{
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, kMissing, kMissing, kMissing,
                             LogLevel::Quiet, 0, 0, 0);
    // Only the back-end's failed start is a level-1 line.
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MPlayer process failed to start in 3000 milliseconds."}));

    Consoles custom;
    auto timed = makePlayer(custom, Player::MplayerBackend, kMissing, kMissing, kMissing,
                            LogLevel::Quiet, 1234, 0, 0);
    QCOMPARE(lines(custom.log),
             QStringList({"Player: MPlayer process failed to start in 1234 milliseconds."}));

    player->setTimeouts(0, 0, 0);
    consoles.log.clear();
    player->setLogLevel(LogLevel::Normal);
    player->setMediaInfoBinary(kMissing + "-other");
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MediaInfo process failed to start in 0 milliseconds."}));
}

void TestPlayer::nullBinaryOnlyDisablesEmptyOneRuns()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe,
                             LogLevel::Normal);
    consoles.log.clear();
    consoles.stdIn.clear();

    player->setBackendBinary(QString());
    player->setMediaInfoBinary(QString());
    player->setFFprobeBinary(QString());
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MPlayer backend is disabled.",
                          "Player: MediaInfo utility is disabled.",
                          "Player: FFprobe utility is disabled."}));
    // Nothing ran, the records and the interfaces' paths are kept.
    QCOMPARE(consoles.stdIn.toPlainText(), QString());
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->utilityBinary(Player::BackendUtility), m_mplayer);
    QCOMPARE(player->utilityBinary(Player::MediaInfoUtility), m_mediaInfo);
    QCOMPARE(player->utilityBinary(Player::FFprobeUtility), m_ffprobe);

    // An empty, non-null path is a path: it is run, and fails to start.
    consoles.log.clear();
    player->setBackendBinary(QStringLiteral(""));
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
    QCOMPARE(player->utilityBinary(Player::BackendUtility), QString());
    QVERIFY(player->playerCapabilities()->videoDrivers->isEmpty());
    QCOMPARE(lines(consoles.log),
             QStringList({"Player: MPlayer process failed to start in 3000 milliseconds."}));

    // A new path is run again and the status is refilled.
    player->setMediaInfoBinary(kMissing);
    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Reset));
    player->setMediaInfoBinary(m_mediaInfo);
    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    player->setBackendBinary(m_mplayer);
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Ready));
}

void TestPlayer::backendResetForgetsDriversOfThePreviousBinary()
{
    makeWellBehavedEngines();
    const QString other = fakeScript("mplayer-nogl", "print", kMplayerStatusNoGl);
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, kMissing);
    QVERIFY(player->setVideoOutput("gl"));
    QVERIFY(player->playerStatus()->openGl);

    player->setBackendBinary(other);
    QCOMPARE(player->utilityVersion(Player::BackendUtility), QStringLiteral("1.5-other"));
    QCOMPARE(player->playerCapabilities()->videoDrivers->keys(), QStringList({"x11"}));
    QVERIFY(!player->playerStatus()->openGl);
    QVERIFY(!player->setVideoOutput("gl"));
    QVERIFY(player->setVideoOutput("x11"));
}

void TestPlayer::unsupportedBackendAnswersEmpty_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("initMessage");
    QTest::addColumn<QString>("dispatchMessage");
    QTest::newRow("undefined") << 0 << "player backend undefined"
                               << "player backend (type 0) unknown";
    QTest::newRow("VLC") << 5 << "player backend: VLC interface not implemented yet"
                         << "player backend: VLC interface not implemented yet";
    QTest::newRow("unknown") << 7 << "player backend (type 7) unknown"
                             << "player backend (type 7) unknown";
}

void TestPlayer::unsupportedBackendAnswersEmpty()
{
    QFETCH(int, type);
    QFETCH(QString, initMessage);
    QFETCH(QString, dispatchMessage);
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, type, m_mplayer, m_mediaInfo, m_ffprobe, LogLevel::Normal);

    // init names the type once; its back-end run has no command and cannot start.
    QCOMPARE(lines(consoles.stdErr).first(), initMessage);
    QCOMPARE(lines(consoles.stdErr).count(initMessage),
             initMessage == dispatchMessage ? 2 : 1);
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
    QVERIFY(lines(consoles.log).contains(
        QStringLiteral("Player: %1 process failed to start in 3000 milliseconds.")
            .arg(Player::backendName(type))));
    QCOMPARE(player->mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player->ffprobeStatus()->state, int(InterfaceStatus::Ready));

    consoles.stdErr.clear();
    QCOMPARE(player->cliQuit(), QString());
    QCOMPARE(player->cliSeek(10), QString());
    QCOMPARE(player->cliSelectAudio(1), QString());
    QVERIFY(!player->setVideoOutput("gl"));
    QString program = "stale";
    QStringList arguments = {"stale"};
    player->cliCmdIdentify(&program, &arguments);
    QVERIFY(program.isEmpty() && arguments.isEmpty());
    program = "stale";
    arguments = QStringList{"stale"};
    player->cliPlay(&program, &arguments, 10, 0, 0, 0);
    QVERIFY(program.isEmpty() && arguments.isEmpty());
    int code = -7;
    ClipInfo clip;
    clip.kind = 1;
    QVERIFY(!player->parseStdoutClip("ID_LENGTH=3.00", &code, &clip));
    QCOMPARE(code, -7);
    QCOMPARE(clip.length, 0.0);
    QString text = "stale";
    player->parseStderr("File not found: 'x'", &code, &text);
    QCOMPARE(code, -7);
    player->setSourceFile("/tmp/movie.avi", 1, false);
    player->setWid("42");
    QCOMPARE(lines(consoles.stdErr), QStringList(10, dispatchMessage));

    // Without an MPlayer interface there is no back-end binary; no crash, an empty text.
    QCOMPARE(player->utilityBinary(Player::BackendUtility), QString());

    // The back-end binary setter knows only MPlayer: even VLC is an unknown type here.
    consoles.stdErr.clear();
    player->setBackendBinary(m_mplayer);
    QCOMPARE(lines(consoles.stdErr),
             QStringList({QStringLiteral("player backend (type %1) unknown").arg(type)}));
    QCOMPARE(player->playerStatus()->state, int(InterfaceStatus::Reset));
}

void TestPlayer::utilityQueries_data()
{
    QTest::addColumn<int>("utility");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("binary");
    QTest::addColumn<bool>("warns");
    QTest::newRow("back-end") << 1 << "1.5-fake" << "mplayer-ok" << false;
    QTest::newRow("FFprobe") << 2 << "5.1.9-fake" << "ffprobe-ok" << false;
    QTest::newRow("3 is undefined") << 3 << "undefined" << "undefined" << false;
    QTest::newRow("MediaInfo") << 4 << "v23.04" << "mediainfo-ok" << false;
    QTest::newRow("VLC") << 5 << "VLC not supported" << "VLC not supported" << true;
    QTest::newRow("other") << 9 << "undefined" << "undefined" << false;
}

void TestPlayer::utilityQueries()
{
    QFETCH(int, utility);
    QFETCH(QString, version);
    QFETCH(QString, binary);
    QFETCH(bool, warns);
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe);
    consoles.stdErr.clear();

    QCOMPARE(player->utilityVersion(utility), version);
    const QString path = player->utilityBinary(utility);
    if (binary.endsWith("-ok"))
        QCOMPARE(QFileInfo(path).fileName(), binary);
    else
        QCOMPARE(path, binary);
    const QString warning = "player backend: VLC interface not implemented yet";
    QCOMPARE(lines(consoles.stdErr), warns ? QStringList({warning, warning}) : QStringList());
}

void TestPlayer::slaveCommandsForwardTheirArguments_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quit") << "quit" << 0 << "quit\n";
    QTest::newRow("pause") << "pause" << 0 << "pause\n";
    QTest::newRow("audio 2") << "selectAudio" << 2 << "mute 0\nswitch_audio 2\n";
    QTest::newRow("subtitle 3") << "selectSubtitle" << 3 << "sub_demux 3\n";
    QTest::newRow("osd text") << "osdText" << 1500 << "osd_show_text \"Paused\" 1500\n";
    QTest::newRow("osd progression") << "osdProgression" << 0 << "osd_show_progression\n";
    QTest::newRow("time") << "timePos" << 0 << "get_time_pos\n";
    QTest::newRow("chapter") << "chapter" << 0 << "get_property chapter\n";
    QTest::newRow("deinterlace") << "deinterlace" << 0 << "get_property deinterlace\n";
    QTest::newRow("speed") << "speed" << 0 << "get_property speed\n";
    QTest::newRow("back 30 s") << "prevChapter" << 30 << "seek -30 0\n";
    QTest::newRow("ahead 30 s") << "nextChapter" << -30 << "seek +30 0\n";
    QTest::newRow("seek 75") << "seek" << 75 << "seek 75 2\n";
    QTest::newRow("faster") << "faster" << 0 << "speed_mult 2\n";
    QTest::newRow("slower") << "slower" << 0 << "speed_mult 0.5\n";
    QTest::newRow("normal speed") << "normalSpeed" << 0 << "speed_set 1\n";
}

void TestPlayer::slaveCommandsForwardTheirArguments()
{
    QFETCH(QString, command);
    QFETCH(int, number);
    QFETCH(QString, expected);
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, kMissing);

    const QMap<QString, std::function<QString()>> commands = {
        {"quit", [&] { return player->cliQuit(); }},
        {"pause", [&] { return player->cliPause(); }},
        {"selectAudio", [&] { return player->cliSelectAudio(number); }},
        {"selectSubtitle", [&] { return player->cliSelectSubtitle(number); }},
        {"osdText", [&] { return player->cliOsdShowText("Paused", number); }},
        {"osdProgression", [&] { return player->cliOsdShowProgression(); }},
        {"timePos", [&] { return player->cliGetTimePos(); }},
        {"chapter", [&] { return player->cliGetChapter(); }},
        {"deinterlace", [&] { return player->cliGetDeinterlace(); }},
        {"speed", [&] { return player->cliGetSpeed(); }},
        {"prevChapter", [&] { return player->cliPrevChapter(number); }},
        {"nextChapter", [&] { return player->cliNextChapter(number); }},
        {"seek", [&] { return player->cliSeek(number); }},
        {"faster", [&] { return player->cliFaster(); }},
        {"slower", [&] { return player->cliSlower(); }},
        {"normalSpeed", [&] { return player->cliNormalSpeed(); }},
    };
    QVERIFY(commands.contains(command));
    QCOMPARE(commands.value(command)(), expected);
}

void TestPlayer::sourceSettersChooseFileOrDvd()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, kMissing);
    const QString dvd = "/media/My DVD";
    QString program;
    QStringList arguments;

    // A file source of kind 2 is a DVD played from its first title.
    player->setSourceFile(dvd, 2, false);
    player->cliCmdIdentify(&program, &arguments);
    QCOMPARE(program, m_mplayer);
    QCOMPARE(arguments.mid(arguments.indexOf("-dvd-device")),
             QStringList({"-dvd-device", dvd, "dvd://1", "-dvdangle", "1"}));

    player->setSourceDvdTitle(dvd, 2, 3);
    player->cliCmdIdentify(&program, &arguments);
    QVERIFY(arguments.contains("dvd://3"));

    // A DVD title of another kind is a plain file; the title is ignored.
    player->setSourceDvdTitle("/tmp/movie.avi", 1, 7);
    player->cliCmdIdentify(&program, &arguments);
    QCOMPARE(arguments.last(), QStringLiteral("/tmp/movie.avi"));
    QVERIFY(!arguments.contains("-dvd-device"));
    QVERIFY(!arguments.join(' ').contains("dvd://"));

    // An audio-only file gets no video option when played.
    player->setSourceFile("/tmp/song.mp3", 1, true);
    player->cliPlay(&program, &arguments, 0, 0, 0, 0);
    QVERIFY(!arguments.contains("-vo"));
    QCOMPARE(arguments.last(), QStringLiteral("/tmp/song.mp3"));
    player->setSourceFile("/tmp/movie.avi", 1, false);
    player->setVideoOutput("gl");
    player->cliPlay(&program, &arguments, 0, 0, 0, 0);
    QCOMPARE(arguments.mid(arguments.indexOf("-vo"), 2), QStringList({"-vo", "gl"}));
}

void TestPlayer::settingsReachTheCommandLines()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, kMissing);
    QString program;
    QStringList arguments;

    player->setSourceDvdTitle("/media/dvd", 2, 1);
    player->setWid("12345");
    player->setDisplaySize(640, 360);
    player->setAudioId(129);
    player->setSubtitleId(2);
    player->setDvdAngle(2);
    player->cliPlay(&program, &arguments, 250, 3, 0, 5);
    const QString line = arguments.join(' ');
    for (const char *expected : {"-vf scale=640:360", "-geometry 640x360", "-af volume=5",
                                 "-aid 129", "-sid 2", "-dvdangle 2", "-chapter 3",
                                 "-frames 250", "-wid 12345"})
        QVERIFY2(line.contains(expected), qPrintable(line));
    player->cliCmdIdentify(&program, &arguments);
    QCOMPARE(arguments.mid(arguments.indexOf("-wid"), 2), QStringList({"-wid", "12345"}));

    // Output switches and the chapter list.
    consoles.stdErr.clear();
    player->setChapterList({2, 4});
    QCOMPARE(lines(consoles.stdErr),
             QStringList({"slices restricted as a chapter list in this implementation of "
                          "InterfaceMplayer"}));
    player->disableVideo();
    player->disableAudio();
    player->disableSubtitle();
    player->cliPlay(&program, &arguments, 0, 0, 0, 5);
    QString off = arguments.join(' ');
    QVERIFY2(off.contains("-vo null") && off.contains("-ao null"), qPrintable(off));
    QVERIFY(off.contains("-chapter 2 -chapter 4"));
    QVERIFY(!off.contains("-aid") && !off.contains("-sid"));
    player->enableVideo();
    player->enableAudio();
    player->enableSubtitle();
    player->cliPlay(&program, &arguments, 0, 0, 0, 5);
    off = arguments.join(' ');
    QVERIFY(!off.contains("-vo null") && !off.contains("-ao null"));
    QVERIFY(off.contains("-aid 129") && off.contains("-sid 2"));

    // The font-cache command never draws nor plays.
    player->cliCmdUpdateFontCache(&program, &arguments);
    QCOMPARE(program, m_mplayer);
    QVERIFY(arguments.contains("-fontconfig"));
    QCOMPARE(arguments.mid(arguments.indexOf("-vo"), 2), QStringList({"-vo", "null"}));
}

void TestPlayer::parsersForwardLinesAndRecords()
{
    makeWellBehavedEngines();
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, m_mplayer, kMissing, kMissing);

    int code = -1;
    ClipInfo clip;
    clip.kind = 1;
    QVERIFY(player->parseStdoutClip("ID_LENGTH=3.04\n", &code, &clip));
    QCOMPARE(code, 8);
    QCOMPARE(clip.length, 3.04);

    DiskInfo disk;
    disk.kind = 2;
    QVERIFY(player->parseStdoutDisk("ID_DVD_TITLE_2_LENGTH=3.000\n", &code, &disk));
    QCOMPARE(code, 8);
    QCOMPARE(disk.currentTitle, 2);
    QCOMPARE(disk.titles[1].length, 3.0);

    PlaybackInfo answer;
    QVERIFY(player->parseStdoutRun("ANS_speed=2.00\n", &code, &answer));
    QCOMPARE(code, 29);
    QCOMPARE(answer.speed, 2.0);

    QString text;
    player->parseStderr("File not found: '/tmp/x.avi'\n", &code, &text);
    QCOMPARE(code, 34);
    QVERIFY(text.startsWith("File not found"));
}

void TestPlayer::logSinksFilterByLevelOrFallBackToDebug()
{
    Consoles consoles;
    auto player = makePlayer(consoles, Player::MplayerBackend, kMissing, kMissing, kMissing,
                             LogLevel::Normal);
    consoles.log.clear();
    consoles.stdIn.clear();
    consoles.stdOut.clear();
    consoles.stdErr.clear();

    player->log("shown", LogLevel::Normal);
    player->log("dropped", LogLevel::Verbose);
    player->logStdIn("in", LogLevel::Quiet);
    player->logStdOut("out", LogLevel::Normal);
    player->logStdErr("err", LogLevel::Normal);
    player->logStdErr("verbose err", LogLevel::Verbose);
    QCOMPARE(lines(consoles.log), QStringList({"shown"}));
    QCOMPARE(lines(consoles.stdIn), QStringList({"in"}));
    QCOMPARE(lines(consoles.stdOut), QStringList({"out"}));
    QCOMPARE(lines(consoles.stdErr), QStringList({"err"}));
    player->setLogLevel(LogLevel::Verbose);
    player->log("now shown", LogLevel::Verbose);
    QCOMPARE(lines(consoles.log), QStringList({"shown", "now shown"}));

    // Without consoles every line reaches the debug output with its prefix, whatever
    // its level.
    Player bare(Player::MplayerBackend, kMissing, kMissing, kMissing, nullptr, nullptr, nullptr,
                nullptr, LogLevel::Quiet, 0, 0, 0);
    DebugCapture capture;
    bare.log("a", LogLevel::Verbose);
    bare.logStdIn("b", LogLevel::Verbose);
    bare.logStdOut("c", LogLevel::Verbose);
    bare.logStdErr("d", LogLevel::Verbose);
    QCOMPARE(DebugCapture::messages(),
             QStringList({"Player Log: a", "Player stdIn: b", "Player stdOut: c",
                          "Player stdErr: d"}));
}

void TestPlayer::deletedConsoleFallsBackToDebug()
{
    auto log = std::make_unique<QTextEdit>();
    Player player(Player::MplayerBackend, kMissing, kMissing, kMissing, nullptr, nullptr,
                  nullptr, log.get(), LogLevel::Normal, 0, 0, 0);
    log.reset();
    DebugCapture capture;
    player.log("after the console went away", LogLevel::Normal);
    QCOMPARE(DebugCapture::messages(), QStringList({"Player Log: after the console went away"}));
}

void TestPlayer::mervoPlayerBehavesAsPlayer()
{
    makeWellBehavedEngines();
    Consoles consoles;
    MervoPlayer player(Player::MplayerBackend, m_mplayer, m_mediaInfo, m_ffprobe, &consoles.stdIn,
                       &consoles.stdOut, &consoles.stdErr, &consoles.log, LogLevel::Verbose,
                       0, 0, 0);
    QCOMPARE(player.playerStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player.mediaInfoStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player.ffprobeStatus()->state, int(InterfaceStatus::Ready));
    QCOMPARE(player.cliFaster(), QStringLiteral("speed_mult 2\n"));
    QVERIFY(qobject_cast<Player *>(&player));
}

VEXO_TEST_CLASS(TestPlayer)
#include "tst_player.moc"
