#include "engines/player.h"
#include "engines/engineslogging.h"

#include "engines/interfaceffprobe.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacemplayer.h"
#include "jobs/processend.h"
#include "jobs/console.h"

#include <QDebug>
#include <QTextEdit>

namespace {
int orDefault(int timeout, int fallback)
{
    return timeout == 0 ? fallback : timeout;
}
} // namespace

Player::Player(int backendType, const QString &backendBinary, const QString &mediaInfoBinary,
               const QString &ffprobeBinary, QTextEdit *stdInConsole, QTextEdit *stdOutConsole,
               QTextEdit *stdErrConsole, QTextEdit *logConsole, int logLevel, int startTimeout,
               int finishTimeout, int killTimeout)
    : m_logLevel(logLevel)
    , m_capabilities{&m_videoDrivers, &m_audioDrivers}
    , m_backendBinary(backendBinary)
    , m_mediaInfoBinary(mediaInfoBinary)
    , m_ffprobeBinary(ffprobeBinary)
    , m_logConsole(logConsole)
    , m_stdInConsole(stdInConsole)
    , m_stdOutConsole(stdOutConsole)
    , m_stdErrConsole(stdErrConsole)
    , m_backendType(backendType)
{
    m_timeouts.start = orDefault(startTimeout, DefaultStartTimeout);
    m_timeouts.finish = orDefault(finishTimeout, DefaultFinishTimeout);
    m_timeouts.kill = orDefault(killTimeout, DefaultKillTimeout);
    init();
}

// The interfaces hold pointers to the records, so they go first; the records and maps
// are members and go with the object.
Player::~Player()
{
    m_mplayer.reset();
    m_mediaInfo.reset();
    m_ffprobe.reset();
}

void Player::init()
{
    m_mediaInfo = std::make_unique<InterfaceMediaInfo>();
    m_mediaInfo->init(m_mediaInfoBinary, &m_mediaInfoData, &m_mediaInfoStatus);
    resetMediaInfo();

    m_ffprobe = std::make_unique<InterfaceFFprobe>();
    m_ffprobe->init(m_ffprobeBinary, &m_ffprobeData, &m_ffprobeStatus);
    resetFFprobe();

    m_mplayer.reset();
    switch (m_backendType) {
    case UndefinedBackend:
        logStdErr(tr("player backend undefined"), LogLevel::Normal);
        break;
    case MplayerBackend:
        m_mplayer = std::make_unique<InterfaceMplayer>();
        m_mplayer->init(m_backendBinary, &m_capabilities, &m_backendStatus);
        break;
    case VlcBackend:
        logStdErr(tr("player backend: VLC interface not implemented yet"), LogLevel::Normal);
        break;
    default:
        logStdErr(tr("player backend (type %1) unknown").arg(m_backendType), LogLevel::Normal);
        break;
    }

    m_state = 0;
    m_windowId.clear();
    resetBackend();
}

void Player::setTimeouts(int start, int finish, int kill)
{
    m_timeouts.start = start;
    m_timeouts.finish = finish;
    m_timeouts.kill = kill;
}

void Player::setLogLevel(int level)
{
    m_logLevel = level;
}

void Player::setBackendBinary(const QString &path)
{
    m_backendBinary = path;
    if (m_backendType != MplayerBackend || !m_mplayer) {
        logStdErr(tr("player backend (type %1) unknown").arg(m_backendType), LogLevel::Normal);
        return;
    }
    if (path.isNull()) {
        log(tr("Player: %1 backend is disabled.").arg(backendName(m_backendType)),
            LogLevel::Normal);
        return;
    }
    m_mplayer->setBinary(path);
    resetBackend();
}

void Player::setMediaInfoBinary(const QString &path)
{
    m_mediaInfoBinary = path;
    if (path.isNull()) {
        log(tr("Player: MediaInfo utility is disabled."), LogLevel::Normal);
        return;
    }
    m_mediaInfo->setBinary(path);
    resetMediaInfo();
}

void Player::setFFprobeBinary(const QString &path)
{
    m_ffprobeBinary = path;
    if (path.isNull()) {
        log(tr("Player: FFprobe utility is disabled."), LogLevel::Normal);
        return;
    }
    m_ffprobe->setBinary(path);
    resetFFprobe();
}

QString Player::backendName(int type)
{
    switch (type) {
    case MplayerBackend:
        return QStringLiteral("MPlayer");
    case VlcBackend:
        return QStringLiteral("VLC");
    default:
        return QStringLiteral("unknown");
    }
}

QString Player::utilityVersion(int utility) const
{
    switch (utility) {
    case BackendUtility:
        return m_backendStatus.version;
    case FFprobeUtility:
        return m_ffprobeStatus.version;
    case MediaInfoUtility:
        return m_mediaInfoStatus.version;
    case VlcUtility:
        logStdErr(tr("player backend: VLC interface not implemented yet"), LogLevel::Normal);
        return tr("VLC not supported");
    default:
        return tr("undefined");
    }
}

bool Player::analysisLate(int utility) const
{
    switch (utility) {
    case FFprobeUtility:
        return m_ffprobeLate;
    case MediaInfoUtility:
        return m_mediaInfoLate;
    default:
        return false;
    }
}

QString Player::analysisStoppedBy(int utility) const
{
    return utility == FFprobeUtility ? m_ffprobeStoppedBy : utility == MediaInfoUtility ? m_mediaInfoStoppedBy : QString();
}

QString Player::utilityBinary(int utility) const
{
    switch (utility) {
    case BackendUtility:
        // Without an MPlayer interface there is no back-end binary in use.
        return m_mplayer ? m_mplayer->binary() : QString();
    case FFprobeUtility:
        return m_ffprobe->binary();
    case MediaInfoUtility:
        return m_mediaInfo->binary();
    case VlcUtility:
        logStdErr(tr("player backend: VLC interface not implemented yet"), LogLevel::Normal);
        return tr("VLC not supported");
    default:
        return tr("undefined");
    }
}

// ---------------------------------------------------------------------------------------
// Log sinks

void Player::log(const QString &text, int level) const
{
    Console::writeLine(m_logConsole, m_logLevel, level, "Player Log:", text);
}

void Player::logStdIn(const QString &text, int level) const
{
    Console::writeLine(m_stdInConsole, m_logLevel, level, "Player stdIn:", text);
}

void Player::logStdOut(const QString &text, int level) const
{
    Console::writeLine(m_stdOutConsole, m_logLevel, level, "Player stdOut:", text);
}

void Player::logStdErr(const QString &text, int level) const
{
    Console::writeLine(m_stdErrConsole, m_logLevel, level, "Player stdErr:", text);
}

// ---------------------------------------------------------------------------------------
// Back-end dispatch

InterfaceMplayer *Player::backend() const
{
    if (m_backendType == MplayerBackend && m_mplayer)
        return m_mplayer.get();
    if (m_backendType == VlcBackend)
        logStdErr(tr("player backend: VLC interface not implemented yet"), LogLevel::Normal);
    else
        logStdErr(tr("player backend (type %1) unknown").arg(m_backendType), LogLevel::Normal);
    return nullptr;
}

QString Player::backendBinaryPath() const
{
    return m_mplayer ? m_mplayer->binary() : m_backendBinary;
}

QString Player::slaveCommand(QString (InterfaceMplayer::*command)() const) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer ? (mplayer->*command)() : QString();
}

QString Player::slaveCommand(QString (InterfaceMplayer::*command)(int) const, int number) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer ? (mplayer->*command)(number) : QString();
}

QString Player::cliQuit() const
{
    return slaveCommand(&InterfaceMplayer::cliQuit);
}

QString Player::cliSelectAudio(int id) const
{
    return slaveCommand(&InterfaceMplayer::cliSelectAudio, id);
}

QString Player::cliSelectSubtitle(int id) const
{
    return slaveCommand(&InterfaceMplayer::cliSelectSubtitle, id);
}

QString Player::cliOsdShowText(const QString &text, int duration) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer ? mplayer->cliOsdShowText(text, duration) : QString();
}

QString Player::cliOsdShowProgression() const
{
    return slaveCommand(&InterfaceMplayer::cliOsdShowProgression);
}

QString Player::cliGetTimePos() const
{
    return slaveCommand(&InterfaceMplayer::cliGetTimePos);
}

QString Player::cliGetChapter() const
{
    return slaveCommand(&InterfaceMplayer::cliGetChapter);
}

QString Player::cliGetDeinterlace() const
{
    return slaveCommand(&InterfaceMplayer::cliGetDeinterlace);
}

QString Player::cliGetSpeed() const
{
    return slaveCommand(&InterfaceMplayer::cliGetSpeed);
}

QString Player::cliPrevChapter(int seconds) const
{
    return slaveCommand(&InterfaceMplayer::cliPrevChapter, seconds);
}

QString Player::cliNextChapter(int seconds) const
{
    return slaveCommand(&InterfaceMplayer::cliNextChapter, seconds);
}

QString Player::cliSeek(int seconds) const
{
    return slaveCommand(&InterfaceMplayer::cliSeek, seconds);
}

QString Player::cliFaster() const
{
    return slaveCommand(&InterfaceMplayer::cliFaster);
}

QString Player::cliSlower() const
{
    return slaveCommand(&InterfaceMplayer::cliSlower);
}

QString Player::cliNormalSpeed() const
{
    return slaveCommand(&InterfaceMplayer::cliNormalSpeed);
}

QString Player::cliPause() const
{
    return slaveCommand(&InterfaceMplayer::cliPause);
}

bool Player::parseStdoutClip(const QByteArray &line, int *code, ClipInfo *clip) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer && mplayer->parseStdoutClip(line, code, clip);
}

bool Player::parseStdoutDisk(const QByteArray &line, int *code, DiskInfo *disk) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer && mplayer->parseStdoutDisk(line, code, disk);
}

bool Player::parseStdoutRun(const QByteArray &line, int *code, PlaybackInfo *info) const
{
    const InterfaceMplayer *mplayer = backend();
    return mplayer && mplayer->parseStdoutRun(line, code, info);
}

void Player::parseStderr(const QByteArray &line, int *code, QString *text) const
{
    if (const InterfaceMplayer *mplayer = backend())
        mplayer->parseStderr(line, code, text);
}

void Player::parseStatus()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->parseStatus();
}

void Player::setDisplaySize(int width, int height)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setDisplaySize(width, height);
}

void Player::setRotation(int degrees)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setRotation(degrees);
}

void Player::enableAudio()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->enableAudio();
}

void Player::disableAudio()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->disableAudio();
}

void Player::enableVideo()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->enableVideo();
}

void Player::disableVideo()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->disableVideo();
}

void Player::enableSubtitle()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->enableSubtitle();
}

void Player::disableSubtitle()
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->disableSubtitle();
}

void Player::setAudioId(const int &id)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setAudioId(id);
}

void Player::setSubtitleId(const int &id)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setSubtitleId(id);
}

void Player::setDvdAngle(int angle)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setDvdAngle(angle);
}

void Player::setDvdTitle(int title)
{
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setDvdTitle(title);
}

bool Player::setVideoOutput(const QString &driver)
{
    InterfaceMplayer *mplayer = backend();
    return mplayer && mplayer->setVideoOutput(driver);
}

void Player::setChapterList(const QList<int> &chapters)
{
    if (InterfaceMplayer *mplayer = backend()) {
        logStdErr(tr("slices restricted as a chapter list in this implementation of "
                     "InterfaceMplayer"),
                  LogLevel::Normal);
        mplayer->setChapterList(chapters);
    }
}

void Player::setSourceFile(const QString &path, int type, bool audioOnly)
{
    qCDebug(lcEngines).noquote() << "Player: set source" << path << "type" << type;
    m_source = path;
    if (InterfaceMplayer *mplayer = backend()) {
        // A DVD given as a file source plays from its first title.
        if (type == InterfaceMplayer::Dvd)
            mplayer->setSourceDvd(path, 1);
        else
            mplayer->setSourceFile(path, audioOnly);
    }
}

void Player::setSourceDvdTitle(const QString &path, int type, int title)
{
    qCDebug(lcEngines).noquote() << "Player: set source" << path << "type" << type << "title" << title;
    m_source = path;
    if (InterfaceMplayer *mplayer = backend()) {
        if (type == InterfaceMplayer::Dvd)
            mplayer->setSourceDvd(path, title);
        else
            mplayer->setSourceFile(path, false);
    }
}

void Player::setWid(const QString &windowId)
{
    qCDebug(lcEngines).noquote() << "Player: set Wid" << windowId;
    m_windowId = windowId;
    if (InterfaceMplayer *mplayer = backend())
        mplayer->setWid(m_windowId);
}

void Player::cliCmdIdentify(QString *program, QStringList *arguments) const
{
    program->clear();
    arguments->clear();
    if (const InterfaceMplayer *mplayer = backend())
        mplayer->cliCmdIdentify(program, arguments);
}

void Player::cliCmdUpdateFontCache(QString *program, QStringList *arguments) const
{
    program->clear();
    arguments->clear();
    if (const InterfaceMplayer *mplayer = backend())
        mplayer->cliCmdUpdateFontCache(program, arguments);
}

void Player::cliCmdGetStatus(QString *program, QStringList *arguments) const
{
    program->clear();
    arguments->clear();
    if (const InterfaceMplayer *mplayer = backend())
        mplayer->cliCmdGetStatus(program, arguments);
}

void Player::cliPlay(QString *program, QStringList *arguments, int frames, int chapter,
                     int startSeconds, int volume) const
{
    program->clear();
    arguments->clear();
    if (const InterfaceMplayer *mplayer = backend())
        mplayer->cliPlay(program, arguments, frames, chapter, startSeconds, volume);
}

// ---------------------------------------------------------------------------------------
// Synchronous runs

// What the shared run procedure writes at each step for one executable. Debug texts are
// written as they stand; log texts are translated, with %1 the back-end name (back-end
// texts only) and %2 the start time-out.
struct Player::ProcessTexts
{
    const char *timedOutDebug;
    const char *failedToStartLog;
    const char *startsLog;
    const char *startedDebug;
    const char *startedLog;
    const char *notEndedDebug;
    const char *killDebug;
    const char *beingKilledLog;
    const char *stillRunningDebug;
    const char *stillRunningLog;
    const char *killedDebug;
    const char *killedLog;
    const char *crashedDebug;
    const char *crashedLog;
    const char *finishedDebug;
    const char *finishedLog;
    // The engine's name in texts of its own (an answer cut for its size); the back-end's
    // name when null.
    const char *engine;
};

// The debug line of a utility process still running after the kill spells "processs";
// that is the text these lines have always had.
const Player::ProcessTexts Player::MediaInfoTexts = {
    "Player: MediaInfo process failed to start, waitForStarted() has timed out at (msec):",
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process failed to start in %2 milliseconds."),
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process starts."),
    "Player: MediaInfo process started.",
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process started."),
    "Player: MediaInfo process didn't end by itself.",
    "Player: kill MediaInfo process.",
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process being killed."),
    "Warning: MediaInfo processs still running.",
    QT_TRANSLATE_NOOP("Player", "Warning: MediaInfo process still running."),
    "Player: MediaInfo process killed.",
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process killed."),
    "Warning: MediaInfo process crashed.",
    QT_TRANSLATE_NOOP("Player", "Warning: MediaInfo process crashed."),
    "Player: MediaInfo process finished.",
    QT_TRANSLATE_NOOP("Player", "Player: MediaInfo process finished."),
    "MediaInfo",
};

const Player::ProcessTexts Player::FFprobeTexts = {
    "Player: FFprobe process failed to start, waitForStarted() has timed out at (msec):",
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process failed to start in %2 milliseconds."),
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process starts."),
    "Player: FFprobe process started.",
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process started."),
    "Player: FFprobe process didn't end by itself.",
    "Player: kill FFprobe process.",
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process being killed."),
    "Warning: FFprobe processs still running.",
    QT_TRANSLATE_NOOP("Player", "Warning: FFprobe process still running."),
    "Player: FFprobe process killed.",
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process killed."),
    "Warning: FFprobe process crashed.",
    QT_TRANSLATE_NOOP("Player", "Warning: FFprobe process crashed."),
    "Player: FFprobe process finished.",
    QT_TRANSLATE_NOOP("Player", "Player: FFprobe process finished."),
    "FFprobe",
};

const Player::ProcessTexts Player::BackendTexts = {
    "Player: process failed to start, waitForStarted() has timed out at (msec):",
    QT_TRANSLATE_NOOP("Player", "Player: %1 process failed to start in %2 milliseconds."),
    QT_TRANSLATE_NOOP("Player", "Player: %1 process starts."),
    "Player: process started.",
    QT_TRANSLATE_NOOP("Player", "Player: %1 process started."),
    "Player: process didn't end by itself.",
    "Player: kill process.",
    QT_TRANSLATE_NOOP("Player", "Player: %1 process being killed."),
    "Warning: player process still running.",
    QT_TRANSLATE_NOOP("Player", "Warning: %1 process still running."),
    "Player: process killed.",
    QT_TRANSLATE_NOOP("Player", "Player: %1 process killed."),
    "Warning: player process crashed.",
    QT_TRANSLATE_NOOP("Player", "Warning: %1 process crashed."),
    "Player: process finished.",
    QT_TRANSLATE_NOOP("Player", "Player: %1 process finished."),
    nullptr,
};

namespace {
// Fills a process text: %1 is the back-end name (back-end texts only) and %2 the start
// time-out (failed-to-start texts only; the utility ones carry %2 without any %1).
QString processText(const char *text, const QString &backendName, int timeout = 0)
{
    QString translated = Player::tr(text);
    if (translated.contains(QLatin1String("%1")))
        translated = translated.arg(backendName);
    if (translated.contains(QLatin1String("%2")))
        translated = translated.arg(timeout);
    return translated;
}

void debugLine(const char *text)
{
    qCDebug(lcEngines).noquote() << text;
}
} // namespace

bool Player::runProcess(const QString &program, const QStringList &arguments,
                        const ProcessTexts &texts, int failedToStartLevel,
                        CrashRule crashRule, RunOutput *output, bool statusQuery, qint64 readLimit)
{
    const QString name = backendName(m_backendType);
    const QString engine = texts.engine ? QLatin1String(texts.engine) : name;
    qCDebug(lcEngines).noquote() << "Player: start process" << ('"' + program + '"') << arguments;
    log(processText(texts.startsLog, name), LogLevel::Verbose);

    // An engine that works is not stopped at the finish latency (a busy machine, a cold disk),
    // and one that was stopped for time all the same is asked once more with longer limits:
    // its answer was cut or missing, and an analysis or a status read from it would call a
    // good file invalid or a working engine broken.
    SyncRunner::Timeouts limits = SyncRunner::Timeouts::patient(m_timeouts.start, m_timeouts.finish, m_timeouts.kill);
    // A status query is part of the engine's start, which holds the window.
    if (statusQuery)
        limits.deadline = SyncRunner::Timeouts::startDeadline(m_timeouts.start, m_timeouts.finish, m_timeouts.kill);
    limits.readLimit = readLimit;
    SyncRunner::Result result;
    // An empty program (a back-end type without an interface) cannot start; do not ask
    // QProcess to try.
    for (int asking = 0; asking < 2 && !program.isEmpty() && !limits.deadline.hasExpired(); ++asking) {
        if (asking > 0) {
            log(tr("Player: %1 did not answer in time; it is asked again with longer time-outs.").arg(engine),
                LogLevel::Normal);
            limits = limits.again();
        }
        result = statusQuery ? SyncRunner::runQuery(program, arguments, QString(), limits, "Player")
                             : SyncRunner::run(program, arguments, QString(), limits, "Player");
        if (!result.outOfTime())
            break;
    }
    output->late = result.outOfTime();
    output->overRead = result.overRead;
    if (!result.started) {
        qCDebug(lcEngines).noquote() << texts.timedOutDebug << limits.start;
        log(processText(texts.failedToStartLog, name, limits.start), failedToStartLevel);
        return false;
    }
    debugLine(texts.startedDebug);
    log(processText(texts.startedLog, name), LogLevel::Verbose);
    if (result.droppedBytes > 0)
        log(SyncRunner::cutNotice(engine, result), LogLevel::Quiet);

    if (result.killed) {
        debugLine(texts.notEndedDebug);
        debugLine(texts.killDebug);
        log(processText(texts.beingKilledLog, name), LogLevel::Verbose);
        if (result.stillRunning) {
            debugLine(texts.stillRunningDebug);
            log(processText(texts.stillRunningLog, name), LogLevel::Verbose);
        } else {
            debugLine(texts.killedDebug);
            log(processText(texts.killedLog, name), LogLevel::Verbose);
        }
    }

    // A process this program stopped (at a time-out, or for its output) did not crash: the
    // lines above say what became of it. A utility's crash status with exit code -1 is not a
    // crash of the utility itself and is logged as a normal end (a real crash here carries
    // its signal number).
    if (result.overRead)
        log(tr("Player: %1 read more of the file than it may, and was stopped.").arg(engine), LogLevel::Normal);
    const bool stopped = result.crashed && !result.crashedByItself();
    bool crashed = result.crashedByItself();
    if (crashRule == CrashRule::IgnoreExitCodeMinusOne && result.exitCode == -1)
        crashed = false;
    if (crashed && ProcessEnd::isStopSignal(result.exitCode)) {
        debugLine(texts.crashedDebug);
        output->stoppedBy = ProcessEnd::signalText(result.exitCode);
        log(ProcessEnd::crashWarning(engine, result.exitCode), LogLevel::Normal);
    } else if (crashed) {
        debugLine(texts.crashedDebug);
        log(processText(texts.crashedLog, name), LogLevel::Normal);
    } else if (!stopped) {
        debugLine(texts.finishedDebug);
        log(processText(texts.finishedLog, name), LogLevel::Verbose);
    }

    output->stdOut = result.stdOut;
    output->stdErr = result.stdErr;
    output->whole = !result.killed && !result.crashed && result.exitCode == 0;
    return true;
}

void Player::echoCommand(const QString &program, const QStringList &arguments) const
{
    logStdIn(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), LogLevel::Normal);
}

// An engine that printed nothing on a channel leaves no empty line in its console.
void Player::echoOutput(const RunOutput &output) const
{
    if (!output.stdOut.isEmpty())
        logStdOut(output.stdOut, LogLevel::Normal);
    if (!output.stdErr.isEmpty())
        logStdErr(output.stdErr, LogLevel::Normal);
}

void Player::resetMediaInfo()
{
    debugLine("Player: begin reset MediaInfo utitlity");
    log(tr("Player: MediaInfo utitlity reset begins."), LogLevel::Verbose);
    m_mediaInfoStatus.clear();

    QString program;
    QStringList arguments;
    m_mediaInfo->cliCmdGetStatus(program, arguments);
    echoCommand(program, arguments);
    RunOutput output;
    const bool ran = runProcess(program, arguments, MediaInfoTexts, LogLevel::Normal,
                                CrashRule::IgnoreExitCodeMinusOne, &output, true);
    m_mediaInfoStatus.late = output.late;
    if (!ran)
        return;
    m_mediaInfoStatus.stdOut = output.stdOut.toUtf8();
    m_mediaInfoStatus.stdErr = output.stdErr.toUtf8();
    echoOutput(output);

    m_mediaInfoStatus.state = InterfaceStatus::OutputCaptured;
    m_mediaInfo->parseStatus();
    log(tr("Player: MediaInfo utility reset completed."), LogLevel::Verbose);
    if (m_mediaInfoStatus.state == InterfaceStatus::Ready) {
        log(tr("Player: MediaInfo utility is ready."), LogLevel::Verbose);
    } else {
        log(tr("Player: MediaInfo utility binary is %2").arg(m_mediaInfo->binary()),
            LogLevel::Quiet);
        log(tr("Player: MediaInfo utility failed initialization."), LogLevel::Quiet);
    }
    debugLine("Player: MediaInfo utility reset completed.");
}

void Player::resetFFprobe()
{
    debugLine("Player: begin reset FFprobe utitlity");
    log(tr("Player: FFprobe utitlity reset begins."), LogLevel::Verbose);
    m_ffprobeStatus.clear();

    QString program;
    QStringList arguments;
    m_ffprobe->cliCmdGetStatus(program, arguments);
    echoCommand(program, arguments);
    RunOutput output;
    const bool ran = runProcess(program, arguments, FFprobeTexts, LogLevel::Normal,
                                CrashRule::IgnoreExitCodeMinusOne, &output, true);
    m_ffprobeStatus.late = output.late;
    if (!ran)
        return;
    echoOutput(output);

    if (m_ffprobe->parseStatus(output.stdOut)) {
        log(tr("Player: FFprobe utility is ready."), LogLevel::Verbose);
    } else {
        log(tr("Player: FFprobe utility binary is %2").arg(m_ffprobe->binary()),
            LogLevel::Quiet);
        log(tr("Player: FFprobe utility failed initialization."), LogLevel::Quiet);
    }
    log(tr("Player: FFprobe utility reset completed."), LogLevel::Verbose);
    debugLine("Player: FFprobe utility reset completed.");
}

void Player::resetBackend()
{
    const QString name = backendName(m_backendType);
    qCDebug(lcEngines).noquote() << "Player: begin reset backend type" << m_backendType;
    log(tr("Player: %1 backend reset begins.").arg(name), LogLevel::Verbose);
    m_backendStatus.clear();
    // The driver lists describe the binary of this run only: a new binary may lack
    // drivers that the previous one had.
    m_videoDrivers.clear();
    m_audioDrivers.clear();

    QString program;
    QStringList arguments;
    cliCmdGetStatus(&program, &arguments);
    echoCommand(program, arguments);
    RunOutput output;
    const bool ran = runProcess(program, arguments, BackendTexts, LogLevel::Quiet, CrashRule::AnyCrash,
                                &output, true);
    m_backendStatus.late = output.late;
    if (!ran)
        return;
    m_backendStatus.stdOut = output.stdOut.toUtf8();
    m_backendStatus.stdErr = output.stdErr.toUtf8();
    echoOutput(output);

    m_backendStatus.state = InterfaceStatus::OutputCaptured;
    parseStatus();
    log(tr("Player: %1 backend reset completed.").arg(name), LogLevel::Verbose);
    if (m_backendStatus.state == InterfaceStatus::Ready) {
        log(tr("Player: %1 backend is ready.").arg(name), LogLevel::Verbose);
    } else {
        log(tr("Player: %1 backend binary is %2").arg(name, backendBinaryPath()),
            LogLevel::Quiet);
        log(tr("Player: %1 backend failed initialization.").arg(name), LogLevel::Quiet);
    }
    debugLine("Player: backend reset completed.");
}

void Player::readMediaInfoData(const QString &file)
{
    debugLine("Player: begin read MediaInfo data");
    log(tr("Player: MediaInfo read data begins."), LogLevel::Verbose);
    m_mediaInfoData.clear();

    QString program;
    QStringList arguments;
    m_mediaInfo->cliCmdGetInfo(file, program, arguments);
    RunOutput output;
    const bool ran = runProcess(program, arguments, MediaInfoTexts, LogLevel::Quiet,
                                CrashRule::IgnoreExitCodeMinusOne, &output);
    m_mediaInfoLate = output.late;
    m_mediaInfoStoppedBy = output.stoppedBy;
    if (!ran)
        return;
    m_mediaInfoData.rawText = output.stdOut;
    // A file MediaInfo cannot read (no report, or no format found: an empty or a text file)
    // is that file's fault: the utility stays as ready as it was.
    if (!m_mediaInfo->parseData(&m_mediaInfoData)
        || !m_mediaInfoData.generalFields.contains(QStringLiteral("Format")))
        log(tr("Player: MediaInfo could not analyse %1.").arg(file), LogLevel::Quiet);
    log(tr("Player: MediaInfo read data completed."), LogLevel::Verbose);
    debugLine("Player: read MediaInfo data completed.");
}

namespace {
// Starts the analysis of a file that the utility's read will take over.
template <class Utility>
void prefetchAnalysis(const Utility &utility, const QString &file)
{
    QString program;
    QStringList arguments;
    utility.cliCmdGetInfo(file, program, arguments);
    if (!program.isEmpty())
        SyncRunner::prefetchRun(program, arguments);
}
} // namespace

void Player::prefetchMediaInfoData(const QString &file) const
{
    prefetchAnalysis(*m_mediaInfo, file);
}

void Player::prefetchFFprobeData(const QString &file, int samples) const
{
    if (!samples) {
        prefetchAnalysis(*m_ffprobe, file);
        return;
    }
    QString program;
    QStringList arguments;
    m_ffprobe->cliCmdGetInfo(file, program, arguments);
    if (program.isEmpty())
        return;
    // The samples need the analysis's answer and nothing else: they go beside whatever the
    // load waits for when it comes (MediaInfo, the player's identify run), not after it. The
    // read of the analysis parses the same answer and finds them going.
    SyncRunner::Prefetch prefetch;
    const QPointer<const Player> self(this);
    prefetch.ended = [self, file, samples](const QString &stdOut) {
        if (!self)
            return;
        FFprobeData data;
        self->m_ffprobe->parseData(&data, stdOut, QString());
        if (!data.format_name.isEmpty())
            self->prefetchSamples(file, samples, data);
    };
    SyncRunner::prefetchRun(program, arguments, prefetch);
}

void Player::prefetchFFprobeSamples(const QString &file, int samples) const
{
    prefetchSamples(file, samples, m_ffprobeData);
}

void Player::prefetchSamples(const QString &file, int samples, const FFprobeData &data) const
{
    SyncRunner::Prefetch prefetch;
    prefetch.readLimit = InterfaceFFprobe::sampleReadLimit(file, data);
    for (const InterfaceFFprobe::SampleRun &run : InterfaceFFprobe::sampleRuns()) {
        QString program;
        QStringList arguments;
        if ((run.sample & samples) && (m_ffprobe.get()->*run.command)(file, data, program, arguments)
            && !SyncRunner::isPrefetched(program, arguments))
            SyncRunner::prefetchRun(program, arguments, prefetch);
    }
}

void Player::readFFprobeSamples(const QString &file, int samples)
{
    const qint64 readLimit = InterfaceFFprobe::sampleReadLimit(file, m_ffprobeData);
    for (const InterfaceFFprobe::SampleRun &run : InterfaceFFprobe::sampleRuns()) {
        QString program;
        QStringList arguments;
        if (!(run.sample & samples) || !(m_ffprobe.get()->*run.command)(file, m_ffprobeData, program, arguments))
            continue;
        RunOutput output;
        const bool ran = runProcess(program, arguments, FFprobeTexts, LogLevel::Quiet,
                                    CrashRule::IgnoreExitCodeMinusOne, &output, false, readLimit);
        qCDebug(lcEngines).noquote() << output.stdOut;
        // A run stopped or failed gives a cut answer or none: what it was to tell is unknown
        // (SourceFacts::unknown), never what the analysis's first answer let it look like,
        // and the user is told. One stopped for reading past its bound is cut as well.
        if (ran && output.whole && !output.overRead && run.parse(&m_ffprobeData, output.stdOut))
            continue;
        for (const QString &unread : unreadTexts(run, file))
            log(unread, LogLevel::Quiet);
    }
}

QStringList Player::unreadTexts(const InterfaceFFprobe::SampleRun &run, const QString &file) const
{
    QStringList texts;
    const int picture = m_ffprobeData.movingPicture();
    if ((run.sample & InterfaceFFprobe::FieldSample) && picture >= 0
        && m_ffprobeData.videoStreams.at(picture).fieldOrderUnsaid())
        texts << tr("Player: FFprobe could not read the field order of the pictures of %1.").arg(file);
    if (run.sample & InterfaceFFprobe::FieldSample)
        texts << tr("Player: FFprobe could not read the shape of the pictures of %1 past its start.").arg(file);
    if ((run.sample & InterfaceFFprobe::RateSample) && picture >= 0)
        texts << tr("Player: FFprobe could not read the frame rate of %1 past its first seconds.").arg(file);
    if (run.sample & InterfaceFFprobe::SoundRateSample)
        texts << tr("Player: FFprobe could not read the sampling rate of the sound of %1 through the file.")
                     .arg(file);
    return texts;
}

void Player::readFFprobeData(const QString &file)
{
    debugLine("Player: begin read FFprobe data");
    log(tr("Player: FFprobe read data begins."), LogLevel::Verbose);
    m_ffprobeData.clear();

    QString program;
    QStringList arguments;
    m_ffprobe->cliCmdGetInfo(file, program, arguments);
    RunOutput output;
    const bool ran = runProcess(program, arguments, FFprobeTexts, LogLevel::Quiet,
                                CrashRule::IgnoreExitCodeMinusOne, &output);
    m_ffprobeLate = output.late;
    m_ffprobeStoppedBy = output.stoppedBy;
    if (!ran)
        return;
    qCDebug(lcEngines).noquote() << output.stdOut;
    m_ffprobe->parseData(&m_ffprobeData, output.stdOut, output.stdErr);
    log(tr("Player: FFprobe read data completed."), LogLevel::Verbose);
    debugLine("Player: read FFprobe data completed.");
}
