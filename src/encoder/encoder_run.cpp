// The encoder's engine runs: the reset that queries an engine's version and capabilities,
// the test run of a command before it is queued, and the dispatch of progress output to
// the engine's parser.

#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"
#include "builders/dvdtitledump.h"
#include "builders/interfaceffmpeg.h"

#include "builders/interfacemencoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/trialwatch.h"
#include "engines/syncrunner.h"
#include "jobs/processend.h"
#include "jobs/console.h"

#include <QDebug>
#include <QScopedValueRollback>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {

// The index of the output file in an engine's arguments: the argument that names it (or
// its "./" form), else the last one.
qsizetype outputIndex(const QStringList &arguments, const QString &output)
{
    for (qsizetype i = arguments.size() - 1; i >= 0; --i) {
        if (arguments.at(i) == output || arguments.at(i) == QLatin1String("./") + output)
            return i;
    }
    return arguments.size() - 1;
}

// MEncoder's output path: the argument after the last "-o".
QString mencoderOutput(const QStringList &arguments)
{
    const qsizetype at = arguments.lastIndexOf(QStringLiteral("-o"));
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

// A trial ends by itself at its frame or size limit; its time-out only guards against an
// engine that hangs. On a loaded machine a valid command can take far longer than a query
// to print its first status line, so a trial gets at least this long before it is killed.
constexpr int TrialFinishFloor = 60000;
// An engine that makes no progress for this long is not slow but stuck (waiting on a device,
// a pipe or a lock, or reading a source that no longer grows): the trial stops it then,
// instead of holding the user to the finish time-out. Every engine prints its banner at once
// and a status line per frame or half second once it encodes, its figures moving; one that
// holds its figures still works all the same (its processor time, what it reads, its file).
constexpr int TrialStallLimit = 10000;

// What an engine prints once it has closed its output file: MEncoder sums up the streams
// it wrote on its standard output ("Video stream: ... frames"), FFmpeg the sizes it wrote
// on its standard error ("video:158kB audio:190kB ..."; "KiB" in later versions), the
// player the size of its copy of a DVD title on its standard output. FFmpeg's sizes start a
// word: a run of "video:1" words without a blank is then not tried from each one.
struct ClosingLine
{
    int type;
    bool onStdErr;
    const char *pattern;
};
constexpr ClosingLine kClosingLines[] = {
    {1, false, "^(Video|Audio) stream:"},
    {2, true, "(?<!\\S)video:\\s*\\d\\S*\\s+audio:\\s*\\d"},
    {EngineType::MPlayer, false, DvdTitleDump::ClosingLinePattern},
};

// A file that is there: a trial must neither overwrite nor remove it.
bool isExistingFile(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

// Whether a line of a trial's engine moves it on. Before its first status line, every line
// does: the engine opens its files and prints what it found. After it, only a status line
// whose frame count, time, percentage or size moved: an engine that repeats the same status
// line is as stuck as a silent one (a hanging input keeps MEncoder printing its last "Pos:").
class TrialProgress
{
public:
    explicit TrialProgress(int type) : m_type(type) {}

    bool operator()(const QString &line)
    {
        Mark mark;
        QString rest;
        int minutesLeft = -1;
        double fps = -1.0;
        Encoder::parseProgress(m_type, line, rest, mark.frame, mark.position, mark.percent,
                               minutesLeft, fps, mark.size);
        // A parser writes only the values its line carries: none, no status line.
        if (mark == Mark())
            return !m_seen;
        const bool moved = !m_seen || !(mark == m_last);
        m_seen = true;
        m_last = mark;
        return moved;
    }

private:
    struct Mark
    {
        int frame = -1;
        double position = -1.0;
        int percent = -1;
        int size = -1;
        bool operator==(const Mark &other) const
        {
            return frame == other.frame && position == other.position && percent == other.percent
                && size == other.size;
        }
    };
    int m_type;
    bool m_seen = false;
    Mark m_last;
};

} // namespace

// Removes a trial's output, but only a regular file: the output of a trial may be a
// device ("/dev/null"), a FIFO or a folder that is not the trial's to remove.
void Encoder::removeTrialOutput(const QString &path)
{
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isFile() && !info.isSymLink())
        QFile::remove(path);
}

// --- one engine process ----------------------------------------------------------------

QString Encoder::startFailureText(const char *classWord, const QString &name, const SyncRunner::Result &run,
                                  int timeout)
{
    if (run.startTimedOut || run.startFailure.isEmpty())
        return tr("%1: %2 process failed to start in %3 milliseconds.")
            .arg(QLatin1String(classWord), name)
            .arg(timeout);
    return tr("%1: %2 process failed to start: %3.").arg(QLatin1String(classWord), name, run.startFailure);
}

Encoder::RunResult Encoder::runProcess(int type, const QString &program,
                                       const QStringList &arguments, bool reportNormalEnd,
                                       bool statusQuery, const SyncRunner::Timeouts *trial)
{
    const QString name = engineName(type);
    qCDebug(lcEncoder).noquote() << "Encoder: start process" << ('"' + program + '"') << arguments;
    logMessage(tr("Encoder: %1 process starts.").arg(name), LogLevel::Verbose);

    SyncRunner::Timeouts timeouts;
    this->timeouts(type, timeouts.start, timeouts.finish, timeouts.kill);
    if (trial) {
        timeouts.finish = qMax(timeouts.finish, trial->finish);
        timeouts.stall = trial->stall;
        timeouts.progressed = trial->progressed;
        timeouts.stop = trial->stop;
        timeouts.work = trial->work;
    }
    const SyncRunner::Result run = statusQuery ? runStatusRun(type, program, arguments, "Encoder", timeouts)
                                               : SyncRunner::run(program, arguments, QString(), timeouts, "Encoder");

    RunResult result;
    if (!run.started) {
        qCDebug(lcEncoder) << "Encoder: process failed to start:" << run.startFailure;
        logMessage(startFailureText("Encoder", name, run, timeouts.start), LogLevel::Normal);
        return result;
    }
    result.started = true;
    qCDebug(lcEncoder) << "Encoder: process started.";
    logMessage(tr("Encoder: %1 process started.").arg(name), LogLevel::Verbose);
    if (run.killed) {
        qCDebug(lcEncoder) << "Encoder: process didn't end by itself.";
        logMessage(tr("Encoder: %1 process being killed.").arg(name), LogLevel::Verbose);
        if (run.stillRunning)
            logMessage(tr("Warning: %1 process still running.").arg(name), LogLevel::Verbose);
        else
            logMessage(tr("Encoder: %1 process killed.").arg(name), LogLevel::Verbose);
    }
    if (run.crashedByItself()) {
        qCDebug(lcEncoder) << "Warning: encoder process crashed.";
        logMessage(ProcessEnd::crashWarning(name, run.exitCode), LogLevel::Normal);
    } else if (reportNormalEnd && !run.crashed) {
        qCDebug(lcEncoder) << "Encoder: process finished.";
        logMessage(tr("Encoder: %1 process finished.").arg(name), LogLevel::Verbose);
    }
    if (run.droppedBytes > 0)
        logMessage(SyncRunner::cutNotice(name, run), LogLevel::Quiet);
    result.killed = run.killed;
    result.stalled = run.stalled;
    result.stopped = run.stopped;
    result.crashed = run.crashed && !run.killed;
    result.exitCode = run.crashed ? 0 : run.exitCode;
    result.stdOut = run.stdOut;
    result.stdErr = run.stdErr;
    return result;
}

bool Encoder::hasClosingLines(int type, const QString &stdOut, const QString &stdErr)
{
    static const QList<QRegularExpression> patterns = [] {
        QList<QRegularExpression> list;
        for (const ClosingLine &line : kClosingLines)
            list << QRegularExpression(QLatin1String(line.pattern),
                                       QRegularExpression::MultilineOption);
        return list;
    }();
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        const ClosingLine &line = kClosingLines[i];
        if (line.type == type)
            return patterns.at(i).match(line.onStdErr ? stdErr : stdOut).hasMatch();
    }
    return false;
}

// --- engine reset ----------------------------------------------------------------------

bool Encoder::runQuery(int type, void (Encoder::*command)(QString &, QStringList &) const,
                       void (Encoder::*parse)())
{
    QString program;
    QStringList arguments;
    (this->*command)(program, arguments);
    logStdIn(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), LogLevel::Normal);
    const RunResult run = runProcess(type, program, arguments, true, true);
    if (!run.started)
        return false;
    captureStatus(*engine(type), run.stdOut, run.stdErr);
    (this->*parse)();
    ++m_engineAnswers;
    return true;
}

void Encoder::captureStatus(EngineRecord &record, const QString &stdOut, const QString &stdErr)
{
    InterfaceStatus &status = *record.status;
    status.stdOut = stdOut.toUtf8();
    status.stdErr = stdErr.toUtf8();
    logStdOut(stdOut, LogLevel::Normal);
    logStdErr(stdErr, LogLevel::Normal);
    status.state = InterfaceStatus::OutputCaptured;
}

SyncRunner::Result Encoder::runStatusRun(int type, const QString &program, const QStringList &arguments,
                                         const char *classWord, SyncRunner::Timeouts &limits)
{
    int start = 0, finish = 0, kill = 0;
    timeouts(type, start, finish, kill);
    // An engine that works goes on past its finish time-out (a busy machine, a cold disk).
    limits = SyncRunner::Timeouts::patient(start, finish, kill);
    if (m_askingAgain)
        limits = limits.again();
    limits.deadline = m_askDeadline;
    const SyncRunner::Result run = SyncRunner::runQuery(program, arguments, QString(), limits, classWord);
    m_queriesLate = m_queriesLate || run.outOfTime();
    return run;
}

bool Encoder::askEngine(int type, const QString &name, EngineRecord &record, const std::function<bool()> &queries)
{
    m_queriesLate = false;
    int start = 0, finish = 0, kill = 0;
    timeouts(type, start, finish, kill);
    const QScopedValueRollback<QDeadlineTimer> deadline(m_askDeadline,
                                                        SyncRunner::Timeouts::startDeadline(start, finish, kill));
    bool ran = queries();
    if ((!ran || record.status->state != InterfaceStatus::Ready) && m_queriesLate && !m_askDeadline.hasExpired()) {
        logMessage(tr("Encoder: %1 did not answer in time; it is asked again with longer time-outs.").arg(name),
                   LogLevel::Normal);
        m_queriesLate = false;
        m_askingAgain = true;
        ran = queries();
        m_askingAgain = false;
    }
    record.status->late = m_queriesLate && record.status->state != InterfaceStatus::Ready;
    return ran;
}

bool Encoder::queryEngine(int type)
{
    Engine *record = engine(type);
    InterfaceStatus &status = *record->status;
    status.clear();
    record->videoCodecs.clear();
    record->audioCodecs.clear();
    record->subtitleCodecs.clear();
    record->muxers.clear();

    struct Query
    {
        void (Encoder::*command)(QString &, QStringList &) const;
        void (Encoder::*parse)();
    };
    const QList<Query> queries =
        type == EngineType::FFmpeg
            ? QList<Query>{{&Encoder::ffmpegVersionCommand, &Encoder::parseFFmpegVersion},
                           {&Encoder::ffmpegCodecsCommand, &Encoder::parseFFmpegCodecs},
                           {&Encoder::ffmpegMuxersCommand, &Encoder::parseFFmpegMuxers}}
            : QList<Query>{{&Encoder::mencoderStatusCommand, &Encoder::parseMEncoderStatus}};
    bool allGood = true;
    for (const Query &query : queries) {
        if (!runQuery(type, query.command, query.parse))
            return false;
        allGood = allGood && status.state != InterfaceStatus::ParseFailed;
    }
    // FFmpeg's parsers set no ready state themselves; MEncoder's does.
    if (type == EngineType::FFmpeg)
        status.state = allGood ? InterfaceStatus::Ready : InterfaceStatus::ParseFailed;
    return true;
}

void Encoder::resetEngine(int type)
{
    qCDebug(lcEncoder) << "Encoder: begin reset engine type" << type;
    const QString name = engineName(type);
    logMessage(tr("Encoder: %1 engine reset begins.").arg(name), LogLevel::Verbose);
    Engine *record = knownEngine(type);
    // An engine that was never initialised has no builder to ask.
    if (!record || !record->status || engineBuilderMissing(type))
        return;
    const QString binary = engineBinary(type);
    if (!askEngine(type, name, *record, [this, type] { return queryEngine(type); }))
        return;
    logMessage(tr("Encoder: %1 engine reset completed.").arg(name), LogLevel::Verbose);

    if (record->status->state == InterfaceStatus::Ready) {
        logMessage(tr("Encoder: %1 engine is ready.").arg(name), LogLevel::Verbose);
    } else {
        logMessage(tr("Encoder: %1 engine binary is %2").arg(name, binary), LogLevel::Quiet);
        logMessage(tr("Encoder: %1 engine failed initialization.").arg(name), LogLevel::Quiet);
    }
    qCDebug(lcEncoder) << "Encoder: engine reset completed.";
}

bool Encoder::engineBuilderMissing(int type) const
{
    return type == EngineType::MEncoder ? !m_mencoder : !m_ffmpeg;
}

void Encoder::mencoderStatusCommand(QString &program, QStringList &arguments) const
{
    m_mencoder->cliCmdGetStatus(program, arguments);
}

void Encoder::parseMEncoderStatus()
{
    m_mencoder->parseStatus();
}

// --- test run --------------------------------------------------------------------------

bool Encoder::checkCommand(int type, const QString &program, const QStringList &arguments,
                           const QString &output, QString &commandLine, QString &stdOut,
                           QString &stdErr, int limit)
{
    return trialRun(type, program, arguments, output, commandLine, stdOut, stdErr, limit, false);
}

bool Encoder::trialRun(int type, const QString &program, const QStringList &arguments,
                       const QString &output, QString &commandLine, QString &stdOut,
                       QString &stdErr, int limit, bool keepOutput)
{
    m_trialCancelled = false;
    const QString name = engineName(type);
    qCDebug(lcEncoder) << "Encoder: begin check command";
    logMessage(tr("Encoder: %1 engine is checking a command.").arg(name), LogLevel::Verbose);
    if (type != EngineType::MEncoder && type != EngineType::FFmpeg && type != EngineType::MPlayer)
        return true;

    QStringList trial = arguments;
    const QString engineOutput = type == EngineType::MEncoder ? mencoderOutput(arguments) : output;
    // The engine would write over it, and the clean-up would remove it: a file that is
    // there already is the user's, not the trial's.
    for (const QString &path : {output, engineOutput}) {
        if (isExistingFile(path)) {
            stdErr = tr("The file %1 exists already; the test run would overwrite it.").arg(path);
            logMessage(tr("Encoder: %1 engine checking command: NOT valid").arg(name), LogLevel::Verbose);
            return false;
        }
    }
    if (limit > 0 && type == EngineType::FFmpeg)
        trial = ffmpegTrialArguments(trial, output, limit);
    else if (limit > 0 && type == EngineType::MPlayer)
        trial = DvdTitleDump::trialArguments(trial, trialSeconds(limit));
    else if (limit > 0)
        trial = mencoderTrialArguments(trial, limit);
    RunResult run;
    {
        // The window goes on answering while the engine runs: it repaints, says that the check
        // runs, and a cancel or a close asked meanwhile stops the engine.
        const SyncRunner::LoadScope answering;
        const TrialWatch::Scope watched(name);
        SyncRunner::Timeouts limits;
        limits.finish = TrialFinishFloor;
        limits.stall = TrialStallLimit;
        limits.progressed = TrialProgress(type);
        // What the engine does moves it on too: an encoder that buffers pictures before it
        // writes (VP8 holds some, and its status line stands still meanwhile) works all the
        // same, its processor time moving, its file growing.
        limits.work.process = true;
        for (const QString &path : {output, engineOutput})
            if (!path.isEmpty() && !limits.work.files.contains(path))
                limits.work.files << path;
        limits.stop = TrialWatch::instance()->cancelFlag();
        run = runProcess(type, program, trial, false, false, &limits);
    }
    m_trialCancelled = run.stopped;
    if (!run.started)
        return false;
    commandLine = program + QLatin1Char(' ') + trial.join(QLatin1Char(' '));
    stdOut = run.stdOut;
    stdErr = run.stdErr;
    const QString reason = run.stopped ? tr("The check of the command was cancelled.")
                           : run.stalled ? tr("The %1 engine made no progress for %2 seconds and was stopped.")
                                               .arg(name).arg(TrialStallLimit / 1000)
                                         : QString();
    if (!reason.isEmpty()) {
        stdErr += (stdErr.isEmpty() || stdErr.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n"))
                  + reason + QLatin1Char('\n');
        logMessage(reason, LogLevel::Normal);
    }

    if (!keepOutput)
        removeTrialOutput(output);
    // MEncoder writes the first step of an audio target under a name of its own; what the
    // trial wrote there goes too.
    if (engineOutput != output)
        removeTrialOutput(engineOutput);

    // An engine that crashed, or ended by itself without closing its file, wrote nothing a
    // player can read, whatever status lines it printed first (MEncoder segfaults after
    // "Writing header..." on some muxer and codec pairs). One that closed its file and then
    // exited with an error has failed all the same: the job would end so. One killed at the
    // time-out is judged by the status lines it printed until then; one stopped for printing
    // nothing is refused.
    const bool ended = !run.crashed && !run.stalled && !run.stopped
                       && (run.killed || (run.exitCode == 0 && hasClosingLines(type, stdOut, stdErr)));
    const bool valid = ended && parseCommandCheck(type, stdOut, stdErr);
    if (valid)
        logMessage(tr("Encoder: %1 engine check command completed.").arg(name), LogLevel::Verbose);
    else
        logMessage(tr("Encoder: %1 engine checking command: NOT valid").arg(name), LogLevel::Verbose);
    qCDebug(lcEncoder) << "Encoder: check command completed.";
    return valid;
}

// FFmpeg takes "-fs" only as an option of the output file, so the limit goes right in
// front of it; in front of the input FFmpeg refuses the whole command.
QStringList Encoder::ffmpegTrialArguments(QStringList arguments, const QString &output, int limit)
{
    const qsizetype at = qMax<qsizetype>(0, outputIndex(arguments, output));
    arguments.insert(at, QString::number(limit));
    arguments.insert(at, QStringLiteral("-fs"));
    return arguments;
}

// MEncoder stops writing after "-frames" but goes on reading its input to the end, so a
// trial of a long source would run until it is killed. "-endpos" ends the run once the
// limit's frames are read (at the source's frame rate, 25 when unknown, plus a second).
QStringList Encoder::mencoderTrialArguments(QStringList arguments, int limit) const
{
    return QStringList{QStringLiteral("-frames"), QString::number(limit),
                       QStringLiteral("-endpos"), QString::number(trialSeconds(limit))}
           + arguments;
}

int Encoder::trialSeconds(int frames) const
{
    const double rate = m_source.video.frameRate > 0.0 ? m_source.video.frameRate : 25.0;
    return int(std::ceil(frames / rate)) + 1;
}

bool Encoder::parseCommandCheck(int type, const QString &stdOut, const QString &stdErr)
{
    switch (type) {
    case EngineType::MEncoder:
        return InterfaceMEncoder::parseCommandCheck(stdOut.toUtf8(), stdErr.toUtf8());
    case EngineType::FFmpeg:
        return ffmpegCommandCheck(stdOut, stdErr);
    case EngineType::MPlayer:
        return DvdTitleDump::parseCommandCheck(stdOut);
    default:
        reportUnknown(type);
        return false;
    }
}

bool Encoder::parseProgress(int type, const QString &text, QString &rest, int &frame,
                            double &position, int &percent, int &minutesLeft, double &fps,
                            int &size)
{
    switch (type) {
    case EngineType::MEncoder:
        return InterfaceMEncoder::parseProgress(text, rest, frame, position, percent, minutesLeft,
                                                fps, size);
    case EngineType::FFmpeg:
        return ffmpegProgress(text, rest, frame, position, percent, minutesLeft, fps, size);
    case EngineType::MPlayer:
        return DvdTitleDump::parseProgress(text, rest, percent, size);
    default:
        return false;
    }
}
